// Starts Quillon in a Web Worker, the threaded engine where the page can run
// it and the single-threaded one elsewhere:
//
//   import { createQuillonWorker } from './quillon-loader.mjs';
//   const engine = createQuillonWorker();
//   engine.onmessage = (event) => console.log(event.data);  // one line each
//   engine.postMessage('uci');                              // one line each
//
// The threaded engine needs WebAssembly threads, that is SharedArrayBuffer,
// which browsers give only to a cross-origin isolated page: one served with
//   Cross-Origin-Opener-Policy: same-origin
//   Cross-Origin-Embedder-Policy: require-corp

// Whether this page can run the threaded engine.
export function threadsAvailable() {
  return globalThis.crossOriginIsolated === true && typeof SharedArrayBuffer === 'function';
}

// The engine's Worker. `baseUrl` is the folder that holds the engine's files
// (by default the loader's own); the Worker's `quillonThreaded` tells which
// engine runs.
export function createQuillonWorker(baseUrl = new URL('./', import.meta.url)) {
  const threaded = threadsAvailable();
  const base = new URL(String(baseUrl), globalThis.location ? globalThis.location.href : undefined);
  const worker = new Worker(new URL(threaded ? 'quillon-threads.js' : 'quillon.js', base));
  worker.quillonThreaded = threaded;
  return worker;
}
