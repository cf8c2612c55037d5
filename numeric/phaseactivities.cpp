#include "numeric/phaseactivities.h"

#include <cmath>
#include <string>

#include "ax/axeval.h"
#include "ax/fluidphases.h"
#include "ax/phaserecords.h"
#include "numeric/methods/random.h"
#include "numeric/summary.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "thermo/einstein.h"
#include "thermo/fluids.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

// Steps of the fluid volumes whose differences give the T and P slopes of the sizes and
// interaction energies: the volumes are resolved far beyond these steps, whose
// truncation error, proportional to the step, is what remains.
constexpr real dtstep = 0.0001L;
constexpr real dpstep = 0.00001L;
constexpr int ch13 = 13;

using emrow = std::array<real, maxphaseems + 1>;
using wrow = std::array<real, maxws + 1>;
using emvar = std::array<std::array<real, maxphasevars + 1>, maxphaseems + 1>;
using sfvar = std::array<std::array<real, maxphasevars + 1>, maxsf + 1>;

// Everything one phase's evaluation works on; held outside the stack frame so that a
// call allocates nothing and copies no large array.
struct phasework {
    std::array<real, maxsf + 1> sf{};
    sfvar dsf{};
    emrow p{};
    emvar dp{};
    wrow wa{}, wb{}, wc{};
    emrow vla{}, vlb{}, vlc{};
    emrow alpha{}, phi{}, dphidT{}, dphidP{};
    emvar dphi{};
};
phasework work;

// Volume of a fluid species at the current state and at the two shifted ones.
struct threevolumes {
    real v = 0, vt = 0, vp = 0;
};

threevolumes fluidvolumes(const axphase& a, int j, real P, real T) {
    threevolumes r;
    real lnf;
    const auto one = [&](real& v, real p, real t) {
        if (j == a.h2oem) {
            calch2o(v, lnf, p, t);
        } else if (j == a.co2em) {
            calcco2(v, lnf, p, t);
        } else {
            const size_t s = static_cast<size_t>(a.em[static_cast<size_t>(j)].species);
            corkcs(v, lnf, p, t, fluidtable.fluidpcrit[s], fluidtable.fluidtcrit[s]);
        }
    };
    one(r.v, P, T);
    one(r.vt, P, T + dtstep);
    one(r.vp, P + dpstep, T);
    return r;
}

// Volumes of pure H2O or CO2 from its own equation of state.
threevolumes eosvolumes(void (*eos)(real&, real&, real, real), real P, real T) {
    threevolumes r;
    real lnf;
    eos(r.v, lnf, P, T);
    eos(r.vt, lnf, P, T + dtstep);
    eos(r.vp, lnf, P + dpstep, T);
    return r;
}

// Size of end-member j relative to the reference volume, linear in T and P and exact
// at the current state.
void setsize(int j, const threevolumes& vj, const threevolumes& v1, real P, real T) {
    const size_t jj = static_cast<size_t>(j);
    const real r = vj.v / v1.v;
    work.vlb[jj] = r * (vj.vt / vj.v - v1.vt / v1.v) / dtstep;
    work.vlc[jj] = r * (vj.vp / vj.v - v1.vp / v1.v) / dpstep;
    work.vla[jj] = r - work.vlb[jj] * T - work.vlc[jj] * P;
}

void setfluidw(int w, real w0, const threevolumes& vi, const threevolumes& vk, real P, real T) {
    const size_t ww = static_cast<size_t>(w);
    work.wa[ww] = w0 * (1 / vi.v + 1 / vk.v);
    work.wb[ww] = -w0 * ((vi.vt / vi.v - 1) / vi.v + (vk.vt / vk.v - 1) / vk.v) / dtstep;
    work.wc[ww] = -w0 * ((vi.vp / vi.v - 1) / vi.v + (vk.vp / vk.v - 1) / vk.v) / dpstep;
    work.wa[ww] -= work.wb[ww] * T + work.wc[ww] * P;
}

