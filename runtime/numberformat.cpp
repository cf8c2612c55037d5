#include "runtime/numberformat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

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
    return str22(buf + i, buf + 23);
}

// 10^m for 0 <= m < 2^16. Up to 10^63 the product of the exact small powers keeps the
// printed digits stable; the larger factors extend it over the whole 16-bit range (inf
// or 0 beyond).
real powerbybits(int32_t m) {
    static const real factors[16] = {1e1L,   1e2L,   1e4L,    1e8L,    1e16L,   1e32L,
                                     1e64L,  1e128L, 1e256L,  1e512L,  1e1024L, 1e2048L,
                                     1e4096L, std::numeric_limits<real>::infinity(),
                                     std::numeric_limits<real>::infinity(),
                                     std::numeric_limits<real>::infinity()};
    real p = 1;
    for (int i = 0; i < 16; ++i) {
        if ((m >> i & 1) != 0) p *= factors[i];
    }
    return p;
}

// The powers every printed number needs, made once by the same products.
constexpr int tabledpowers = 64;
struct powertable {
    std::array<real, tabledpowers + 1> up{}, down{};
    powertable() {
        for (int m = 0; m <= tabledpowers; ++m) {
            up[static_cast<size_t>(m)] = powerbybits(m);
            down[static_cast<size_t>(m)] = 1 / up[static_cast<size_t>(m)];
        }
    }
};

}  // namespace

real tenpower(int16_t n) {
    static const powertable table;
    const int32_t m = n < 0 ? -static_cast<int32_t>(n) : n;
    if (m <= tabledpowers) return n < 0 ? table.down[static_cast<size_t>(m)] : table.up[static_cast<size_t>(m)];
    const real p = powerbybits(m);
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
            // h + a scale is never negative: its whole part is 0 exactly when it is below 1
            for (k = 1; k <= 23; ++k) {
                scale *= 10;
                if (h + a * scale >= 1) break;
            }
            if (k > 23) k = 23;
            r.exponent = static_cast<int16_t>(1 - k - n);
        } else {
            for (k = 1; k <= 23; ++k) {
                scale /= 10;
                if (h + a * scale < 1) break;
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
    // llrint rounds as nearbyint does (ties to even in the default mode) without saving
    // and restoring the floating-point environment, which costs more than the rest here
    r.digits = wholedigits(std::llrint(s));
    if (r.digits.size() > static_cast<size_t>(maxwordlen)) r.digits.resize(maxwordlen);
    return r;
}

std::string digitstotext(bool fixed, int16_t n, const digitrecord& record) {
    const str22& d = record.digits;
    if (d.size() >= static_cast<size_t>(maxwordlen)) return "?";
    // Written left to right: sign, whole digits (0 when there are none), point, fraction;
    // or sign, first digit, point, the others, exponent.
    std::string t;
    if (record.negative) t.push_back('-');
    if (fixed) {
        const size_t frac = n > 0 ? static_cast<size_t>(n) : 0;
        if (frac == 0) {
            t.append(d);
        } else if (d.size() <= frac) {
            t.append("0.");
            t.append(frac - d.size(), '0');
            t.append(d);
        } else {
            t.append(d, 0, d.size() - frac);
            t.push_back('.');
            t.append(d, d.size() - frac, frac);
        }
    } else {
        const int e = record.exponent + n - 1;
        t.push_back(d[0]);
        t.push_back('.');
        t.append(d, 1, std::string::npos);
        t.append(e > 0 ? "e+" : "e-");
        t.append(wholedigits(e < 0 ? -static_cast<long long>(e) : e));
    }
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
    // rint rounds as nearbyint does (ties to even) without the cost of saving the
    // floating-point environment
    real scaled = std::rint(std::fabs(x) * tenpower(static_cast<int16_t>(d)));
    // Digits from the scaled whole number, least significant first, at least d + 1 of
    // them so that a fraction gets its leading zero.
    std::string digits;
    if (scaled < 1.8e19L) {
        char buf[24];
        char* end = buf + sizeof buf;
        char* p = end;
        unsigned long long v = static_cast<unsigned long long>(scaled);
        do {
            *--p = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v > 0);
        digits.assign(p, end);
    } else {
        while (scaled >= 1) {
            const real q = std::floor(scaled / 10);
            const int digit = static_cast<int>(scaled - q * 10);
            digits.push_back(static_cast<char>('0' + (digit < 0 ? 0 : digit > 9 ? 9 : digit)));
            scaled = q;
        }
        std::reverse(digits.begin(), digits.end());
    }
    const size_t n = static_cast<size_t>(d);
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string text;
    text.reserve(digits.size() + n + 3);
    if (x < 0 && !zero) text.push_back('-');
    if (digits.size() <= n) text.append(n + 1 - digits.size(), '0');
    text.append(digits);
    if (n > 0) text.insert(text.size() - n, 1, '.');
    return text;
}

std::string decimalstostr(int16_t decimals, real x) {
    const real a = std::fabs(x);
    if (!std::isfinite(x) || a < 1e-12L || a * tenpower(decimals) < 2147483646.0L) return realtostr(decimals, true, x);
    std::string text = fixedtostr(decimals, x);
    const size_t point = text.find('.');
    const size_t whole = (point == std::string::npos ? text.size() : point) - (text[0] == '-' ? 1 : 0);
    return whole <= 5 ? text : realtostr(decimals, true, x);
}

namespace {

// A whole number as base-1e9 limbs, least significant first.
using limbs = std::vector<uint32_t>;

void multiplylimbs(limbs& n, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : n) {
        const uint64_t v = static_cast<uint64_t>(limb) * factor + carry;
        limb = static_cast<uint32_t>(v % 1000000000u);
        carry = v / 1000000000u;
    }
    while (carry > 0) {
        n.push_back(static_cast<uint32_t>(carry % 1000000000u));
        carry /= 1000000000u;
    }
}

std::string limbdigits(const limbs& n) {
    std::string text;
    for (size_t i = n.size(); i-- > 0;) {
        std::string part;
        uint32_t v = n[i];
        for (int k = 0; k < 9; ++k, v /= 10) part.push_back(static_cast<char>('0' + v % 10));
        std::reverse(part.begin(), part.end());
        text += part;
    }
    const size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
}

}  // namespace

