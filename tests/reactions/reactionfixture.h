// A small working set for the reaction tests: end-members with invented properties and
// integer compositions over a few components.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "ax/phaserecords.h"
#include "reactions/mode3state.h"
#include "reactions/services.h"
#include "runtime/records/equilibriumstate.h"
#include "runtime/channels.h"
#include "runtime/runstate.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "tests/thermo/thermotest.h"
#include "thermo/workingset.h"

namespace zt::reactiontest {

inline size_t at(int i) { return static_cast<size_t>(i); }

// Resets everything the reaction routines read; calcmode as given.
inline void resetall(int32_t calcmode) {
    thermotest::resetthermo();
    run.calcmode = calcmode;
    ws.c.assign(maxcomps + 1, comprow{});
    ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
    for (auto& d : ws.compdiv) d = 1;
    resetreactions();
    reactions.r.assign(maxreactions + 1, reaction{});
    eq = equilibriumstate{};
    resetmode3();
    // no phase left by an earlier test (an ordered one would join the order solve)
    phases.nsolnphases = phases.npurephases = phases.nphases = 0;
    settings.autoexit = true;
    channels.outchannels = 0;
}

inline void setcomponents(std::initializer_list<const char*> names) {
    ws.ncomps = 0;
    for (const char* n : names) ws.compnames[at(++ws.ncomps)] = n;
    ws.nrcomps = ws.ncomps;
}

// Appends an end-member with its amounts of the components in order.
inline int16_t addem(const std::string& name, const tdrecord& rec, std::initializer_list<int> comp) {
    const int16_t j = thermotest::addem(name, rec);
    int i = 0;
    for (int a : comp) ws.c[at(++i)][at(j)] = static_cast<int16_t>(a);
    ws.nrems = ws.nem;
    return j;
}

// Sum over end-members of c[i][j] r[k][j] for every component: all zero when balanced.
inline bool balanced(int k) {
    for (int i = 1; i <= ws.ncomps; ++i) {
        long long s = 0;
        for (int j = 1; j <= ws.nem; ++j) s += static_cast<long long>(ws.c[at(i)][at(j)]) * reactions.r[at(k)][at(j)];
        if (s != 0) return false;
    }
    return true;
}

// A solid with volume V (J/bar), entropy S (kJ/K) and enthalpy H (kJ).
inline tdrecord solid(real H, real S, real V) {
    tdrecord r = thermotest::solidrec();
    r.H = H;
    r.S = S;
    r.V = V;
    return r;
}

}  // namespace zt::reactiontest
