// The run settings: the program-wide values the script sets and every calculation reads.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

struct runsettings {
    int16_t nscriptproblems = 0;
    int16_t nmissingscripts = 0;
    bool autoexit = false;
    int16_t debuglevel = 1;
    int32_t batch = 1;        // switch: 0 means batches are given
    bool dogminon = false;
    str22 axfile;
    bool axnamechecks = true;
    real pmin = 0.0009;       // lowest pressure; lowered by "negP", never reset
};
extern runsettings settings;

// Defaults before every reading of the script.
void setscriptdefaults();
// Once-per-program initial values of the settings (called by the start-up).
void setinitialsettings();

}  // namespace zt
