#include "runtime/numberformat.h"

#include <cmath>
#include <limits>

#include "runtime/capacities.h"

namespace zt {

namespace {

const str22 blankdigits(20, ' ');

// Decimal digits of a whole number 0 <= v < 2^31, without leading zeros.
str22 wholedigits(long long v) {
    char buf[24];
    int i = 23;
    buf[i] = '\0';
    do {
        buf[--i] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    return str22(buf + i);
}

}  // namespace

real tenpower(int16_t n) {
    // Up to 10^63 the product of the exact small powers keeps the printed digits stable;
    // the larger factors extend it over the whole 16-bit range (inf or 0 beyond).
    static const real factors[16] = {1e1L,   1e2L,   1e4L,    1e8L,    1e16L,   1e32L,
                                     1e64L,  1e128L, 1e256L,  1e512L,  1e1024L, 1e2048L,
                                     1e4096L, std::numeric_limits<real>::infinity(),
                                     std::numeric_limits<real>::infinity(),
                                     std::numeric_limits<real>::infinity()};
    const int32_t m = n < 0 ? -static_cast<int32_t>(n) : n;
    real p = 1;
    for (int i = 0; i < 16; ++i) {
        if ((m >> i & 1) != 0) p *= factors[i];
    }
    return n < 0 ? 1 / p : p;
}

digitrecord realtodigits(bool fixed, int16_t n, real x) {
    digitrecord r;
    real a = std::fabs(x);
    r.exponent = 0;
    if (a < 1e-12L) {
        r.negative = false;
        r.digits = "0";
        return r;
    }
    r.negative = x < 0;
    if (!(a <= 1e20L)) {  // NaN lands here too
        r.digits = blankdigits;
        return r;
    }
    real s = 0;
    if (fixed) {
        r.exponent = static_cast<int16_t>(-n);
        s = a * tenpower(n);
    } else {
        const real h = 0.55L * tenpower(static_cast<int16_t>(-n));
        real scale = 1;
        int k = 1;
        if (a < 1 - h) {
            for (k = 1; k <= 23; ++k) {
                scale *= 10;
                if (std::trunc(h + a * scale) != 0) break;
            }
            if (k > 23) k = 23;
            r.exponent = static_cast<int16_t>(1 - k - n);
        } else {
            for (k = 1; k <= 23; ++k) {
                scale /= 10;
                if (std::trunc(h + a * scale) == 0) break;
            }
            if (k > 23) k = 23;
            r.exponent = static_cast<int16_t>(k - n);
        }
        s = a * tenpower(static_cast<int16_t>(-r.exponent));
    }
    if (!(s < 2147483646.0L)) {
        r.digits = blankdigits;
        return r;
    }
    r.digits = wholedigits(static_cast<long long>(std::nearbyint(s)));
    if (r.digits.size() > static_cast<size_t>(maxwordlen)) r.digits.resize(maxwordlen);
    return r;
}

std::string digitstotext(bool fixed, int16_t n, const digitrecord& record) {
    if (record.digits.size() >= static_cast<size_t>(maxwordlen)) return "?";
    std::string t = record.digits;
    if (fixed) {
        if (n > 0 && t.size() < static_cast<size_t>(n)) t.insert(0, static_cast<size_t>(n) - t.size(), '0');
        if (n > 0) t.insert(t.size() - static_cast<size_t>(n), 1, '.');
        if (!t.empty() && t[0] == '.') t.insert(0, 1, '0');
    } else {
        const int e = record.exponent + n - 1;
        t += e > 0 ? "e+" : "e-";
        t += wholedigits(e < 0 ? -static_cast<long long>(e) : e);
        t.insert(1, 1, '.');
    }
    if (record.negative) t.insert(0, 1, '-');
    if (t.size() > static_cast<size_t>(maxwordlen)) t.resize(maxwordlen);
    return t;
}

std::string realtostr(int16_t digits, bool fixed, real x) {
    if (std::fabs(x) < 1e-12L) return "0";
    digitrecord record = realtodigits(fixed, digits, x);
    bool usefixed = fixed;
    int16_t n = digits;
    if (usefixed && record.digits.size() > static_cast<size_t>(digits) + 5) {
        usefixed = false;
        record = realtodigits(false, digits, x);
    }
    if (!usefixed && -record.exponent < digits + 4 && record.exponent < 2) {
        usefixed = true;
        n = static_cast<int16_t>(record.exponent < 0 ? -record.exponent : 0);
        record = realtodigits(true, n, x);
    }
    std::string text = digitstotext(usefixed, n, record);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    return text;
}

std::string wholetostr(real x) {
    const digitrecord record = realtodigits(true, 0, x);
    std::string text = digitstotext(true, 0, record);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    return text;
}

std::string fixedtostr(int16_t decimals, real x) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    const int d = decimals < 0 ? 0 : (decimals > 18 ? 18 : decimals);
    real scaled = std::nearbyint(std::fabs(x) * tenpower(static_cast<int16_t>(d)));
    // Digits from the scaled whole number, least significant first.
    std::string digits;
    if (scaled < 1.8e19L) {
        unsigned long long v = static_cast<unsigned long long>(scaled);
        do {
            digits.insert(digits.begin(), static_cast<char>('0' + v % 10));
            v /= 10;
        } while (v > 0);
    } else {
        while (scaled >= 1) {
            const real q = std::floor(scaled / 10);
            const int digit = static_cast<int>(scaled - q * 10);
            digits.insert(digits.begin(), static_cast<char>('0' + (digit < 0 ? 0 : digit > 9 ? 9 : digit)));
            scaled = q;
        }
    }
    if (digits.size() <= static_cast<size_t>(d)) digits.insert(0, static_cast<size_t>(d) + 1 - digits.size(), '0');
    if (d > 0) digits.insert(digits.size() - static_cast<size_t>(d), 1, '.');
    const bool zero = digits.find_first_not_of("0.") == std::string::npos;
    if (x < 0 && !zero) digits.insert(0, 1, '-');
    return digits;
}

}  // namespace zt
