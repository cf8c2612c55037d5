#include "numeric/phaseprops.h"

#include <cmath>

#include "ax/axeval.h"
#include "ax/axtokens.h"
#include "ax/phaserecords.h"
#include "numeric/summary.h"
#include "runtime/heap.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "thermo/einstein.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr real dpstep = 2e-5L;
constexpr real dtstep = 2e-4L;

// Molar masses of the bulk components: an oxide's from the table, an element's from
// its oxide less the oxygen.
struct bulkmasses {
    std::array<real, maxcomps + 1> mass{};
};

bulkmasses massesof(const bulkmap& map) {
    bulkmasses m;
    const size_t oxygen = static_cast<size_t>(findoxideentry("O"));
    int b = 0;
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (!pd.inbulk[static_cast<size_t>(i)]) continue;
        ++b;
        const size_t k = static_cast<size_t>(map[static_cast<size_t>(b)]);
        if (ws.compnames[static_cast<size_t>(i)] == oxides.oxideformula[k] || oxides.oxidecations[k] == 0) {
            m.mass[static_cast<size_t>(b)] = oxides.oxidemass[k];
        } else {
            m.mass[static_cast<size_t>(b)] =
                (oxides.oxidemass[k] - oxides.oxideoxygens[k] * oxides.oxidemass[oxygen]) / oxides.oxidecations[k];
        }
    }
    return m;
}

struct muset {
    emreal400 G{}, mu{};
};

// Shares of one phase in the system rows.
void addtosystem(const phasesummary& sp) {
    if (!pd.massbalance && !pd.lowvarpseudo) return;
    for (int r = 1; r <= pd.nsysrows; ++r) {
        const size_t rr = static_cast<size_t>(r);
        const real f = sp.mode[rr] * sp.convfactor[rr];
        summary.sysg[rr] += sp.G * f;
        summary.sysh[rr] += sp.H * f;
        summary.syss[rr] += sp.S * f;
        summary.sysv[rr] += sp.V * f;
    }
}

real phasemass(const phasesummary& sp, const bulkmasses& m) {
    real mass = 0;
    for (int b = 1; b <= pd.nbulkcomps; ++b) mass += sp.oxcomp[static_cast<size_t>(b)] * m.mass[static_cast<size_t>(b)];
    return mass;
}

}  // namespace

void makemw2c(bulkmap& map) {
    int b = 0;
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (!pd.inbulk[static_cast<size_t>(i)]) continue;
        const str22& name = ws.compnames[static_cast<size_t>(i)];
        const int16_t k = findoxideentry(name);
        if (k == 0) bombout("makemw2c", name + " not found??", 0);
        map[static_cast<size_t>(++b)] = k;
    }
}

void calcmuem(const phaseselection& /*selected*/, const vec90& x, emreal400& G, real P, real T, real xco2,
              real xh2o, emreal400& mu) {
    for (int e = 1; e <= ws.nem; ++e) {
        tdrecord& row = ws.td[static_cast<size_t>(e)];
        row.xco2 = xco2;
        row.xh2o = xh2o;
        gemdriver(static_cast<int16_t>(e), G[static_cast<size_t>(e)], P, T);
    }
    static emreal400 unused1, unused2;
    static emvarmat unused3;
    calca(x, false, false, P, T, unused1, unused2, unused3);
    const real rt = gasconst * T;
    for (int e = 1; e <= ws.nem; ++e) {
        const size_t ee = static_cast<size_t>(e);
        mu[ee] = G[ee] + rt * std::log(ws.emact[ee]);
    }
}

void calcgphase(const phaseselection& selected, const vec90& x, real P, real T, real xco2, real xh2o) {
    if (pd.nsysrows > maxsysrows) bombout("calcgphase", "too many system rows" + maxtext(maxsysrows), 1);
    bulkmap map{};
    makemw2c(map);
    const bulkmasses masses = massesof(map);
    static muset atp, att, at0;
    calcmuem(selected, x, atp.G, P + dpstep, T, xco2, xh2o, atp.mu);
    calcmuem(selected, x, att.G, P, T + dtstep, xco2, xh2o, att.mu);
    calcmuem(selected, x, at0.G, P, T, xco2, xh2o, at0.mu);
    summary.sysg.fill(0);
    summary.sysh.fill(0);
    summary.syss.fill(0);
    summary.sysv.fill(0);

    const axvector& ax = x;
    const real rt = gasconst * T;
    int s = 0;
    for (int em0 = 1; em0 <= ws.nem; ++em0) {
        if (!eq.phasestart[static_cast<size_t>(em0)]) continue;
        const axphase& a = phases.prec1[static_cast<size_t>(eq.phaseofstart[static_cast<size_t>(em0)])];
        const int16_t f0 = eq.phasefirstvar[static_cast<size_t>(em0)];
        phasesummary& sp = summary.sumphases[static_cast<size_t>(++s)];
        sp.G = sp.S = sp.V = sp.H = 0;
        for (int j = 1; j <= a.nem; ++j) {
            const size_t jj = static_cast<size_t>(j), e = static_cast<size_t>(em0 + j - 1);
            const real p = evalaxexpr(a.p[jj], ax, f0);
            sp.prop[jj] = p;
            sp.rtlna[jj] = rt * std::log(ws.emact[e]);
            sp.emg[jj] = at0.G[e];
            const real se = -(att.mu[e] - at0.mu[e]) / dtstep;
            const real ve = (atp.mu[e] - at0.mu[e]) / dpstep;
            sp.G += p * at0.mu[e];
            sp.S += p * se;
            sp.V += p * ve;
            sp.H += p * (at0.mu[e] + T * se);
        }
        if (sp.V == 0) bombout("calcgphase", "vph=0", 0);
        sp.rho = phasemass(sp, masses) / (10 * sp.V);
        addtosystem(sp);
    }
    // Single phases from the pure end-member; a fixed activity adds RT ln a to G only.
    for (int e = 1; e <= ws.nem; ++e) {
        const int p = eq.purephaseofem[static_cast<size_t>(e)];
        if (p == 0) continue;
        const size_t ee = static_cast<size_t>(e);
        const real activity = phases.prec0[static_cast<size_t>(p)].activity;
        phasesummary& sp = summary.sumphases[static_cast<size_t>(++s)];
        const real g0 = at0.G[ee];
        sp.emg[1] = g0;
        sp.rtlna[1] = 0;
        sp.G = g0;
        sp.S = -(att.G[ee] - g0) / dtstep;
        sp.V = (atp.G[ee] - g0) / dpstep;
        sp.H = g0 + T * sp.S;
        if (activity != 1) {
            sp.rtlna[1] = rt * std::log(activity);
            sp.G += sp.rtlna[1];
        }
        if (sp.V == 0) bombout("calcgphase", "vph=0 2", 0);
        sp.rho = phasemass(sp, masses) / (10 * sp.V);
        addtosystem(sp);
    }
    if (!pd.massbalance && !pd.lowvarpseudo) return;
    for (int r = 1; r <= pd.nsysrows; ++r) {
        const size_t rr = static_cast<size_t>(r);
        if (summary.sysv[rr] == 0) {
            summary.sysrho[rr] = 0;
            continue;
        }
        real mass = 0;
        for (int b = 1; b <= pd.nbulkcomps; ++b) mass += pd.sumbulks[rr][static_cast<size_t>(b)] * masses.mass[static_cast<size_t>(b)];
        summary.sysrho[rr] = mass / (10 * summary.sysv[rr]);
    }
}

}  // namespace zt
