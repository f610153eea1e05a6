// The page in a real browser: Debian's chromium, headless, driven with
// playwright-core, against the page served by tools/web-serve.py, once with
// the cross-origin isolation headers (threaded engine, two threads) and
// once without (single-threaded engine). Every move the engine makes is
// checked with chess.js here, independently of the page.
//
//   node web/test/browser.mjs [--dir build/web] [--out build/web-test] [--only isolated|plain]
//
// Screenshots at desktop and phone width land in the --out folder.
import { Chess } from 'chess.js'
import assert from 'node:assert/strict'
import { spawn } from 'node:child_process'
import { mkdirSync } from 'node:fs'
import { dirname, join, resolve } from 'node:path'
import { test } from 'node:test'
import { fileURLToPath } from 'node:url'
import { chromium } from 'playwright-core'
import { mateInOne, mateInTwoKeys } from './mates.mjs'

const here = dirname(fileURLToPath(import.meta.url))
const root = resolve(here, '..', '..')
function argument(name, fallback) {
  const i = process.argv.indexOf(name)
  return i >= 0 ? process.argv[i + 1] : fallback
}
const webDir = resolve(root, argument('--dir', 'build/web'))
const outDir = resolve(root, argument('--out', 'build/web-test'))
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium'
mkdirSync(outDir, { recursive: true })

// Without the background-networking flags chromium tries to reach the
// network at start and logs its failures.
const CHROMIUM_ARGS = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--disable-dev-shm-usage',
]

// A mate in two for White: Rd8+ Rxd8 Rxd8# (mates.mjs finds the key with
// chess.js; the test asks it rather than trusting this comment).
const MATE_IN_TWO = 'r5k1/5ppp/8/8/8/8/3R1PPP/3R2K1 w - - 0 1'
// White's pawn on a7 promotes.
const PROMOTION = '8/P6k/8/8/8/8/8/K7 w - - 0 1'

// Starts the page's server on a free port; resolves with its address.
function serve(isolate) {
  const args = [join(root, 'tools', 'web-serve.py'), '--dir', webDir, '--port', '0', '--quiet']
  if (isolate) args.push('--isolate')
  const server = spawn('python3', args, { stdio: ['ignore', 'pipe', 'inherit'] })
  return new Promise((resolvePromise, reject) => {
    let text = ''
    server.on('error', reject)
    server.on('exit', (code) => reject(new Error(`web-serve.py ended with ${code}`)))
    server.stdout.on('data', (chunk) => {
      text += chunk
      const match = /http:\/\/[^:]+:(\d+)\//.exec(text)
      if (match) resolvePromise({ server, url: `http://127.0.0.1:${match[1]}/` })
    })
  })
}

// The page's helpers, seen from the test.
class PageDriver {
  constructor(page) {
    this.page = page
    this.errors = []
    page.on('console', (message) => {
      if (message.type() === 'error') this.errors.push(`console: ${message.text()}`)
    })
    page.on('pageerror', (error) => this.errors.push(`page error: ${error.message}`))
  }

