#include "thermo/gibbs.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/records/fitsetstate.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/records/phasestate.h"
#include "runtime/records/tdrecord.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/aqueous.h"
#include "thermo/braggwilliams.h"
#include "thermo/dataset.h"
#include "thermo/einstein.h"
#include "thermo/fluids.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

// Nearest whole number, ties to even (lrint in the default rounding mode, without the
// cost of saving the floating-point environment that nearbyint pays).
int32_t rounded(real x) { return static_cast<int32_t>(std::lrint(x)); }

// x^y for x > 0 at a sixth of the cost of the 80-bit pow, to within a few units in the
// last place of the extended type (0 and negative x give what pow gives).
real powpositive(real x, real y) { return std::exp(y * std::log(x)); }

bool preparedfor(const tdprepared& p, const tdrecord& d) {
    return p.valid && p.oldds == ds.oldds && p.V == d.V && p.a0 == d.a0 && p.k0 == d.k0 && p.k0p == d.k0p &&
           p.k0pp == d.k0pp && p.theta == d.theta;
}

// The record-only part of a solid's volume integral in the Tait form.
void fillprepared(tdprepared& p, const tdrecord& d) {
    p.oldds = ds.oldds;
    p.V = d.V;
    p.a0 = d.a0;
    p.k0 = d.k0;
    p.k0p = d.k0p;
    p.k0pp = d.k0pp;
    p.theta = d.theta;
    taitparams(d.k0, d.k0p, d.k0pp, p.taita, p.taitb, p.taitc);
    p.norm = (1 - p.taita) + p.taita * powpositive(1 + p.taitb * refpres, -p.taitc);
    const real xi0 = einsteinfn(d.theta / reftemp);
    p.pthcoef = d.a0 * d.k0 * d.theta / xi0;
    p.pthref = 1 / std::expm1(d.theta / reftemp);
    p.valid = true;
}

// The refinement keeps its own end-member records; gem reads them as a tdrecord.
void loadfitrecord(const fitemrecord& f, tdrecord& rec) {
    rec = tdrecord{};
    rec.code = f.code;
    rec.H = f.H;
    rec.S = f.S;
    rec.V = f.V;
    rec.cpa = f.cpa;
    rec.cpb = f.cpb;
    rec.cpc = f.cpc;
    rec.cpd = f.cpd;
    rec.a0 = f.a0;
    rec.k0 = f.k0;
    rec.k0p = f.k0p;
    rec.k0pp = f.k0pp;
    rec.theta = f.theta;
    rec.dkdt = f.dkdt;
    rec.tlandau = f.tlandau;
    rec.smax = f.smax;
    rec.vmax = f.vmax;
    rec.bwdh = f.bwdh;
    rec.bwdhv = f.bwdhv;
    rec.bww = f.bww;
    rec.bwwv = f.bwwv;
    rec.bwn = f.bwn;
    rec.bwfac = f.bwfac;
    rec.aqfactor = f.aqfactor;
    rec.xco2 = f.xco2;
    rec.xh2o = 1 - f.xco2;
    rec.prep = f.prep;
}

// What one gem call works on.
struct gemcontext {
    const tdrecord& d;
    const str22& name;
    real P, T;
};

// A thermal pressure that makes the Tait form take the log of a negative number.
real pthproblem(const gemcontext& g, real pth, real a, real b, real c) {
    if (fit.fitreport) {
        std::string line = "pth problem with " + g.name + " in outxy at";
        addreal(2, true, 7, g.P, line);
        line += ", " + wholetostr(g.T - 273.15L);
        writeconsole(line + "\n");
        return 0.001L - 0.999L / b;
    }
    std::string line;
    addwhole(4, line, fit.iexp);
    addfield(g.name, 6, line);
    addreal(6, true, 12, g.P, line);
    addwhole(10, line, g.T - 273.15L);
    addreal(6, true, 16, pth, line);
    addreal(6, true, 12, a, line);
    addreal(6, true, 12, b, line);
    addreal(6, true, 12, c, line);
    writeconsole(line + "\n");
    bombout("gem", g.name + ": b Pth > 1, log(-ve)", 0);
}

// Integral of V dP from Pr to P of a solid in the Tait form with a thermal pressure.
real solidvolume(const gemcontext& g, const tdprepared& p) {
    const real P = g.P, T = g.T;
    const real a = p.taita, b = p.taitb, c = p.taitc;
    real pth = p.pthcoef * (1 / std::expm1(p.theta / T) - p.pthref);
    if (b * pth > 1) pth = pthproblem(g, pth, a, b, c);
    return p.V *
           ((P - refpres) * (1 - a) +
            a * (powpositive(1 + b * (refpres - pth), 1 - c) - powpositive(1 + b * (P - pth), 1 - c)) / (b * (c - 1))) /
           p.norm;
}

