#include "numeric/methods/integers.h"

#include <cstdlib>

#include "runtime/numberread.h"
#include "runtime/reporter.h"

namespace zt {

namespace {

int32_t fit32(int64_t x, const char* routine) {
    if (x < INT32_MIN || x > INT32_MAX) bombout(routine, "integer overflow (beyond 32 bits)", 0);
    return static_cast<int32_t>(x);
}

int16_t fit16(int64_t x, const char* routine) {
    if (x < INT16_MIN || x > INT16_MAX) bombout(routine, "integer overflow (beyond 16 bits)", 0);
    return static_cast<int16_t>(x);
}

void checklistlength(int16_t n, const char* routine) {
    if (n > maxems) bombout(routine, "more than 400 values in a list", 1);
}

}  // namespace

int32_t gcd(int32_t a, int32_t b) {
    int64_t x = std::llabs(a), y = std::llabs(b);
    while (y != 0) {
        int64_t t = x % y;
        x = y;
        y = t;
    }
    // gcd(-2^31, 0) is 2^31, one past the 32-bit range
    return fit32(x, "gcd");
}

int32_t gcdofrange(const int32_t* x, int count) {
    if (count < 1 || count > maxems) return 0;
    if (count == 1) return x[0];
    if (count == 2) return gcd(x[0], x[1]);
    int32_t g = gcd(x[count - 1], 0);
    for (int i = count - 2; i >= 0 && g != 1; --i) g = gcd(x[i], g);
    return g;
}

int32_t gcdlist(const intlist& values, int16_t n) {
    if (n < 1 || n > maxems) return 0;
    return gcdofrange(&values[1], n);
}

int32_t lcm(int32_t a, int32_t b) {
    if (a == 0 || b == 0) return 0;
    if (a == b) return b;
    int64_t g = gcd(a, b);
    return fit32(std::llabs((static_cast<int64_t>(b) / g) * a), "lcm");
}

int16_t lcmlist(const intlist& values, int16_t n) {
    if (n < 1) return 0;
    checklistlength(n, "lcmlist");
    int16_t running = fit16(values[1], "lcmlist");
    for (int i = 2; i <= n; ++i) running = fit16(lcm(running, values[i]), "lcmlist");
    return running;
}

void realstoints(realintlist& v, int16_t n, int32_t& k) {
    checklistlength(n, "realstoints");
    intlist p{}, q{};
    for (int i = 1; i <= n; ++i) realtofraction(p[i], q[i], v[i]);
    k = lcmlist(q, n);
    for (int i = 1; i <= n; ++i) v[i] = static_cast<real>((static_cast<int64_t>(k) / q[i]) * p[i]);
}

}  // namespace zt