void fluidsizes(const axphase& a, real P, real T) {
    std::array<threevolumes, maxphaseems + 1> v;
    for (int j = 1; j <= a.nem; ++j) v[static_cast<size_t>(j)] = fluidvolumes(a, j, P, T);
    work.vla[1] = 1;
    work.vlb[1] = work.vlc[1] = 0;
    for (int j = 2; j <= a.nem; ++j) setsize(j, v[static_cast<size_t>(j)], v[1], P, T);
    int w = 0;
    for (int i = 1; i < a.nem; ++i) {
        for (int k = i + 1; k <= a.nem; ++k) {
            const size_t si = static_cast<size_t>(a.em[static_cast<size_t>(i)].species);
            const size_t sk = static_cast<size_t>(a.em[static_cast<size_t>(k)].species);
            setfluidw(++w, fluidtable.fluidw[si][sk], v[static_cast<size_t>(i)], v[static_cast<size_t>(k)], P, T);
        }
    }
}

void aqueoussizes(const axphase& a, real P, real T) {
    const threevolumes vw = eosvolumes(calch2o, P, T);
    work.vla[1] = 1;
    work.vlb[1] = work.vlc[1] = 0;
    int first = 2;
    if (a.co2em > 0) {
        const threevolumes vc = eosvolumes(calcco2, P, T);
        setsize(2, vc, vw, P, T);
        setfluidw(1, fluidtable.fluidw[1][2], vw, vc, P, T);
        first = 3;
    }
    for (int j = first; j <= a.nem; ++j) {
        const size_t jj = static_cast<size_t>(j);
        const auto vol = [&](real p, real t) { return a.vla[jj] + a.vlb[jj] * t + a.vlc[jj] * p; };
        const threevolumes vj{vol(P, T), vol(P, T + dtstep), vol(P + dpstep, T)};
        setsize(j, vj, vw, P, T);
    }
}

// The aqueous phase has the H2O-CO2 pair put in front of the file's own pairs, which
// may start with the same pair: that interaction counts once.
bool repeatedpair(const axphase& a, int w) {
    if (!a.aq || a.fluid || a.co2em <= 0 || w == 1) return false;
    const gterm& g = a.gterm[static_cast<size_t>(w)];
    return g.emi == 1 && g.emj == 2;
}

std::string variablenames(int width) {
    std::string line;
    for (int g = 3; g <= eq.nvar; ++g) addfield(eq.calcvarnames[static_cast<size_t>(g)], static_cast<int16_t>(width), line);
    return line;
}

std::string variablevalues(const vec90& x) {
    std::string line = "x =  ";
    for (int g = 3; g <= eq.nvar; ++g) addreal(5, true, 12, x[static_cast<size_t>(g)], line);
    return line;
}

[[noreturn]] void negativesf(const axphase& a, int j, int t, int q, const vec90& x) {
    putstr(2, "     " + variablenames(12), 1, ch13);
    putstr(0, variablevalues(x), 1, ch13);
    std::string names = "     ";
    for (int s = 1; s <= a.nsf; ++s) addfield(a.sfname[static_cast<size_t>(s)], 12, names);
    putstr(1, names, 1, ch13);
    std::string values = "sf = ";
    for (int s = 1; s <= a.nsf; ++s) addreal(5, true, 12, work.sf[static_cast<size_t>(s)], values);
    putstr(0, values, 1, ch13);
    std::string where = "phase = " + a.shortname + ", end-member = " + a.em[static_cast<size_t>(j)].name +
                        ", tmf term no = " + wholetostr(t) + ", sf term no = " + wholetostr(q) + ", sf = ";
    addreal(4, true, 0, work.sf[static_cast<size_t>(q)], where);
    putstr(1, where, 1, ch13);
    putstr(1, "sorry - try changing starting guesses!", 1, ch13);
    bombout("calca", "negative sf term", 0);
}

real idealactivity(const axphase& a, int j, const vec90& x) {
    const axem& em = a.em[static_cast<size_t>(j)];
    real aid = em.tmfconst;
    for (int t = 1; t <= em.ntmf; ++t) {
        const tmfterm& term = em.tmf[static_cast<size_t>(t)];
        const real s = work.sf[static_cast<size_t>(term.sfindex)];
        if (s <= 0) negativesf(a, j, t, term.sfindex, x);
        aid *= term.pownum == term.powden ? s : rationalpower(term.pownum, term.powden, s);
    }
    if (aid <= 0) bombout("calca", "ln <= 0", 1);
    return aid;
}

struct phasecall {
    const axphase& a;
    int em0, f0;
    phasesummary& sp;
    real P, T;
    bool tp, comp;
};