// Integral of V dP from Pr to P outside the Einstein layout.
real volumeterm(const gemcontext& g, bool liquid) {
    const tdrecord& d = g.d;
    const real P = g.P, T = g.T;
    real K = ds.oldds ? d.k0pp : d.k0;
    if (K == 0) return d.V * (P - refpres);
    if (ds.oldds) {
        // Murnaghan form: field 8 a0, 9 f, 11 K298, 12 K', 13 dK/dT.
        const real a0 = d.a0, f = d.k0, kp = d.theta;
        K = d.k0pp + d.dkdt * (T - reftemp);
        const real vt = d.V * (1 + a0 * ((T - reftemp) - 2 * f * (std::sqrt(T) - std::sqrt(reftemp))));
        const real e = 1 - 1 / kp;
        return K * vt * std::pow(1 + kp * refpres / K, 1 / kp) *
               (std::pow(1 + kp * P / K, e) - std::pow(1 + kp * refpres / K, e)) / (kp - 1);
    }
    if (liquid) {
        K = d.k0 + d.dkdt * (T - reftemp);
        real a, b, c;
        taitparams(K, d.k0p, d.k0pp, a, b, c);
        const real norm = (1 - a) + a * powpositive(1 + b * refpres, -c);
        return d.V * std::exp(d.a0 * (T - reftemp)) *
               ((P - refpres) * (1 - a) +
                a * (powpositive(1 + b * refpres, 1 - c) - powpositive(1 + b * P, 1 - c)) / (b * (c - 1))) /
               norm;
    }
    if (preparedfor(d.prep, d)) return solidvolume(g, d.prep);
    tdprepared fresh;
    fillprepared(fresh, d);
    return solidvolume(g, fresh);
}

// Heat-capacity part of G - (H - T S) for Cp = a + bT + c/T^2 + d/sqrt(T).
// The powers of Tr that the heat-capacity integrals use, computed once.
const real sqrttr = std::sqrt(reftemp);
const real invtr = 1 / reftemp;
const real invtr2 = 1 / (reftemp * reftemp);
const real invsqrttr = 1 / std::sqrt(reftemp);

real cpterm(const tdrecord& d, real T) {
    const real tr = reftemp;
    const real sqrtt = std::sqrt(T), invt = 1 / T;
    const real hcp = d.cpa * (T - tr) + d.cpb / 2 * (T * T - tr * tr) - d.cpc * (invt - invtr) +
                     2 * d.cpd * (sqrtt - sqrttr);
    const real scp = d.cpa * std::log(T * invtr) + d.cpb * (T - tr) - d.cpc / 2 * (invt * invt - invtr2) -
                     2 * d.cpd * (1 / sqrtt - invsqrttr);
    return hcp - T * scp;
}

// RT ln f of the fluid end-members, with the volume of H2O and CO2 for the mixing term.
real fluidterm(const gemcontext& g, real& vfluid) {
    const str22& name = g.name;
    real rtlnf = 0;
    vfluid = 0;
    // Most end-members are none of the fluids: decided on the first letter.
    const char first = name.empty() ? ' ' : name[0];
    if (first != 'H' && first != 'C' && first != 'S') return 0;
    if (name == "H2O")
        calch2o(vfluid, rtlnf, g.P, g.T);
    else if (name == "CO2")
        calcco2(vfluid, rtlnf, g.P, g.T);
    else if (name == "CH4")
        corkcs(vfluid, rtlnf, g.P, g.T, 0.046L, 190.6L);
    else if (name == "H2")
        corkcs(vfluid, rtlnf, g.P, g.T, 0.0211L, 41.2L);
    else if (name == "CO")
        corkcs(vfluid, rtlnf, g.P, g.T, 0.035L, 132.9L);
    else if (name == "H2S")
        corkcs(vfluid, rtlnf, g.P, g.T, 0.0893L, 373.2L);
    else if (name == "S2")
        corkcs(vfluid, rtlnf, g.P, g.T, 0.08L, 259.6L);
    return rtlnf;
}

