#include "thermo/fluids.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

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

// One Sterner-Pitzer evaluation: temperature, pressure and coefficients, with the same
// in double precision for the scan and the first root steps, where 80 bits buy nothing.
struct spcontext {
    real T, Pbar;
    const spcoefs& c;
    real rt;
    std::array<double, 11> cd;
    double rtd, pbard;
};

spcontext makecontext(real T, real Pbar, const spcoefs& c) {
    spcontext s{T, Pbar, c, 83.144L * T, {}, 0, static_cast<double>(Pbar)};
    for (size_t k = 0; k < c.size(); ++k) s.cd[k] = static_cast<double>(c[k]);
    s.rtd = static_cast<double>(s.rt);
    return s;
}

// The lines written to the console before the internal errors of the scan.
[[noreturn]] void spinternal(const spcontext& s, const char* message) {
    std::string line = "P = ";
    addreal(2, true, 8, s.Pbar, line);
    line += ", T = ";
    addreal(1, true, 10, s.T - 273.15L, line);
    writeconsole(line + "\n");
    bombout("doSP", message, 1);
}

[[noreturn]] void notconverged(const spcontext& s) {
    std::string line = "P = ";
    addreal(3, true, 10, s.Pbar, line);
    line += ", T = ";
    addwhole(8, line, s.T - 273.15L);
    writeconsole(line);
    bombout("sterner-pitzer", "did not converge", 0);
}

// funcx at the molar density rho = 1/V (mol/cm3), with its slope in rho and the two
// exponentials (for ln f at the root) when withslope, else with the size of its terms
// (for judging the sign of a value near 0).
template <typename F>
struct spresidual {
    F f, slope, e8, e10, size;
};

template <bool withslope, typename F, typename C>
spresidual<F> residualat(const C& c, F rt, F pbar, F rho) {
    const F r2 = rho * rho;
    const F dd = c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
    const F d1 = c[3] + rho * (2 * c[4] + rho * (3 * c[5] + rho * 4 * c[6]));
    const F e8 = std::exp(-c[8] * rho), e10 = std::exp(-c[10] * rho);
    const F inv = 1 / dd;
    const F q = d1 * inv * inv;  // D'/D^2
    const F t7 = c[7] * r2 * e8, t9 = c[9] * r2 * e10;
    const F f = rt * (rho + c[1] * r2 - r2 * q + t7 + t9) - pbar;
    if (!withslope) {
        const F size = rt * (std::fabs(rho) + std::fabs(c[1] * r2) + std::fabs(r2 * q) + std::fabs(t7) + std::fabs(t9)) +
                       std::fabs(pbar);
        return {f, 0, e8, e10, size};
    }
    const F d2 = 2 * c[4] + rho * (6 * c[5] + rho * 12 * c[6]);
    const F dz = 1 + 2 * c[1] * rho - 2 * rho * q - r2 * inv * inv * (d2 - 2 * d1 * d1 * inv) +
                 c[7] * e8 * rho * (2 - c[8] * rho) + c[9] * e10 * rho * (2 - c[10] * rho);
    return {f, rt * dz, e8, e10, 0};
}

spresidual<real> residual80(const spcontext& s, real rho) { return residualat<true, real>(s.c, s.rt, s.Pbar, rho); }
spresidual<double> residual64(const spcontext& s, double rho) {
    return residualat<true, double>(s.cd, s.rtd, s.pbard, rho);
}

int signof(real f) { return (f > 0) - (f < 0); }

// funcx at the volume v, in double where that settles its sign and in 80 bits where the
// double value lies too near 0 to be trusted.
double scanvalue(const spcontext& s, double v) {
    if (v == 0) spinternal(s, "V = 0 in funcx");
    const double rho = 1 / v;
    const std::array<double, 11>& c = s.cd;
    const double y = std::min(c[8] * rho, c[10] * rho);
    if (y >= 0) {
        // Both exponentials then lie below 1/(1 + y + y^2/2): where the other terms outweigh
        // their largest sum by far, they cannot change the sign and are left out (the value
        // serves the sign and the start of the root search).
        const double r2 = rho * rho;
        const double dd = c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
        const double d1 = c[3] + rho * (2 * c[4] + rho * (3 * c[5] + rho * 4 * c[6]));
        const double f0 = s.rtd * (rho + c[1] * r2 - r2 * d1 / (dd * dd)) - s.pbard;
        const double bound = s.rtd * (std::fabs(c[7]) + std::fabs(c[9])) * r2;
        if (std::fabs(f0) * (1 + y * (1 + y / 2)) > 2 * bound + 1e-9 * (std::fabs(f0) + s.pbard)) return f0;
    }
    const spresidual<double> r = residualat<false, double>(s.cd, s.rtd, s.pbard, rho);
    if (std::fabs(r.f) > 1e-9 * r.size) return r.f;
    return static_cast<double>(residualat<false, real>(s.c, s.rt, s.Pbar, 1 / static_cast<real>(v)).f);
}

