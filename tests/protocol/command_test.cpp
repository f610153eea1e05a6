// Parsing of input lines into commands, without the engine.
#include <gtest/gtest.h>

#include <climits>

#include "protocol/command.h"

using namespace NEngine;

namespace {

Command parse(const std::string& line, bool uci = false) { return parseCommand(line, uci); }

}  // namespace

TEST(CommandParse, KeywordTableHasBothProtocols) {
    const auto& table = keywordTable();
    EXPECT_EQ(table.size(), 35u);
    EXPECT_EQ(table.at("exit"), CommandKind::Stop);
    EXPECT_EQ(table.at("stop"), CommandKind::Stop);
    EXPECT_EQ(table.at("setb"), CommandKind::SetBoard);
    EXPECT_EQ(table.at("setboard"), CommandKind::SetBoard);
    EXPECT_EQ(table.count("ponderhit"), 0u);
}

TEST(CommandParse, GoDependsOnMode) {
    EXPECT_EQ(parse("go").kind, CommandKind::XbGo);
    EXPECT_EQ(parse("go", true).kind, CommandKind::UciGo);
    EXPECT_EQ(parse("GO").kind, CommandKind::None);
    EXPECT_EQ(parse("Quit").kind, CommandKind::None);
}

TEST(CommandParse, BlankLinesAndUnknownWordsAreIgnored) {
    EXPECT_EQ(parse("").kind, CommandKind::None);
    EXPECT_EQ(parse(" \t \r\r  ").kind, CommandKind::None);
    EXPECT_EQ(parse("hello world").kind, CommandKind::None);
    EXPECT_EQ(parse("accepted setboard").kind, CommandKind::None);
    Command quit = parse("  quit\r");
    EXPECT_EQ(quit.kind, CommandKind::Quit);
    EXPECT_TRUE(quit.args.empty());
}

TEST(CommandParse, PlacementsComeBeforeMoves) {
    Command placement = parse("Nf3");
    EXPECT_EQ(placement.kind, CommandKind::EditPiece);
    EXPECT_EQ(placement.text, "Nf3");
    EXPECT_EQ(parse("xa4").kind, CommandKind::EditPiece);

    Command move = parse("e2e4");
    EXPECT_EQ(move.kind, CommandKind::UserMove);
    EXPECT_EQ(move.text, "e2e4");
    EXPECT_EQ(parse("e7e8q").kind, CommandKind::UserMove);
    EXPECT_EQ(parse("e4").kind, CommandKind::UserMove);
    EXPECT_EQ(parse("Nxf3").kind, CommandKind::UserMove);
    EXPECT_EQ(parse("O-O").kind, CommandKind::UserMove);
}

TEST(CommandParse, NumericCommandsNeedTheirNumber) {
    EXPECT_EQ(parse("ping").kind, CommandKind::None);
    Command ping = parse("ping 42");
    EXPECT_EQ(ping.kind, CommandKind::Ping);
    EXPECT_EQ(ping.value, 42);
    Command level = parse("level 40 5 0");
    EXPECT_EQ(level.kind, CommandKind::Level);
    EXPECT_EQ(level.value, 40);
    EXPECT_EQ(parse("protover 2").value, 2);
    EXPECT_EQ(parse("time abc").value, 0);
    EXPECT_EQ(parse("time").kind, CommandKind::None);
}

TEST(CommandParse, IntegerArgumentsSaturate) {
    std::vector<std::string> words = {"123abc", "99999999999", "-99999999999", "TRUE",
                                      "false",  "x",           "-17",          "2147483648"};
    EXPECT_EQ(readIntArgument(words, 0), 123);
    EXPECT_EQ(readIntArgument(words, 1), INT32_MAX);
    EXPECT_EQ(readIntArgument(words, 2), INT32_MIN);
    EXPECT_EQ(readIntArgument(words, 3), 1);
    EXPECT_EQ(readIntArgument(words, 4), 0);
    EXPECT_EQ(readIntArgument(words, 5), 0);
    EXPECT_EQ(readIntArgument(words, 6), -17);
    EXPECT_EQ(readIntArgument(words, 7), INT32_MAX);
    EXPECT_EQ(readIntArgument(words, 8), 0);
    EXPECT_EQ(parse("time 123456789012345678901234567890").value, INT32_MAX);
}

