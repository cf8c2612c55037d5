#include "thermo/phasecomps.h"

#include <cstdint>
#include <string>

#include "ax/phaserecords.h"
#include "numeric/integers.h"
#include "phasediagram/services.h"
#include "runtime/heap.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/dataset.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

int16_t workingcolumn(const str22& name) {
    for (int16_t i = 1; i <= ws.nem; ++i) {
        if (ws.emname[at(i)] == name) return i;
    }
    return 0;
}

int16_t checked16(int64_t v, const std::string& emname, int r) {
    if (v < INT16_MIN || v > INT16_MAX) {
        bombout("make emc", "amount of " + ws.compnames[at(r)] + " in " + emname + " does not fit in 16 bits", 0);
    }
    return static_cast<int16_t>(v);
}

// comp of one phase end-member from the working columns; returns its divisor.
int16_t composition(std::array<int16_t, maxcomps + 1>& comp, const str22& name, int16_t nmake,
                    const std::array<str22, maxmake + 1>& makeemname, const std::array<int16_t, maxmake + 1>& makecoef,
                    int16_t makedivisor, const char* plainmissing, const char* mademissing) {
    comp.fill(0);
    if (nmake <= 0) {
        const int16_t col = workingcolumn(name);
        if (col == 0) bombout("make emc", name + plainmissing, 0);
        for (int r = 1; r <= ws.ncomps; ++r) comp[at(r)] = ws.c[at(r)][at(col)];
        return 1;
    }
    std::array<int16_t, maxmake + 1> cols{};
    for (int k = 1; k <= nmake; ++k) {
        cols[at(k)] = workingcolumn(makeemname[at(k)]);
        if (cols[at(k)] == 0) bombout("make emc", makeemname[at(k)] + mademissing, 0);
    }
    for (int r = 1; r <= ws.ncomps; ++r) {
        int64_t sum = 0;
        for (int k = 1; k <= nmake; ++k) {
            if (makecoef[at(k)] == 0) continue;
            sum += int64_t{ws.c[at(r)][at(cols[at(k)])]} * makecoef[at(k)];
        }
        comp[at(r)] = checked16(sum, name, r);
    }
    return makedivisor;
}

// One phase end-member seen by the rebuild: its composition and divisor.
struct emref {
    std::array<int16_t, maxcomps + 1>* comp;
    str22 name;
    int16_t divisor;
};

}  // namespace

void makeemc() {
    static std::array<emref, maxems + 1> ems;
    int n = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) {
            axem& em = ph.em[at(j)];
            const int16_t d = composition(em.comp, em.name, em.nmake, em.makeemname, em.makecoef, em.makedivisor,
                                          " not found 1", " not found 2");
            if (n == maxems) bombout("make emc", "too many end-members1", 0);
            ems[at(++n)] = emref{&em.comp, em.name, d};
        }
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        emphaserec& ph = phases.prec0[at(i)];
        const int16_t d = composition(ph.comp, ph.emname, ph.nmake, ph.makeemname, ph.makecoef, ph.makedivisor,
                                      " not found 3", " not found 4");
        if (n == maxems) bombout("make emc", "too many end-members2", 0);
        ems[at(++n)] = emref{&ph.comp, ph.emname, d};
    }

    for (int r = 1; r <= maxcomps; ++r) ws.c[at(r)].fill(0);
    for (int e = 1; e <= n; ++e) {
        for (int r = 1; r <= ws.ncomps; ++r) ws.c[at(r)][at(e)] = (*ems[at(e)].comp)[at(r)];
    }

    int kept = 0;
    for (int r = 1; r <= ws.ncomps; ++r) {
        bool used = false;
        for (int e = 1; e <= n && !used; ++e) used = ws.c[at(r)][at(e)] != 0;
        if (!used) continue;
        ++kept;
        if (kept != r) {
            ws.c[at(kept)] = ws.c[at(r)];
            ws.compnames[at(kept)] = ws.compnames[at(r)];
            ws.compdiv[at(kept)] = ws.compdiv[at(r)];
            ws.compatoms[at(kept)] = ws.compatoms[at(r)];
        }
    }
    for (int r = kept + 1; r <= ws.ncomps; ++r) {
        ws.c[at(r)].fill(0);
        ws.compnames[at(r)].clear();
    }
    const auto ncomps = static_cast<int16_t>(kept);
    ws.ncomps = ws.nrcomps = ws.ncompsall = ws.ncompsall2 = ncomps;
    pd.nbulkcomps = ncomps;

    bool fractional = false;
    for (int e = 1; e <= n; ++e) fractional = fractional || ems[at(e)].divisor > 1;
    if (fractional) {
        static intlist factors;
        for (int r = 1; r <= ncomps; ++r) {
            int16_t nf = 0;
            for (int e = 1; e <= n; ++e) {
                const int16_t d = ems[at(e)].divisor;
                if (d > 1) factors[at(++nf)] = d / gcd(ws.c[at(r)][at(e)], d);
            }
            const int16_t scale = lcmlist(factors, nf);
            for (int e = 1; e <= n; ++e) {
                const int64_t v = int64_t{ws.c[at(r)][at(e)]} * scale / ems[at(e)].divisor;
                ws.c[at(r)][at(e)] = checked16(v, ems[at(e)].name, r);
            }
            const int64_t div = int64_t{ws.compdiv[at(r)]} * scale;
            if (div > INT32_MAX) bombout("make emc", "divisor of " + ws.compnames[at(r)] + " does not fit in 32 bits", 0);
            ws.compdiv[at(r)] = static_cast<int32_t>(div);
        }
    }

    for (int e = 1; e <= n; ++e) {
        std::array<int16_t, maxcomps + 1>& comp = *ems[at(e)].comp;
        for (int r = 1; r <= maxcomps; ++r) comp[at(r)] = r <= ncomps ? ws.c[at(r)][at(e)] : int16_t{0};
    }
}

void countcomp() {
    std::array<real, maxcomps + 1> weight{};
    for (int r = 1; r <= ws.ncomps; ++r) {
        if (ds.oldds && ws.compnames[at(r)] == "SO2") bombout("countcomp", "sulphur verboten", 1);
        int16_t entry = 0;
        for (int16_t k = 1; k <= maxcomps && entry == 0; ++k) {
            if (oxides.oxideformula[at(k)] == ws.compnames[at(r)] || oxides.oxideelement[at(k)] == ws.compnames[at(r)]) entry = k;
        }
        if (entry == 0) bombout("countcomp", "cannot find oxide name", 0);
        weight[at(r)] = settings.oxidemodes ? 1 : oxides.oxidecations[at(entry)] + oxides.oxideoxygens[at(entry)];
    }
    auto count = [&](const std::array<int16_t, maxcomps + 1>& comp, real& bulkatoms, const std::string& who) {
        real sumox = 0, sumw = 0;
        for (int r = 1; r <= ws.ncomps; ++r) {
            if (!pd.inbulk[at(r)]) continue;
            const real amount = static_cast<real>(comp[at(r)]) / ws.compdiv[at(r)];
            sumox += amount;
            sumw += amount * weight[at(r)];
        }
        bulkatoms = settings.oxidemodes ? sumox : sumw;
        if (settings.oxidemodes && sumox <= 0) bombout("countcomp", "sumox <= 0 for " + who, 0);
    };
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) count(ph.em[at(j)].comp, ph.em[at(j)].bulkatoms, ph.em[at(j)].name + ", in " + ph.shortname);
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        emphaserec& ph = phases.prec0[at(i)];
        count(ph.comp, ph.bulkatoms, ph.name);
    }
}

}  // namespace zt