// A sign change of funcx between the volumes va and vb, with the values there.
struct spbracket {
    double va, vb, fa, fb;
};

// The root of funcx where it changes sign, as a density, with the exponentials there.
struct sproot {
    real rho, e8, e10;
};

// e^(-k (x + dx)) from e = e^(-k x), for the small last step of a root.
real shifted(real e, real k, real dx) {
    const real t = -k * dx;
    if (std::fabs(t) < 1e-6L) return e * (1 + t * (1 + t / 2));
    return e * std::exp(t);
}

// Bisection between the volumes x1 and x2 to the tolerance tol: only for a sign change
// across V = 0, where the density is no interval.
sproot bisectvolume(const spcontext& s, real x1, real x2, real tol) {
    const auto funcx = [&s](real v) {
        if (v == 0) spinternal(s, "V = 0 in funcx");
        return residual80(s, 1 / v).f;
    };
    const real f1 = funcx(x1), f2 = funcx(x2);
    if (!(f1 * f2 < 0)) bombout("sterner-pitzer", "no bracket", 0);
    real start = f1 < 0 ? x1 : x2;
    real dx = f1 < 0 ? x2 - x1 : x1 - x2;
    for (int halving = 1; halving <= 40; ++halving) {
        dx /= 2;
        const real xm = start + dx;
        const real fm = funcx(xm);
        if (fm <= 0) start = xm;
        if (std::fabs(dx) < tol || fm == 0) {
            if (start == 0) spinternal(s, "V = 0 in calclnf");
            const spresidual<real> r = residual80(s, 1 / start);
            return {1 / start, r.e8, r.e10};
        }
    }
    notconverged(s);
}

// Newton steps in the density, kept inside the bracket [a, b] (sign sa at a): a step that
// leaves it, or does not halve the one before, is replaced by a bisection. Worked in
// double until the steps stall, then in 80 bits until a step is far below the precision
// that the next one would reach (Newton squares the error).
sproot spvroot(const spcontext& s, const spbracket& br) {
    if (!(br.va * br.vb > 0)) return bisectvolume(s, br.va, br.vb, 0.001L);
    real a = 1 / static_cast<real>(br.va), b = 1 / static_cast<real>(br.vb), fa = br.fa, fb = br.fb;
    if (a > b) {
        std::swap(a, b);
        std::swap(fa, fb);
    }
    const int sa = signof(fa);
    // The start: where the pressure, interpolated as a power of the density between the
    // ends, reaches Pbar (a straight line of ln P against ln rho); else the middle.
    real x = a + (b - a) / 2;
    const double pa = fa + s.pbard, pb = fb + s.pbard;
    if (pa > 0 && pb > 0 && s.pbard > 0 && a > 0) {
        const double la = std::log(static_cast<double>(a)), lb = std::log(static_cast<double>(b));
        const double lp = std::log(pa), lq = std::log(pb);
        const real guess = std::exp(la + (std::log(s.pbard) - lp) * (lb - la) / (lq - lp));
        if (guess > a && guess < b) x = guess;
    }

    double ad = static_cast<double>(a), bd = static_cast<double>(b), xd = static_cast<double>(x);
    double dxold = bd - ad;
    for (int it = 1; it <= 100; ++it) {
        const spresidual<double> r = residual64(s, xd);
        if (r.f == 0) break;
        if (signof(r.f) == sa)
            ad = xd;
        else
            bd = xd;
        double next = xd - r.f / r.slope;
        if (!(next > ad && next < bd) || std::fabs(next - xd) > std::fabs(dxold) / 2) next = ad + (bd - ad) / 2;
        dxold = next - xd;
        xd = next;
        if (std::fabs(dxold) <= 1e-8 * std::fabs(xd) || bd - ad <= 4e-16 * std::fabs(xd)) break;
    }
    if (xd > a && xd < b) x = xd;

    real dxprev = b - a;
    for (int it = 1; it <= 200; ++it) {
        const spresidual<real> r = residual80(s, x);
        if (r.f == 0) return {x, r.e8, r.e10};
        if (signof(r.f) == sa)
            a = x;
        else
            b = x;
        const real dx = -r.f / r.slope;
        const real next = x + dx;
        if ((next > a && next < b) && std::fabs(dx) <= std::fabs(dxprev) / 2) {
            if (std::fabs(dx) <= 1e-11L * std::fabs(x))
                return {next, shifted(r.e8, s.c[8], dx), shifted(r.e10, s.c[10], dx)};
            dxprev = dx;
            x = next;
        } else {
            dxprev = (b - a) / 2;
            x = a + dxprev;
            if (!(x > a && x < b)) return {x, std::exp(-s.c[8] * x), std::exp(-s.c[10] * x)};
        }
    }
    notconverged(s);
}

