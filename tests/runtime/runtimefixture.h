// The starting state of the run-control tests: channels reset with only the console
// open, settings at their defaults and no pause at a fatal report.
#pragma once

#include <gtest/gtest.h>

#include "runtime/channels.h"
#include "script/settings.h"

namespace zt {

class QuietConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetchannels();
        settings = runsettings{};
        settings.autoexit = true;
        channels.outchannels = 1;
    }
    void TearDown() override { resetchannels(); }
};

}  // namespace zt
