#pragma once

// Puts the engine variables back to their idle state around every test of the file routines.

#include <gtest/gtest.h>

#include "checksum/Crc32.h"

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset() {
        CrcAbort = false;
        CrcInThread = false;
        CrcOnProgress = nullptr;
        CrcMessagePump = nullptr;
    }
};