// Scans V from 3 to vstart in 20 steps; up to three sign changes.
int spscan(const spcontext& s, real vstart, spbracket (&found)[4]) {
    const double step = static_cast<double>((vstart - 3) / 20);
    int nbrackets = 0;
    double v = 3;
    double fprev = scanvalue(s, v);
    for (int k = 1; k <= 20 && nbrackets < 3; ++k) {
        v += step;
        const double f = scanvalue(s, v);
        if (fprev * f < 0) found[++nbrackets] = {v - step, v, fprev, f};
        fprev = f;
    }
    return nbrackets;
}

// The smallest root at or below the volume of r: the first sign change of a scan up from
// V = 3 in steps of ten per cent, fine enough for the liquid volumes that the 20-step
// scan misses.
sproot smallestroot(const spcontext& s, const sproot& r) {
    const double v = static_cast<double>(1 / r.rho);
    double lo = 3;
    double flo = scanvalue(s, lo);
    for (double hi = 1.1 * lo; hi < v; hi *= 1.1) {
        const double fhi = scanvalue(s, hi);
        if (flo * fhi < 0) return spvroot(s, {lo, hi, flo, fhi});
        lo = hi;
        flo = fhi;
    }
    return r;
}

real lnfat(const spcontext& s, const sproot& r) {
    const spcoefs& c = s.c;
    const real rho = r.rho;
    if (!(std::fabs(rho) < std::numeric_limits<real>::infinity())) spinternal(s, "V = 0 in calclnf");
    const real dd = c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
    return std::log(s.rt * rho) + c[1] * rho + 1 / dd - 1 / c[2] - (c[7] / c[8]) * (r.e8 - 1) -
           (c[9] / c[10]) * (r.e10 - 1) + s.Pbar / (s.rt * rho) - 1;
}

}  // namespace

void doSP(real& V, real& RTlnf, real Pbar, real T, real Psat, const spcoefs& c) {
    const spcontext s = makecontext(T, Pbar, c);
    spbracket found[4] = {};
    const int nb = spscan(s, V, found);
    // No sign change anywhere in the scan: there is no volume to return.
    if (nb == 0) bombout("sterner-pitzer", "no bracket", 0);
    sproot r = spvroot(s, found[1]);
    if (nb == 1) {
        // A scan step can hold the liquid root and the steam one, showing neither: above
        // the saturation pressure the liquid, the smallest root, is wanted.
        if (Psat > 0 && Pbar >= Psat) r = smallestroot(s, r);
    } else {
        for (int k = 2; k <= nb; ++k) {
            const sproot rk = spvroot(s, found[k]);
            const real vk = 1 / rk.rho, v = 1 / r.rho;
            if (Pbar < Psat ? vk > v : vk < v) r = rk;
        }
    }
    V = 1 / r.rho / 10;
    RTlnf = lnfat(s, r) * gasconst * T;
}

