// Basic types shared by every subsystem.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

namespace zt {

// The numerics rely on the x86-64 80-bit extended format.
using real = long double;
static_assert(std::numeric_limits<long double>::digits == 64, "80-bit long double required");

// Texts are byte strings; a str22 holds at most 22 characters (callers cut with trunc22).
using str22 = std::string;

// Bits 0..30 are the elements 0..30.
using wordset = int32_t;

// Elements 1..90 in three 32-bit words (w[1], w[2], w[3]; w[0] unused).
struct set90 {
    std::array<uint32_t, 4> w{};
};

// Up to 400 words of a split line, numbered from 1; the count is kept separately.
struct stringlist {
    std::array<str22, 401> w;
    str22& operator[](int i) { return w[static_cast<size_t>(i)]; }
    const str22& operator[](int i) const { return w[static_cast<size_t>(i)]; }
};

// Decimal form of a number: value = digits * 10^exponent.
struct digitrecord {
    bool negative = false;
    int16_t exponent = 0;
    str22 digits;
};

// A run ends by throwing this; only main and the tests catch it.
struct RunEnded {
    int code;
};

}  // namespace zt
