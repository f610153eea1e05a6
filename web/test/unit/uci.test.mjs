// The protocol text the page reads and writes.
import assert from 'node:assert/strict'
import { test } from 'node:test'
import { formatNps, formatScore, parseBestMove, parseInfo, positionCommand, shortScore, whiteScore, whiteShare } from '../../src/uci.js'

test('thinking lines are split into their fields', () => {
  const info = parseInfo('info depth 7 seldepth 15 score cp 24 time 1234 nodes 500000 nps 405186 currmove e2e4 currmovenumber 1 pv e2e4 e7e5 g1f3')
  assert.deepEqual(info, {
    depth: 7,
    seldepth: 15,
    score: { cp: 24 },
    time: 1234,
    nodes: 500000,
    nps: 405186,
    currmove: 'e2e4',
    currmovenumber: 1,
    pv: ['e2e4', 'e7e5', 'g1f3'],
  })
  assert.deepEqual(parseInfo('info depth 9 score mate -2 nodes 10 pv h7h6 d1d8').score, { mate: -2 })
  assert.deepEqual(parseInfo('info depth 3 score cp 10 lowerbound nodes 5').score, { cp: 10, bound: 'lowerbound' })
  // Progress lines have no score and no line.
  const progress = parseInfo('info currmove g1f3 currmovenumber 3 nodes 1200 depth 6')
  assert.equal(progress.pv, undefined)
  assert.equal(progress.depth, 6)
  assert.equal(parseInfo('info string Hash 1024 MB: refused').string, 'Hash 1024 MB: refused')
  assert.equal(parseInfo('bestmove e2e4'), null)
  assert.equal(parseInfo('readyok'), null)
})

test('best moves, and the answers that carry none', () => {
  assert.equal(parseBestMove('bestmove e2e4'), 'e2e4')
  assert.equal(parseBestMove('bestmove e7e8q ponder a1a2'), 'e7e8q')
  assert.equal(parseBestMove('bestmove null'), '')
  assert.equal(parseBestMove('bestmove 0000'), '')
  assert.equal(parseBestMove('bestmove'), '')
  assert.equal(parseBestMove('info depth 1'), null)
})

test('the position command carries the whole game', () => {
  const start = 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'
  assert.equal(positionCommand(start, []), `position fen ${start}`)
  assert.equal(positionCommand(start, ['e2e4', 'e7e5']), `position fen ${start} moves e2e4 e7e5`)
})

test("scores turn to White's point of view and read as people write them", () => {
  assert.deepEqual(whiteScore({ cp: 35 }, true), { cp: 35 })
  assert.deepEqual(whiteScore({ cp: 35 }, false), { cp: -35 })
  assert.deepEqual(whiteScore({ mate: 2 }, false), { mate: -2 })
  assert.equal(whiteScore(undefined, true), null)
  assert.equal(formatScore({ cp: 35 }), '+0.35')
  assert.equal(formatScore({ cp: -120 }), '-1.20')
  assert.equal(formatScore({ cp: 0 }), '0.00')
  assert.equal(formatScore({ mate: 2 }), 'White: mate in 2')
  assert.equal(formatScore({ mate: -3 }), 'Black: mate in 3')
  assert.equal(shortScore({ cp: 44 }), '+0.4')
  assert.equal(shortScore({ mate: -3 }), '#-3')
  assert.equal(formatNps(850), '850 n/s')
  assert.equal(formatNps(12345), '12.3 kn/s')
  assert.equal(formatNps(1450000), '1.45 Mn/s')
})

test("the evaluation bar: even is half, a mate fills it, more pawns more bar", () => {
  assert.equal(whiteShare({ cp: 0 }), 0.5)
  assert.equal(whiteShare(null), 0.5)
  assert.equal(whiteShare({ mate: 3 }), 1)
  assert.equal(whiteShare({ mate: -1 }), 0)
  assert.ok(whiteShare({ cp: 100 }) > 0.5 && whiteShare({ cp: 300 }) > whiteShare({ cp: 100 }))
  assert.ok(Math.abs(whiteShare({ cp: 200 }) + whiteShare({ cp: -200 }) - 1) < 1e-12)
})