  // The centre of a square on the screen, whichever way the board is turned.
  async squareCentre(square) {
    const box = await this.page.locator(`#board rect[data-square="${square}"]`).boundingBox()
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 }
  }

  async drag(from, to) {
    const a = await this.squareCentre(from)
    const b = await this.squareCentre(to)
    await this.page.mouse.move(a.x, a.y)
    await this.page.mouse.down()
    await this.page.mouse.move((a.x + b.x) / 2, (a.y + b.y) / 2, { steps: 4 })
    await this.page.mouse.move(b.x, b.y, { steps: 4 })
    await this.page.mouse.up()
  }

  async clickMove(from, to) {
    const a = await this.squareCentre(from)
    const b = await this.squareCentre(to)
    await this.page.mouse.click(a.x, a.y)
    await this.page.mouse.click(b.x, b.y)
  }

  async tapMove(from, to) {
    const a = await this.squareCentre(from)
    const b = await this.squareCentre(to)
    await this.page.touchscreen.tap(a.x, a.y)
    await this.page.touchscreen.tap(b.x, b.y)
  }

  // The moves of the move list, in SAN.
  moves() {
    return this.page.locator('#moves button.move').allTextContents()
  }

  async waitForPlies(n, timeout = 30000) {
    await this.page.waitForFunction((count) => document.querySelectorAll('#moves button.move').length === count, n, { timeout })
  }

  status() {
    return this.page.locator('#status').textContent()
  }

  fen() {
    return this.page.inputValue('#fen')
  }

  // What the board draws: the piece on each square, found from where each
  // piece is drawn, as the placement field of a FEN.
  async drawnPlacement() {
    return this.page.evaluate(() => {
      const board = {}
      for (const piece of document.querySelectorAll('#board .pieces g[data-piece]')) {
        const box = piece.getBoundingClientRect()
        const under = document
          .elementsFromPoint(box.x + box.width / 2, box.y + box.height / 2)
          .find((element) => element.dataset && element.dataset.square)
        if (under) board[under.dataset.square] = piece.dataset.piece
      }
      const rows = []
      for (let rank = 8; rank >= 1; rank--) {
        let row = ''
        let empty = 0
        for (const file of 'abcdefgh') {
          const piece = board[file + rank]
          if (!piece) {
            empty++
            continue
          }
          if (empty) row += empty
          empty = 0
          row += piece[0] === 'w' ? piece[1].toUpperCase() : piece[1]
        }
        rows.push(row + (empty ? empty : ''))
      }
      return rows.join('/')
    })
  }

  // Waits for the board to draw a placement (a move animates for a moment).
  async expectDrawn(placement, message, timeout = 3000) {
    const until = Date.now() + timeout
    let drawn = await this.drawnPlacement()
    while (drawn !== placement && Date.now() < until) {
      await this.page.waitForTimeout(50)
      drawn = await this.drawnPlacement()
    }
    assert.equal(drawn, placement, message)
  }

  async setFen(fen) {
    await this.page.fill('#fen', fen)
    await this.page.click('#fen-set')
  }

  // The protocol lines shown in the page's panel (the panel keeps the
  // last few hundred; each line carries its number).
  protocolLines() {
    return this.page.locator('#protocol-log div').allTextContents()
  }

  lastLineNumber() {
    return this.page.evaluate(() => Number(document.querySelector('#protocol-log div:last-child')?.dataset.n || 0))
  }

  linesAfter(n) {
    return this.page.evaluate(
      (after) => [...document.querySelectorAll('#protocol-log div')].filter((line) => Number(line.dataset.n) > after).map((line) => line.textContent),
      n,
    )
  }

  // Waits until the player may move again (the engine has answered).
  async waitForPlayer(timeout = 30000) {
    await this.page.waitForFunction(() => document.getElementById('status').textContent.startsWith('Your move'), null, { timeout })
  }
}

// A quiet legal move for the side to move from the FEN: one that neither
// promotes nor captures, so that any reply keeps the game going.
function quietMove(fen, preferred = []) {
  const chess = new Chess(fen)
  const moves = chess.moves({ verbose: true })
  for (const want of preferred) {
    const found = moves.find((m) => m.lan === want)
    if (found) return found
  }
  return moves.find((m) => !m.captured && !m.promotion && m.piece !== 'k') || moves[0]
}

// Checks that the engine's reply, the last move of the list, is legal in
// fenBefore and that the page shows the position it leads to.
async function checkReply(driver, fenBefore) {
  const moves = await driver.moves()
  const chess = new Chess(fenBefore)
  const reply = chess.move(moves[moves.length - 1]) // throws on an illegal move
  assert.ok(reply, 'the engine replied')
  assert.equal(await driver.fen(), chess.fen(), 'the page shows the position after the reply')
  await driver.expectDrawn(chess.fen().split(' ')[0], 'the board draws that position')
  return chess.fen()
}

