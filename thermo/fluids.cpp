#include "thermo/fluids.h"

#include <cmath>
#include <string>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "thermo/dataset.h"
#include "thermo/einstein.h"

namespace zt {

void findVs(real& V, real& lnf, real P, real T, real Pv, real P0, real c, real d, real e, real a, real b) {
    const real rt = gasconst * T;
    const real sqt = std::sqrt(T);
    const real a2 = a / sqt - b * (rt + b * P);
    const real a3 = a * b / sqt;
    bool converged = false;
    for (int step = 1; step <= 21; ++step) {
        const real dv = (((P * V - rt) * V + a2) * V - a3) / ((3 * P * V - 2 * rt) * V + a2);
        V -= dv;
        if (V < b) V = P <= P0 ? rt / P : 1.001L * b;
        if (std::fabs(dv) < 0.001L * V) {
            converged = true;
            break;
        }
    }
    if (!converged) bombout("findVs", "did not converge", 0);
    const real z = P * V / rt;
    const real bb = b * P / rt;
    lnf = z - 1 - std::log(z - bb) - (a / (b * rt * sqt)) * std::log(1 + bb / z);
    if (Pv > 0) {
        const real rpv = std::sqrt(Pv);
        const real qpv = std::sqrt(rpv);
        V += c * Pv + d * rpv + e * qpv;
        lnf += (c * Pv * Pv / 2 + (2.0L / 3) * d * Pv * rpv + (4.0L / 5) * e * Pv * qpv) / rt;
    }
}

namespace {

// One Sterner-Pitzer evaluation: temperature, pressure and coefficients.
struct spcontext {
    real T, Pbar;
    const spcoefs& c;
};

// The lines written to the console before the internal errors of the scan.
[[noreturn]] void spinternal(const spcontext& s, const char* message) {
    std::string line = "P = ";
    addreal(2, true, 8, s.Pbar, line);
    line += ", T = ";
    addreal(1, true, 10, s.T - 273.15L, line);
    writeconsole(line + "\n");
    bombout("doSP", message, 1);
}

real spdenom(const spcoefs& c, real rho) {
    return c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
}

real funcx(const spcontext& s, real v) {
    if (v == 0) spinternal(s, "V = 0 in funcx");
    const spcoefs& c = s.c;
    const real rho = 1 / v;
    const real r2 = rho * rho;
    const real dd = spdenom(c, rho);
    const real dprime = c[3] + rho * (2 * c[4] + rho * (3 * c[5] + rho * 4 * c[6]));
    return 83.144L * s.T *
               (rho + c[1] * r2 - r2 * dprime / (dd * dd) + c[7] * r2 * std::exp(-c[8] * rho) +
                c[9] * r2 * std::exp(-c[10] * rho)) -
           s.Pbar;
}

real calclnf(const spcontext& s, real v) {
    if (v == 0) spinternal(s, "V = 0 in calclnf");
    const spcoefs& c = s.c;
    const real rho = 1 / v;
    const real rt = 83.144L * s.T;
    return std::log(rt * rho) + c[1] * rho + 1 / spdenom(c, rho) - 1 / c[2] -
           (c[7] / c[8]) * (std::exp(-c[8] * rho) - 1) - (c[9] / c[10]) * (std::exp(-c[10] * rho) - 1) +
           s.Pbar / (rt * rho) - 1;
}

// Bisection between x1 and x2 to the tolerance tol.
real spvroot(const spcontext& s, real x1, real x2, real tol) {
    const real f1 = funcx(s, x1);
    const real f2 = funcx(s, x2);
    if (!(f1 * f2 < 0)) bombout("sterner-pitzer", "no bracket", 0);
    real start, dx;
    if (f1 < 0) {
        start = x1;
        dx = x2 - x1;
    } else {
        start = x2;
        dx = x1 - x2;
    }
    for (int halving = 1; halving <= 40; ++halving) {
        dx /= 2;
        const real xm = start + dx;
        const real fm = funcx(s, xm);
        if (fm <= 0) start = xm;
        if (std::fabs(dx) < tol || fm == 0) return start;
    }
    std::string line = "P = ";
    addreal(3, true, 10, s.Pbar, line);
    line += ", T = ";
    addwhole(8, line, s.T - 273.15L);
    writeconsole(line);
    bombout("sterner-pitzer", "did not converge", 0);
}

// Scans V from 3 to vstart in 20 steps; up to three sign changes [lower, upper].
int spbracket(const spcontext& s, real vstart, real (&lower)[4], real (&upper)[4]) {
    const real step = (vstart - 3) / 20;
    int nbrackets = 0;
    real v = 3;
    real fprev = funcx(s, v);
    for (int k = 1; k <= 20 && nbrackets < 3; ++k) {
        v += step;
        const real f = funcx(s, v);
        if (fprev * f < 0) {
            ++nbrackets;
            lower[nbrackets] = v - step;
            upper[nbrackets] = v;
        }
        fprev = f;
    }
    return nbrackets;
}

// The smallest root at or below v: the first sign change of a scan up from V = 3 in
// steps of ten per cent, fine enough for the liquid volumes that the 20-step scan misses.
real smallestroot(const spcontext& s, real v) {
    real lo = 3;
    real flo = funcx(s, lo);
    for (real hi = 1.1L * lo; hi < v; hi *= 1.1L) {
        const real fhi = funcx(s, hi);
        if (flo * fhi < 0) return spvroot(s, lo, hi, 1e-06L * (lo + hi) / 2);
        lo = hi;
        flo = fhi;
    }
    return v;
}

}  // namespace

void doSP(real& V, real& RTlnf, real Pbar, real T, real Psat, const spcoefs& c) {
    const spcontext s{T, Pbar, c};
    real lower[4] = {}, upper[4] = {};
    const real vstart = V;
    const int nb = spbracket(s, vstart, lower, upper);
    real v;
    if (nb == 0) {
        // No sign change anywhere in the scan: there is no volume to return.
        bombout("sterner-pitzer", "no bracket", 0);
    } else if (nb == 1) {
        v = spvroot(s, 3, vstart, 0.001L);
        // Bisecting the whole scan settles on the steam root when the scan stepped over the
        // liquid one: above the saturation pressure the liquid, the smallest root, is wanted.
        if (Psat > 0 && Pbar >= Psat) v = smallestroot(s, v);
    } else {
        v = spvroot(s, lower[1], upper[1], 1e-06L * (lower[1] + upper[1]) / 2);
        for (int k = 2; k <= nb; ++k) {
            const real vk = spvroot(s, lower[k], upper[k], 1e-06L * (lower[k] + upper[k]) / 2);
            if (Pbar < Psat ? vk > v : vk < v) v = vk;
        }
    }
    V = v / 10;
    RTlnf = calclnf(s, v) * gasconst * T;
}

namespace {

void spcalch2o(real& V, real& RTlnf, real P, real T) {
    const real t2 = T * T, t3 = t2 * T, t4 = t2 * t2, t5 = t4 * T;
    spcoefs c{};
    c[1] = 51.359951L + 246576.88L / T;
    c[2] = 0.58638965L / T - 0.0028646939L + 3.1375577e-05L * T;
    c[3] = -6.278384L / T + 0.014791599L + 0.00035779579L * T + 1.5432925e-08L * t2;
    c[4] = -0.42719875L - 1.6325155e-05L * T;
    c[5] = 5665.4978L / T - 16.580167L + 0.076560762L * T;
    c[6] = 0.10917883L;
    c[7] = 3887865600000.0L / t4 - 134948780.0L / t2 + 309165.64L / T + 7.5591105L;
    c[8] = 188.10675L - 65537.898L / T;
    c[9] = -14182435000000.0L / t4 + 181653900.0L / t2 - 197690.68L / T - 23.530318L;
    c[10] = 122.46777L + 92093.375L / T;
    const real psat = 1000 * (-0.013627L + 7.29395e-07L * t2 - 2.34622e-09L * t3 + 4.83607e-15L * t5);
    V = 20 + 8.3144L * T / P;
    doSP(V, RTlnf, 1000 * P, T, psat, c);
}

void spcalcco2(real& V, real& RTlnf, real P, real T) {
    const real t2 = T * T, t4 = t2 * t2;
    spcoefs c{};
    c[1] = 79.224365L + 1826134.0L / T;
    c[2] = 6.656066e-05L + 5.7152798e-06L * T + 3.0222363e-10L * t2;
    c[3] = 0.0059957845L + 7.1669631e-05L * T + 6.2416103e-09L * t2;
    c[4] = -1.3270279L / T - 0.15210731L + 0.00053654244L * T - 7.1115142e-08L * t2;
    c[5] = 0.12456776L / T + 4.9045367L + 0.009822056L * T + 5.5962121e-06L * t2;
    c[6] = 0.75522299L;
    c[7] = -393446440000.0L / t4 + 90918237.0L / t2 + 427767.16L / T - 22.347856L;
    c[8] = 119.71627L + 402.82608L / T;
    c[9] = 22995650.0L / t2 - 78971.817L / T - 63.376456L;
    c[10] = 18.038071L + 95029.765L / T;
    V = 60 + 8.3144L * T / P;
    doSP(V, RTlnf, 1000 * P, T, 0, c);
}

}  // namespace

void calch2o(real& V, real& RTlnf, real P, real T) {
    if (ds.spswitch) {
        spcalch2o(V, RTlnf, P, T);
        return;
    }
    const real rt = gasconst * T;
    const real pv = P > 2.01L ? P - 2.01L : 0;
    const real b = 1.465L;
    const real c = 0.0019853L, d = -0.08909L, e = 0.080331L;
    const real t2 = T * T, t3 = t2 * T;
    const real a = T < 673 ? -1451.88L + 12.718L * T - 0.02212L * t2 + 1.3204e-05L * t3
                           : 1037.2L + 0.53013L * T - 0.00073907L * t2 + 1.7782e-07L * t3;
    real agas = a;
    real psat = 100;
    if (T < 695) {
        if (T < 673) agas = 16137.46L - 69.656L * T + 0.11618L * t2 - 6.8128e-05L * t3;
        psat = -0.013628L + 7.29395e-07L * t2 - 2.34622e-09L * t3 + 4.83607e-15L * t3 * t2;
        if (psat < 0.001L) psat = 0.001L;
    }
    real lp = 0;
    real lnf;
    if (T < 695 && P > psat) {
        real vs = rt / psat + 5 * b;
        real lg = 0, ll = 0;
        findVs(vs, lg, psat, T, pv, psat, c, d, e, agas, b);
        vs = b;
        findVs(vs, ll, psat, T, pv, psat, c, d, e, a, b);
        V = b;
        findVs(V, lp, P, T, pv, psat, c, d, e, a, b);
        lnf = std::log(1000 * P) + lp - ll + lg;
    } else {
        V = rt / P + 3 * b;
        findVs(V, lp, P, T, pv, psat, c, d, e, T < 695 ? agas : a, b);
        lnf = std::log(1000 * P) + lp;
    }
    RTlnf = rt * lnf;
}

void calcco2(real& V, real& RTlnf, real P, real T) {
    if (ds.spswitch) {
        spcalcco2(V, RTlnf, P, T);
        return;
    }
    const real rt = gasconst * T;
    const real b = 3.057L;
    const real a = 659.8L + 0.21078L * T - 0.00063976L * T * T;
    const real pv = P > 5.01L ? P - 5.01L : 0;
    const real c = 0.00540776L - 1.59046e-06L * T;
    const real d = -0.178198L + 2.45317e-05L * T;
    real lp = 0;
    V = rt / P + 3 * b;
    findVs(V, lp, P, T, pv, 100, c, d, 0, a, b);
    RTlnf = rt * (std::log(1000 * P) + lp);
}

void corkcs(real& V, real& RTlnf, real P, real T, real Pcrit, real Tcrit) {
    const real rt = gasconst * T;
    const real sqt = std::sqrt(T);
    const real sqp = std::sqrt(P);
    const real a = (Tcrit * std::sqrt(Tcrit)) * (5.45963e-05L * Tcrit - 8.6392e-06L * T) / Pcrit;
    const real b = 9.18301e-04L * Tcrit / Pcrit;
    const real c = (-3.30558e-05L * Tcrit + 2.30524e-06L * T) / (Pcrit * std::sqrt(Pcrit));
    const real d = (6.93054e-07L * Tcrit - 8.38293e-08L * T) / (Pcrit * Pcrit);
    V = rt / P + b - a * gasconst * sqt / ((rt + b * P) * (rt + 2 * b * P)) + c * sqp + d * P;
    RTlnf = rt * std::log(1000 * P) + b * P + (a / (b * sqt)) * (std::log(rt + b * P) - std::log(rt + 2 * b * P)) +
            (2.0L / 3) * c * P * sqp + d * P * P / 2;
}

}  // namespace zt
