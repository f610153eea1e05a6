// The XBoard command handlers, the game-result line and the XBoard thinking
// output.
#pragma once

#include <string>

#include "protocol/command.h"
#include "protocol/engine_move.h"
#include "search/records.h"

namespace NEngine {

class EngineShell;

void handleXBoard(EngineShell& shell);
void handleProtover(EngineShell& shell, const Command& command);
void handleNew(EngineShell& shell);
void handleXbGo(EngineShell& shell);
void handleUserMove(EngineShell& shell, const Command& command);
// The opponent's move on the game board; ok tells whether it was accepted.
ThinkResult applyUserMove(EngineShell& shell, const Command& command);
void handleUndo(EngineShell& shell);
void handleSt(EngineShell& shell, int32_t seconds);
void handleSd(EngineShell& shell, int32_t depth);
void handleTime(EngineShell& shell, int32_t centiseconds);
void handleLevel(EngineShell& shell, int32_t movesPerPeriod);
void handleAnalyze(EngineShell& shell);
void handleSetBoard(EngineShell& shell, const Command& command);
void handleMemory(EngineShell& shell, int32_t megabytes);
void handlePing(EngineShell& shell, int32_t value);

// Board editing: "edit", "c", "#", a placement word and the closing ".".
void handleEdit(EngineShell& shell);
void handleEditColour(EngineShell& shell);
void handleEditClear(EngineShell& shell);
void handleEditPiece(EngineShell& shell, const Command& command);
void handleEndEdit(EngineShell& shell);
// Ends an edit left open before a command that needs a finished position.
void finishEditing(EngineShell& shell);
// Forgets an open edit when a new position replaces the board.
void abandonEditing(EngineShell& shell);

// Writes the result line of a finished game, or nothing.
void gameResultLine(EngineShell& shell, uint16_t status, bool moverIsWhite);
std::string gameResultText(uint16_t status, bool moverIsWhite);

// "depth score centiseconds nodes SAN..."; "" when nothing is written.
std::string xboardIterationLine(EngineShell& shell, const SearchResult& result);
// "stat01: ..."; "" when nothing is written.
std::string xboardProgressLine(EngineShell& shell, const SearchData& data);

}  // namespace NEngine
