// Shared set-up of the end-member thermodynamics tests: a small working set of
// invented end-members and helpers for derivatives and fatal reports.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "dsfit/fitset.h"
#include "phasediagram/services.h"
#include "runtime/capacities.h"
#include "runtime/channels.h"
#include "runtime/records/tdrecord.h"
#include "runtime/runstate.h"
#include "runtime/types.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/dataset.h"
#include "thermo/einstein.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt::thermotest {

// Everything the Gibbs-energy routines read, back to a plain layout-6 dataset in mode 1.
inline void resetthermo() {
    resetrunstate();
    run.calcmode = 1;
    resetdatasetstate();
    ds.dsmode = 6;
    resetworkingset();
    ws.td.assign(maxems + 1, tdrecord{});
    for (auto& a : ws.emact) a = 1;
    settings = runsettings{};
    settings.autoexit = true;
    pd.fluidtype = 0;
    fit.fitreport = false;
    fit.expcrdflag = false;
    fit.iexp = 1;
    fit.nseriesfail = 0;
    fit.tda.clear();
    reseteinstein();
    resetchannels();
    channels.outchannels = 1;
}

// Appends a working end-member and returns its index.
inline int16_t addem(const std::string& name, const tdrecord& rec) {
    ws.nem = static_cast<int16_t>(ws.nem + 1);
    ws.emname[static_cast<size_t>(ws.nem)] = name;
    ws.td[static_cast<size_t>(ws.nem)] = rec;
    return ws.nem;
}

inline real gof(int16_t i, real P, real T) {
    real g;
    gemdriver(i, g, P, T);
    return g;
}

// Central differences in 80-bit arithmetic.
inline real ddp(const std::function<real(real)>& f, real x, real h) { return (f(x + h) - f(x - h)) / (2 * h); }
inline real d2dx2(const std::function<real(real)>& f, real x, real h) {
    return (f(x + h) - 2 * f(x) + f(x - h)) / (h * h);
}

// The console output of a call that must end the run, and its exit code.
struct fatalresult {
    int code;
    std::string console;
};
inline fatalresult fatalof(const std::function<void()>& f) {
    channels.outchannels = 1;
    settings.autoexit = true;
    zt::testing::consolecapture console;
    const int code = zt::testing::exitcodeof(f);
    return {code, console.output()};
}

inline std::string bombline(const std::string& routine, const std::string& message) {
    return "-- run bombed in " + routine + " : " + message + "\n";
}
inline const char* internalnotice() { return "===This shouldn't have happened...==="; }

// Invented end-members with plausible values.

// A garnet-like solid of the newer layouts (regularised K'').
inline tdrecord solidrec() {
    tdrecord r;
    r.H = -6281.3L;
    r.S = 0.2663L;
    r.V = 11.318L;
    r.cpa = 0.6331L;
    r.cpb = 0;
    r.cpc = -5201.7L;
    r.cpd = -4.3185L;
    r.a0 = 2.81e-5L;
    r.k0 = 1745;
    r.k0p = 4.12L;
    r.k0pp = -4.12L / 1745;
    r.theta = 538;
    return r;
}

// The solid with a Landau transition.
inline tdrecord landaurec() {
    tdrecord r = solidrec();
    r.tlandau = 847;
    r.smax = 0.00495L;
    r.vmax = 0.1188L;
    return r;
}

// The solid with Bragg-Williams ordering.
inline tdrecord bwrec() {
    tdrecord r = solidrec();
    r.bwdh = 6.2L;
    r.bwdhv = 0.018L;
    r.bww = 4.1L;
    r.bwwv = 0.011L;
    r.bwn = 2;
    r.bwfac = 0.75L;
    return r;
}

// A silicate liquid (name ending in L).
inline tdrecord liquidrec() {
    tdrecord r;
    r.H = -1464.2L;
    r.S = 0.1702L;
    r.V = 2.671L;
    r.cpa = 0.3112L;
    r.a0 = 4.9e-5L;
    r.k0 = 262;
    r.k0p = 5.4L;
    r.k0pp = -5.4L / 262;
    r.dkdt = -0.031L;
    r.code = 0;
    return r;
}

// An Einstein-layout solid (layout 7, code 3).
inline tdrecord einsteinrec() {
    tdrecord r;
    r.code = 3;
    r.H = -2301.7L;
    r.S = 0.0952L;
    r.V = 4.369L;
    r.cpa = 0.1741L;
    r.cpb = 2.2e-6L;
    r.a0 = 2.63e-5L;
    r.k0 = 1271;
    r.k0p = 4.27L;
    r.k0pp = -4.27L / 1271;
    r.theta = 612;
    return r;
}

// A fluid end-member: its volume and RT ln f come from the fluid equations.
inline tdrecord fluidrec(real H, real S, real cpa) {
    tdrecord r;
    r.H = H;
    r.S = S;
    r.cpa = cpa;
    r.cpb = 1.2e-5L;
    r.cpc = 312.4L;
    r.cpd = -1.07L;
    return r;
}

}  // namespace zt::thermotest
