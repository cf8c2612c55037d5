// What the lower subsystems use of the dataset refinement (mode 9).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// The refinement's preferences, read from "ds-prefs.txt". Switches: 0 yes, 1 no, 2 ask.
struct fitsetprefsrecord {
    str22 ztdssuffix;
    str22 xpsuffix;
    str22 emsuffix;
    str22 axsuffix;
    int16_t infolevel = 1;
    int32_t moreinputlines = 0;
    int32_t printomit = 0;
    int32_t mark456 = 1;
    int32_t userfac = 0;
    int32_t tighten = 1;
    int32_t useqr = 0;
};

constexpr int maxfitrows = 1200;  // least-squares rows

// The refinement's end-member record, read by the Gibbs-energy routines in mode 9.
struct fitemrecord {
    int16_t code = 0;
    real H = 0, S = 0, V = 0;
    real cpa = 0, cpb = 0, cpc = 0, cpd = 0;
    real a0 = 0, k0 = 0, k0p = 0, k0pp = 0, theta = 0, dkdt = 0;
    real tlandau = 0, smax = 0, vmax = 0;
    real bwdh = 0, bwdhv = 0, bww = 0, bwwv = 0, bwfac = 0;
    int16_t bwn = 0;
    real xco2 = 0;
};

struct fitsetstate {
    fitsetprefsrecord fitsetprefs;
    std::vector<fitemrecord> tda;                  // heap array "tda": 1..320
    // Least-squares work arrays, indexed from 1: rows 1..1200, end-members 1..320.
    std::vector<real> y, yy, theta, hat;           // 1..1200
    std::vector<real> xx;                          // [row][em], see fitat
    std::vector<int16_t> x;                        // [row][em]
    std::vector<uint8_t> b;                        // [row][em]: 1 when the end-member takes part
    int16_t iexp = 1;
    bool fitreport = false;
    bool expcrdflag = false;
    real nseriesfail = 0;
};
extern fitsetstate fit;

// Position of [row][em] in xx, x and b.
inline size_t fitat(int row, int em) { return static_cast<size_t>(row) * (maxdsentries + 1) + static_cast<size_t>(em); }

void allocatefitset();
void readdsprefs();
void dofitset();
void endfitset();

}  // namespace zt
