// Parsing of input lines into commands.
#include "protocol/command.h"

#include <cctype>
#include <limits>

#include "board/notation.h"

namespace NEngine {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A board-editor placement: letter, letter, digit ("Pe4"). Checked before the
// move reading, so a three-character SAN word such as "Nf3" is a placement.
bool looksLikePlacement(std::string_view word) {
    return word.size() == 3 && isAlpha(word[0]) && isAlpha(word[1]) && isDigit(word[2]);
}

std::string joinWords(const std::vector<std::string>& words, size_t first, size_t last) {
    std::string text;
    for (size_t i = first; i < last; ++i) {
        if (!text.empty())
            text += ' ';
        text += words[i];
    }
    return text;
}

// "position": [startpos | fen FEN... | other] [moves] MOVE...
bool parsePositionArguments(Command& command) {
    std::vector<std::string>& words = command.args;
    if (words.empty())
        return false;
    size_t firstMove;
    if (words[0] == "fen") {
        if (words.size() < 2)
            return false;
        size_t end = 1;
        while (end < words.size() && words[end] != "moves")
            ++end;
        command.text = joinWords(words, 1, end);
        firstMove = end + 1;
    } else if (words[0] == "startpos") {
        // The start position; the word after it stands where "moves" is
        // expected and is skipped unread.
        command.text.clear();
        firstMove = 2;
    } else {
        // Any other first word stands for the start position and is skipped
        // alone: the words after it are the moves.
        command.text.clear();
        firstMove = 1;
    }
    std::vector<std::string> moves;
    for (size_t i = firstMove; i < words.size(); ++i) {
        if (classifyMoveText(words[i]) == NotMoveText)
            return false;
        moves.push_back(std::move(words[i]));
    }
    words = std::move(moves);
    return true;
}

// "setoption": groups of four words "name N value V"; the first setting of a
// name wins; groups of another shape are skipped whole.
void parseSetOptionArguments(Command& command) {
    const std::vector<std::string>& words = command.args;
    constexpr size_t GroupSize = 4;
    for (size_t i = 0; i + GroupSize <= words.size(); i += GroupSize) {
        if (words[i] != "name" || words[i + 2] != "value")
            continue;
        command.values.emplace(words[i + 1], readIntArgument(words, i + 3));
    }
}

// UCI "go": key/value pairs; "infinite" in a key position makes the whole
// command an infinite search and drops every other parameter.
void parseGoArguments(Command& command) {
    const std::vector<std::string>& words = command.args;
    for (size_t i = 0; i < words.size(); i += 2) {
        if (words[i] == "infinite") {
            command.infinite = true;
            command.values.clear();
            return;
        }
        if (i + 1 >= words.size())
            return;
        command.values.emplace(words[i], readIntArgument(words, i + 1));
    }
}

bool takesNumber(CommandKind kind) {
    switch (kind) {
    case CommandKind::Ping:
    case CommandKind::Memory:
    case CommandKind::St:
    case CommandKind::Sd:
    case CommandKind::Time:
    case CommandKind::Otim:
    case CommandKind::Level:
    case CommandKind::Protover: return true;
    default: return false;
    }
}

}  // namespace

