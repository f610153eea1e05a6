#!/usr/bin/env node
// The threaded engine (up to 8 search threads) as a console program.
require('../quillon-threads.js');