namespace {

void spcalch2o(real& V, real& RTlnf, real P, real T) {
    const real t2 = T * T, t3 = t2 * T, t5 = t3 * t2;
    // Powers of 1/T multiplied rather than divided by: the coefficients run on every call.
    const real u = 1 / T, u2 = u * u, u4 = u2 * u2;
    spcoefs c{};
    c[1] = 51.359951L + 246576.88L * u;
    c[2] = 0.58638965L * u - 0.0028646939L + 3.1375577e-05L * T;
    c[3] = -6.278384L * u + 0.014791599L + 0.00035779579L * T + 1.5432925e-08L * t2;
    c[4] = -0.42719875L - 1.6325155e-05L * T;
    c[5] = 5665.4978L * u - 16.580167L + 0.076560762L * T;
    c[6] = 0.10917883L;
    c[7] = 3887865600000.0L * u4 - 134948780.0L * u2 + 309165.64L * u + 7.5591105L;
    c[8] = 188.10675L - 65537.898L * u;
    c[9] = -14182435000000.0L * u4 + 181653900.0L * u2 - 197690.68L * u - 23.530318L;
    c[10] = 122.46777L + 92093.375L * u;
    const real psat = 1000 * (-0.013627L + 7.29395e-07L * t2 - 2.34622e-09L * t3 + 4.83607e-15L * t5);
    V = 20 + 8.3144L * T / P;
    doSP(V, RTlnf, 1000 * P, T, psat, c);
}

void spcalcco2(real& V, real& RTlnf, real P, real T) {
    const real t2 = T * T;
    const real u = 1 / T, u2 = u * u, u4 = u2 * u2;
    spcoefs c{};
    c[1] = 79.224365L + 1826134.0L * u;
    c[2] = 6.656066e-05L + 5.7152798e-06L * T + 3.0222363e-10L * t2;
    c[3] = 0.0059957845L + 7.1669631e-05L * T + 6.2416103e-09L * t2;
    c[4] = -1.3270279L * u - 0.15210731L + 0.00053654244L * T - 7.1115142e-08L * t2;
    c[5] = 0.12456776L * u + 4.9045367L + 0.009822056L * T + 5.5962121e-06L * t2;
    c[6] = 0.75522299L;
    c[7] = -393446440000.0L * u4 + 90918237.0L * u2 + 427767.16L * u - 22.347856L;
    c[8] = 119.71627L + 402.82608L * u;
    c[9] = 22995650.0L * u2 - 78971.817L * u - 63.376456L;
    c[10] = 18.038071L + 95029.765L * u;
    V = 60 + 8.3144L * T / P;
    doSP(V, RTlnf, 1000 * P, T, 0, c);
}

// The last result of H2O and of CO2: one G evaluation asks for the same fluid at the same
// P and T several times (its own term, the mixing term of the other species, the
// cordierite and aqueous terms), and a mixed fluid asks for both species twice. Besides P
// and T the result depends only on which equations the dataset selects.
struct fluidmemo {
    bool valid = false, sp = false;
    real P = 0, T = 0, V = 0, RTlnf = 0;
};
fluidmemo h2omemo, co2memo;

bool recalled(const fluidmemo& m, real& V, real& RTlnf, real P, real T) {
    if (!(m.valid && m.P == P && m.T == T && m.sp == ds.spswitch)) return false;
    V = m.V;
    RTlnf = m.RTlnf;
    return true;
}

void remember(fluidmemo& m, real V, real RTlnf, real P, real T) { m = {true, ds.spswitch, P, T, V, RTlnf}; }

void corkh2o(real& V, real& RTlnf, real P, real T) {
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

void corkco2(real& V, real& RTlnf, real P, real T) {
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

}  // namespace

void calch2o(real& V, real& RTlnf, real P, real T) {
    if (recalled(h2omemo, V, RTlnf, P, T)) return;
    if (ds.spswitch)
        spcalch2o(V, RTlnf, P, T);
    else
        corkh2o(V, RTlnf, P, T);
    remember(h2omemo, V, RTlnf, P, T);
}

void calcco2(real& V, real& RTlnf, real P, real T) {
    if (recalled(co2memo, V, RTlnf, P, T)) return;
    if (ds.spswitch)
        spcalcco2(V, RTlnf, P, T);
    else
        corkco2(V, RTlnf, P, T);
    remember(co2memo, V, RTlnf, P, T);
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
