// The page: wires the board, the game, the engine client and the panels
// together, and decides when the engine plays or analyses.
import { AnalysisView } from './analysis-view.js'
import { BoardView } from './board-view.js'
import { EngineClient } from './engine.js'
import { Game } from './game.js'
import { ProtocolPanel } from './protocol-panel.js'
import { Settings } from './settings.js'

const $ = (id) => document.getElementById(id)

const game = new Game()
const engine = new EngineClient('engine/quillon-loader.mjs')
const protocol = new ProtocolPanel($('protocol-log'), $('protocol-clear'))
const analysis = new AnalysisView({
  depth: $('an-depth'),
  score: $('an-score'),
  nps: $('an-nps'),
  pv: $('an-pv'),
  bar: $('evalbar'),
  barFill: $('evalbar-white'),
  barLabel: $('evalbar-label'),
})

const state = {
  human: 'w', // the side the player has in a game against the engine
  analysing: false,
  thinking: false, // the engine is choosing its move
  ready: false,
  version: 0, // changes whenever the position or the task changes: late answers are dropped
}

const board = new BoardView($('board'), {
  assetsUrl: './assets/',
  rules: {
    canMoveFrom: (square) => playerMayMove() && game.chess.get(square)?.color === game.turn,
    legalMoves: (square) => game.movesFrom(square),
    isPromotion: (from, to) => game.isPromotion(from, to),
    turn: () => game.turn,
  },
  onMove: (from, to, promotion) => {
    if (!playerMayMove()) return false
    const move = game.play(from, to, promotion)
    if (!move) return false
    // The board finishes drawing the player's move first.
    setTimeout(positionChanged)
    return true
  },
})

// The player moves when the engine is not choosing a move and the game is
// not over: in a game the player's own side, while analysing either side.
function playerMayMove() {
  if (!state.ready || state.thinking || game.gameOver()) return false
  return state.analysing || game.turn === state.human
}

function setStatus(text, kind = '') {
  const status = $('status')
  status.textContent = text
  status.dataset.kind = kind
}

// Redraws everything that shows the game.
function render() {
  const last = game.lastMove
  const check = game.chess.inCheck() ? game.chess.findPiece({ type: 'k', color: game.turn })[0] : null
  board.show(game.fen, { lastMove: last, check })
  board.allowInput(playerMayMove() ? game.turn : null)
  renderMoves()
  $('fen').value = game.fen
  $('takeback').disabled = !state.ready || game.ply === 0
  $('nav-first').disabled = game.ply === 0
  $('nav-back').disabled = game.ply === 0
  $('nav-forward').disabled = game.atEnd
  $('nav-last').disabled = game.atEnd
  $('engine-move').disabled = !state.ready || state.thinking || !!game.gameOver()
  const over = game.gameOver()
  if (over) setStatus(`Game over: ${over}.`, 'over')
  else if (state.thinking) setStatus('Quillon is thinking…', 'thinking')
  else if (state.analysing) setStatus(`Analysing. ${game.turn === 'w' ? 'White' : 'Black'} to move: move either side.`)
  else if (state.ready) setStatus(game.turn === state.human ? 'Your move.' : `${game.turn === 'w' ? 'White' : 'Black'} to move.`)
}

function renderMoves() {
  const list = $('moves')
  const items = []
  // A game set up with Black to move starts its first row with a gap.
  const startBlack = game.startFen.split(' ')[1] === 'b'
  let number = Number(game.startFen.split(' ')[5]) || 1
  let row = null
  game.moves.forEach((move, i) => {
    const white = (i % 2 === 0) !== startBlack
    if (white || row === null) {
      row = document.createElement('li')
      const label = document.createElement('span')
      label.className = 'move-number'
      label.textContent = white ? `${number}.` : `${number}…`
      row.append(label)
      items.push(row)
      if (!white) {
        const gap = document.createElement('span')
        gap.className = 'move gap'
        row.append(gap)
      }
    }
    const button = document.createElement('button')
    button.type = 'button'
    button.className = 'move'
    button.textContent = move.san
    button.dataset.ply = String(i + 1)
    if (i + 1 === game.ply) {
      button.classList.add('current')
      button.setAttribute('aria-current', 'true')
    }
    button.addEventListener('click', () => navigate(i + 1))
    row.append(button)
    if (!white) {
      number++
      row = null
    }
  })
  list.replaceChildren(...items)
  list.querySelector('.current')?.scrollIntoView({ block: 'nearest' })
}

