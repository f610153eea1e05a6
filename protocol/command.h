// One parsed input line, and the keyword table shared by both protocols.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace NEngine {

// Scoped, so that short names such as None or Stop stay out of the namespace.
enum class CommandKind : uint32_t {
    None = 0,
    XbOption = 1,
    Ping = 2,
    XBoard = 3,
    Memory = 4,
    New = 5,
    UserMove = 6,
    Protover = 7,
    XbGo = 8,
    St = 9,
    Sd = 10,
    Undo = 11,
    Remove = 12,
    Force = 13,
    Edit = 14,
    Post = 15,
    NoPost = 16,
    Analyze = 17,
    Stop = 18,
    Time = 19,
    Otim = 20,
    Level = 21,
    Dot = 22,
    MoveNow = 23,
    EditColour = 24,
    EditClear = 25,
    EditPiece = 26,
    SaveBoard = 27,
    LoadBoard = 28,
    SetBoard = 29,
    Uci = 30,
    SetOption = 31,
    IsReady = 32,
    UciNewGame = 33,
    Position = 34,
    UciGo = 35,
    Quit = 36,
};

struct Command {
    CommandKind kind = CommandKind::None;
    // The move word (UserMove, EditPiece) or the FEN text (SetBoard, Position).
    std::string text;
    // The words after the keyword (for Position: the move words).
    std::vector<std::string> args;
    // Option or "go" parameters by name.
    std::map<std::string, int32_t> values;
    // The numeric argument of the numeric XBoard commands.
    int32_t value = 0;
    // A UCI "go" whose arguments contain "infinite".
    bool infinite = false;
};

// The keyword table: exact, case-sensitive first word to kind (35 keywords).
const std::map<std::string, CommandKind, std::less<>>& keywordTable();

// Splits a line at runs of blanks, tabs, line feeds and carriage returns.
std::vector<std::string> splitWords(std::string_view line);

// Turns one input line into a command; pure, touches no game state.
Command parseCommand(std::string_view line, bool uciMode);

// The value rule of every numeric argument: a leading decimal integer
// (saturated to 32 bits), else "true"/"false" as 1/0, else 0; 0 past the end.
int32_t readIntArgument(const std::vector<std::string>& words, size_t index);

}  // namespace NEngine
