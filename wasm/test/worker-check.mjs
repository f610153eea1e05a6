// Runs a UCI session and an XBoard move in the engine's Worker, as a web page
// would, and posts what it saw to the test server (/report).
import { createQuillonWorker, threadsAvailable } from '../engine/quillon-loader.mjs';

const results = [];
const log = document.getElementById('log');
function record(name, ok, detail = '') {
  results.push({ name, ok: Boolean(ok), detail: String(detail) });
  log.textContent += `${ok ? 'ok  ' : 'FAIL'} ${name} ${detail}\n`;
}

// The engine's lines, each with the time it arrived.
class Engine {
  constructor(worker) {
    this.worker = worker;
    this.lines = [];
    this.waiters = [];
    worker.onmessage = (event) => {
      this.lines.push({ at: performance.now(), text: event.data });
      this.wake();
    };
  }
  wake() { this.waiters.forEach((w) => w()); }
  send(line) { this.worker.postMessage(line); return performance.now(); }
  // The first line matching after `from` (an index into the lines seen).
  async expect(pattern, timeoutMs = 30000, from = 0) {
    const deadline = performance.now() + timeoutMs;
    for (;;) {
      const found = this.lines.findIndex((l, i) => i >= from && pattern.test(l.text));
      if (found >= 0) return { index: found, ...this.lines[found] };
      const left = deadline - performance.now();
      if (left <= 0) return null;
      await new Promise((resolve) => {
        const timer = setTimeout(done, left);
        const waiter = () => done();
        function done() { clearTimeout(timer); resolve(); }
        this.waiters = [waiter];
      });
    }
  }
}

async function run() {
  const expectThreads = new URLSearchParams(location.search).get('threads') === '1';
  record('cross-origin isolation as served', threadsAvailable() === expectThreads,
         `crossOriginIsolated=${globalThis.crossOriginIsolated}`);
  const worker = createQuillonWorker('../engine/');
  record('the loader picks the build', worker.quillonThreaded === expectThreads,
         worker.quillonThreaded ? 'quillon-threads.js' : 'quillon.js');
  let failed = null;
  worker.onerror = (event) => { failed = event.message; };
  const e = new Engine(worker);

  e.send('uci');
  const uciok = await e.expect(/^uciok$/);
  record('uci answers uciok', uciok && !failed, failed || '');
  const name = await e.expect(/^id name Quillon/, 1000);
  record('the engine names itself', name, name && name.text);
  if (expectThreads) {
    e.send('setoption name Threads value 2');
  }
  e.send('isready');
  record('isready', await e.expect(/^readyok$/));

  // A fixed-depth search from the start position.
  let mark = e.lines.length;
  e.send('position startpos moves e2e4');
  e.send('go depth 8');
  const depth = await e.expect(/^info depth 8 /, 60000, mark);
  const best = await e.expect(/^bestmove /, 60000, mark);
  record('go depth 8 reaches depth 8 and moves', depth && best && /^bestmove [a-h][78][a-h][56]|^bestmove [bg]8/.test(best.text),
         best && best.text);

  // A mate in one: the rook to the back rank.
  mark = e.lines.length;
  e.send('position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1');
  e.send('go depth 5');
  const mate = await e.expect(/^bestmove /, 30000, mark);
  const mateScore = e.lines.slice(mark).some((l) => / score mate 1 /.test(l.text));
  record('finds the mate in one', mate && mate.text.startsWith('bestmove a1a8') && mateScore, mate && mate.text);

  // stop, and isready, during go infinite: answered within 100 ms (the
  // median of three tries, so that one hiccup of a busy machine does not
  // decide), isready after the search's bestmove.
  const stops = [], readies = [];
  let ordered = true;
  for (let i = 0; i < 3; i++) {
    mark = e.lines.length;
    e.send('position startpos');
    e.send('go infinite');
    await e.expect(/^info depth 6 /, 30000, mark);
    let sent = e.send('stop');
    const stopped = await e.expect(/^bestmove /, 5000, mark);
    stops.push(stopped ? stopped.at - sent : 1e9);

    mark = e.lines.length;
    e.send('go infinite');
    await e.expect(/^info depth 6 /, 30000, mark);
    sent = e.send('isready');
    const end = await e.expect(/^bestmove /, 5000, mark);
    const ready = await e.expect(/^readyok$/, 5000, mark);
    ordered = ordered && Boolean(end && ready && end.index < ready.index);
    readies.push(ready ? ready.at - sent : 1e9);
  }
  const median = (values) => [...values].sort((a, b) => a - b)[1];
  const ms = (values) => values.map((v) => `${v.toFixed(0)}`).join(', ') + ' ms';
  record('stop during go infinite gives bestmove within 100 ms', median(stops) < 100, ms(stops));
  record('isready during a search: bestmove, then readyok within 100 ms', ordered && median(readies) < 100,
         ms(readies));

  // An XBoard move.
  mark = e.lines.length;
  e.send('xboard');
  e.send('protover 2');
  const features = await e.expect(/done=1/, 5000, mark);
  e.send('new');
  e.send('sd 5');
  e.send('e2e4');
  const reply = await e.expect(/^move /, 30000, mark);
  record('XBoard: a move answers e2e4', features && reply && /^move ([a-h][78][a-h][56]|[bg]8)/.test(reply.text),
         reply && reply.text);
  e.send('quit');

  // A missing .wasm reaches the page as an error event.
  const broken = new Worker(new URL('../broken/quillon.js', location.href));
  const error = await new Promise((resolve) => {
    const timer = setTimeout(() => resolve(null), 20000);
    broken.onerror = (event) => { clearTimeout(timer); event.preventDefault(); resolve(event.message || 'error'); };
  });
  record('a missing .wasm gives an error event', error && /Quillon/.test(error), error);
  broken.terminate();

  // So does a browser without WebAssembly: a Worker that hides it first.
  const engineUrl = new URL('../engine/quillon.js', location.href).href;
  const source = `self.WebAssembly = undefined; importScripts(${JSON.stringify(engineUrl)});`;
  const bare = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
  const bareError = await new Promise((resolve) => {
    const timer = setTimeout(() => resolve(null), 20000);
    bare.onerror = (event) => { clearTimeout(timer); event.preventDefault(); resolve(event.message || 'error'); };
  });
  record('no WebAssembly gives an error event', bareError && /WebAssembly/.test(bareError), bareError);
  bare.terminate();
}

run()
  .catch((error) => record('the check ran to its end', false, error && error.stack))
  .finally(() => fetch('/report', { method: 'POST', body: JSON.stringify(results) }));
