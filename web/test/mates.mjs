// Mates found by brute force with chess.js: the independent truth the
// browser test checks the engine's moves against.
import { Chess } from 'chess.js'

// The moves (SAN) that mate at once in the position fen.
export function mateInOne(fen) {
  const chess = new Chess(fen)
  return chess.moves({ verbose: true }).filter((move) => {
    chess.move(move)
    const mate = chess.isCheckmate()
    chess.undo()
    return mate
  }).map((move) => move.san)
}

// The moves (SAN) after which every reply allows a mate at once: the keys
// of a mate in two (a mate in one also counts when the position has one).
export function mateInTwoKeys(fen) {
  const chess = new Chess(fen)
  const keys = []
  for (const key of chess.moves({ verbose: true })) {
    chess.move(key)
    let forced = true
    if (!chess.isCheckmate()) {
      const replies = chess.moves({ verbose: true })
      if (replies.length === 0) forced = false // stalemate
      for (const reply of replies) {
        chess.move(reply)
        const mates = mateInOne(chess.fen()).length > 0
        chess.undo()
        if (!mates) {
          forced = false
          break
        }
      }
    }
    chess.undo()
    if (forced) keys.push(key.san)
  }
  return keys
}
