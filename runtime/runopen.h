// Run opening: fixed tables, banner, preferences, log file and the date stamp.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/clock.h"
#include "runtime/types.h"

namespace zt {

struct runopenstate {
    real macheps = 0;
    std::array<std::string, 401> ordinals;  // 1..400
    std::array<int32_t, 31> masks{};        // 2^i
    std::string progname;
    std::string datetimestamp;
    clockreading starttime;
};
extern runopenstate runopening;

// Tables, banner and preferences: nothing written to a file yet.
void openrun(const std::string& label);
// The log file, the line buffers and the date stamp.
void openlog();
void datestamp();

}  // namespace zt
