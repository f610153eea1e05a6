// Reading the engine's UCI output and writing its input: pure functions,
// shared by the engine client, the analysis view and the Node tests.

// Splits one "info ..." line into its fields. Returns null for lines that
// are not info lines. Numbers become numbers; the score keeps its kind
// ({cp: n} or {mate: n}, from the side to move's point of view); the
// principal variation is the list of coordinate moves after "pv".
export function parseInfo(line) {
  const words = line.trim().split(/\s+/)
  if (words[0] !== 'info') return null
  const info = {}
  const numeric = new Set(['depth', 'seldepth', 'time', 'nodes', 'nps', 'multipv', 'currmovenumber', 'hashfull'])
  for (let i = 1; i < words.length; i++) {
    const key = words[i]
    if (key === 'string') {
      info.string = words.slice(i + 1).join(' ')
      break
    }
    if (key === 'pv') {
      info.pv = words.slice(i + 1)
      break
    }
    if (key === 'score') {
      const kind = words[i + 1]
      const value = Number(words[i + 2])
      if ((kind === 'cp' || kind === 'mate') && Number.isFinite(value)) info.score = { [kind]: value }
      i += 2
      // "lowerbound" / "upperbound" may follow the number.
      while (words[i + 1] === 'lowerbound' || words[i + 1] === 'upperbound') {
        info.score.bound = words[++i]
      }
      continue
    }
    if (key === 'currmove') {
      info.currmove = words[++i]
      continue
    }
    if (numeric.has(key)) {
      const value = Number(words[i + 1])
      if (Number.isFinite(value)) info[key] = value
      i += 1
    }
  }
  return info
}

// "bestmove e2e4 [ponder e7e5]" -> "e2e4"; "bestmove null" / "(none)" /
// "0000" -> "" (the engine found no move); any other line -> null.
export function parseBestMove(line) {
  const words = line.trim().split(/\s+/)
  if (words[0] !== 'bestmove') return null
  const move = words[1] || ''
  return /^[a-h][1-8][a-h][1-8][qrbn]?$/.test(move) ? move : ''
}

// The "position" command for a game: its start FEN and the moves played
// since, in coordinates. The whole history goes to the engine so that it
// sees repetitions.
export function positionCommand(startFen, uciMoves) {
  let line = 'position fen ' + startFen
  if (uciMoves.length) line += ' moves ' + uciMoves.join(' ')
  return line
}

// A score from the side to move's point of view turned to White's.
export function whiteScore(score, whiteToMove) {
  if (!score) return null
  const sign = whiteToMove ? 1 : -1
  return 'mate' in score ? { mate: sign * score.mate } : { cp: sign * score.cp }
}

// How a score from White's point of view is written: pawns with two
// decimals and a sign ("+0.35", "-1.20", "0.00"), or "mate in N" with the
// side that mates ("White: mate in 2").
export function formatScore(score) {
  if (!score) return ''
  if ('mate' in score) {
    const n = Math.abs(score.mate)
    const side = score.mate > 0 ? 'White' : 'Black'
    return `${side}: mate in ${n}`
  }
  const pawns = score.cp / 100
  if (pawns === 0) return '0.00'
  return (pawns > 0 ? '+' : '') + pawns.toFixed(2)
}

// A short form of the same for the evaluation bar: "+0.4", "#3", "#-3".
export function shortScore(score) {
  if (!score) return ''
  if ('mate' in score) return '#' + score.mate
  const pawns = score.cp / 100
  return (pawns > 0 ? '+' : '') + pawns.toFixed(1)
}

// The share of the evaluation bar that is White's, 0 to 1: a logistic
// curve over pawns, so that +-4 pawns fill most of it; a mate fills it.
export function whiteShare(score) {
  if (!score) return 0.5
  if ('mate' in score) return score.mate > 0 ? 1 : score.mate < 0 ? 0 : 0.5
  return 1 / (1 + Math.exp(-score.cp / 250))
}

// Nodes per second as people read it: "850 n/s", "12.3 kn/s", "1.45 Mn/s".
export function formatNps(nps) {
  if (!Number.isFinite(nps)) return ''
  if (nps >= 1e6) return (nps / 1e6).toFixed(2) + ' Mn/s'
  if (nps >= 1e3) return (nps / 1e3).toFixed(1) + ' kn/s'
  return Math.round(nps) + ' n/s'
}
