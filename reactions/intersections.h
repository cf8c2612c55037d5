// Invariant points of a Schreinemakers analysis: where the tabulated lines of the
// reactions of one candidate group change order, located from straight segments and
// refined against the reactions themselves.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

void intersections();

// Crossing of the two segments loaded by setupptx.
void linecross(real& X, real& Y, bool& ok);
// Loads line a of reaction r1 and line b of r2 between list positions j - 1 and j.
void setupptx(int16_t r1, int16_t r2, int16_t a, int16_t b, int16_t j);
void setlim(real& tolrun, real& tolcalc);

// What intersections hands to the printing of one point.
struct intersectionpoint {
    int16_t g = 0;
    real A = 0, B = 0;
    int16_t r1 = 0, r2 = 0;   // the reactions of the refinement
    bool converged = false, stable = false;
};

// The headings, one point, and the uncertainty of a P-T point.
void intersectionheadings();
void printintersection(const intersectionpoint& point);
void printcoordinates(const intersectionpoint& point);
void intersectionptx(int16_t r1, int16_t r2, real A, real B, real& sdP, real& sdT, real& cor);
std::string stripdigits(const std::string& text);

}  // namespace zt
