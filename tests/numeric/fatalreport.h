// Runs a call that must end the run through the fatal reporter.
#pragma once

#include <functional>
#include <string>

#include "runtime/channels.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt::testing {

// The console text of the report, or a note of how the call ended when it did not end
// the run with exit code 1.
inline std::string fatalreport(const std::function<void()>& call) {
    resetchannels();
    settings = runsettings{};
    settings.autoexit = true;
    consolecapture console;
    channels.outchannels = wordset(1) << chconsole;
    const int code = exitcodeof(call);
    if (code != 1) return "ended with code " + std::to_string(code);
    return console.output();
}

inline std::string bombline(const std::string& routine, const std::string& message) {
    return "-- run bombed in " + routine + " : " + message + "\n";
}

inline const char* internalmark = "This shouldn't have happened";

}  // namespace zt::testing
