// Shared set-up of the equilibrium tests: small invented phases built in the phase
// records (ideal, symmetric, van Laar, two-site, order-disorder, fluid, aqueous), two
// single-end-member phases, and helpers to lay out and evaluate an equilibrium.
#pragma once


#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ax/fluidphases.h"
#include "ax/phaserecords.h"
#include "dsfit/fitset.h"
#include "numeric/crossrefs.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/heap.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/dataset.h"
#include "thermo/einstein.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt::eqtest {

constexpr real R = 0.0083144L;

// Everything the equilibrium routines read, fresh.
inline void reseteqworld() {
    resetrunstate();
    run.calcmode = 1;
    resetdatasetstate();
    ds.dsmode = 6;
    ws.td.assign(maxems + 1, tdrecord{});
    ws.c.assign(maxcomps + 1, comprow{});
    resetworkingset();
    filloxidetable();
    settings = runsettings{};
    settings.autoexit = true;
    pd = phasediagramstate{};
    pd.inbulk.fill(false);
    fit.fitreport = false;
    fit.expcrdflag = false;
    reseteinstein();
    resetchannels();
    channels.outchannels = 1;
    resetfluidtable();
    if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
    if (phases.prec0.size() != static_cast<size_t>(maxems + 1)) phases.prec0.assign(maxems + 1, emphaserec{});
    for (int k = 1; k <= 4; ++k) resetaxphase(phases.prec1[static_cast<size_t>(k)]);
    for (int p = 1; p <= 4; ++p) resetemphaserec(phases.prec0[static_cast<size_t>(p)]);
    phases.nsolnphases = phases.npurephases = phases.nphases = 0;
    if (reactions.r.size() != static_cast<size_t>(maxreactions + 1)) reactions.r.assign(maxreactions + 1, reaction{});
    for (auto& row : reactions.r) row.fill(0);
    reactions.nreac = 0;
    eq = equilibriumstate{};
    eq.compdx.assign(static_cast<size_t>(maxems + 1) * (maxcomps + 1) * 16, 0);
    eq.pscale = 1 / (1500 - settings.pmin);
    eq.poffset = -settings.pmin * eq.pscale;
    eq.tscale = 1.0L / 2717;
    eq.toffset = -283 * eq.tscale;
    resetsummary();
}

// An expression item: (num/den) x_var.
struct item {
    int16_t var, num, den;
};
struct factor {
    int16_t c0num, c0den;
    std::vector<item> items;
};
struct term {
    real coef;
    std::vector<factor> factors;
};

inline axexpr expr(const std::vector<term>& terms) {
    axexpr e;
    e.nterms = static_cast<int16_t>(terms.size());
    for (size_t t = 0; t < terms.size(); ++t) {
        axterm& at = e.term[t + 1];
        at.coef = terms[t].coef;
        at.nfactors = static_cast<int16_t>(terms[t].factors.size());
        for (size_t f = 0; f < terms[t].factors.size(); ++f) {
            const factor& src = terms[t].factors[f];
            axfactor& af = at.factor[f + 1];
            af.c0num = src.c0num;
            af.c0den = src.c0den;
            af.nitems = static_cast<int16_t>(src.items.size());
            for (size_t i = 0; i < src.items.size(); ++i) {
                af.num[i + 1] = src.items[i].num;
                af.den[i + 1] = src.items[i].den;
                af.itemvar[i + 1] = src.items[i].var;
            }
        }
    }
    return e;
}

// c0 + sum of m x_v.
inline axexpr lin(int16_t c0, std::initializer_list<std::pair<int16_t, int16_t>> items) {
    factor f{c0, 1, {}};
    for (const auto& it : items) f.items.push_back(item{it.first, it.second, 1});
    return expr({term{1, {f}}});
}

// An invented solid; H shifts it so that phases differ.
inline tdrecord solid(real H, real S, real V) {
    tdrecord r;
    r.H = H;
    r.S = S;
    r.V = V;
    r.cpa = 0.35L;
    r.cpb = 4e-6L;
    r.cpc = -3200;
    r.cpd = -2.6L;
    r.a0 = 2.4e-5L;
    r.k0 = 1300;
    r.k0p = 4.1L;
    r.k0pp = -4.1L / 1300;
    r.theta = 520;
    return r;
}

inline tdrecord fluidprops(real H, real S) {
    tdrecord r;
    r.H = H;
    r.S = S;
    r.cpa = 0.05L;
    r.cpb = 1e-5L;
    r.cpc = 300;
    r.cpd = -0.5L;
    return r;
}

inline axphase& soln(int k) { return phases.prec1[static_cast<size_t>(k)]; }
inline emphaserec& pure(int p) { return phases.prec0[static_cast<size_t>(p)]; }

