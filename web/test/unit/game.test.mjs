// The game kept by the page, against positions a chess player can check.
import { Chess } from 'chess.js'
import assert from 'node:assert/strict'
import { test } from 'node:test'
import { numberedLine } from '../../src/analysis-view.js'
import { firstGame, Game, gameOverReason, pvToSan, START_FEN } from '../../src/game.js'

test('moves, take-back and navigation', () => {
  const game = new Game()
  assert.ok(game.play('e2', 'e4'))
  assert.ok(game.play('e7', 'e5'))
  assert.equal(game.play('e4', 'e5'), null, 'a pawn does not take straight ahead')
  assert.ok(game.playUci('g1f3'))
  assert.equal(game.playUci('e1e3'), null)
  assert.deepEqual(game.uciMoves(), ['e2e4', 'e7e5', 'g1f3'])
  game.takeBack(2)
  assert.deepEqual(game.moves.map((m) => m.san), ['e4'])
  assert.equal(game.fen, 'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1')
  game.play('c7', 'c5')
  game.goTo(0)
  assert.equal(game.fen, START_FEN)
  assert.equal(game.atEnd, false)
  // A move from an earlier position replaces the rest of the game.
  game.play('d2', 'd4')
  assert.deepEqual(game.moves.map((m) => m.san), ['d4'])
  assert.equal(game.atEnd, true)
})

test('promotion needs a piece and takes the one chosen', () => {
  const game = new Game()
  assert.ok(game.loadFen('8/P6k/8/8/8/8/8/K7 w - - 0 1').ok)
  assert.equal(game.isPromotion('a7', 'a8'), true)
  assert.equal(game.isPromotion('a1', 'a2'), false)
  assert.equal(game.play('a7', 'a8', 'n').san, 'a8=N')
})

test('the end of the game, each way', () => {
  const cases = [
    ['rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3', 'Black wins by checkmate'],
    ['7k/5Q2/6K1/8/8/8/8/8 b - - 0 1', 'Draw by stalemate'],
    ['8/8/4k3/8/8/3K4/8/8 w - - 0 1', 'Draw by insufficient material'],
    ['8/8/4k3/8/8/3K4/8/7R w - - 100 80', 'Draw by the fifty-move rule'],
    ['rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1', null],
  ]
  for (const [fen, reason] of cases) assert.equal(gameOverReason(new Chess(fen)), reason, fen)
  const game = new Game()
  for (const move of ['g1f3', 'g8f6', 'f3g1', 'f6g8', 'g1f3', 'g8f6', 'f3g1', 'f6g8']) assert.ok(game.playUci(move))
  assert.equal(game.gameOver(), 'Draw by threefold repetition')
  assert.equal(game.playUci('e2e4'), null, 'no move after the end')
})

test('a wrong FEN changes nothing', () => {
  const game = new Game()
  game.play('e2', 'e4')
  for (const bad of ['', 'hello', 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0', '8/8/8/8/8/8/8/8 w - - 0 1', 'rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1']) {
    const result = game.loadFen(bad)
    assert.equal(result.ok, false, bad)
    assert.ok(result.error.length > 0)
  }
  assert.deepEqual(game.uciMoves(), ['e2e4'])
})

test('PGN: export and import give the same game back, from any start', () => {
  const game = new Game()
  game.loadFen('r5k1/5ppp/8/8/8/8/3R1PPP/3R2K1 w - - 0 1')
  for (const move of ['d2d8', 'a8d8', 'd1d8']) assert.ok(game.playUci(move))
  const pgn = game.pgn()
  assert.match(pgn, /\[SetUp "1"\]/)
  assert.match(pgn, /\[FEN "r5k1\/5ppp\/8\/8\/8\/8\/3R1PPP\/3R2K1 w - - 0 1"\]/)
  assert.match(pgn, /\[Result "1-0"\]/)
  assert.match(pgn, /1\. Rd8\+ Rxd8 2\. Rxd8# 1-0$/)
  const again = new Game()
  assert.ok(again.loadPgn(pgn).ok)
  assert.deepEqual(again.uciMoves(), ['d2d8', 'a8d8', 'd1d8'])
  assert.equal(again.startFen, game.startFen)
  // Any move of an imported game can be shown and played on from.
  again.goTo(0)
  assert.ok(again.play('h2', 'h3'))
  assert.deepEqual(again.uciMoves(), ['h2h3'])
})

test('PGN import reads the first game of a file and refuses nonsense', () => {
  const two = '[Event "one"]\n\n1. e4 e5 2. Nf3 *\n\n[Event "two"]\n\n1. d4 d5 *\n'
  assert.equal(firstGame(two).includes('d4'), false)
  const game = new Game()
  assert.ok(game.loadPgn(two).ok)
  assert.deepEqual(game.uciMoves(), ['e2e4', 'e7e5', 'g1f3'])
  assert.equal(game.headers.Event, 'one')
  const result = game.loadPgn('1. e4 e5 2. Ke3 *')
  assert.equal(result.ok, false)
  assert.deepEqual(game.uciMoves(), ['e2e4', 'e7e5', 'g1f3'], 'a refused PGN keeps the game')
})

test('the engine line in SAN with move numbers, as far as it is legal', () => {
  assert.deepEqual(pvToSan(START_FEN, ['e2e4', 'e7e5', 'g1f3']), ['e4', 'e5', 'Nf3'])
  assert.deepEqual(pvToSan(START_FEN, ['e2e4', 'e2e4', 'g1f3']), ['e4'])
  const black = 'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1'
  assert.equal(numberedLine(black, pvToSan(black, ['c7c5', 'g1f3', 'd7d6'])), '1... c5 2. Nf3 d6')
  assert.equal(numberedLine(START_FEN, ['e4', 'e5', 'Nf3']), '1. e4 e5 2. Nf3')
  assert.equal(numberedLine('r5k1/5ppp/8/8/8/8/3R1PPP/3R2K1 w - - 0 30', ['Rd8+', 'Rxd8', 'Rxd8#']), '30. Rd8+ Rxd8 31. Rxd8#')
})
