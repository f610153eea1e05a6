// A protocol session with the real engine binary, in a temporary directory of
// its own, with helpers for the usual exchanges.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"

namespace NEngineTest {

class TempDirectory {
public:
    TempDirectory() {
        // A new directory of a random name; creating it fails when the name
        // is taken, and then another is tried.
        std::random_device seed;
        std::mt19937_64 random(seed() ^ uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::error_code error;
        const auto base = std::filesystem::temp_directory_path(error);
        for (int attempt = 0; attempt < 100 && path_.empty() && !error; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "quillon-protocol-%012llx",
                          static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
            const auto candidate = base / name;
            if (std::filesystem::create_directory(candidate, error))
                path_ = candidate.string();
        }
    }
    ~TempDirectory() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream out(file(name));
        out << text;
    }

private:
    std::string path_;
};

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        engine = std::make_unique<EngineProcess>(QUILLON_BINARY, dir.path());
        ASSERT_TRUE(engine->started());
    }
    void TearDown() override {
        if (engine && HasFailure())
            std::cerr << "Transcript:\n" << engine->transcriptText();
    }

    void send(const std::string& text) { ASSERT_TRUE(engine->send(text)); }

    // The next line, which must arrive in time.
    std::string line(int timeoutMs = 20000) {
        std::string text;
        EXPECT_TRUE(engine->readLine(text, timeoutMs)) << "no line in time";
        return text;
    }

    // Lines up to (not including) the answer to a ping, which proves that
    // every earlier command has been executed.
    std::vector<std::string> sync(int number = 9999, int timeoutMs = 30000) {
        send("ping " + std::to_string(number) + "\n");
        std::vector<std::string> before;
        std::string found;
        EXPECT_TRUE(engine->readUntil([&](const std::string& l) { return l == "pong " + std::to_string(number); },
                                      found, &before, timeoutMs))
            << "no pong";
        return before;
    }

    // The line starting with the prefix; the lines before it go to `before`.
    std::string waitFor(const std::string& prefix, std::vector<std::string>* before = nullptr, int timeoutMs = 30000) {
        std::string found;
        EXPECT_TRUE(engine->readUntilPrefix(prefix, found, before, timeoutMs)) << "no line starting " << prefix;
        return found;
    }

    // The game as the engine writes it to a file.
    std::string savedGame(const std::string& name = "check.pgn") {
        send("saveboard " + name + "\n");
        sync();
        return dir.read(name);
    }

    TempDirectory dir;
    std::unique_ptr<EngineProcess> engine;
};

inline bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace NEngineTest
