// Quillon as a console engine for Node programs: a child process that speaks
// UCI and XBoard on its standard input and output, as a GUI starts it.
//
//   import { startQuillon } from 'quillon';
//   const engine = startQuillon();
//   engine.stdout.on('data', (chunk) => process.stdout.write(chunk));
//   engine.stdin.write('uci\n');
import { spawn } from 'node:child_process';
import { fileURLToPath } from 'node:url';

// The engine's file: the threaded build (WebAssembly threads, which Node
// always has) or the single-threaded one.
export function enginePath({ threads = false } = {}) {
  return fileURLToPath(new URL(threads ? './quillon-threads.js' : './quillon.js', import.meta.url));
}

// Starts the engine with the command-line arguments (none for the protocols;
// 'bench', 'perft 5' and the like for the tools).
export function startQuillon({ threads = false, args = [] } = {}) {
  return spawn(process.execPath, [enginePath({ threads }), ...args], { stdio: ['pipe', 'pipe', 'inherit'] });
}