// Solution phase k with n end-members and nvars variables named v(name).
inline axphase& newphase(int k, const std::string& name, int n, int nvars, int32_t model,
                         std::initializer_list<const char*> emnames, std::initializer_list<const char*> varnames) {
    axphase& a = soln(k);
    resetaxphase(a);
    a.shortname = name;
    a.nem = static_cast<int16_t>(n);
    a.nvars = static_cast<int16_t>(nvars);
    a.model = model;
    int j = 0;
    for (const char* e : emnames) {
        axem& em = a.em[static_cast<size_t>(++j)];
        em.name = e;
        em.props = solid(-1000 - 37 * j, 0.1L + 0.01L * j, 2 + 0.3L * j);
        a.vla[static_cast<size_t>(j)] = 1;
    }
    int v = 0;
    for (const char* vn : varnames) a.vars[static_cast<size_t>(++v)].name = std::string(vn) + "(" + name + ")";
    if (phases.nsolnphases < k) phases.nsolnphases = static_cast<int16_t>(k);
    return a;
}

inline void addw(axphase& a, int i, int k, real wa, real wb, real wc) {
    const int16_t w = ++a.nw;
    a.wa[static_cast<size_t>(w)] = wa;
    a.wb[static_cast<size_t>(w)] = wb;
    a.wc[static_cast<size_t>(w)] = wc;
    a.gterm[static_cast<size_t>(++a.ngterm)] = gterm{w, static_cast<int16_t>(i), static_cast<int16_t>(k)};
}

// Ideal-mixing terms of end-member j: (site fraction, power num, power den).
inline void settmf(axphase& a, int j, std::initializer_list<tmfterm> terms, real tmfconst = 1) {
    axem& em = a.em[static_cast<size_t>(j)];
    em.tmfconst = tmfconst;
    em.ntmf = 0;
    for (const tmfterm& t : terms) em.tmf[static_cast<size_t>(++em.ntmf)] = t;
}

// Binary with p = sf = (1 - x, x).
inline axphase& idealbinary(int k, const std::string& name = "ib", int32_t model = 0) {
    axphase& a = newphase(k, name, 2, 1, model, {"fo", "fa"}, {"x"});
    a.p[1] = lin(1, {{1, -1}});
    a.p[2] = lin(0, {{1, 1}});
    a.nsf = 2;
    a.sfname[1] = "xMg";
    a.sfname[2] = "xFe";
    a.sf[1] = a.p[1];
    a.sf[2] = a.p[2];
    settmf(a, 1, {{1, 1, 1}});
    settmf(a, 2, {{2, 1, 1}});
    return a;
}

// Three end-members on one site of three, cubed; symmetric (1) or van Laar (2).
inline axphase& garnet(int k, int32_t model) {
    axphase& a = newphase(k, model == 2 ? "gv" : "g", 3, 2, model, {"py", "alm", "gr"}, {"x", "z"});
    a.p[1] = lin(1, {{1, -1}, {2, -1}});
    a.p[2] = lin(0, {{1, 1}});
    a.p[3] = lin(0, {{2, 1}});
    a.nsf = 3;
    for (int q = 1; q <= 3; ++q) {
        a.sf[static_cast<size_t>(q)] = a.p[static_cast<size_t>(q)];
        a.sfname[static_cast<size_t>(q)] = std::string("s") + static_cast<char>('0' + q);
        settmf(a, q, {{static_cast<int16_t>(q), 3, 1}});
    }
    addw(a, 1, 2, 2.5L, -0.001L, 0.05L);
    addw(a, 1, 3, 31, -0.02L, 0.1L);
    addw(a, 2, 3, 5, 0.004L, -0.03L);
    if (model == 2) {
        a.vla = {0, 1, 1.2L, 2.7L};
        a.vlb = {0, 0, 2e-4L, -1e-4L};
        a.vlc = {0, 0, -0.003L, 0.01L};
    }
    return a;
}

// Two sites: M (x) and T (y), with a half-power on T.
inline axphase& twosite(int k) {
    axphase& a = newphase(k, "ts", 3, 2, 1, {"ma", "mb", "mc"}, {"x", "y"});
    a.p[1] = lin(1, {{1, -1}});
    a.p[2] = lin(0, {{1, 1}, {2, -1}});
    a.p[3] = lin(0, {{2, 1}});
    a.nsf = 4;
    a.sf[1] = lin(1, {{1, -1}});
    a.sf[2] = lin(0, {{1, 1}});
    a.sf[3] = lin(1, {{2, -1}});
    a.sf[4] = lin(0, {{2, 1}});
    for (int q = 1; q <= 4; ++q) a.sfname[static_cast<size_t>(q)] = std::string("t") + static_cast<char>('0' + q);
    settmf(a, 1, {{1, 1, 1}, {3, 1, 2}});
    settmf(a, 2, {{2, 1, 1}, {3, 1, 2}}, 1.4142135623730950488L);
    settmf(a, 3, {{2, 1, 1}, {4, 1, 2}});
    addw(a, 1, 2, 4, 0, 0.02L);
    addw(a, 1, 3, 9, -0.003L, 0);
    addw(a, 2, 3, 1.5L, 0, 0);
    return a;
}

