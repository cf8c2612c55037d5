// Shared set-up of the calculation set-up tests: fresh settings, the console as the
// only channel, no pause after a fatal report, and console answers fed in.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/workingset.h"

namespace zt {

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        channels.outchannels = 1;
        resetrunstate();
        settings = runsettings{};
        setinitialsettings();
        setscriptdefaults();
        settings.autoexit = true;
        pd = phasediagramstate{};
        ws.ih2o = ws.ico2 = ws.icrd = ws.ifcrd = 0;
    }
    void TearDown() override { resetchannels(); }

    // Runs f with the answers on the console; the transcript goes to output. Returns
    // the exit code of a run that ended, -1 when f returned.
    int run(const std::function<void()>& f, const std::string& answers = "")
    {
        testing::consolecapture console(answers);
        const int code = testing::exitcodeof(f);
        output = console.output();
        return code;
    }
    bool said(const std::string& text) const { return output.find(text) != std::string::npos; }
    int count(const std::string& text) const
    {
        int n = 0;
        for (size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + 1)) ++n;
        return n;
    }

    std::string output;
};

}  // namespace zt
