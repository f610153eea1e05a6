// The engine's thinking as the page shows it: depth, score from White's
// point of view, nodes per second, the principal variation in SAN, and the
// evaluation bar beside the board.
import { pvToSan } from './game.js'
import { formatNps, formatScore, shortScore, whiteScore, whiteShare } from './uci.js'

// SAN moves with move numbers, starting from the position `fen`:
// "12. Nf3 Nc6 13. d4" or, with Black to move, "12... Nc6 13. Nf3".
export function numberedLine(fen, san) {
  const fields = fen.split(' ')
  let whiteToMove = fields[1] !== 'b'
  let number = Number(fields[5]) || 1
  const parts = []
  san.forEach((move, i) => {
    if (whiteToMove) parts.push(`${number}. ${move}`)
    else parts.push(i === 0 ? `${number}... ${move}` : move)
    if (!whiteToMove) number++
    whiteToMove = !whiteToMove
  })
  return parts.join(' ')
}

export class AnalysisView {
  constructor({ depth, score, nps, pv, bar, barFill, barLabel }) {
    Object.assign(this, { depthEl: depth, scoreEl: score, npsEl: nps, pvEl: pv, bar, barFill, barLabel })
    this.clear()
  }

  // Forgets the lines shown (a new position is being searched).
  clear(message = '') {
    this.depthEl.textContent = '–'
    this.scoreEl.textContent = '–'
    this.npsEl.textContent = '–'
    this.pvEl.textContent = message
    this.pvEl.dataset.depth = '0'
    this.pvEl.dataset.uci = ''
    this.setBar(null)
  }

  // One thinking line of a search of the position fen.
  update(fen, info) {
    if (info.nps !== undefined) this.npsEl.textContent = formatNps(info.nps)
    if (!info.pv || !info.pv.length || info.depth === undefined) return
    const whiteToMove = fen.split(' ')[1] !== 'b'
    const score = whiteScore(info.score, whiteToMove)
    this.depthEl.textContent = info.seldepth ? `${info.depth}/${info.seldepth}` : String(info.depth)
    this.scoreEl.textContent = formatScore(score)
    this.pvEl.textContent = numberedLine(fen, pvToSan(fen, info.pv))
    // For tests and tools: the depth and the raw line of what is shown.
    this.pvEl.dataset.depth = String(info.depth)
    this.pvEl.dataset.uci = info.pv.join(' ')
    this.setBar(score)
  }

  setBar(score) {
    const share = whiteShare(score)
    this.barFill.style.height = `${(share * 100).toFixed(1)}%`
    this.barLabel.textContent = shortScore(score)
    this.bar.setAttribute('aria-valuenow', String(Math.round(share * 100)))
  }
}