const std::map<std::string, CommandKind, std::less<>>& keywordTable() {
    static const std::map<std::string, CommandKind, std::less<>> table = {
        {"option", CommandKind::XbOption},
        {"ping", CommandKind::Ping},
        {"xboard", CommandKind::XBoard},
        {"memory", CommandKind::Memory},
        {"new", CommandKind::New},
        {"protover", CommandKind::Protover},
        {"go", CommandKind::XbGo},
        {"st", CommandKind::St},
        {"sd", CommandKind::Sd},
        {"undo", CommandKind::Undo},
        {"remove", CommandKind::Remove},
        {"force", CommandKind::Force},
        {"edit", CommandKind::Edit},
        {"post", CommandKind::Post},
        {"nopost", CommandKind::NoPost},
        {"analyze", CommandKind::Analyze},
        {"exit", CommandKind::Stop},
        {"stop", CommandKind::Stop},
        {"time", CommandKind::Time},
        {"otim", CommandKind::Otim},
        {"level", CommandKind::Level},
        {".", CommandKind::Dot},
        {"?", CommandKind::MoveNow},
        {"c", CommandKind::EditColour},
        {"#", CommandKind::EditClear},
        {"saveboard", CommandKind::SaveBoard},
        {"loadboard", CommandKind::LoadBoard},
        {"setboard", CommandKind::SetBoard},
        {"setb", CommandKind::SetBoard},
        {"uci", CommandKind::Uci},
        {"setoption", CommandKind::SetOption},
        {"isready", CommandKind::IsReady},
        {"ucinewgame", CommandKind::UciNewGame},
        {"position", CommandKind::Position},
        {"quit", CommandKind::Quit},
    };
    return table;
}

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSeparator(line[i]))
            ++i;
        size_t start = i;
        while (i < line.size() && !isSeparator(line[i]))
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

int32_t readIntArgument(const std::vector<std::string>& words, size_t index) {
    if (index >= words.size())
        return 0;
    std::string word = words[index];
    for (char& c : word)
        c = char(std::tolower(static_cast<unsigned char>(c)));

    // Step 1: a leading integer, saturated to the 32-bit range rather than
    // wrapped, so that a huge clock reading stays huge.
    size_t i = 0;
    while (i < word.size() && std::isspace(static_cast<unsigned char>(word[i])))
        ++i;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    if (i < word.size() && isDigit(word[i])) {
        constexpr int64_t Limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
        int64_t magnitude = 0;
        for (; i < word.size() && isDigit(word[i]); ++i) {
            magnitude = magnitude * 10 + (word[i] - '0');
            if (magnitude > Limit)
                magnitude = Limit;
        }
        int64_t value = negative ? -magnitude : magnitude;
        if (value > std::numeric_limits<int32_t>::max())
            value = std::numeric_limits<int32_t>::max();
        return int32_t(value);
    }

    // Step 2: a boolean word.
    if (word.rfind("true", 0) == 0)
        return 1;
    return 0;  // "false" and anything unreadable
}

Command parseCommand(std::string_view line, bool uciMode) {
    Command command;
    std::vector<std::string> words = splitWords(line);
    if (words.empty())
        return command;

    // Step 1: a keyword.
    const auto& table = keywordTable();
    auto found = table.find(words[0]);
    if (found != table.end()) {
        CommandKind kind = found->second;
        if (kind == CommandKind::XbGo && uciMode)
            kind = CommandKind::UciGo;
        command.args.assign(std::make_move_iterator(words.begin() + 1), std::make_move_iterator(words.end()));
        command.kind = kind;

        if (takesNumber(kind)) {
            if (command.args.empty())
                return Command{};
            command.value = readIntArgument(command.args, 0);
            return command;
        }
        switch (kind) {
        case CommandKind::Position:
            if (!parsePositionArguments(command))
                return Command{};
            break;
        case CommandKind::SetBoard:
            if (command.args.size() < 2)
                return Command{};
            command.text = joinWords(command.args, 0, command.args.size());
            break;
        case CommandKind::XbOption:
            // Option arguments are not read: "option" has no effect.
            command.args.clear();
            break;
        case CommandKind::SetOption: parseSetOptionArguments(command); break;
        case CommandKind::UciGo: parseGoArguments(command); break;
        default: break;
        }
        return command;
    }

    // Step 2: a board-editor placement, then a move word; anything else is
    // ignored without a word.
    if (looksLikePlacement(words[0])) {
        command.kind = CommandKind::EditPiece;
        command.text = words[0];
    } else if (classifyMoveText(words[0]) != NotMoveText) {
        command.kind = CommandKind::UserMove;
        command.text = words[0];
    }
    return command;
}

}  // namespace NEngine