// Order-disorder: composition x and order Q over two sites; the ordered end-member is
// a product of the site fractions and one proportion holds a product term.
inline axphase& orderdisorder(int k) {
    axphase& a = newphase(k, "od", 3, 2, 1, {"en", "fs", "fm"}, {"x", "Q"});
    a.vars[2].isorder = true;
    a.vars[2].lowerkind = 4;
    a.p[1] = lin(1, {{1, -1}, {2, -1}});
    a.p[2] = expr({term{1, {factor{0, 1, {item{1, 1, 1}, item{2, -1, 1}}}}},
                   term{0.5L, {factor{0, 1, {item{1, 1, 1}}}, factor{0, 1, {item{2, 1, 1}}}}}});
    a.p[3] = expr({term{2, {factor{0, 1, {item{2, 1, 1}}}}},
                   term{-0.5L, {factor{0, 1, {item{1, 1, 1}}}, factor{0, 1, {item{2, 1, 1}}}}}});
    a.nsf = 4;
    a.sf[1] = lin(1, {{1, -1}, {2, 1}});   // Mg on M1
    a.sf[2] = lin(0, {{1, 1}, {2, -1}});   // Fe on M1
    a.sf[3] = lin(1, {{1, -1}, {2, -1}});  // Mg on M2
    a.sf[4] = lin(0, {{1, 1}, {2, 1}});    // Fe on M2
    for (int q = 1; q <= 4; ++q) a.sfname[static_cast<size_t>(q)] = std::string("o") + static_cast<char>('0' + q);
    settmf(a, 1, {{1, 1, 1}, {3, 1, 1}});
    settmf(a, 2, {{2, 1, 1}, {4, 1, 1}});
    settmf(a, 3, {{1, 1, 1}, {4, 1, 1}});
    addw(a, 1, 2, 7, 0, 0);
    addw(a, 1, 3, 4, 0, 0.01L);
    addw(a, 2, 3, 4, 0, 0.01L);
    a.hasorder = true;
    return a;
}

// H2O-CO2 binary with ideal site fractions; the fluid set-up makes it van Laar.
inline axphase& fluidbinary(int k, const std::string& name) {
    axphase& a = newphase(k, name, 2, 1, 0, {"H2O", "CO2"}, {"x"});
    a.vars[1].name = "x(CO2)";
    a.p[1] = lin(1, {{1, -1}});
    a.p[2] = lin(0, {{1, 1}});
    a.nsf = 2;
    a.sfname[1] = "xH2O";
    a.sfname[2] = "xCO2";
    a.sf[1] = a.p[1];
    a.sf[2] = a.p[2];
    settmf(a, 1, {{1, 1, 1}});
    settmf(a, 2, {{2, 1, 1}});
    a.em[1].props = fluidprops(-241.81L, 0.1888L);
    a.em[2].props = fluidprops(-393.51L, 0.2137L);
    return a;
}

// Aqueous: H2O, CO2 and a solute; the file's pairs start with a zero H2O-CO2 energy.
inline axphase& aqueous(int k) {
    axphase& a = newphase(k, "aq", 3, 2, 2, {"H2O", "CO2", "NaCl"}, {"x", "s"});
    a.p[1] = lin(1, {{1, -1}, {2, -1}});
    a.p[2] = lin(0, {{1, 1}});
    a.p[3] = lin(0, {{2, 1}});
    a.nsf = 3;
    for (int q = 1; q <= 3; ++q) {
        a.sf[static_cast<size_t>(q)] = a.p[static_cast<size_t>(q)];
        a.sfname[static_cast<size_t>(q)] = std::string("w") + static_cast<char>('0' + q);
        settmf(a, q, {{static_cast<int16_t>(q), 1, 1}});
    }
    a.em[1].props = fluidprops(-241.81L, 0.1888L);
    a.em[2].props = fluidprops(-393.51L, 0.2137L);
    a.em[3].props = solid(-407.3L, 0.115L, 0);
    a.em[3].props.aqfactor = 1.2L;
    addw(a, 1, 2, 0, 0, 0);
    addw(a, 1, 3, 12, -0.004L, 0.02L);
    addw(a, 2, 3, 6, 0, 0.01L);
    a.vla[3] = 1.1L;
    a.vlb[3] = 3e-4L;
    a.vlc[3] = -2e-3L;
    return a;
}