void phaseactivities(const phasecall& c, const vec90& x, emreal400& dGdP, emreal400& dGdT, emvarmat& D) {
    const axphase& a = c.a;
    const int n = a.nem, nv = a.nvars;
    const real P = c.P, T = c.T, rt = gasconst * T;
    const axvector& ax = x;
    for (int q = 1; q <= a.nsf; ++q) {
        const size_t qq = static_cast<size_t>(q);
        work.sf[qq] = evalaxexpr(a.sf[qq], ax, static_cast<int16_t>(c.f0));
        if (c.comp) {
            for (int v = 1; v <= nv; ++v) work.dsf[qq][static_cast<size_t>(v)] = dexprdx(a.sf[qq], static_cast<int16_t>(v), ax, static_cast<int16_t>(c.f0));
        }
    }
    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        work.p[jj] = evalaxexpr(a.p[jj], ax, static_cast<int16_t>(c.f0));
        c.sp.prop[jj] = work.p[jj];
    }
    const int model = a.model;
    if (model != 0) {
        for (int j = 1; j <= n; ++j) {
            const size_t jj = static_cast<size_t>(j);
            if (c.comp) {
                for (int v = 1; v <= nv; ++v) work.dp[jj][static_cast<size_t>(v)] = dexprdx(a.p[jj], static_cast<int16_t>(v), ax, static_cast<int16_t>(c.f0));
            }
            work.vla[jj] = a.vla[jj];
            work.vlb[jj] = a.vlb[jj];
            work.vlc[jj] = a.vlc[jj];
        }
        for (int w = 1; w <= a.ngterm; ++w) {
            const size_t ww = static_cast<size_t>(a.gterm[static_cast<size_t>(w)].wi);
            work.wa[ww] = a.wa[ww];
            work.wb[ww] = a.wb[ww];
            work.wc[ww] = a.wc[ww];
        }
        if (a.fluid)
            fluidsizes(a, P, T);
        else if (a.aq)
            aqueoussizes(a, P, T);
    }
    if (model == 2) {
        real sum = 0, sumb = 0, sumc = 0;
        for (int j = 1; j <= n; ++j) {
            const size_t jj = static_cast<size_t>(j);
            work.alpha[jj] = work.vla[jj] + work.vlb[jj] * T + work.vlc[jj] * P;
            sum += work.p[jj] * work.alpha[jj];
            sumb += work.p[jj] * work.vlb[jj];
            sumc += work.p[jj] * work.vlc[jj];
        }
        for (int j = 1; j <= n; ++j) {
            const size_t jj = static_cast<size_t>(j);
            work.phi[jj] = work.p[jj] * work.alpha[jj] / sum;
            if (c.tp) {
                work.dphidT[jj] = (work.vlb[jj] * work.p[jj] - work.phi[jj] * sumb) / sum;
                work.dphidP[jj] = (work.vlc[jj] * work.p[jj] - work.phi[jj] * sumc) / sum;
            }
        }
        if (c.comp) {
            for (int v = 1; v <= nv; ++v) {
                const size_t vv = static_cast<size_t>(v);
                real s = 0;
                for (int i = 1; i <= n; ++i) s += work.alpha[static_cast<size_t>(i)] * work.dp[static_cast<size_t>(i)][vv];
                for (int j = 1; j <= n; ++j) {
                    const size_t jj = static_cast<size_t>(j);
                    work.dphi[jj][vv] = (work.alpha[jj] * work.dp[jj][vv] - work.phi[jj] * s) / sum;
                }
            }
        }
    }
    const emrow& mix = model == 2 ? work.phi : work.p;
    const emvar& dmix = model == 2 ? work.dphi : work.dp;

    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        const size_t em = static_cast<size_t>(c.em0 + j - 1);
        const bool aqspecies = a.aq && a.em[jj].props.aqfactor != 0;
        const real aid = idealactivity(a, j, x);
        real G = 0, dT = gasconst * std::log(aid), dP = 0;
        if (c.comp) {
            for (int v = 1; v <= nv; ++v) {
                const size_t vv = static_cast<size_t>(v);
                real L = 0;
                const axem& e = a.em[jj];
                for (int t = 1; t <= e.ntmf; ++t) {
                    const tmfterm& term = e.tmf[static_cast<size_t>(t)];
                    const size_t q = static_cast<size_t>(term.sfindex);
                    L += static_cast<real>(term.pownum) / term.powden * work.dsf[q][vv] / work.sf[q];
                }
                D[em][static_cast<size_t>(c.f0 + v - 1)] = rt * L;
            }
        }
        if (model != 0) {
            for (int w = 1; w <= a.ngterm; ++w) {
                if (repeatedpair(a, w)) continue;
                const gterm& g = a.gterm[static_cast<size_t>(w)];
                const size_t wi = static_cast<size_t>(g.wi), i = static_cast<size_t>(g.emi), k = static_cast<size_t>(g.emj);
                const bool solventpair = aqspecies && i == 1 && k == jj;
                if (model == 1 && solventpair) bombout("calca", "symmetric aq??", 1);
                const real W = work.wa[wi] + work.wb[wi] * T + work.wc[wi] * P;
                const real f = model == 2 ? 2 * work.alpha[jj] / (work.alpha[i] + work.alpha[k]) : 1;
                const real Wx = W * f;
                const real qi = (jj == i ? 1 : 0) - mix[i];
                const real qk = (jj == k ? 1 : 0) - mix[k];
                const real cc = qi * qk + (solventpair ? 1 : 0);
                G -= cc * Wx;
                if (c.comp) {
                    for (int v = 1; v <= nv; ++v) {
                        const size_t vv = static_cast<size_t>(v);
                        D[em][static_cast<size_t>(c.f0 + v - 1)] += Wx * (dmix[i][vv] * qk + qi * dmix[k][vv]);
                    }
                }
                if (c.tp) {
                    if (model == 1) {
                        if (work.wb[wi] != 0) dT -= qi * qk * work.wb[wi];
                        if (work.wc[wi] != 0) dP -= qi * qk * work.wc[wi];
                    } else {
                        const real aik = work.alpha[i] + work.alpha[k];
                        dT += Wx * (work.dphidT[i] * qk + qi * work.dphidT[k]) -
                              cc * (Wx * (work.vlb[jj] / work.alpha[jj] - (work.vlb[i] + work.vlb[k]) / aik) +
                                    work.wb[wi] * 2 * work.alpha[jj] / aik);
                        dP += Wx * (work.dphidP[i] * qk + qi * work.dphidP[k]) -
                              cc * (Wx * (work.vlc[jj] / work.alpha[jj] - (work.vlc[i] + work.vlc[k]) / aik) +
                                    work.wc[wi] * 2 * work.alpha[jj] / aik);
                    }
                }
            }
        }
        if (model == 0) {
            c.sp.ideal[jj] = aid;
            c.sp.gamma[jj] = 0;
            c.sp.activity[jj] = aid;
            ws.emact[em] = aid;
        } else {
            const real gamma = std::exp(G / rt);
            c.sp.ideal[jj] = aid;
            c.sp.gamma[jj] = gamma;
            c.sp.activity[jj] = gamma * aid;
            ws.emact[em] = gamma * aid;
        }
        if (c.tp) {
            dGdT[em] = dT;
            dGdP[em] = dP;
        }
    }
}

}  // namespace

