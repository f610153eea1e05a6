// The engine's options in one table: "uci" lists them, "setoption" sets them,
// XBoard's "memory" sets the hash size through them, and the command line's
// --help describes them. A new option is one entry in options.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace NEngine {

class Search;
struct Command;

// One option: an integer ("spin") within min..max.
struct OptionDescriptor {
    const char* name;      // as "uci" lists it and "setoption" names it
    const char* type;      // the UCI option type
    int32_t min;           // smaller values are ignored
    int32_t max;           // larger values give max
    int32_t defaultValue;  // the engine's value at start-up
    const char* unit;      // for --help ("MB"); "" for none
    // Sets the value on the search (only called between searches, with a
    // value within min..max); false when the search refuses it.
    bool (*apply)(Search& search, int32_t value);
    // The value in force.
    int32_t (*current)(const Search& search);
    // What the user is told when a value within range could not be set as
    // asked (a table the memory cannot hold, more threads than the build
    // runs), from the value asked for, the one in force and whether the
    // search took it; empty when there is nothing to tell.
    std::string (*shortfall)(int32_t asked, int32_t kept, bool set);
};

// The option XBoard's "memory" sets.
inline constexpr std::string_view HashOptionName = "Hash";

// Every option, in the order "uci" lists them.
std::span<const OptionDescriptor> engineOptions();

// "option name Hash type spin min 1 max 1024 default 256".
std::string uciOptionLine(const OptionDescriptor& option);

// Sets the named option: values below its minimum and unknown names are
// ignored, values above its maximum give the maximum, and nothing is set
// while a search runs. Writes nothing; false when nothing was set. When a
// value within range could not be set as asked, `note` (if given) receives
// the sentence to tell the user; otherwise it is left empty.
bool setOption(Search& search, std::string_view name, int32_t value, std::string* note = nullptr);

// "setoption": every option the command names, in the table's order. Returns
// the sentences to tell the user, one per option not set as asked.
std::vector<std::string> applyOptions(Search& search, const Command& command);

// The options line of --help: "Protocol options: "Hash" (MB, 1-1024,
// default 256), ...".
std::string optionsUsageText();

}  // namespace NEngine
