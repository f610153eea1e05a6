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
     [](Search& search, int32_t megabytes) { return search.setHashSize(megabytes); },
     [](const Search& search) { return int32_t(search.hashMegabytes()); },
     // The table takes the largest power of two of buckets that fits, so
     // only a refusal is news.
     [](int32_t asked, int32_t kept, bool set) {
         return set ? std::string()
                    : "Hash " + std::to_string(asked) + " MB: the memory could not be had, the table stays at " +
                          std::to_string(kept) + " MB";
     }},
    {"Threads", "spin", MinSearchThreads, MaxSearchThreads, DefaultSearchThreads, "",
     [](Search& search, int32_t count) { return search.setThreads(count); },
     [](const Search& search) { return int32_t(search.threadCount()); },
     [](int32_t asked, int32_t kept, bool) {
         return kept == asked ? std::string()
                              : "Threads " + std::to_string(asked) + ": this build searches with " +
                                    std::to_string(kept) + (kept == 1 ? " thread" : " threads");
     }},
};

}  // namespace

std::span<const OptionDescriptor> engineOptions() { return Options; }

std::string uciOptionLine(const OptionDescriptor& option) {
    return std::string("option name ") + option.name + " type " + option.type + " min " + std::to_string(option.min) +
           " max " + std::to_string(option.max) + " default " + std::to_string(option.defaultValue);
}

bool setOption(Search& search, std::string_view name, int32_t value, std::string* note) {
    if (note)
        note->clear();
    for (const OptionDescriptor& option : Options) {
        if (option.name != name)
            continue;
        if (value < option.min || search.isSearching())
            return false;
        const int32_t asked = std::min(value, option.max);
        const bool set = option.apply(search, asked);
        if (note)
            *note = option.shortfall(asked, option.current(search), set);
        return set;
    }
    return false;
}

std::vector<std::string> applyOptions(Search& search, const Command& command) {
    std::vector<std::string> notes;
    for (const OptionDescriptor& option : Options) {
        auto found = command.values.find(option.name);
        if (found == command.values.end())
            continue;
        std::string note;
        setOption(search, option.name, found->second, &note);
        if (!note.empty())
            notes.push_back(std::move(note));
    }
    return notes;
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
