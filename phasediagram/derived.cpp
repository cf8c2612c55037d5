#include "phasediagram/derived.h"

#include <cmath>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/phasereaction.h"
#include "reactions/isr.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/heap.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/fluids.h"
#include "thermo/gibbs.h"

namespace zt {

derivedstate derived;

void resetderived() { derived = derivedstate{}; }

namespace {

constexpr real rgas = 0.0083144L;
constexpr wordset chset13 = 13;

size_t at(int i) { return static_cast<size_t>(i); }

int16_t findcomponent(const char* name) {
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (ws.compnames[at(i)] == name) return static_cast<int16_t>(i);
    }
    return 0;
}

// The first reaction of the independent set that takes one unit of component k as an
// extra end-member: S = sum of nu mu over the real end-members and nu of the extra one.
// The whole reaction record is restored afterwards, weights included, because the
// solver reads those weights for the next point. False when no reaction involves it.
bool pseudoreaction(const std::string& routine, int16_t k, const str22& name, real P, real T, real& S, real& nu) {
    static reactionstate saved;  // kept between calls so that a call allocates nothing
    saved = reactions;
    const int16_t nemsaved = ws.nem, nremssaved = ws.nrems;
    const int n = ws.nem + 1;
    if (n > maxems) bombout(routine, "too many end-members", 0);
    const str22 namesaved = ws.emname[at(n)];
    ws.nem = ws.nrems = static_cast<int16_t>(n);
    ws.emname[at(n)] = name;
    for (int i = 1; i <= ws.ncomps; ++i) ws.c[at(i)][at(n)] = static_cast<int16_t>(i == k ? ws.compdiv[at(k)] : 0);
    bool found = false;
    calcisr(found, true);
    int16_t which = 0;
    for (int q = 1; q <= reactions.nreac && which == 0; ++q) {
        if (reactions.r[at(q)][at(n)] != 0) which = static_cast<int16_t>(q);
    }
    S = 0;
    nu = 0;
    if (which != 0) {
        const reaction& row = reactions.r[at(which)];
        nu = row[at(n)];
        for (int j = 1; j < n; ++j) {
            if (row[at(j)] == 0) continue;
            ws.td[at(j)].xco2 = 0;
            ws.td[at(j)].xh2o = 1;
            real G = 0;
            gemdriver(static_cast<int16_t>(j), G, P, T);
            S += row[at(j)] * (G + rgas * T * std::log(ws.emact[at(j)]));
        }
    }
    for (int i = 1; i <= ws.ncomps; ++i) ws.c[at(i)][at(n)] = 0;
    ws.emname[at(n)] = namesaved;
    ws.nem = nemsaved;
    ws.nrems = nremssaved;
    reactions = saved;
    return which != 0;
}

// Components that a pure phase brings to the bulk.
bool touchesbulk(const emphaserec& ph) {
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (summary.inbulk[at(i)] && ph.comp[at(i)] != 0) return true;
    }
    return false;
}

}  // namespace

real docalcah2o(real P, real T) {
    const int16_t k = findcomponent("H2O");
    if (k == 0) bombout("docalcah2o", "H2O is not a component", 0);
    real S = 0, nu = 0;
    if (!pseudoreaction("docalcah2o", k, "H2O", P, T, S, nu)) return 0;
    real V = 0, rtlnf = 0;
    calch2o(V, rtlnf, P, T);
    const real g0 = -243.84051L - 243.75L / T - 1.0048L * std::sqrt(T) + 0.1087083L * T - 4.328e-6L * T * T -
                    0.0401L * T * std::log(T);
    S += nu * (g0 + rtlnf);
    return std::exp(-S / (nu * rgas * T));
}

real docalcmuo(real P, real T) {
    // A system without oxygen has no mu(O): reported as 0, like a potential that no
    // reaction fixes.
    const int16_t k = findcomponent("O");
    if (k == 0) return 0;
    real S = 0, nu = 0;
    if (!pseudoreaction("docalcmuo", k, "O", P, T, S, nu)) return 0;
    return -S / nu;
}

