#!/usr/bin/env node
// The single-threaded engine as a console program: quillon [bench|perft|eval ...]
require('../quillon.js');
