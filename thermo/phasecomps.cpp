#include "thermo/phasecomps.h"

#include <cstdint>
#include <string>

#include "numeric/methods/integers.h"
#include "runtime/heap.h"
#include "runtime/numberformat.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/records/phasestate.h"
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

// comp of one phase end-member from the working columns.
void composition(std::array<int16_t, maxcomps + 1>& comp, const str22& name, int16_t nmake,
                 const std::array<str22, maxmake + 1>& makeemname, const std::array<int16_t, maxmake + 1>& makecoef,
                 const char* plainmissing, const char* mademissing) {
    comp.fill(0);
    if (nmake <= 0) {
        const int16_t col = workingcolumn(name);
        if (col == 0) bombout("make emc", name + plainmissing, 0);
        for (int r = 1; r <= ws.ncomps; ++r) comp[at(r)] = ws.c[at(r)][at(col)];
        return;
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
}

// One phase end-member seen by the rebuild: its composition and divisor.
struct emref {
    std::array<int16_t, maxcomps + 1>* comp;
    str22 name;
    int16_t divisor;
};

// Calls visit(record, dataset name, owning solution phase or nullptr) for every phase
// end-member in phase order: solution phases first, then the single-end-member phases.
template <typename Visit>
void eachphaseem(Visit visit) {
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) visit(ph.em[at(j)], ph.em[at(j)].name, &ph);
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        emphaserec& ph = phases.prec0[at(i)];
        visit(ph, ph.emname, static_cast<const axphase*>(nullptr));
    }
}

}  // namespace

void makeemc() {
    eachphaseem([](auto& rec, const str22& name, const axphase* owner) {
        composition(rec.comp, name, rec.nmake, rec.makeemname, rec.makecoef,
                    owner ? " not found 1" : " not found 3", owner ? " not found 2" : " not found 4");
    });
    static std::array<emref, maxems + 1> ems;
    int n = 0;
    eachphaseem([&n](auto& rec, const str22& name, const axphase* owner) {
        if (n == maxems) bombout("make emc", owner ? "too many end-members1" : "too many end-members2", 0);
        ems[at(++n)] = emref{&rec.comp, name, rec.nmake > 0 ? rec.makedivisor : int16_t{1}};
    });

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
    for (int r = 1; r <= ws.ncomps; ++r) {
        if (ds.oldds && ws.compnames[at(r)] == "SO2") bombout("countcomp", "sulphur verboten", 1);
    }
    std::array<real, maxcomps + 1> weight{};
    for (int r = 1; r <= ws.ncomps; ++r) weight[at(r)] = componentatoms(ws.compnames[at(r)], "countcomp");
    eachphaseem([&weight](auto& rec, const str22&, const axphase* owner) {
        real sumox = 0, sumw = 0;
        for (int r = 1; r <= ws.ncomps; ++r) {
            if (!pd.inbulk[at(r)]) continue;
            const real amount = static_cast<real>(rec.comp[at(r)]) / ws.compdiv[at(r)];
            sumox += amount;
            sumw += amount * weight[at(r)];
        }
        rec.bulkatoms = settings.oxidemodes ? sumox : sumw;
        if (settings.oxidemodes && sumox <= 0) {
            bombout("countcomp", "sumox <= 0 for " + (owner ? rec.name + ", in " + owner->shortname : rec.name), 0);
        }
    });
}

}  // namespace zt
