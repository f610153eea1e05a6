// The engine's glue to its two hosts, placed before the runtime that the
// compiler writes (so the runtime's own names are not defined yet while this
// runs; the functions below use them only once the engine runs).
//
// In a browser Worker every message posted to the Worker is one input line,
// and every line the engine writes is posted back as one message. In Node the
// engine is a console program: standard input and output. Either way the
// input is queued here until the engine opens it (the command-line tools
// never do), then handed over through quillon_input_push.
(function () {
  var isNode = typeof process == 'object' && typeof process.versions == 'object' &&
               typeof process.versions.node == 'string';
  // The threads of the threaded build load this file too; they talk to no one.
  if (Module['ENVIRONMENT_IS_PTHREAD']) return;
  var isWorker = !isNode && typeof importScripts == 'function';

  function fail(message) {
    // An exception thrown from a task of its own is an uncaught error of the
    // Worker: the page gets it as an 'error' event on the Worker.
    setTimeout(function () { throw new Error('Quillon: ' + message); }, 0);
  }
  if (typeof WebAssembly != 'object') {
    throw new Error('Quillon: this browser does not run WebAssembly');
  }
  Module['onAbort'] = function (what) {
    if (isWorker) fail('the engine could not start or stopped: ' + what);
  };

  if (isNode) {
    // Node reads the module's file itself: its fetch() takes no file paths.
    if (typeof __filename == 'string') {
      Module['wasmBinary'] = require('fs').readFileSync(__filename.replace(/\.js$/, '.wasm'));
    }
    Module['print'] = function (line) { process.stdout.write(line + '\n'); };
    // A GUI that has gone does not end the engine in the middle of a write:
    // its lines are dropped, and the end of input then ends it.
    process.stdout.on('error', function () {});
    // The host's files, for the command-line tools and the game records: each
    // top-level folder mounted at its own name, and the current folder kept.
    Module['preRun'] = [function () {
      var fs = require('fs');
      fs.readdirSync('/').forEach(function (name) {
        if (name == 'dev' || name == 'proc' || name == 'sys') return;
        try {
          if (!fs.statSync('/' + name).isDirectory()) return;
          try { FS.mkdir('/' + name); } catch (e) { /* already there */ }
          FS.mount(NODEFS, { root: '/' + name }, '/' + name);
        } catch (e) { /* an unreadable folder stays out of reach */ }
      });
      try { FS.chdir(process.cwd()); } catch (e) { /* stays at / */ }
    }];
  } else if (isWorker) {
    Module['print'] = function (line) { postMessage(line); };
    Module['onExit'] = function () { close(); };
  }

  // The single-threaded engine waits for input by suspending main()
  // (Asyncify): the runtime then sees main() return early, and nobody exits
  // when it really returns, at "quit" or the end of input. Exit then.
  Module['postRun'] = [function () {
    if (typeof Asyncify != 'undefined' && Asyncify.currData) {
      Asyncify.whenDone().then(function (status) { exit(status); });
    }
  }];

  var opened = false;
  var ended = false;
  var waiting = [];    // lines that came before the engine opened its input
  var arrival = null;  // wakes the single-threaded engine waiting for input

  function wake() {
    if (arrival) { var resolve = arrival; arrival = null; resolve(); }
  }
  function pushText(text) {
    var length = lengthBytesUTF8(text);
    var bytes = _malloc(length + 1);
    if (!bytes) return;  // no memory left: the line is lost, not the engine
    stringToUTF8(text, bytes, length + 1);
    _quillon_input_push(bytes, length);
    _free(bytes);
    wake();
  }
  function end() {
    if (ended) return;
    ended = true;
    if (opened) { _quillon_input_end(); wake(); }
  }
  function receive(text) {
    if (ended) return;
    if (opened) pushText(text); else waiting.push(text);
  }

  if (isWorker) {
    onmessage = function (event) { receive(String(event.data) + '\n'); };
  }

  // The engine calls these (through its input reader).
  Module['quillonOpenInput'] = function () {
    if (opened) return;
    opened = true;
    waiting.forEach(pushText);
    waiting = [];
    if (ended) { _quillon_input_end(); wake(); }
    if (isNode) {
      var decoder = new (require('string_decoder').StringDecoder)('utf8');
      process.stdin.on('data', function (chunk) { receive(decoder.write(chunk)); });
      process.stdin.on('end', end);
      process.stdin.on('error', end);
    }
  };
  Module['quillonInputArrival'] = function () {
    return new Promise(function (resolve) { arrival = resolve; });
  };
  // One turn of the event loop: Node's setImmediate runs after pending input
  // events; in a Worker a message to itself queues behind posted messages
  // (setTimeout would be held back to 4 ms a turn).
  var channel = null, turns = [];
  Module['quillonYield'] = function () {
    return new Promise(function (resolve) {
      if (isNode) { setImmediate(resolve); return; }
      if (!channel) {
        channel = new MessageChannel();
        channel.port1.onmessage = function () { turns.shift()(); };
      }
      turns.push(resolve);
      channel.port2.postMessage(0);
    });
  };
})();