// Non-ideal H2O-CO2 mixing of one fluid holding both as end-members.
real vanlaarfluid(const gemcontext& g, real vfluid) {
    const bool ish2o = g.name == "H2O";
    if (!ish2o && g.name != "CO2") return 0;
    const real xc = g.d.xco2, xh = g.d.xh2o;
    if (ish2o ? !(xc > 0 && xh < 1) : !(xc < 1 && xh > 0)) return 0;
    real vh = vfluid, vc = vfluid, lnf;
    if (ish2o)
        calcco2(vc, lnf, g.P, g.T);
    else
        calch2o(vh, lnf, g.P, g.T);
    const real w = 10.5L * (vh + vc) / (vh * vc);
    const real dd = (xh * vh + xc * vc) * (xh * vh + xc * vc);
    if (ish2o) return 2 * w * xc * xc * vh * vc * vc / ((vh + vc) * dd);
    return 2 * w * xh * xh * vc * vh * vh / ((vh + vc) * dd);
}

real landauterm(const gemcontext& g) {
    const tdrecord& d = g.d;
    const real P = g.P, T = g.T;
    const real tl = d.tlandau, smax = d.smax, vmax = d.vmax;
    // A critical temperature at or below Tr has no order left at Tr.
    const real q298 = tl > reftemp ? std::sqrt(1 - reftemp / tl) : 0;
    const real tlp = tl + P * vmax / smax;
    real q = 0, hord, sord;
    if (!ds.oldds) {
        if (T <= tlp && tl > 0) q = std::sqrt((tlp - T) / tl);
        sord = smax * (q298 - q);
        hord = (q298 - q) * P * vmax + smax * tl * ((q298 - q) - (q298 * q298 * q298 - q * q * q) / 3);
    } else {
        if (T <= tlp) q = std::sqrt(1 - T / tlp);
        const real a0 = d.a0, f = d.k0, kp = d.theta;
        const real K = d.k0pp + d.dkdt * (T - reftemp);
        sord = smax * (q298 - q);
        hord = smax * (tl * q298 * (1 - q298 * q298 / 3) - tlp * q * (1 - q * q / 3)) +
               (std::pow(1 + kp * P / K, 1 - 1 / kp) - 1) * q298 * vmax * K *
                   (1 + a0 * ((T - reftemp) - 2 * f * (std::sqrt(T) - std::sqrt(reftemp)))) / (kp - 1);
    }
    return hord - T * sord;
}

real braggwilliamsterm(const gemcontext& g, int16_t n) {
    const tdrecord& d = g.d;
    const real P = g.P, T = g.T;
    const real dh = d.bwdh + P * d.bwdhv;
    const real w = d.bww + P * d.bwwv;
    const real fac = d.bwfac;
    const real q = bwq(n, T, dh, w, fac);
    const real rn = n;
    const real hord = dh + q * (w - dh) - w * q * q;
    const real a = (1 + rn * q) * std::log((1 + rn * q) / (rn + 1)) + rn * (1 - q) * std::log(rn * (1 - q) / (rn + 1));
    const real b = rn * (1 - q) * std::log((1 - q) / (rn + 1)) + rn * (rn + q) * std::log((rn + q) / (rn + 1));
    const real sord = fac >= 0 ? -gasconst * fac * (a + b) / (rn + 1) : -gasconst * (a - fac * b) / (rn + 1);
    return hord - T * sord;
}

// Hydration of cordierite by the fluid.
real crdterm(const gemcontext& g) {
    const real P = g.P, T = g.T, rt = gasconst * T;
    real s = 1, v, rtlnf;
    if (g.d.xh2o > 0) {
        const real h = ds.oldds ? 41.79L : 42.84L;
        const real k1 =
            std::exp(-((h - 0.109L * T) - 0.0083L * ((T - reftemp) - T * std::log(T / reftemp))) / rt);
        calch2o(v, rtlnf, P, T);
        s += g.d.xh2o * std::exp(rtlnf / rt) / k1;
    }
    if (g.d.xco2 > 0) {
        const real k2 = std::exp(12.73L - 1930 / T);
        calcco2(v, rtlnf, P, T);
        s += g.d.xco2 * std::exp(rtlnf / rt) / k2;
    }
    return -rt * std::log(s);
}

real aqueousterm(const gemcontext& g) {
    const tdrecord& d = g.d;
    const real P = g.P, T = g.T;
    const real tref = T > 500 ? 500 : T;
    real vh, rtlnf;
    calch2o(vh, rtlnf, P, T);
    real gaq = d.aqfactor * ((-27.091L + 0.09086L * T + 350.42L * (T / tref) * std::log(1.81799456L / vh)) - 15.8L * P);
    if (run.calcmode != 4) {
        gaq += 0.03354L * T;
        if (d.aqterm1 != 0 && d.aqterm3 > 0)
            gaq += 0.019144612724L * T * debyehuckel(P, T, d.xco2, d.xh2o, d.aqterm3, d.aqterm1 * d.aqterm2);
    }
    return gaq;
}

