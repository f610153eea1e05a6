// The table of options: what "uci" and --help say about each option, and how
// a value is held to its range.
#include <gtest/gtest.h>

#include "engine_process.h"
#include "protocol/options.h"
#include "search/search.h"
#include "test_support.h"

using namespace NEngine;
using namespace NEngineTest;

TEST(Options, TableTextsAndRanges) {
    ensureBoardTables();
    const auto options = engineOptions();
    ASSERT_EQ(options.size(), 2u);
    EXPECT_EQ(uciOptionLine(options[0]), "option name Hash type spin min 1 max 1024 default 256");
    EXPECT_EQ(uciOptionLine(options[1]), "option name Threads type spin min 1 max 8 default 1");
    EXPECT_EQ(optionsUsageText(),
              "Protocol options: \"Hash\" (MB, 1-1024, default 256), \"Threads\" (1-8, default 1).");

    Search search(1);
    EXPECT_FALSE(setOption(search, "Bogus", 3));
    EXPECT_FALSE(setOption(search, "threads", 3));  // names are case-sensitive
    EXPECT_FALSE(setOption(search, "Threads", 0));
    EXPECT_EQ(search.threadCount(), 1);
    EXPECT_TRUE(setOption(search, "Threads", 20));
    EXPECT_EQ(search.threadCount(), MaxSearchThreads);
    EXPECT_TRUE(setOption(search, HashOptionName, 2));
    EXPECT_EQ(search.table().bucketCount(), 2u * 1024 * 1024 / 64);
    EXPECT_FALSE(setOption(search, HashOptionName, 0));
    EXPECT_EQ(search.table().bucketCount(), 2u * 1024 * 1024 / 64);

    // Nothing is set while a search runs.
    search.limits.analysing = true;
    EXPECT_FALSE(setOption(search, "Threads", 2));
    EXPECT_FALSE(setOption(search, HashOptionName, 1));
    search.limits.analysing = false;
    EXPECT_EQ(search.threadCount(), MaxSearchThreads);
    EXPECT_EQ(search.table().bucketCount(), 2u * 1024 * 1024 / 64);
}

// A value set as asked leaves the note empty (a table rounded down to a power
// of two included); one that cannot be had fills it with both values.
TEST(Options, NotesOnlyWhatWasNotSetAsAsked) {
    ensureBoardTables();
    Search search(1);
    std::string note = "stale";
    EXPECT_TRUE(setOption(search, HashOptionName, 3, &note));
    EXPECT_EQ(search.hashMegabytes(), 2);
    EXPECT_EQ(note, "");
    EXPECT_TRUE(setOption(search, "Threads", 20, &note));
    EXPECT_EQ(note, "");
    const OptionDescriptor& hash = engineOptions()[0];
    EXPECT_EQ(hash.shortfall(1024, 256, false), "Hash 1024 MB: the memory could not be had, the table stays at 256 MB");
    EXPECT_EQ(hash.shortfall(100, 64, true), "");
    const OptionDescriptor& threads = engineOptions()[1];
    EXPECT_EQ(threads.shortfall(4, 1, true), "Threads 4: this build searches with 1 thread");
    EXPECT_EQ(threads.shortfall(4, 4, true), "");
}

// The command line's help describes the options as the table holds them.
TEST(Options, HelpTextReadsTheTable) {
    EngineProcess engine(QUILLON_BINARY, "", false, {"--help"});
    ASSERT_TRUE(engine.started());
    std::string found;
    ASSERT_TRUE(engine.readUntilPrefix("Protocol options: ", found));
    EXPECT_EQ(found, optionsUsageText());
    EXPECT_EQ(engine.waitExit(), 0);
}