void calca(vec90 x, bool Tpderivs, bool compderivs, real P, real T, emreal400& dGdP, emreal400& dGdT,
           emvarmat& D) {
    for (int e = 1; e <= ws.nem; ++e) {
        const size_t ee = static_cast<size_t>(e);
        ws.emsda[ee] = 0;
        // A single-end-member phase carries its fixed activity into the equations.
        const int p = eq.purephaseofem[ee];
        const real a = p > 0 ? phases.prec0[static_cast<size_t>(p)].activity : 1;
        ws.emact[ee] = a;
        if (p > 0 && Tpderivs) {
            dGdT[ee] = gasconst * std::log(a);
            dGdP[ee] = 0;
        }
    }
    int s = 0;
    for (int em0 = 1; em0 <= ws.nem; ++em0) {
        if (!eq.phasestart[static_cast<size_t>(em0)]) continue;
        const axphase& a = phases.prec1[static_cast<size_t>(eq.phaseofstart[static_cast<size_t>(em0)])];
        ++s;
        phasesummary& sp = summary.sumphases[static_cast<size_t>(s)];
        const phasecall c{a, em0, eq.phasefirstvar[static_cast<size_t>(em0)], sp, P, T, Tpderivs, compderivs};
        phaseactivities(c, x, dGdP, dGdT, D);
    }
}

}  // namespace zt