// G of one record and name; refining: a record of the refinement.
real gemof(const tdrecord& d, const str22& name, real P, real T, bool refining) {
    const gemcontext g{d, name, P, T};
    const int32_t code = rounded(d.code);
    const bool einsteinlayout = ds.dsmode == 7 && code >= 3 && code <= 5;
    const bool liquid = !name.empty() && name.back() == 'L';
    if (einsteinlayout) prepareeinstein(d, settings.wqxon);

    if (std::fabs(d.S) < 1e-8L) return d.H;

    real gv = 0;
    if (d.V == 0)
        gv = 0;
    else if (einsteinlayout)
        gv = einsteingv(P, T);
    else
        gv = volumeterm(g, liquid);

    const real gcp = einsteinlayout ? einsteingcp(T, settings.numerical) : cpterm(d, T);

    real vfluid;
    const real gf = fluidterm(g, vfluid);
    const real gmix = pd.fluidtype == 6 ? vanlaarfluid(g, vfluid) : 0;

    real gord = 0;
    if (d.smax > 0) gord = landauterm(g);
    const int16_t n = ds.oldds ? 0 : static_cast<int16_t>(rounded(d.bwn));
    if (n > 0) gord = braggwilliamsterm(g, n);

    real gcrd = 0;
    if (run.calcmode != 1 && (!refining || fit.expcrdflag) && (name == "crd" || name == "fcrd")) gcrd = crdterm(g);

    const real gaq = d.aqfactor != 0 ? aqueousterm(g) : 0;

    return (d.H - T * d.S) + gcp + gv + gf + gmix + gord + gcrd + gaq;
}

}  // namespace

void preparetd(tdrecord& d) {
    d.prep = tdprepared{};
    if (d.V == 0 || d.k0 == 0 || ds.oldds) return;
    fillprepared(d.prep, d);
}

void preparefitrecord(fitemrecord& f) {
    tdrecord rec;
    loadfitrecord(f, rec);
    preparetd(rec);
    f.prep = rec.prep;
}

void gem(int16_t i, real& G, real P, real T) {
    if (run.gemcount < std::numeric_limits<int32_t>::max()) ++run.gemcount;
    const size_t at = static_cast<size_t>(i);
    if (run.calcmode == 4) {
        tdrecord fitrec;
        loadfitrecord(fit.tda[at], fitrec);
        G = gemof(fitrec, ds.dsnames[at], P, T, true);
    } else {
        G = gemof(ws.td[at], ws.emname[at], P, T, false);
    }
}

bool fluidvolumeonly(int16_t i, real P, real T, real& V) {
    if (run.calcmode == 4) return false;
    const size_t at = static_cast<size_t>(i);
    const tdrecord& d = ws.td[at];
    const str22& name = ws.emname[at];
    const bool h2o = name == "H2O";
    if (!h2o && name != "CO2") return false;
    if (rounded(d.makeentry) != 0 || std::fabs(d.S) < 1e-8L || d.V != 0 || d.smax > 0 || d.aqfactor != 0) return false;
    if (!ds.oldds && rounded(d.bwn) > 0) return false;
    const bool mixing = h2o ? d.xco2 > 0 && d.xh2o < 1 : d.xco2 < 1 && d.xh2o > 0;
    if (pd.fluidtype == 6 && mixing) return false;
    real rtlnf;
    if (h2o)
        calch2o(V, rtlnf, P, T);
    else
        calcco2(V, rtlnf, P, T);
    return true;
}

namespace {

// One constituent list of a made end-member: the a-x end-member or the single phase.
template <typename makerecord>
real makesum(const makerecord& m, real P, real T) {
    real sum = 0;
    for (int j = 1; j <= m.nmake; ++j) {
        real gj;
        gem(m.makeindex[static_cast<size_t>(j)], gj, P, T);
        sum += m.makecoef[static_cast<size_t>(j)] * gj / m.makedivisor;
    }
    return sum;
}

}  // namespace

void gemdriver(int16_t i, real& G, real P, real T) {
    const tdrecord& d = ws.td[static_cast<size_t>(i)];
    if (rounded(d.makeentry) == 0) {
        gem(i, G, P, T);
        return;
    }
    if (ds.oldds) bombout("gemdriver", "make end-members need a dataset of layout 5 or later", 0);
    const int32_t ph = rounded(d.makephase);
    const int32_t k = rounded(d.makeentry);
    G = d.H - T * d.S + P * d.V;
    if (ph > 0)
        G += makesum(phases.prec1[static_cast<size_t>(ph)].em[static_cast<size_t>(k)], P, T);
    else
        G += makesum(phases.prec0[static_cast<size_t>(k)], P, T);
}

}  // namespace zt
