#include "runtime/numberread.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/words.h"

namespace zt {

namespace {

bool isdigitbyte(char c) { return c >= '0' && c <= '9'; }

// Exponents past this magnitude give inf or 0 whatever the digits.
constexpr int32_t exponentclamp = 32767;

// Copies of the first and last non-blank positions as 0-based indices; false when none.
bool nonblankrange(const std::string& word, int& first, int& last) {
    int16_t f = 0, l = 0;
    findnonblank(word, f, l);
    if (f == 0) return false;
    first = f - 1;
    last = l - 1;
    return true;
}

enum class parsed { blank, bad, ok };

// The word cut to 22 characters and, when it parses, its value.
parsed parsenumber(const std::string& word, str22& w, real& value) {
    w = numtrunc22(word);
    int first = 0, last = 0;
    if (!nonblankrange(w, first, last)) return parsed::blank;
    digitrecord record;
    bool ok = false;
    texttodigits(w, record, ok);
    if (!ok) return parsed::bad;
    value = digitstoreal(record);
    return parsed::ok;
}

// Words of kind 1..3 for readreals, kind 1 for readints.
template <typename Value, typename Accept, typename Read>
bool readrun(const stringlist& words, int16_t last, int16_t first, int16_t& count, Value& values, Accept accept,
             Read read) {
    const int want = std::abs(static_cast<int>(count));
    if (count == 0 ? first >= last : first + want - 1 >= last) return false;
    const int limit = count > 0 ? first + count : maxlinevalues;
    const int stop = std::min({limit, static_cast<int>(last), maxlinevalues});
    int found = 0;
    for (int p = first + 1; p <= stop; ++p) {
        if (!accept(wordtype(words[p]))) break;
        ++found;
    }
    if (found == 0) return false;
    if (count > 0) {
        if (found < count) return false;
    } else {
        if (found < want) return false;
        count = static_cast<int16_t>(found);
    }
    for (int k = 1; k <= count; ++k) {
        if (!read(words[first + k], values[static_cast<size_t>(k)])) return false;
    }
    return true;
}

}  // namespace

int wordtype(const std::string& word) {
    int first = 0, last = 0;
    if (!nonblankrange(word, first, last)) return wkempty;
    if (first == last) return isdigitbyte(word[static_cast<size_t>(first)]) ? wkinteger : wkword;
    bool point = false, expo = false, exposign = false, slash = false, other = false;
    int pointat = -1, expoat = -1, slashat = -1;
    int i = first;
    if (word[static_cast<size_t>(i)] == '-') ++i;
    const int start = i;
    for (; i <= last; ++i) {
        const char c = word[static_cast<size_t>(i)];
        if (isdigitbyte(c)) continue;
        const bool firstpos = i == start;
        if (c == '.' && !firstpos && !point && !expo && !slash) {
            point = true;
            pointat = i;
        } else if ((c == 'e' || c == 'E') && !firstpos && pointat != i - 1 && !expo && !slash) {
            expo = true;
            expoat = i;
        } else if ((c == '-' || c == '+') && expo && expoat == i - 1) {
            exposign = true;
        } else if (c == '/' && !firstpos && !point && !expo && !slash) {
            slash = true;
            slashat = i;
        } else if (isblankbyte(c)) {
            break;
        } else {
            other = true;
            break;
        }
    }
    if (other) return wkword;
    if (point && pointat == last) return wkword;
    if (expo && (expoat == last || (exposign && expoat + 1 == last))) return wkword;
    if (slash && slashat == last) return wkword;
    if (slash) return wkrational;
    if (point || expo) return wkreal;
    return wkinteger;
}

bool isnumeric(int32_t kind) { return kind >= wkinteger && kind <= wkrational; }

void texttodigits(const std::string& word, digitrecord& record, bool& ok) {
    record = digitrecord{};
    ok = false;
    int first = 0, last = 0;
    if (!nonblankrange(word, first, last)) return;
    int i = first;
    if (word[static_cast<size_t>(i)] == '-') {
        record.negative = true;
        ++i;
        if (i > last) return;
    }
    bool point = false, inexponent = false, exponentnegative = false;
    int32_t decimals = 0, exponentvalue = 0;
    for (; i <= last; ++i) {
        const char c = word[static_cast<size_t>(i)];
        if (!inexponent) {
            if (isdigitbyte(c)) {
                if (record.digits.size() < static_cast<size_t>(maxwordlen)) {
                    record.digits.push_back(c);
                    if (point) ++decimals;
                } else if (!point) {
                    --decimals;  // a dropped integer digit still counts for the size
                }
            } else if (c == '.') {
                if (point) return;
                point = true;
            } else if (c == 'e' || c == 'E') {
                inexponent = true;
            } else {
                return;
            }
        } else {
            if (isdigitbyte(c)) {
                exponentvalue = std::min<int32_t>(exponentvalue * 10 + (c - '0'), exponentclamp);
            } else if (c == '-') {
                if (exponentnegative) return;
                exponentnegative = true;
            } else {
                return;
            }
        }
    }
    ok = true;
    size_t zeros = 0;
    while (zeros + 1 < record.digits.size() && record.digits[zeros] == '0') ++zeros;
    record.digits.erase(0, zeros);
    if (record.digits.empty() || record.digits == "0") {
        record.exponent = 0;
        return;
    }
    int32_t e = (exponentnegative ? -exponentvalue : exponentvalue) - decimals;
    e = std::max(-exponentclamp, std::min(exponentclamp, e));
    record.exponent = static_cast<int16_t>(e);
}

real digitstoreal(const digitrecord& record) {
    real value = 0;
    for (char c : record.digits) {
        if (isdigitbyte(c)) value = value * 10 + (c - '0');
    }
    if (record.negative) value = -value;
    return value * tenpower(record.exponent);
}

bool readreal(const std::string& word, real& x, std::string& errtext) {
    str22 w;
    real v = 0;
    x = 0;
    errtext.clear();
    const parsed p = parsenumber(word, w, v);
    if (p == parsed::blank) return false;
    // A value beyond the extended range is no number the program can use.
    if (p == parsed::ok && std::isfinite(v)) {
        x = v;
        return true;
    }
    errtext = w + " not a real: replace with";
    return false;
}

bool readfreereal(const std::string& word, real& x) {
    x = 0;
    const size_t n = word.size();
    size_t i = 0;
    digitrecord record;
    if (i < n && (word[i] == '+' || word[i] == '-')) record.negative = word[i++] == '-';
    bool point = false;
    int mantissadigits = 0;
    int32_t shift = 0;  // the value is digits * 10^(shift + exponent)
    for (; i < n; ++i) {
        const char c = word[i];
        if (isdigitbyte(c)) {
            ++mantissadigits;
            if (record.digits.empty() && c == '0') {
                if (point) --shift;
            } else if (record.digits.size() < static_cast<size_t>(maxwordlen)) {
                record.digits.push_back(c);
                if (point) --shift;
            } else if (!point) {
                ++shift;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (mantissadigits == 0) return false;
    int32_t exponent = 0;
    if (i < n) {
        if (word[i] != 'e' && word[i] != 'E') return false;
        bool negative = false;
        if (++i < n && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
        if (i >= n) return false;
        for (; i < n; ++i) {
            if (!isdigitbyte(word[i])) return false;
            exponent = std::min<int32_t>(exponent * 10 + (word[i] - '0'), exponentclamp);
        }
        if (negative) exponent = -exponent;
    }
    if (record.digits.empty()) {
        record.digits = "0";
    } else {
        record.exponent =
            static_cast<int16_t>(std::max(-exponentclamp, std::min(exponentclamp, shift + exponent)));
    }
    const real value = digitstoreal(record);
    if (!std::isfinite(value)) return false;
    x = value;
    return true;
}

bool readint(const std::string& word, int16_t& n, std::string& errtext) {
    str22 w;
    real parsedvalue = 0;
    n = 0;
    errtext.clear();
    const parsed p = parsenumber(word, w, parsedvalue);
    if (p == parsed::blank) return false;
    if (p == parsed::bad) {
        errtext = w + " not an integer: replace with";
        return false;
    }
    const double v = static_cast<double>(parsedvalue);
    if (!std::isfinite(v)) {
        errtext = w + " too large: replace with";
        return false;
    }
    const double whole = std::nearbyint(v);
    if (std::fabs(v - whole) > 1e-8) {
        errtext = w + " not an integer: replace with";
        return false;
    }
    if (std::fabs(v) >= 32767) {
        errtext = w + " too large: replace with";
        return false;
    }
    n = static_cast<int16_t>(whole);
    return true;
}

bool readrational(const std::string& word, int16_t& p, int16_t& q, std::string& errtext) {
    const str22 w = numtrunc22(word);
    p = 0;
    q = 1;
    errtext.clear();
    const size_t slash = w.find('/');
    if (slash == std::string::npos) {
        errtext = "lstring, not a rational";
        return false;
    }
    int16_t a = 0, b = 0;
    if (!readint(w.substr(0, slash), a, errtext)) return false;
    if (!readint(w.substr(slash + 1), b, errtext)) return false;
    if (a == 0 || b == 0) {
        errtext = "zero in rational";
        return false;
    }
    p = a;
    q = b;
    return true;
}

bool readreals(const stringlist& words, int16_t last, int16_t first, int16_t& count, linereals& values) {
    return readrun(
        words, last, first, count, values, [](int kind) { return isnumeric(kind); },
        [](const str22& w, real& v) {
            std::string err;
            if (wordtype(w) == wkrational) {
                int16_t p = 0, q = 1;
                if (!readrational(w, p, q, err)) return false;
                v = static_cast<real>(p) / q;
                return true;
            }
            return readreal(w, v, err);
        });
}

bool readints(const stringlist& words, int16_t last, int16_t first, int16_t& count, lineints& values) {
    return readrun(
        words, last, first, count, values, [](int kind) { return kind == wkinteger; },
        [](const str22& w, int16_t& v) {
            std::string err;
            return readint(w, v, err);
        });
}

int16_t getinteger(int32_t kind, const std::string& word, const std::string& context) {
    std::string err;
    int16_t n = 0;
    if (kind != wkinteger) bombout("getinteger", "expecting an integer (1); got: " + word + " - " + context, 0);
    if (!readint(word, n, err)) bombout("getinteger", "expecting an integer (2); got: " + word + " - " + context, 0);
    return n;
}

void getrational(int32_t kind, const std::string& word, int16_t& num, const std::string& context, int16_t& den) {
    std::string err;
    auto fail = [&](const char* which) {
        bombout("reading", std::string("expecting a rational ") + which + "; got: " + word + " - " + context, 0);
    };
    if (kind == wkinteger) {
        int16_t n = 0;
        if (!readint(word, n, err)) fail("(1)");
        num = n;
        den = 1;
    } else if (kind == wkreal) {
        real x = 0;
        if (!readreal(word, x, err)) fail("(2)");
        int32_t p = 0, q = 1;
        realtofraction(p, q, x);
        num = li2i(p);
        den = li2i(q);
    } else if (kind == wkrational) {
        if (!readrational(word, num, den, err)) fail("(3)");
    } else {
        fail("(4)");
    }
}

real getsingle(int32_t kind, const std::string& word, const std::string& context) {
    std::string err;
    if (kind == wkinteger || kind == wkreal) {
        real x = 0;
        if (!readreal(word, x, err))
            bombout("reading", "expecting a single (2); got: " + word + " - " + context, 0);
        return x;
    }
    if (kind == wkrational) {
        int16_t p = 0, q = 1;
        if (!readrational(word, p, q, err))
            bombout("reading", "expecting a single (3); got: " + word + " - " + context, 0);
        return static_cast<real>(p) / q;
    }
    bombout("reading", "expecting a single (1); got: " + word + " - " + context, 0);
}

int16_t li2i(int32_t v) {
    if (v < -32767 || v > 32767) bombout("li2i", "longint -> int conversion failed", 0);
    return static_cast<int16_t>(v);
}

void realtofraction(int32_t& p, int32_t& q, real x) {
    constexpr int maxterms = 20;
    constexpr real int32top = 2147483647.0L;
    p = 0;
    q = 1;
    if (!std::isfinite(x)) return;
    const real whole = std::nearbyint(x);
    if (std::fabs(x - whole) < 0.001L) {
        p = static_cast<int32_t>(std::fmax(-int32top, std::fmin(int32top, whole)));
        return;
    }
    // Continued fraction of |x|, at most 20 terms.
    int64_t terms[maxterms];
    int nterms = 0;
    real y = std::fabs(x);
    while (nterms < maxterms) {
        const real term = std::trunc(y);
        if (term > int32top) break;
        terms[nterms++] = static_cast<int64_t>(term);
        if (y - term < 0.001L) break;
        y = 1 / (y - term);
    }
    // The convergents, built from the front, equal the fraction evaluated from the last
    // term back; one that no longer fits 32 bits is dropped with the terms after it.
    int64_t h1 = 1, h2 = 0, k1 = 0, k2 = 1;
    for (int i = 0; i < nterms; ++i) {
        const int64_t h = terms[i] * h1 + h2;
        const int64_t k = terms[i] * k1 + k2;
        if (h > 2147483647LL || k > 2147483647LL) break;
        h2 = h1;
        h1 = h;
        k2 = k1;
        k1 = k;
    }
    if (k1 == 0) {  // too large for 32 bits: the nearest that fits
        p = x < 0 ? -2147483647 : 2147483647;
        q = 1;
        return;
    }
    p = static_cast<int32_t>(x < 0 ? -h1 : h1);
    q = static_cast<int32_t>(k1);
}

int16_t decimalsneeded(real x) {
    // An infinity or NaN never comes within reach of a whole number: the loop would not end.
    if (!std::isfinite(x) || std::fabs(x - std::nearbyint(x)) <= 1e-8L) return 1;
    const real f = std::fabs(x - std::trunc(x));
    int16_t k = 0;
    uint32_t v = 1;  // wraps around like a 32-bit integer, which ends the loop after 32 steps
    while (true) {
        ++k;
        v *= 10u;
        const real vf = static_cast<real>(static_cast<int32_t>(v)) * f;
        if (std::fabs(vf - std::nearbyint(vf)) <= 1e-4L) break;
    }
    return k;
}

}  // namespace zt
