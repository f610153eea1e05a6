// A shell run in-process over a test pipe that nothing is written to (so a
// search sees no input), its output collected in a string: the fixture of
// the tests that execute commands directly.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "protocol/search_input.h"
#include "protocol/shell.h"
#include "test_pipe.h"
#include "test_support.h"

namespace NEngineTest {

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ensureBoardTables();
        ASSERT_TRUE(input.valid());
        shell = std::make_unique<NEngine::EngineShell>(input.readEnd(), output);
        NEngine::installCallbacks(*shell);
    }
    void TearDown() override { shell.reset(); }
    // Parses the line as the main loop would and executes it.
    void run(const std::string& line) {
        NEngine::Command command = NEngine::parseCommand(line, shell->uciMode);
        NEngine::execute(*shell, command);
    }

    TestPipe input;
    std::ostringstream output;
    std::unique_ptr<NEngine::EngineShell> shell;
};

}  // namespace NEngineTest
