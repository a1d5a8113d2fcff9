#pragma once

// A test of the file-hashing routines: a temporary folder, and the engine variables recording the progress
// calls and message-pump runs, put back to their idle state afterwards.

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "checksum/Crc32.h"
#include "support/TestSupport.h"

using TCalls = std::vector<std::pair<int, int>>; // progress calls: percent, chunk bytes

class EngineTest : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    TCalls Calls;
    int Pumps = 0;

    void SetUp() override {
        quorvane::CrcOnProgress = [this](std::uint8_t Percent, std::int32_t Chunk) { Calls.emplace_back(Percent, Chunk); };
        quorvane::CrcMessagePump = [this] { ++Pumps; };
    }
    void TearDown() override {
        quorvane::CrcAbort = quorvane::CrcInThread = false;
        quorvane::CrcOnProgress = nullptr;
        quorvane::CrcMessagePump = nullptr;
    }
};
