// Shared set-up of the phase-diagram tests: a captured console, fresh settings, phase
// records built in code and a small component system.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/heap.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/workingset.h"

namespace zt::pdtest {

inline size_t at(int i) { return static_cast<size_t>(i); }

inline void resetpdworld() {
    resetchannels();
    channels.outchannels = 1;  // console only
    static_cast<scriptsettings&>(settings) = scriptsettings{};
    settings.autoexit = true;
    settings.nlna = settings.nmu = 0;
    if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
    if (phases.prec0.size() != static_cast<size_t>(maxems + 1)) phases.prec0.assign(maxems + 1, emphaserec{});
    for (int k = 1; k <= 12; ++k) {
        resetaxphase(phases.prec1[at(k)]);
        resetemphaserec(phases.prec0[at(k)]);
    }
    phases.nsolnphases = phases.npurephases = phases.nphases = 0;
    resetworkingset();
    resetphasediagram();
    if (oxides.oxideformula[1].empty()) filloxidetable();
}

// One test's world: the console replaced by strings; answers are what it will be given.
struct pdworld {
    testing::consolecapture console;
    explicit pdworld(const std::string& answers = "") : console(answers) { resetpdworld(); }
    std::string out() const { return console.output(); }
    bool has(const std::string& text) const { return out().find(text) != std::string::npos; }
    // Runs f; the exit code of the run it ends, or -1.
    static int run(const std::function<void()>& f) { return testing::exitcodeof(f); }
};

// c0 + sum of coefs[v] x_v, as one term of one factor.
inline axexpr linear(int16_t c0, std::initializer_list<std::pair<int16_t, int16_t>> items) {
    axexpr e;
    e.nterms = 1;
    axterm& t = e.term[1];
    t.coef = 1;
    t.nfactors = 1;
    axfactor& f = t.factor[1];
    f.c0num = c0;
    f.c0den = 1;
    for (const auto& [var, num] : items) {
        ++f.nitems;
        f.num[at(f.nitems)] = num;
        f.den[at(f.nitems)] = 1;
        f.itemvar[at(f.nitems)] = var;
    }
    return e;
}

// Components by name, each with its atoms per formula unit and divisor 1.
inline void setcomponents(std::initializer_list<std::pair<const char*, int16_t>> comps) {
    ws.ncomps = 0;
    for (const auto& [name, atoms] : comps) {
        ++ws.ncomps;
        ws.compnames[at(ws.ncomps)] = name;
        ws.compatoms[at(ws.ncomps)] = atoms;
        ws.compdiv[at(ws.ncomps)] = 1;
        pd.inbulk[at(ws.ncomps)] = true;
    }
    ws.nrcomps = ws.ncomps;
    pd.nbulkcomps = ws.ncomps;
}

// A binary solution phase: end-member 1 is 1 - x, end-member 2 is x.
inline axphase& addbinary(const std::string& shortname, const std::string& emname1, std::vector<int16_t> comp1,
                          const std::string& emname2, std::vector<int16_t> comp2) {
    const int k = ++phases.nsolnphases;
    ++phases.nphases;
    axphase& ph = phases.prec1[at(k)];
    ph.shortname = ph.longname = shortname;
    ph.nem = 2;
    ph.em[1].name = emname1;
    ph.em[2].name = emname2;
    for (size_t c = 0; c < comp1.size(); ++c) ph.em[1].comp[c + 1] = comp1[c];
    for (size_t c = 0; c < comp2.size(); ++c) ph.em[2].comp[c + 1] = comp2[c];
    ph.p[1] = linear(1, {{1, -1}});
    ph.p[2] = linear(0, {{1, 1}});
    ph.nvars = 1;
    ph.vars[1].name = "x(" + shortname + ")";
    ph.vars[1].writtenname = ph.vars[1].name;
    ph.vars[1].value = 0.5;
    ph.nsf = 2;
    ph.sf[1] = ph.p[1];
    ph.sf[2] = ph.p[2];
    return ph;
}

// A pure phase, appended after the solution phases (add those first).
inline emphaserec& addpure(const std::string& name, std::vector<int16_t> comp, const std::string& emname = "") {
    const int i = ++phases.npurephases;
    ++phases.nphases;
    emphaserec& ph = phases.prec0[at(i)];
    ph.name = name;
    ph.emname = emname.empty() ? name : emname;
    for (size_t c = 0; c < comp.size(); ++c) ph.comp[c + 1] = comp[c];
    return ph;
}

}  // namespace zt::pdtest