TEST(CommandParse, SetBoardJoinsItsWords) {
    EXPECT_EQ(parse("setboard 8/8/8/8/8/8/8/8").kind, CommandKind::None);
    Command set = parse("setb  8/8/8/8/8/8/8/K6k   w - - 0 1");
    EXPECT_EQ(set.kind, CommandKind::SetBoard);
    EXPECT_EQ(set.text, "8/8/8/8/8/8/8/K6k w - - 0 1");
}

TEST(CommandParse, PositionForms) {
    Command moves = parse("position startpos moves e2e4 e7e5", true);
    EXPECT_EQ(moves.kind, CommandKind::Position);
    EXPECT_EQ(moves.text, "");
    EXPECT_EQ(moves.args, (std::vector<std::string>{"e2e4", "e7e5"}));

    // Without "moves" the first move word stands in its place and is skipped.
    Command noMoves = parse("position startpos e2e4 e7e5", true);
    EXPECT_EQ(noMoves.args, (std::vector<std::string>{"e7e5"}));

    Command fen = parse("position fen 8/8/8/8/8/8/8/K6k w - - 0 1 moves a1a2", true);
    EXPECT_EQ(fen.kind, CommandKind::Position);
    EXPECT_EQ(fen.text, "8/8/8/8/8/8/8/K6k w - - 0 1");
    EXPECT_EQ(fen.args, (std::vector<std::string>{"a1a2"}));
    EXPECT_TRUE(parse("position fen 8/8/8/8/8/8/8/K6k w - - 0 1").args.empty());

    EXPECT_EQ(parse("position", true).kind, CommandKind::None);
    EXPECT_EQ(parse("position fen", true).kind, CommandKind::None);
    // A word that cannot be a move spoils the whole command; an illegal one does not.
    EXPECT_EQ(parse("position startpos moves e2e4 hello", true).kind, CommandKind::None);
    EXPECT_EQ(parse("position startpos moves e2e5", true).kind, CommandKind::Position);

    // Any other first word is skipped alone and means the start position.
    Command other = parse("position moves e2e4 e7e5", true);
    EXPECT_EQ(other.kind, CommandKind::Position);
    EXPECT_EQ(other.text, "");
    EXPECT_EQ(other.args, (std::vector<std::string>{"e2e4", "e7e5"}));
    EXPECT_EQ(parse("position current moves e2e4", true).kind, CommandKind::None);
}

TEST(CommandParse, GoParameters) {
    Command clock = parse("go wtime 60000 btime 1000 wtime 5 movestogo", true);
    EXPECT_EQ(clock.kind, CommandKind::UciGo);
    EXPECT_FALSE(clock.infinite);
    EXPECT_EQ(clock.values.size(), 2u);
    EXPECT_EQ(clock.values.at("wtime"), 60000);
    EXPECT_EQ(clock.values.at("btime"), 1000);

    EXPECT_TRUE(parse("go infinite", true).infinite);
    EXPECT_TRUE(parse("go infinite wtime 1000", true).infinite);
    Command late = parse("go wtime 1000 infinite 5", true);
    EXPECT_TRUE(late.infinite);
    EXPECT_TRUE(late.values.empty());
    // In a value position the word is a value: "depth" reads 0.
    Command depth = parse("go depth infinite", true);
    EXPECT_FALSE(depth.infinite);
    EXPECT_EQ(depth.values.at("depth"), 0);
}

TEST(CommandParse, SetOptionGroups) {
    Command both = parse("setoption name Hash value 64 name Threads value 2", true);
    EXPECT_EQ(both.kind, CommandKind::SetOption);
    EXPECT_EQ(both.values.at("Hash"), 64);
    EXPECT_EQ(both.values.at("Threads"), 2);

    Command first = parse("setoption name Hash value 64 name Hash value 32");
    EXPECT_EQ(first.values.at("Hash"), 64);

    Command skipped = parse("setoption name Clear Hash x name Threads value 3 name");
    EXPECT_EQ(skipped.values.size(), 1u);
    EXPECT_EQ(skipped.values.at("Threads"), 3);

    EXPECT_TRUE(parse("option Hash=5").values.empty());
    EXPECT_EQ(parse("option Hash=5").kind, CommandKind::XbOption);
}
