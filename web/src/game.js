// The game on the board: its start position, the moves played, the move
// being shown, and everything the rules decide (legal moves, SAN, PGN, the
// end of the game), all from chess.js. Nothing here draws or talks to the
// engine.
import { Chess, DEFAULT_POSITION, validateFen } from 'chess.js'

export const START_FEN = DEFAULT_POSITION

// Why a game is over, in the words the page shows; null while it goes on.
export function gameOverReason(chess) {
  if (chess.isCheckmate()) return (chess.turn() === 'w' ? 'Black' : 'White') + ' wins by checkmate'
  if (chess.isStalemate()) return 'Draw by stalemate'
  if (chess.isThreefoldRepetition()) return 'Draw by threefold repetition'
  if (chess.isDrawByFiftyMoves()) return 'Draw by the fifty-move rule'
  if (chess.isInsufficientMaterial()) return 'Draw by insufficient material'
  return null
}

// The result tag for a finished game ("1-0", "0-1", "1/2-1/2"), else "*".
function resultOf(chess) {
  if (chess.isCheckmate()) return chess.turn() === 'w' ? '0-1' : '1-0'
  return gameOverReason(chess) ? '1/2-1/2' : '*'
}

// A move in coordinates as UCI writes it: e2e4, e7e8q.
export function uciOf(move) {
  return move.from + move.to + (move.promotion || '')
}

// The principal variation in SAN, played from fen: stops at the first move
// chess.js does not accept (the engine's line is shown only as far as it
// is legal).
export function pvToSan(fen, uciMoves) {
  const chess = new Chess(fen)
  const san = []
  for (const text of uciMoves) {
    const m = /^([a-h][1-8])([a-h][1-8])([qrbn])?$/.exec(text)
    if (!m) break
    try {
      san.push(chess.move({ from: m[1], to: m[2], promotion: m[3] }).san)
    } catch {
      break
    }
  }
  return san
}

// The text of the first game of a PGN file: its tag pairs and move text,
// up to the tag pairs of the next game.
export function firstGame(pgn) {
  const lines = pgn.replace(/\r\n?/g, '\n').split('\n')
  const kept = []
  let inMoves = false
  for (const line of lines) {
    const tag = line.trim().startsWith('[')
    if (tag && inMoves) break
    if (!tag && line.trim() !== '') inMoves = true
    kept.push(line)
  }
  return kept.join('\n')
}

export class Game {
  constructor() {
    this.reset(START_FEN)
  }

  // A new game from fen (trusted: callers check it with loadFen).
  reset(fen = START_FEN) {
    this.startFen = new Chess(fen).fen()
    this.moves = [] // chess.js move objects, in order
    this.ply = 0 // how many of them the board shows
    this.headers = {}
    this.chess = new Chess(this.startFen)
  }

  // Sets up a position from a FEN. A wrong FEN changes nothing and gives
  // the reason; a good one starts a new game from it.
  loadFen(text) {
    const fen = text.trim().replace(/\s+/g, ' ')
    const check = validateFen(fen)
    if (!check.ok) return { ok: false, error: check.error }
    try {
      new Chess(fen)
    } catch (e) {
      return { ok: false, error: e.message }
    }
    this.reset(fen)
    return { ok: true }
  }

  // Reads the first game of a PGN text; on success the board shows its
  // last position and any move of it can be shown and played on from.
  loadPgn(text) {
    const chess = new Chess()
    try {
      chess.loadPgn(firstGame(text))
    } catch (e) {
      return { ok: false, error: e.message }
    }
    const history = chess.history({ verbose: true })
    const headers = chess.getHeaders()
    const start = history.length ? history[0].before : chess.fen()
    this.reset(start)
    for (const move of history) this.moves.push(this.chess.move(move.san))
    this.ply = this.moves.length
    for (const [key, value] of Object.entries(headers)) {
      if (value && key !== 'SetUp' && key !== 'FEN') this.headers[key] = value
    }
    return { ok: true }
  }

  // The chess.js game after the first `ply` moves.
  chessAt(ply) {
    const chess = new Chess(this.startFen)
    for (const move of this.moves.slice(0, ply)) chess.move(move.san)
    return chess
  }

  // Shows the position after `ply` moves (clamped to the game).
  goTo(ply) {
    this.ply = Math.max(0, Math.min(ply, this.moves.length))
    this.chess = this.chessAt(this.ply)
  }

  get fen() {
    return this.chess.fen()
  }

  get turn() {
    return this.chess.turn()
  }

  get lastMove() {
    return this.ply > 0 ? this.moves[this.ply - 1] : null
  }

  get atEnd() {
    return this.ply === this.moves.length
  }

  // The coordinate moves from the start position to the shown one.
  uciMoves() {
    return this.moves.slice(0, this.ply).map(uciOf)
  }

  gameOver() {
    return gameOverReason(this.chess)
  }

  // The legal moves from a square in the shown position.
  movesFrom(square) {
    return this.chess.moves({ square, verbose: true })
  }

  // Whether from-to needs a promotion piece (a legal pawn move to the last rank).
  isPromotion(from, to) {
    return this.movesFrom(from).some((m) => m.to === to && m.promotion)
  }

  // Plays a move in the shown position; moves after it are dropped (a new
  // line replaces the old one). Returns the move, or null when illegal or
  // when the game is over.
  play(from, to, promotion) {
    if (this.gameOver()) return null
    let move
    try {
      move = this.chess.move({ from, to, promotion })
    } catch {
      return null
    }
    this.moves.length = this.ply
    this.moves.push(move)
    this.ply++
    return move
  }

  // Plays a move in coordinates (the engine's reply); null when illegal.
  playUci(text) {
    const m = /^([a-h][1-8])([a-h][1-8])([qrbn])?$/.exec(text || '')
    return m ? this.play(m[1], m[2], m[3]) : null
  }

  // Takes back n moves from the shown position and forgets them.
  takeBack(n) {
    this.moves.length = this.ply
    this.goTo(Math.max(0, this.ply - n))
    this.moves.length = this.ply
  }

  // The game as PGN: its tags (with SetUp and FEN when it did not start
  // from the initial position), every move, and the result when it is over.
  pgn() {
    const chess = new Chess(this.startFen)
    const date = new Date()
    const tags = {
      Event: 'Casual game',
      Site: 'Quillon in the browser',
      Date: `${date.getFullYear()}.${String(date.getMonth() + 1).padStart(2, '0')}.${String(date.getDate()).padStart(2, '0')}`,
      ...this.headers,
    }
    for (const [key, value] of Object.entries(tags)) chess.setHeader(key, value)
    for (const move of this.moves) chess.move(move.san)
    chess.setHeader('Result', resultOf(chess))
    return chess.pgn()
  }
}
