// Builds the page into an output folder (default ../build/web): the bundled
// modules (app.js), the bundled styles (app.css), index.html and the
// board's piece and marker sprites. The engine files are copied beside it
// by the Makefile.
import * as esbuild from 'esbuild'
import { cpSync, mkdirSync } from 'node:fs'
import { dirname, join, resolve } from 'node:path'
import { fileURLToPath } from 'node:url'

const here = dirname(fileURLToPath(import.meta.url))
const out = resolve(process.argv[2] || join(here, '..', 'build', 'web'))
mkdirSync(out, { recursive: true })

await esbuild.build({
  entryPoints: { app: join(here, 'src', 'main.js') },
  bundle: true,
  format: 'esm',
  target: ['es2022'],
  minify: true,
  sourcemap: true,
  outdir: out,
  logLevel: 'warning',
})
await esbuild.build({
  entryPoints: { app: join(here, 'src', 'style.css') },
  bundle: true,
  minify: true,
  outdir: out,
  logLevel: 'warning',
})

cpSync(join(here, 'index.html'), join(out, 'index.html'))
const assets = join(here, 'node_modules', 'cm-chessboard', 'assets')
for (const sprite of ['pieces/standard.svg', 'extensions/markers/markers.svg']) {
  mkdirSync(dirname(join(out, 'assets', sprite)), { recursive: true })
  cpSync(join(assets, sprite), join(out, 'assets', sprite))
}
console.log(`web: page built in ${out}`)
