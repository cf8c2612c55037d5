// What the lower subsystems use of the dataset refinement (mode 9).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

struct fitsetprefsrecord {
    str22 ztdssuffix;
    str22 axsuffix;
};

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
    std::vector<fitemrecord> tda;                  // 1..320
    std::array<str22, maxdsentries + 1> dsnames;   // names of the tda entries
    int16_t iexp = 1;
    bool fitreport = false;
    bool expcrdflag = false;
    real nseriesfail = 0;
};
extern fitsetstate fit;

void allocatefitset();
void dofitset();
void endfitset();

}  // namespace zt
