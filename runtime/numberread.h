// Number reading and word kinds.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// Word kinds.
enum wordkind : int { wkempty = 0, wkinteger = 1, wkreal = 2, wkrational = 3, wkword = 4 };

// Values read from one line (1..40).
using linereals = std::array<real, maxlinevalues + 1>;
using lineints = std::array<int16_t, maxlinevalues + 1>;

int wordtype(const std::string& word);
bool isnumeric(int32_t kind);
void texttodigits(const std::string& word, digitrecord& record, bool& ok);
real digitstoreal(const digitrecord& record);
bool readreal(const std::string& word, real& x, std::string& errtext);
// A number of a free-format data file: the whole word must be an optional sign, digits
// with at most one decimal point, and an optional exponent (e or E, optional sign, digits).
// Any length; significant digits past 22 are dropped.
bool readfreereal(const std::string& word, real& x);
bool readint(const std::string& word, int16_t& n, std::string& errtext);
bool readrational(const std::string& word, int16_t& p, int16_t& q, std::string& errtext);
bool readreals(const stringlist& words, int16_t last, int16_t first, int16_t& count, linereals& values);
bool readints(const stringlist& words, int16_t last, int16_t first, int16_t& count, lineints& values);
int16_t getinteger(int32_t kind, const std::string& word, const std::string& context);
void getrational(int32_t kind, const std::string& word, int16_t& num, const std::string& context, int16_t& den);
real getsingle(int32_t kind, const std::string& word, const std::string& context);
int16_t li2i(int32_t v);
void realtofraction(int32_t& p, int32_t& q, real x);
int16_t decimalsneeded(real x);

}  // namespace zt
