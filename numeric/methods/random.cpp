#include "numeric/methods/random.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "runtime/clock.h"
#include "runtime/reporter.h"

namespace zt {

randomstate randomseeds;

namespace {

sortlist mediancopy;  // findmedian sorts here, leaving the caller's list as it was

void checksortlength(int16_t n, const char* routine) {
    if (n > maxsortlist) bombout(routine, "more than 5000 values in a list", 1);
}

}  // namespace

namespace {

// For tests only: ZELTRAM_TEST_SEEDS="s1 s2 s3" fixes the seeds, so that a run of the
// program that draws random numbers (Monte Carlo) can be compared with a recorded one.
// Users never set it; a value that is not three positive whole numbers is ignored.
bool testseeds() {
    const char* text = std::getenv("ZELTRAM_TEST_SEEDS");
    if (text == nullptr) return false;
    std::istringstream in(text);
    long s[3] = {0, 0, 0};
    for (long& v : s) {
        if (!(in >> v) || v < 1 || v > 30000) return false;
    }
    std::string rest;
    if (in >> rest) return false;
    randomseeds = {static_cast<int32_t>(s[0]), static_cast<int32_t>(s[1]), static_cast<int32_t>(s[2])};
    return true;
}

}  // namespace

void setseeds() {
    if (testseeds()) return;
    const clockreading now = clocknow();
    randomseeds.s1 = now.hour + 1;
    randomseeds.s2 = now.second + 1;
    randomseeds.s3 = now.millisecond + 1;
}

real randomwh() {
    randomseeds.s1 = static_cast<int32_t>(171LL * randomseeds.s1 % 30269);
    randomseeds.s2 = static_cast<int32_t>(172LL * randomseeds.s2 % 30307);
    randomseeds.s3 = static_cast<int32_t>(170LL * randomseeds.s3 % 30323);
    const real r = static_cast<real>(randomseeds.s1) / 30269 + static_cast<real>(randomseeds.s2) / 30307 +
                   static_cast<real>(randomseeds.s3) / 30323;
    return r - std::trunc(r);
}

void shellsort(sortlist& list, int16_t n) {
    if (n < 2) return;
    checksortlength(n, "shellsort");
    for (int gap = n / 2; gap >= 1; gap /= 2) {
        for (int i = 1; i <= n - gap; ++i) {
            for (int j = i; j > 0; j -= gap) {
                if (!(list[j + gap] < list[j])) break;
                std::swap(list[j], list[j + gap]);
            }
        }
    }
}

real findmedian(const sortlist& list, int16_t n) {
    checksortlength(n, "findmedian");
    if (n < 1) bombout("findmedian", "zero length list", 0);
    for (int i = 1; i <= n; ++i) mediancopy[i] = list[i];
    shellsort(mediancopy, n);
    if (n % 2 == 1) return mediancopy[n / 2 + 1];
    return (mediancopy[n / 2] + mediancopy[n / 2 + 1]) / 2;
}

real tentopower(int16_t n) {
    static constexpr real powers[21] = {1e-10L, 1e-9L, 1e-8L, 1e-7L, 1e-6L, 1e-5L, 1e-4L, 1e-3L, 1e-2L, 1e-1L, 1.0L,
                                        1e1L,   1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L};
    if (n < -10 || n > 10) bombout("tentopower", "stuffed", 0);
    return powers[n + 10];
}

real rationalpower(int16_t n, int16_t m, real x) {
    if (n == 1 && m == 2) return std::sqrt(x);
    if (m == 1) {
        if (n < 0 || n > 8) return std::exp(n * std::log(x));
        if (n == 0) return 1;
        if (n == 1) return x;
        const real x2 = x * x;
        switch (n) {
            case 2: return x2;
            case 3: return x2 * x;
            case 4: return x2 * x2;
            case 5: return (x2 * x2) * x;
            case 6: return (x2 * x2) * x2;
            case 7: return (x2 * x) * (x2 * x2);
            default: {
                const real x4 = x2 * x2;
                return x4 * x4;
            }
        }
    }
    return std::exp((static_cast<real>(n) / m) * std::log(x));
}

}  // namespace zt