void docalcmu(real P, real T) {
    for (int k = 1; k <= ws.ncomps; ++k) {
        real S = 0, nu = 0;
        const bool found = pseudoreaction("docalcmu", static_cast<int16_t>(k), ws.compnames[at(k)], P, T, S, nu);
        derived.mucalc[at(k)] = found ? -S / nu : 0;
    }
}

void fificalc(const phaseflags& assemblage, real P, real T) {
    (void)P;
    (void)T;
    std::array<real, maxcomps + 1> t{};
    compvector comp{};
    // Each phase takes its own mode from its summary record: counting mode unknowns
    // goes wrong when the fluid has a mode of its own and comes first.
    int s = 0;
    auto add = [&](real mode) {
        real sum = 0;
        for (int i = 1; i <= ws.ncomps; ++i) sum += comp[at(i)];
        if (sum == 0) bombout("fificalc", "t=0", 0);
        for (int i = 1; i <= ws.ncomps; ++i) t[at(i)] += mode * comp[at(i)] / sum;
    };
    for (int e = 1; e <= ws.nem; ++e) {
        if (!eq.phasestart[at(e)]) continue;
        const int k = eq.phaseofstart[at(e)];
        ++s;
        if (!assemblage[at(k)] || phases.prec1[at(k)].fluid) continue;
        phasecomp(static_cast<int16_t>(e), comp);
        add(std::max<real>(summary.sumphases[at(s)].mode[1], 0));
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!assemblage[at(phases.nsolnphases + p)]) continue;
        ++s;
        const emphaserec& ph = phases.prec0[at(p)];
        if (!touchesbulk(ph)) continue;
        for (int i = 1; i <= ws.ncomps; ++i) comp[at(i)] = static_cast<real>(ph.comp[at(i)]) / ws.compdiv[at(i)];
        add(s <= summary.sumnphases ? std::max<real>(summary.sumphases[at(s)].mode[1], 0) : 0);
    }
    real bulksum = 0;
    for (int i = 1; i <= ws.ncomps; ++i) bulksum += summary.inbulk[at(i)] ? t[at(i)] : 0;
    if (bulksum == 0) bombout("fificalc", "t=0", 0);
    for (int i = 1; i <= ws.ncomps; ++i) t[at(i)] /= bulksum;

    std::string& line = channels.linebuf;
    line.clear();
    addfield("H2O", 10, line);
    addfield("CO2", 10, line);
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (summary.inbulk[at(i)]) addfield(ws.compnames[at(i)], 8, line);
    }
    putstr(2, line, 1, chset13);
    line.clear();
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (summary.inbulk[at(i)]) {
            addreal(2, true, 8, 100 * t[at(i)], line);
        } else if (ws.compnames[at(i)] == "H2O" || ws.compnames[at(i)] == "CO2") {
            addreal(6, true, 10, 100 * t[at(i)], line);
        }
    }
    putstr(0, line, 1, chset13);
}