async function session(t, browser, { isolate }) {
  const name = isolate ? 'isolated' : 'plain'
  const { server, url } = await serve(isolate)
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } })
  const page = await context.newPage()
  const driver = new PageDriver(page)
  try {
    await page.goto(url)
    await page.waitForSelector('body[data-ready="true"]', { timeout: 30000 })
    await page.selectOption('#movetime', '500')

    await t.test(`${name}: the page runs the ${isolate ? 'threaded' : 'single-threaded'} engine and says so`, async () => {
      assert.equal(await page.evaluate(() => globalThis.crossOriginIsolated), isolate)
      assert.equal(await page.getAttribute('body', 'data-engine'), isolate ? 'threaded' : 'single')
      const kind = await page.textContent('#engine-kind')
      assert.match(kind, isolate ? /threaded build/ : /single-threaded build/)
      const threadChoices = await page.locator('#threads option').count()
      if (isolate) {
        assert.ok(threadChoices >= 2, 'Threads offers more than one thread')
        await page.click('#engine-settings > summary')
        await page.selectOption('#threads', '2')
        await page.waitForFunction(() => /Threads set to 2|Quillon:/.test(document.getElementById('settings-note').textContent))
        assert.equal(await page.textContent('#settings-note'), 'Threads set to 2.')
        assert.ok((await driver.protocolLines()).includes('> setoption name Threads value 2'))
        // The threaded engine's memory ends at 1 GB: a 1024 MB table is
        // refused, the page says so and shows the size kept.
        const hashBefore = await page.inputValue('#hash')
        await page.selectOption('#hash', '1024')
        await page.waitForFunction(() => !document.getElementById('settings-note').textContent.startsWith('Setting'), null, { timeout: 20000 })
        assert.match(await page.textContent('#settings-note'), /^Quillon: .*Hash/)
        assert.ok(await page.locator('#settings-note.warning').count(), 'the refusal is shown as a warning')
        assert.equal(await page.inputValue('#hash'), hashBefore)
      }
      // A size the engine takes is confirmed.
      if (!(await page.locator('#hash').isVisible())) await page.click('#engine-settings > summary')
      await page.selectOption('#hash', '32')
      await page.waitForFunction(() => !document.getElementById('settings-note').textContent.startsWith('Setting'), null, { timeout: 20000 })
      assert.equal(await page.textContent('#settings-note'), 'Hash set to 32.')
      if (!isolate) {
        assert.equal(threadChoices, 1, 'one thread only without isolation')
        assert.ok(await page.locator('#threads').isDisabled())
      }
    })

    let fenAfter4 = null
    await t.test(`${name}: three moves by mouse (drag and click) get three legal replies`, async () => {
      let fen = await driver.fen()
      const ways = ['drag', 'click', 'drag']
      const fens = [fen]
      for (let i = 0; i < 3; i++) {
        const move = quietMove(fen, ['e2e4', 'g1f3', 'f1c4', 'd2d4', 'b1c3'])
        if (ways[i] === 'drag') await driver.drag(move.from, move.to)
        else await driver.clickMove(move.from, move.to)
        await driver.waitForPlies(2 * i + 1, 5000)
        const after = new Chess(fen)
        after.move(move.lan)
        fens.push(after.fen())
        await driver.waitForPlies(2 * i + 2)
        await driver.waitForPlayer()
        fen = await checkReply(driver, after.fen())
        fens.push(fen)
      }
      fenAfter4 = fens[4]
      assert.equal((await driver.moves()).length, 6)
    })

    await t.test(`${name}: take back removes the player's move and the engine's reply`, async () => {
      await page.click('#takeback')
      await driver.waitForPlies(4, 5000)
      assert.equal(await driver.fen(), fenAfter4)
      await driver.expectDrawn(fenAfter4.split(' ')[0], 'the board draws the position before')
      assert.match(await driver.status(), /^Your move/)
    })

    await t.test(`${name}: the move list navigates and the board flips`, async () => {
      const moves = await driver.moves()
      await page.click('#moves button.move[data-ply="1"]')
      const first = new Chess()
      first.move(moves[0])
      assert.equal(await driver.fen(), first.fen())
      await driver.expectDrawn(first.fen().split(' ')[0], 'the board shows the first move')
      assert.equal(await page.getAttribute('#moves button.current', 'data-ply'), '1')
      await page.click('#nav-forward')
      assert.equal(await page.getAttribute('#moves button.current', 'data-ply'), '2')
      await page.click('#nav-last')
      assert.equal(await driver.fen(), fenAfter4)
      assert.equal(await page.getAttribute('#moves button.current', 'data-ply'), '4')
      const top = async (square) => (await page.locator(`#board rect[data-square="${square}"]`).boundingBox()).y
      assert.ok((await top('a8')) < (await top('a1')), 'White at the bottom')
      await page.click('#flip')
      await page.waitForFunction(() => document.getElementById('evalbar').classList.contains('flipped'))
      assert.ok((await top('a1')) < (await top('a8')), 'Black at the bottom after the flip')
      await page.click('#flip')
      await page.waitForFunction(() => !document.getElementById('evalbar').classList.contains('flipped'))
      assert.ok((await top('a8')) < (await top('a1')))
    })

    await t.test(`${name}: the PGN export holds the moves played`, async () => {
      const played = await driver.moves()
      await page.click('#pgn-export')
      const pgn = await page.inputValue('#pgn')
      const chess = new Chess()
      chess.loadPgn(pgn)
      assert.deepEqual(chess.history(), played)
      assert.equal(chess.fen(), fenAfter4)
    })

    await t.test(`${name}: the FEN is copied`, async () => {
      await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: new URL(url).origin })
      await page.click('#fen-copy')
      await page.waitForFunction(() => document.getElementById('position-note').textContent === 'FEN copied.')
      assert.equal(await page.evaluate(() => navigator.clipboard.readText()), fenAfter4)
    })

    await t.test(`${name}: a wrong FEN is refused and the board stays`, async () => {
      const before = fenAfter4.split(' ')[0]
      await driver.setFen('rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0')
      assert.match(await page.textContent('#position-note'), /^Not a valid FEN/)
      await driver.setFen('8/8/8/8/8/8/8/8 w - - 0 1')
      assert.match(await page.textContent('#position-note'), /^Not a valid FEN/)
      await driver.expectDrawn(before, 'the board keeps its position')
      assert.equal((await driver.moves()).length, 4)
    })

    await t.test(`${name}: a pawn promotes through the dialog`, async () => {
      await driver.setFen(PROMOTION)
      await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('Your move'))
      await driver.drag('a7', 'a8')
      const rook = page.locator('#board .promotion-dialog-button[data-piece="wr"]')
      await rook.waitFor({ timeout: 5000 })
      await rook.click()
      await driver.waitForPlies(2)
      await driver.waitForPlayer()
      const moves = await driver.moves()
      assert.equal(moves[0], 'a8=R')
      const after = new Chess(PROMOTION)
      after.move({ from: 'a7', to: 'a8', promotion: 'r' })
      await checkReply(driver, after.fen())
    })

    await t.test(`${name}: a PGN import takes the first game, playable from any move`, async () => {
      const pgn = '[Event "first"]\n[White "A"]\n[Black "B"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *\n\n[Event "second"]\n\n1. d4 d5 *\n'
      await page.fill('#pgn', pgn)
      await page.click('#pgn-import')
      await driver.waitForPlies(6, 5000)
      assert.deepEqual(await driver.moves(), ['e4', 'e5', 'Nf3', 'Nc6', 'Bb5', 'a6'])
      // Back to the position after 2. Nf3, and on from there: Quillon plays Black.
      await page.click('#moves button.move[data-ply="3"]')
      const fen = await driver.fen()
      const start = new Chess()
      for (const move of ['e4', 'e5', 'Nf3']) start.move(move)
      assert.equal(fen, start.fen())
      await page.click('#engine-move') // Quillon takes Black; the player White
      await driver.waitForPlies(4)
      await driver.waitForPlayer()
      await checkReply(driver, fen)
      const moves = await driver.moves()
      assert.deepEqual(moves.slice(0, 3), ['e4', 'e5', 'Nf3'], 'the rest of the imported game was replaced')
      await page.click('#pgn-export')
      assert.match(await page.inputValue('#pgn'), /\[White "A"\]/)
    })

    await t.test(`${name}: a new game as Black: the board turns and Quillon opens`, async () => {
      await page.click('#new-black')
      await driver.waitForPlies(1)
      await driver.waitForPlayer()
      const top = async (square) => (await page.locator(`#board rect[data-square="${square}"]`).boundingBox()).y
      assert.ok((await top('a1')) < (await top('a8')), 'Black at the bottom')
      await checkReply(driver, new Chess().fen())
      // The player now moves Black's pieces, by click.
      const fen = await driver.fen()
      const move = quietMove(fen, ['e7e5', 'c7c5'])
      await driver.clickMove(move.from, move.to)
      await driver.waitForPlies(3)
      await driver.waitForPlayer()
      const after = new Chess(fen)
      after.move(move.lan)
      await checkReply(driver, after.fen())
    })

    await t.test(`${name}: analysis reaches depth 8, follows a move, and stops within a second`, async (st) => {
      await page.click('#new-white')
      await driver.waitForPlayer()
      await page.click('#analyse')
      await page.waitForFunction(() => Number(document.getElementById('an-pv').dataset.depth) >= 8, null, { timeout: 60000 })
      const start = new Chess()
      const uci = (await page.getAttribute('#an-pv', 'data-uci')).split(' ')
      for (const move of uci) start.move(move) // the whole line is legal
      assert.ok((await page.textContent('#an-pv')).startsWith('1. '))
      assert.match(await page.textContent('#an-score'), /^([+-]\d+\.\d\d|0\.00|(White|Black): mate in \d+)$/)
      assert.match(await page.textContent('#an-nps'), /n\/s$/)
      assert.match(await page.textContent('#evalbar-label'), /^([+-]?\d+\.\d|#-?\d+)$/)

      // A move on the board: the analysis goes on in the new position.
      const linesBefore = await driver.lastLineNumber()
      await driver.drag('e2', 'e4')
      await driver.waitForPlies(1, 5000)
      await page.waitForFunction(() => Number(document.getElementById('an-pv').dataset.depth) >= 8, null, { timeout: 60000 })
      const sent = (await driver.linesAfter(linesBefore)).filter((line) => line.startsWith('> '))
      const stop = sent.indexOf('> stop')
      const position = sent.findIndex((line) => line.startsWith('> position ') && line.endsWith(' moves e2e4'))
      const go = sent.lastIndexOf('> go infinite')
      assert.ok(stop >= 0 && stop < position && position < go, `stop, position, go infinite in order: ${sent.join(' | ')}`)
      const afterE4 = new Chess()
      afterE4.move('e4')
      for (const move of (await page.getAttribute('#an-pv', 'data-uci')).split(' ')) afterE4.move(move)
      assert.ok((await page.textContent('#an-pv')).startsWith('1... '))

      await page.screenshot({ path: join(outDir, `${name}-desktop.png`) })

      const count = await driver.lastLineNumber()
      const clicked = Date.now()
      await page.click('#analyse')
      await page.waitForFunction(
        (n) =>
          [...document.querySelectorAll('#protocol-log div')].some(
            (line) => Number(line.dataset.n) > n && line.textContent.startsWith('< bestmove'),
          ),
        count,
        { timeout: 5000, polling: 20 },
      )
      const stopped = Date.now() - clicked
      st.diagnostic(`analysis: depth ${await page.getAttribute('#an-pv', 'data-depth')} shown, stopped ${stopped} ms after the click`)
      assert.ok(stopped < 1000, `the analysis stopped after ${stopped} ms`)
      assert.equal(await page.getAttribute('#analyse', 'aria-pressed'), 'false')
    })

    await t.test(`${name}: the engine finds the mate in two and the game ends`, async () => {
      await driver.setFen(MATE_IN_TWO)
      await driver.waitForPlayer()
      await page.click('#engine-move')
      await driver.waitForPlies(1)
      await driver.waitForPlayer()
      const [key] = await driver.moves()
      assert.ok(mateInTwoKeys(MATE_IN_TWO).includes(key), `${key} mates in two`)
      // Its thinking, as shown: the mate, from White's side, and a full bar.
      assert.equal(await page.textContent('#an-score'), 'White: mate in 2')
      assert.equal(await page.textContent('#evalbar-label'), '#2')
      assert.equal(await page.getAttribute('#evalbar', 'aria-valuenow'), '100')
      const afterKey = new Chess(MATE_IN_TWO)
      afterKey.move(key)
      // The player's (Black's) reply, by click; then the engine mates.
      const defence = afterKey.moves({ verbose: true })[0]
      await driver.clickMove(defence.from, defence.to)
      await driver.waitForPlies(3)
      await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('Game over'))
      const moves = await driver.moves()
      const game = new Chess(MATE_IN_TWO)
      for (const move of moves) game.move(move)
      assert.ok(game.isCheckmate(), `${moves.join(' ')} ends in mate`)
      const afterDefence = new Chess(afterKey.fen())
      afterDefence.move(defence)
      assert.ok(mateInOne(afterDefence.fen()).includes(moves[2]), `${moves[2]} mates`)
      assert.equal(await driver.status(), 'Game over: White wins by checkmate.')

      // No move is accepted after the end.
      const board = game.fen().split(' ')[0]
      const black = game.moves({ verbose: true })
      assert.equal(black.length, 0)
      await driver.drag('g8', 'f8')
      await driver.clickMove('h7', 'h6')
      assert.equal((await driver.moves()).length, 3)
      await driver.expectDrawn(board, 'the board does not change after the end')

      // The exported game starts from the set-up position.
      await page.click('#pgn-export')
      const pgn = await page.inputValue('#pgn')
      assert.ok(pgn.includes(`[FEN "${MATE_IN_TWO}"]`), pgn)
      assert.match(pgn, /\[Result "1-0"\]/)
      const loaded = new Chess()
      loaded.loadPgn(pgn)
      assert.deepEqual(loaded.history(), moves)
    })

    await t.test(`${name}: a phone-width page fits and takes a move by tap`, async () => {
      const phone = await browser.newContext({ viewport: { width: 375, height: 812 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 })
      const small = await phone.newPage()
      const smallDriver = new PageDriver(small)
      try {
        await small.goto(url)
        await small.waitForSelector('body[data-ready="true"]', { timeout: 30000 })
        await small.selectOption('#movetime', '500')
        const width = await small.evaluate(() => document.documentElement.scrollWidth)
        assert.ok(width <= 375, `no sideways scrolling (${width} px wide)`)
        const board = await small.locator('#board').boundingBox()
        assert.ok(board.x >= 0 && board.x + board.width <= 375, 'the board fits the width')
        for (const id of ['#new-white', '#new-black', '#takeback', '#flip', '#engine-move', '#analyse']) {
          const box = await small.locator(id).boundingBox()
          assert.ok(box.x >= 0 && box.x + box.width <= 375 && box.height >= 30, `${id} is on screen and large enough to tap`)
        }
        await smallDriver.tapMove('d2', 'd4')
        await smallDriver.waitForPlies(2)
        await smallDriver.waitForPlayer()
        const after = new Chess()
        after.move('d4')
        await checkReply(smallDriver, after.fen())
        await small.screenshot({ path: join(outDir, `${name}-phone.png`), fullPage: true })
        assert.deepEqual(smallDriver.errors, [])
      } finally {
        await phone.close()
      }
    })

    await t.test(`${name}: no error in the browser's console`, () => {
      assert.deepEqual(driver.errors, [])
    })
  } finally {
    await context.close()
    server.kill()
  }
}

test('the page in headless chromium', { timeout: 600000 }, async (t) => {
  const browser = await chromium.launch({ executablePath: browserPath, headless: true, args: CHROMIUM_ARGS })
  try {
    const only = argument('--only', '')
    if (only !== 'plain') await session(t, browser, { isolate: true })
    if (only !== 'isolated') await session(t, browser, { isolate: false })
  } finally {
    await browser.close()
  }
})