// Single-end-member phase p.
inline emphaserec& purephase(int p, const std::string& name, const tdrecord& props, real activity = 1) {
    emphaserec& e = pure(p);
    resetemphaserec(e);
    e.name = name;
    e.emname = name;
    e.props = props;
    e.activity = activity;
    if (phases.npurephases < p) phases.npurephases = static_cast<int16_t>(p);
    return e;
}

// Components named after the oxide table, all in the bulk, divisor 1.
inline void setcomponents(int n) {
    ws.ncomps = static_cast<int16_t>(n);
    pd.nbulkcomps = static_cast<int16_t>(n);
    for (int i = 1; i <= n; ++i) {
        const size_t ii = static_cast<size_t>(i);
        ws.compnames[ii] = oxides.oxideformula[ii];
        ws.compdiv[ii] = 1;
        ws.compatoms[ii] = static_cast<int16_t>(oxides.oxidecations[ii] + oxides.oxideoxygens[ii]);
        pd.inbulk[ii] = true;
        pd.reducemat[ii][ii] = 1;
    }
}

template <typename rec>
void setcomp(rec& r, std::initializer_list<std::pair<int, int>> amounts) {
    r.comp.fill(0);
    for (const auto& a : amounts) r.comp[static_cast<size_t>(a.first)] = static_cast<int16_t>(a.second);
    r.bulkatoms = 0;
    for (int i = 1; i <= ws.ncomps; ++i) r.bulkatoms += static_cast<real>(ws.compatoms[static_cast<size_t>(i)]) * r.comp[static_cast<size_t>(i)];
}

inline void addreaction(std::initializer_list<int> nu, int16_t weight) {
    const size_t i = static_cast<size_t>(++reactions.nreac);
    int e = 0;
    reactions.r[i].fill(0);
    for (int n : nu) reactions.r[i][static_cast<size_t>(++e)] = static_cast<int16_t>(n);
    reactions.rxnweight[i] = weight;
}

inline phaseselection selection(std::initializer_list<int> soln, std::initializer_list<int> pures) {
    phaseselection s{};
    for (int k : soln) s[static_cast<size_t>(k)] = true;
    for (int p : pures) s[static_cast<size_t>(phases.nsolnphases + p)] = true;
    return s;
}

// Point in the solver's form: free variables scaled, fixed ones plain.
inline vec90 scaled(const vec90& plain) {
    vec90 x = plain;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g) {
        const size_t gg = static_cast<size_t>(g);
        if (eq.calcvarfree[gg]) x[gg] = eq.calcvarscale[gg] * plain[gg] + eq.calcvaroffset[gg];
    }
    return x;
}

// Large tables live on the heap in the tests.
struct evaluation {
    std::unique_ptr<mat90> J = std::make_unique<mat90>();
    vec90 f{};
};

// Every working row prepared, as the dataset reader prepares the rows of a run: the
// layout puts each end-member in its own row, where a run keeps it.
inline void preparerows() {
    for (int e = 1; e <= ws.nem; ++e) preparetd(ws.td[static_cast<size_t>(e)]);
}

// A 4-phase, 6-component equilibrium with two solution phases (a garnet and an ideal
// olivine) and two pure phases, with mass balance: the layout the benchmarks time.
inline void fourphaselayout() {
    reseteqworld();
    setcomponents(6);
    axphase& g = garnet(1, 2);
    axphase& ol = idealbinary(2, "ol");
    purephase(1, "q", solid(-910.7L, 0.0415L, 2.269L));
    purephase(2, "ky", solid(-2593.1L, 0.0825L, 4.414L));
    setcomp(g.em[1], {{1, 3}, {3, 1}, {5, 3}});
    setcomp(g.em[2], {{1, 3}, {3, 1}, {4, 3}});
    setcomp(g.em[3], {{1, 3}, {3, 1}, {6, 3}});
    setcomp(ol.em[1], {{1, 1}, {5, 2}});
    setcomp(ol.em[2], {{1, 1}, {4, 2}});
    setcomp(pure(1), {{1, 1}});
    setcomp(pure(2), {{1, 1}, {3, 1}, {2, 1}});
    pd.massbalance = true;
    makecrossrefs(selection({1, 2}, {1, 2}));
    for (int m = 1; m <= eq.nxp; ++m) eq.calcvarscale[static_cast<size_t>(eq.nvar + m)] = 1;
    preparerows();
}

}  // namespace zt::eqtest
