// The board on the page: cm-chessboard with its markers and promotion
// dialog. It shows positions and reports the moves the player makes by
// drag or by click/tap; whether a move is legal it asks its owner.
import { Chessboard, COLOR, FEN, INPUT_EVENT_TYPE } from 'cm-chessboard/src/Chessboard.js'
import { MARKER_TYPE, Markers } from 'cm-chessboard/src/extensions/markers/Markers.js'
import { PROMOTION_DIALOG_RESULT_TYPE, PromotionDialog } from 'cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js'

const LAST_MOVE = MARKER_TYPE.square
const CHECK = MARKER_TYPE.circleDanger

export class BoardView {
  // element: the board's container. rules: {canMoveFrom(square) -> bool,
  // legalMoves(square) -> [chess.js move], isPromotion(from, to) -> bool,
  // turn() -> 'w' | 'b'}.
  // onMove(from, to, promotion) -> bool: the player's move; false refuses it.
  constructor(element, { rules, onMove, assetsUrl }) {
    this.rules = rules
    this.onMove = onMove
    this.board = new Chessboard(element, {
      position: FEN.start,
      assetsUrl,
      style: { cssClass: 'default', showCoordinates: true, animationDuration: 150 },
      extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.frame } }, { class: PromotionDialog, props: { language: 'en' } }],
    })
    this.fen = null
  }

  // Shows a position; lastMove ({from, to}) and check (a king's square) are marked.
  async show(fen, { lastMove = null, check = null } = {}) {
    this.fen = fen
    this.board.removeMarkers(LAST_MOVE)
    this.board.removeMarkers(CHECK)
    if (lastMove) {
      this.board.addMarker(LAST_MOVE, lastMove.from)
      this.board.addMarker(LAST_MOVE, lastMove.to)
    }
    if (check) this.board.addMarker(CHECK, check)
    await this.board.setPosition(fen, true)
  }

  // Lets the player move the pieces of `color` ('w' or 'b'), or neither (null).
  allowInput(color) {
    this.board.disableMoveInput()
    if (!color) return
    this.board.enableMoveInput((event) => this.input(event), color === 'w' ? COLOR.white : COLOR.black)
  }

  input(event) {
    switch (event.type) {
      case INPUT_EVENT_TYPE.moveInputStarted:
        if (!this.rules.canMoveFrom(event.squareFrom)) return false
        this.board.addLegalMovesMarkers(this.rules.legalMoves(event.squareFrom))
        return true
      case INPUT_EVENT_TYPE.validateMoveInput: {
        const { squareFrom: from, squareTo: to } = event
        if (!this.rules.legalMoves(from).some((m) => m.to === to)) return false
        if (this.rules.isPromotion(from, to)) {
          const color = this.rules.turn() === 'w' ? COLOR.white : COLOR.black
          this.board.showPromotionDialog(to, color, (result) => {
            if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) {
              this.onMove(from, to, result.piece.charAt(1))
            } else {
              // Cancelled: the pawn goes back.
              this.board.setPosition(this.fen, false)
            }
          })
          return true
        }
        return this.onMove(from, to, undefined)
      }
      case INPUT_EVENT_TYPE.moveInputCanceled:
      case INPUT_EVENT_TYPE.moveInputFinished:
        this.board.removeLegalMovesMarkers()
        return undefined
      default:
        return undefined
    }
  }

  get orientation() {
    return this.board.getOrientation() === COLOR.white ? 'w' : 'b'
  }

  async setOrientation(color) {
    if (color !== this.orientation) await this.board.setOrientation(color === 'w' ? COLOR.white : COLOR.black, false)
  }

  flip() {
    return this.setOrientation(this.orientation === 'w' ? 'b' : 'w')
  }
}