// After every change of the shown position: the engine follows it.
function positionChanged() {
  state.version++
  render()
  if (state.analysing) startAnalysis()
  else if (!game.gameOver() && game.atEnd && game.turn !== state.human) engineMove()
}

// The engine chooses and plays its move in the shown position.
async function engineMove() {
  const version = ++state.version
  const fen = game.fen
  state.thinking = true
  analysis.clear()
  render()
  const ms = Number($('movetime').value)
  const best = await engine.think({
    startFen: game.startFen,
    moves: game.uciMoves(),
    go: `movetime ${ms}`,
    onInfo: (info) => analysis.update(fen, info),
  })
  if (version !== state.version) return // taken back, new game or other task meanwhile
  state.thinking = false
  if (!best) {
    render()
    setStatus('Quillon found no move in this position.', 'error')
    return
  }
  const move = game.playUci(best)
  if (!move) {
    render()
    setStatus(`Quillon answered an illegal move (${best}); the board stays as it was.`, 'error')
    return
  }
  state.version++
  render()
}

// White's share of the bar grows from White's side of the board.
function orientEvalBar() {
  $('evalbar').classList.toggle('flipped', board.orientation === 'b')
}

// Stops whatever the engine is doing for the shown position.
function cancelEngine() {
  state.version++
  state.thinking = false
  return engine.stop()
}

async function startAnalysis() {
  const version = ++state.version
  const fen = game.fen
  analysis.clear()
  $('analyse').textContent = 'Stop analysis'
  $('analyse').setAttribute('aria-pressed', 'true')
  render()
  const over = game.gameOver()
  if (over) {
    await engine.stop()
    analysis.clear(`Nothing to analyse: ${over.toLowerCase()}.`)
    return
  }
  await engine.think({
    startFen: game.startFen,
    moves: game.uciMoves(),
    go: 'infinite',
    onInfo: (info) => {
      if (version === state.version) analysis.update(fen, info)
    },
  })
}

async function stopAnalysis() {
  state.analysing = false
  $('analyse').textContent = 'Analyse'
  $('analyse').setAttribute('aria-pressed', 'false')
  await cancelEngine()
  render()
}

function navigate(ply) {
  if (state.thinking) cancelEngine()
  game.goTo(ply)
  state.version++
  render()
  if (state.analysing) startAnalysis()
}

async function newGame(color) {
  if (state.analysing) await stopAnalysis()
  cancelEngine()
  game.reset()
  state.human = color
  analysis.clear()
  await board.setOrientation(color)
  orientEvalBar()
  await engine.newGame()
  positionChanged()
}

function takeBack() {
  if (game.ply === 0) return
  if (state.thinking) cancelEngine()
  // In a game: the player's last move and the engine's answer to it (one
  // move when the engine had not answered yet); while analysing: one move.
  let count = 1
  if (!state.analysing && game.turn === state.human && game.ply >= 2) count = 2
  game.takeBack(count)
  state.version++
  render()
  if (state.analysing) startAnalysis()
}

function setUpFen() {
  const text = $('fen').value
  const result = game.loadFen(text)
  if (!result.ok) {
    $('fen').value = text
    $('position-note').textContent = `Not a valid FEN: ${result.error}`
    $('position-note').classList.add('warning')
    // The board keeps the position it had.
    return
  }
  $('position-note').textContent = 'Position set up.'
  $('position-note').classList.remove('warning')
  cancelEngine()
  state.human = game.turn
  positionChanged()
}

