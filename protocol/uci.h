// The UCI command handlers and the UCI thinking output.
#pragma once

#include <string>

#include "protocol/command.h"
#include "search/records.h"

namespace NEngine {

class EngineShell;

void handleUci(EngineShell& shell);
void handleIsReady(EngineShell& shell);
void handleUciNewGame(EngineShell& shell);
void handlePosition(EngineShell& shell, const Command& command);
void handleUciGo(EngineShell& shell, const Command& command);

// "score cp 24 " or "score mate 3 " (with its trailing blank).
std::string uciScoreText(int score);
// The "info ..." line of a completed iteration; "" when nothing is written.
std::string uciIterationLine(EngineShell& shell, const SearchResult& result);
// The "info currmove ..." progress line; "" when nothing is written.
std::string uciProgressLine(const SearchData& data);

}  // namespace NEngine