std::string exponenttostr(int16_t decimals, real x) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    const size_t n = static_cast<size_t>(std::max<int16_t>(decimals, 0)) + 1;  // digits kept
    // |x| = m 2^q exactly, m a whole number of 64 bits.
    int binexp = 0;
    const real fraction = std::frexp(std::fabs(x), &binexp);
    const uint64_t m = static_cast<uint64_t>(std::ldexp(fraction, 64));
    int q = binexp - 64;
    limbs value{static_cast<uint32_t>(m % 1000000000u), static_cast<uint32_t>(m / 1000000000u % 1000000000u),
                static_cast<uint32_t>(m / 1000000000000000000u)};
    // m 2^q = m 5^-q 10^q for negative q.
    int32_t power = 0;
    if (q >= 0) {
        for (; q > 0; q -= std::min(q, 29)) multiplylimbs(value, 1u << std::min(q, 29));
    } else {
        power = q;
        for (q = -q; q > 0; q -= std::min(q, 12)) {
            uint32_t f = 1;
            for (int k = std::min(q, 12); k > 0; --k) f *= 5;
            multiplylimbs(value, f);
        }
    }
    std::string digits = limbdigits(value);
    int32_t exponent = 0;
    if (digits != "0") {
        exponent = power + static_cast<int32_t>(digits.size()) - 1;
        if (digits.size() > n) {
            const std::string rest = digits.substr(n);
            digits.resize(n);
            const size_t more = rest.find_first_not_of('0', 1);
            const bool up = rest[0] > '5' || (rest[0] == '5' && (more != std::string::npos || (digits.back() - '0') % 2 == 1));
            if (up) {
                size_t i = n;
                while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
                if (i == 0) {
                    digits.insert(digits.begin(), '1');
                    digits.pop_back();
                    ++exponent;
                } else {
                    ++digits[i - 1];
                }
            }
        }
    }
    digits.append(n - std::min(n, digits.size()), '0');
    std::string text;
    if (x < 0) text.push_back('-');
    text.push_back(digits[0]);
    if (n > 1) text += "." + digits.substr(1);
    text += exponent > 0 ? "e+" : "e-";
    const long long shown = exponent < 0 ? -static_cast<long long>(exponent) : exponent;
    text += wholedigits(shown);
    return text;
}

}  // namespace zt