function importPgn() {
  const result = game.loadPgn($('pgn').value)
  if (!result.ok) {
    $('position-note').textContent = `Could not read the PGN: ${result.error}`
    $('position-note').classList.add('warning')
    return
  }
  $('position-note').textContent = `Game imported: ${game.moves.length} moves.`
  $('position-note').classList.remove('warning')
  cancelEngine()
  state.human = game.turn
  positionChanged()
}

function exportPgn() {
  const pgn = game.pgn()
  $('pgn').value = pgn
  const link = $('pgn-download')
  if (link.href) URL.revokeObjectURL(link.href)
  link.href = URL.createObjectURL(new Blob([pgn + '\n'], { type: 'application/x-chess-pgn' }))
  link.hidden = false
  $('position-note').textContent = 'PGN written below.'
  $('position-note').classList.remove('warning')
}

async function copyFen() {
  const fen = game.fen
  $('fen').value = fen
  try {
    await navigator.clipboard.writeText(fen)
    $('position-note').textContent = 'FEN copied.'
  } catch {
    // No clipboard permission: leave the FEN selected for the player to copy.
    $('fen').select()
    $('position-note').textContent = 'FEN selected: copy it with Ctrl+C.'
  }
  $('position-note').classList.remove('warning')
}

function wire() {
  $('new-white').addEventListener('click', () => newGame('w'))
  $('new-black').addEventListener('click', () => newGame('b'))
  $('takeback').addEventListener('click', takeBack)
  $('flip').addEventListener('click', async () => {
    await board.flip()
    orientEvalBar()
  })
  $('engine-move').addEventListener('click', async () => {
    if (state.analysing) await stopAnalysis()
    // The engine takes the side to move; the player the other one.
    state.human = game.turn === 'w' ? 'b' : 'w'
    engineMove()
  })
  $('analyse').addEventListener('click', () => {
    if (state.analysing) {
      stopAnalysis()
    } else {
      if (state.thinking) cancelEngine()
      state.analysing = true
      startAnalysis()
    }
  })
  $('nav-first').addEventListener('click', () => navigate(0))
  $('nav-back').addEventListener('click', () => navigate(game.ply - 1))
  $('nav-forward').addEventListener('click', () => navigate(game.ply + 1))
  $('nav-last').addEventListener('click', () => navigate(game.moves.length))
  document.addEventListener('keydown', (event) => {
    if (event.target.closest('input, textarea, select')) return
    if (event.key === 'ArrowLeft') navigate(game.ply - 1)
    else if (event.key === 'ArrowRight') navigate(game.ply + 1)
  })
  $('fen-set').addEventListener('click', setUpFen)
  $('fen').addEventListener('keydown', (event) => {
    if (event.key === 'Enter') setUpFen()
  })
  $('fen-copy').addEventListener('click', copyFen)
  $('pgn-import').addEventListener('click', importPgn)
  $('pgn-export').addEventListener('click', exportPgn)
}

async function main() {
  wire()
  render()
  engine.addEventListener('line', (event) => protocol.add(event.detail.direction, event.detail.text))
  setStatus('Loading the engine…')
  try {
    await engine.start()
  } catch (error) {
    setStatus(`The engine could not be started: ${error.message}`, 'error')
    $('engine-kind').textContent = 'Engine: not loaded'
    return
  }
  state.ready = true
  $('engine-kind').textContent = engine.threaded
    ? `${engine.name || 'Quillon'}, threaded build (this page is cross-origin isolated)`
    : `${engine.name || 'Quillon'}, single-threaded build (this page is not cross-origin isolated)`
  document.body.dataset.engine = engine.threaded ? 'threaded' : 'single'
  new Settings({ threads: $('threads'), hash: $('hash'), note: $('settings-note'), engine }).init()
  document.body.dataset.ready = 'true'
  render()
}

main()
