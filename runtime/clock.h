// The one clock source: the date stamp, the elapsed time and the random seeds.
#pragma once

#include <cstdint>

namespace zt {

struct clockreading {
    int year = 0, month = 0, day = 0;  // month 1..12
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int weekday = 0;       // 1 Sunday .. 7 Saturday
    int64_t msecs = 0;     // milliseconds on a steady scale, for spans
};

clockreading clocknow();

// Tests only: every later clocknow() returns this reading; nullptr returns to the real clock.
void setfixedclock(const clockreading* reading);

}  // namespace zt
