// The thermodynamic properties of one end-member (31 extended fields, kJ, K, kbar).
#pragma once

#include "runtime/types.h"

namespace zt {

// What the Gibbs energy of a solid needs of its record that P and T do not change, with
// the fields (and dataset layout) it was computed from: a record changed after it was
// prepared no longer matches and is computed afresh.
struct tdprepared {
    bool valid = false;
    bool oldds = false;
    real V = 0, a0 = 0, k0 = 0, k0p = 0, k0pp = 0, theta = 0;
    real taita = 0, taitb = 0, taitc = 0;  // Tait parameters at K0
    real norm = 0;                         // (1 - a) + a (1 + b Pr)^-c
    real pthcoef = 0;                      // a0 K0 theta / xi(theta / Tr)
    real pthref = 0;                       // 1 / (exp(theta / Tr) - 1)
};

struct tdrecord {
    real H = 0, S = 0, V = 0;                  // 1-3
    real cpa = 0, cpb = 0, cpc = 0, cpd = 0;   // 4-7
    real a0 = 0, k0 = 0, k0p = 0, k0pp = 0;    // 8-11
    real theta = 0;                            // 12
    real dkdt = 0;                             // 13
    real tlandau = 0, smax = -1, vmax = -1;    // 14-16
    real aqfactor = 0;                         // 17
    real aqterm1 = 0, aqterm2 = 0;             // 18-19
    real bwdh = 0, bwdhv = 0, bww = 0, bwwv = 0, bwn = 0, bwfac = 1;  // 20-25
    real aqterm3 = 0;                          // 26
    real xco2 = 0, xh2o = 0;                   // 27-28
    real makephase = 0, makeentry = 0;         // 29-30
    real code = 0;                             // 31

    tdprepared prep;  // filled by preparetd, not a field

    // Field by its number 1..31.
    real& field(int i);
    real field(int i) const;
};

}  // namespace zt