void conv2wt(const phaseflags& assemblage) {
    int liq = 0;
    for (int k = 1; k <= phases.nsolnphases && liq == 0; ++k) {
        if (assemblage[at(k)] && phases.prec1[at(k)].shortname.compare(0, 3, "liq") == 0) liq = k;
    }
    if (liq == 0 || settings.nconvliqcols != ws.ncomps) return;
    int16_t first = 0;
    for (int e = 1; e <= ws.nem && first == 0; ++e) {
        if (eq.phasestart[at(e)] && eq.phaseofstart[at(e)] == liq) first = static_cast<int16_t>(e);
    }
    if (first == 0) return;
    compvector x{};
    phasecomp(first, x);

    const int nrows = settings.nconvliqrows;
    const auto& M = settings.convliqmatrix;
    std::array<real, maxcomps + 1> resid{};
    std::array<real, maxconvliqrows + 1> a{};
    std::array<bool, maxconvliqrows + 1> taken{};
    for (int i = 1; i <= ws.ncomps; ++i) resid[at(i)] = x[at(i)];
    auto largest = [&] {
        real m = 0;
        for (int i = 1; i <= ws.ncomps; ++i) m = std::max(m, std::fabs(resid[at(i)]));
        return m;
    };
    for (int pass = 1; pass <= nrows && largest() > 1e-6L; ++pass) {
        int ci = 0, rr = 0;
        for (int i = 1; i <= ws.ncomps && ci == 0; ++i) {
            if (std::fabs(resid[at(i)]) <= 1e-6L) continue;
            int count = 0, row = 0;
            for (int r = 1; r <= nrows; ++r) {
                if (!taken[at(r)] && M[at(r)][at(i)] != 0) {
                    ++count;
                    row = r;
                }
            }
            if (count == 1) {
                ci = i;
                rr = row;
            }
        }
        if (ci == 0) break;
        const real ri = resid[at(ci)], mi = M[at(rr)][at(ci)];
        a[at(rr)] = ri / mi;
        for (int i = 1; i <= ws.ncomps; ++i) resid[at(i)] -= ri * M[at(rr)][at(i)] / mi;
        taken[at(rr)] = true;
    }
    // Any residual left over means the liquid cannot be written in these units.
    if (largest() > 1e-6L) {
        std::string& line = channels.linebuf;
        line = "residual mol = ";
        for (int i = 1; i <= ws.ncomps; ++i) {
            if (resid[at(i)] == 0) continue;
            addfield("{", 0, line);
            addfield(ws.compnames[at(i)], 6, line);
            addreal(2, true, 8, resid[at(i)], line);
            addfield("} ", 0, line);
        }
        writeconsole(line + "\n");
        bombout("conv2wt", "couldn't make mol%", 0);
    }
    real X = 0;
    for (int i = 1; i <= ws.ncomps; ++i) X += x[at(i)];
    if (X == 0) return;
    real A = 0;
    for (int r = 1; r <= nrows; ++r) A += a[at(r)];
    if (A == 0) bombout("conv2wt", "sum of mol% = 0 2", 0);
    std::array<real, maxconvliqrows + 1> rowmol{}, w{}, wt{};
    real B = 0;
    for (int r = 1; r <= nrows; ++r) {
        rowmol[at(r)] = 100 * a[at(r)] / A;
        for (int i = 1; i <= ws.ncomps; ++i) {
            for (int k = 1; k <= maxcomps; ++k) {
                if (oxides.oxideformula[at(k)] == ws.compnames[at(i)]) {
                    w[at(r)] += oxides.oxidemass[at(k)] * M[at(r)][at(i)];
                    break;
                }
            }
        }
        B += rowmol[at(r)] * w[at(r)];
    }
    if (B == 0) bombout("conv2wt", "sum of mol% = 0 3", 0);
    for (int r = 1; r <= nrows; ++r) wt[at(r)] = 100 * w[at(r)] * rowmol[at(r)] / B;

    std::string& line = channels.linebuf;
    line.assign(13, ' ');
    for (int i = 1; i <= ws.ncomps; ++i) addfield(ws.compnames[at(i)], 7, line);
    putstr(1, line, 1, chset13);
    line.assign(13, ' ');
    for (int i = 1; i <= ws.ncomps; ++i) addreal(3, true, 7, 100 * x[at(i)] / X, line);
    addfield(" ==>", 0, line);
    putstr(0, line, 1, chset13);
    line.assign(13, ' ');
    for (int r = 1; r <= nrows; ++r) addreal(2, true, 7, rowmol[at(r)], line);
    addfield(" ==>", 0, line);
    putstr(0, line, 1, chset13);
    line.assign(13, ' ');
    for (int r = 1; r <= nrows; ++r) addreal(2, true, 7, wt[at(r)], line);
    putstr(0, line, 1, chset13);
}

}  // namespace zt
