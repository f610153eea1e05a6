// tools/web-serve.py: the types the engine's files need, and the two
// isolation headers only when asked for.
import assert from 'node:assert/strict'
import { spawn } from 'node:child_process'
import http from 'node:http'
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs'
import { tmpdir } from 'node:os'
import { dirname, join, resolve } from 'node:path'
import { test } from 'node:test'
import { fileURLToPath } from 'node:url'

const script = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..', '..', 'tools', 'web-serve.py')

async function withServer(dir, isolate, fn) {
  const args = [script, '--dir', dir, '--port', '0', '--quiet']
  if (isolate) args.push('--isolate')
  const server = spawn('python3', args, { stdio: ['ignore', 'pipe', 'inherit'] })
  try {
    const url = await new Promise((resolvePromise, reject) => {
      let text = ''
      server.on('exit', (code) => reject(new Error(`the server ended (${code})`)))
      server.stdout.on('data', (chunk) => {
        text += chunk
        const match = /http:\/\/localhost:(\d+)\//.exec(text)
        if (match) resolvePromise(`http://127.0.0.1:${match[1]}/`)
      })
    })
    await fn(url)
  } finally {
    server.kill()
  }
}

test('the page server', async (t) => {
  const dir = mkdtempSync(join(tmpdir(), 'quillon-serve-'))
  writeFileSync(join(dir, 'index.html'), '<!doctype html><title>x</title>')
  writeFileSync(join(dir, 'engine.wasm'), Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]))
  writeFileSync(join(dir, 'loader.mjs'), 'export {}')
  writeFileSync(join(dir, 'engine.js'), '')
  try {
    await t.test('with --isolate: cross-origin isolation headers and exact types', () =>
      withServer(dir, true, async (url) => {
        const wasm = await fetch(url + 'engine.wasm')
        assert.equal(wasm.status, 200)
        assert.equal(wasm.headers.get('content-type'), 'application/wasm')
        assert.equal(wasm.headers.get('cross-origin-opener-policy'), 'same-origin')
        assert.equal(wasm.headers.get('cross-origin-embedder-policy'), 'require-corp')
        assert.deepEqual([...new Uint8Array(await wasm.arrayBuffer())], [0, 0x61, 0x73, 0x6d, 1, 0, 0, 0])
        assert.match((await fetch(url + 'loader.mjs')).headers.get('content-type'), /^text\/javascript/)
        assert.match((await fetch(url + 'engine.js')).headers.get('content-type'), /^text\/javascript/)
        const page = await fetch(url)
        assert.match(page.headers.get('content-type'), /^text\/html/)
        assert.equal(page.headers.get('cross-origin-embedder-policy'), 'require-corp')
        assert.equal((await fetch(url + 'missing.js')).status, 404)
      }))
    await t.test('without: a plain static host', () =>
      withServer(dir, false, async (url) => {
        const wasm = await fetch(url + 'engine.wasm')
        assert.equal(wasm.headers.get('content-type'), 'application/wasm')
        assert.equal(wasm.headers.get('cross-origin-opener-policy'), null)
        assert.equal(wasm.headers.get('cross-origin-embedder-policy'), null)
        // Nothing outside the served folder (a raw request: fetch would
        // tidy the dots away itself).
        const outside = await new Promise((resolvePromise, reject) => {
          http.get(url + 'x', { path: '/../../../../../../etc/passwd' }, (response) => {
            let body = ''
            response.on('data', (chunk) => (body += chunk))
            response.on('end', () => resolvePromise({ status: response.statusCode, body }))
          }).on('error', reject)
        })
        assert.equal(outside.status, 404)
        assert.equal(outside.body.includes('root:'), false)
      }))
  } finally {
    rmSync(dir, { recursive: true, force: true })
  }
})
