// The table of options and the operations that read it.
#include "protocol/options.h"

#include <algorithm>

#include "protocol/command.h"
#include "search/search.h"

namespace NEngine {

namespace {

// The ranges and defaults are the search's own.
constexpr OptionDescriptor Options[] = {
    {"Hash", "spin", TranspositionTable::MinMegabytes, TranspositionTable::MaxMegabytes,
     TranspositionTable::DefaultMegabytes, "MB",
     // A failed allocation keeps the previous table (the search refuses).
     [](Search& search, int32_t megabytes) { return search.setHashSize(megabytes); }},
    {"Threads", "spin", MinSearchThreads, MaxSearchThreads, DefaultSearchThreads, "",
     [](Search& search, int32_t count) { return search.setThreads(count); }},
};

}  // namespace

std::span<const OptionDescriptor> engineOptions() { return Options; }

std::string uciOptionLine(const OptionDescriptor& option) {
    return std::string("option name ") + option.name + " type " + option.type + " min " + std::to_string(option.min) +
           " max " + std::to_string(option.max) + " default " + std::to_string(option.defaultValue);
}

bool setOption(Search& search, std::string_view name, int32_t value) {
    for (const OptionDescriptor& option : Options) {
        if (option.name != name)
            continue;
        if (value < option.min || search.isSearching())
            return false;
        return option.apply(search, std::min(value, option.max));
    }
    return false;
}

void applyOptions(Search& search, const Command& command) {
    for (const OptionDescriptor& option : Options) {
        auto found = command.values.find(option.name);
        if (found != command.values.end())
            setOption(search, option.name, found->second);
    }
}

std::string optionsUsageText() {
    std::string text = "Protocol options: ";
    for (const OptionDescriptor& option : Options) {
        if (&option != &Options[0])
            text += ", ";
        text += std::string("\"") + option.name + "\" (";
        if (*option.unit)
            text += std::string(option.unit) + ", ";
        text += std::to_string(option.min) + "-" + std::to_string(option.max) + ", default " +
                std::to_string(option.defaultValue) + ")";
    }
    return text + ".";
}

}  // namespace NEngine
