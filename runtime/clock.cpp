#include "runtime/clock.h"

#include <chrono>
#include <ctime>
#include <optional>

namespace zt {

namespace {

std::optional<clockreading> fixedreading;

}  // namespace

clockreading clocknow() {
    if (fixedreading) return *fixedreading;
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    clockreading r;
    r.year = local.tm_year + 1900;
    r.month = local.tm_mon + 1;
    r.day = local.tm_mday;
    r.hour = local.tm_hour;
    r.minute = local.tm_min;
    r.second = local.tm_sec;
    r.millisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    r.weekday = local.tm_wday + 1;
    r.msecs = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return r;
}

void setfixedclock(const clockreading* reading) {
    if (reading != nullptr)
        fixedreading = *reading;
    else
        fixedreading.reset();
}

}  // namespace zt
