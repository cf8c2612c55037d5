// Checkers of the values of a script line (the value arrays of script/scriptline.h).
// The value checkers count a bad value as a script problem, or end the run under
// strictscripting; the P and T checkers store accepted values themselves (T in kelvin)
// and only count.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

bool isnumberkind(int32_t kind);
bool getonereal(const str22& kw, real low, real high);
bool getoneinteger(const str22& kw, int16_t low, int16_t high);
// n: values needed, 0 for one or more (then set to ninfo on success).
bool getreals(const str22& kw, int16_t& n);
bool getintegers(const str22& kw, int16_t& n);
// For a handler that tests the kinds itself: whether integer word i was taken as an
// integer; one too large to take gets the report of getintegers.
bool checkvalueint(const str22& kw, int i);
bool getonestring(const str22& kw);
bool getstrings(const str22& kw, int16_t& n);

// 0 accepted, 1 rejected (or corrected); k is the position of the (first) value.
int32_t checkonep(const str22& kw, real& p, real lowlimit, real highlimit, int16_t k);
int32_t checkprange(const str22& kw, real& plow, real& phigh, real lowlimit, real highlimit, int16_t k);
int32_t checkonet(const str22& kw, real& t, real lowlimit, real highlimit, int16_t k);
int32_t checktrange(const str22& kw, real& tlow, real& thigh, real lowlimit, real highlimit, int16_t k);

// A P (kbar) or T (degrees C) of a line where no default can stand in for it: empty
// within the program's bounds, else what is wrong, naming the value as written.
std::string poutofbounds(real p, const std::string& written);
std::string toutofbounds(real tcelsius, const std::string& written);

// The overall window becomes the calculation range of P and of T where none was given.
void setcalcptfromwindow();

}  // namespace zt
