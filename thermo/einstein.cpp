#include "thermo/einstein.h"

#include <cmath>

#include "runtime/records/fitsetstate.h"
#include "runtime/reporter.h"

namespace zt {

einsteinprepared eprep;

void reseteinstein() { eprep = einsteinprepared{}; }

real powi(int16_t n, real x) {
    if (n == 2) return x * x;
    int32_t m = n < 0 ? -static_cast<int32_t>(n) : n;
    real p = 1;
    for (int32_t k = 0; k < m; ++k) p *= x;
    return n < 0 ? 1 / p : p;
}

void taitparams(real K, real kp, real kpp, real& a, real& b, real& c) {
    if (kpp == 0) {
        a = 1;
        b = kp / K;
        c = 1 / kp;
        return;
    }
    a = (1 + kp) / (1 + kp + K * kpp);
    b = (kp + kp * kp - K * kpp) / (K * (1 + kp));
    c = (1 + kp + K * kpp) / (kp + kp * kp - K * kpp);
}

real einsteinfn(real x) {
    real em1 = std::expm1(x);
    return x * x * std::exp(x) / (em1 * em1);
}

void prepareeinstein(const tdrecord& rec, bool wqx) {
    einsteinprepared& e = eprep;
    e.v0 = rec.V;
    e.cpa = rec.cpa;
    e.cpb = rec.cpb;
    e.a0 = rec.a0;
    e.k0 = rec.k0;
    e.k0p = rec.k0p;
    e.k0pp = rec.k0pp;
    e.theta = rec.theta;
    e.wqx = wqx;
    e.x0 = e.theta / reftemp;
    e.xi0 = einsteinfn(e.x0);
    e.pthcoef = e.a0 * e.k0 / e.xi0;
    const real kp = e.k0p;
    if (!wqx) {
        taitparams(e.k0, kp, e.k0pp, e.taita, e.taitb, e.taitc);
        const real ac = e.taita * e.taitc;
        e.seriescoef[1] = 1;
        for (int k = 2; k <= 6; ++k)
            e.seriescoef[static_cast<size_t>(k)] =
                e.seriescoef[static_cast<size_t>(k - 1)] * (1 + (k - 1) * e.taitc) / (k * ac);
    } else {
        e.taita = e.taitb = e.taitc = 0;
        real partial = 0, term = 1;  // sum of K'^j/j! for j < k
        for (int k = 1; k <= 6; ++k) {
            partial += term;
            term *= kp / k;
            e.seriescoef[static_cast<size_t>(k)] = partial / k;
        }
    }
}

real thermalpressure(real T) {
    const einsteinprepared& e = eprep;
    return e.pthcoef * e.theta * (1 / std::expm1(e.theta / T) - 1 / std::expm1(e.x0));
}

namespace {

// Cold pressure and its y-derivative under the chosen compression law.
real pcold(real y) {
    const einsteinprepared& e = eprep;
    if (e.wqx) return -e.k0 * expseries(y - 1, e.k0p);
    return (std::pow(1 + (y - 1) / e.taita, -1 / e.taitc) - 1) / e.taitb;
}

real dpcolddy(real y) {
    const einsteinprepared& e = eprep;
    if (e.wqx) return -e.k0 * std::exp(e.k0p * (1 - y)) / y;
    return -e.k0 * std::pow(1 + (y - 1) / e.taita, -1 / e.taitc - 1);
}

// Series reversion of w - u = sum c_k (1 - y)^k.
real reversion(real P, real pthT) {
    const einsteinprepared& e = eprep;
    const real u = pthT / e.k0;
    const real w = (P - refpres) / e.k0;
    std::array<real, 7> c{};
    for (size_t k = 1; k <= 6; ++k) c[k] = e.seriescoef[k] + u;
    const real z = (u - w) / (1 + u);
    const real c1 = c[1], c2 = c[2], c3 = c[3], c4 = c[4], c5 = c[5], c6 = c[6];
    const real t2 = c2 / c1;
    const real t3 = (2 * c2 * c2 - c1 * c3) / powi(2, c1);
    const real t4 = (5 * powi(3, c2) - 5 * c1 * c2 * c3 + c1 * c1 * c4) / powi(3, c1);
    const real t5 = (14 * powi(4, c2) - 21 * c1 * c2 * c2 * c3 + c1 * c1 * (3 * c3 * c3 + 6 * c2 * c4) -
                     powi(3, c1) * c5) /
                    powi(4, c1);
    const real t6 = (42 * powi(5, c2) - 84 * c1 * powi(3, c2) * c3 + 28 * c1 * c1 * (c2 * c3 * c3 + c2 * c2 * c4) -
                     7 * powi(3, c1) * (c2 * c5 + c3 * c4) + powi(4, c1) * c6) /
                    powi(5, c1);
    return 1 + z + z * z * (t2 + z * (t3 + z * (t4 + z * (t5 + z * t6))));
}

}  // namespace

real seriesstart(real P, real T) { return reversion(P, thermalpressure(T)); }

real calcv(real P, real T) {
    const einsteinprepared& e = eprep;
    const real pthT = thermalpressure(T);
    real y = reversion(P, pthT);
    const bool guard = P >= 30 && e.pthcoef * (T - 400) < P && y > 1;
    if (guard) y = 0.8L;
    real dy = 1;
    for (int step = 1; step <= 10; ++step) {
        const real py = refpres + pthT / y + pcold(y);
        const real dpdy = -pthT / (y * y) + dpcolddy(y);
        dy = (P - py) / dpdy;
        if (step == 1 && guard && y + dy < 0.7L) dy = 0.7L - y;
        y += dy;
        if (std::fabs(dy) < 5e-7L) break;
    }
    if (!(std::fabs(dy) < 5e-7L)) bombout("gem", "calc v not converged", 0);
    return y;
}

real einsteingv(real P, real T) {
    const einsteinprepared& e = eprep;
    if (P == refpres) return 0;
    const real pth = thermalpressure(T);
    const real yp = calcv(P, T);
    const real yr = calcv(refpres, T);
    if (!e.wqx) {
        const real a = e.taita, b = e.taitb, c = e.taitc;
        return e.v0 * ((yp - yr) / b + yp * (P - refpres) - pth * std::log(yp / yr) +
                       (a * c / (b * (1 - c))) *
                           (std::pow(1 + (yp - 1) / a, 1 - 1 / c) - std::pow(1 + (yr - 1) / a, 1 - 1 / c)));
    }
    const real k0 = e.k0, kp = e.k0p;
    return e.v0 * (yp * (P - refpres) - pth * std::log(yp / yr) +
                   (k0 / kp) * (std::exp(kp * (1 - yp)) - std::exp(kp * (1 - yr))) +
                   yp * k0 * expseries(yp - 1, kp) - yr * k0 * expseries(yr - 1, kp));
}

namespace {

// x e^x / (e^x - 1), the Einstein entropy kernel.
real entropykernel(real x) { return x / -std::expm1(-x); }

// Integrand of the Cp - Cv correction at T' (without the factor 1 - T/T').
real correctionintegrand(real tp) {
    const einsteinprepared& e = eprep;
    const real y = calcv(refpres, tp);
    const real pth = thermalpressure(tp);
    real d;
    if (!e.wqx)
        d = pth + e.k0 * y * y * std::pow(1 + (y - 1) / e.taita, -1 - 1 / e.taitc);
    else
        d = pth + e.k0 * y * std::exp(e.k0p * (1 - y));
    const real px = e.pthcoef * einsteinfn(e.theta / tp);
    return px * px * tp * e.v0 / d;
}

}  // namespace

real thermsimpson(real T) {
    int32_t n = static_cast<int32_t>(std::nearbyint((T - reftemp) / 10));
    if (n > 140) n = 138;
    if (n < 3) n = 4;
    if (n % 2 != 0) n += 1;
    const real h = (T - reftemp) / n;
    real ends = 0, odd = 0, even = 0;
    for (int32_t k = 1; k <= n + 1; ++k) {
        const real tp = reftemp + (k - 1) * h;
        const real v = correctionintegrand(tp) * (1 - T / tp);
        if (k == 1 || k == n + 1)
            ends += v;
        else if (k % 2 == 0)
            even += v;
        else
            odd += v;
    }
    return h / 3 * (ends + 2 * odd + 4 * even);
}

real einsteingcp(real T, bool numerical) {
    const einsteinprepared& e = eprep;
    const real xt = e.theta / T;
    const real h1 = e.cpa * e.theta * (1 / std::expm1(xt) - 1 / std::expm1(e.x0)) +
                    e.cpb / 2 * (T * T - reftemp * reftemp);
    const real s1 = e.cpa * (entropykernel(xt) - entropykernel(e.x0) - std::log(std::expm1(xt) / std::expm1(e.x0))) +
                    e.cpb * (T - reftemp);
    real g = h1 - T * s1;
    if (std::fabs(e.pthcoef) < 1e-10L) return g;
    g += numerical ? thermsimpson(T) : thermseries(T);
    return g;
}

namespace {

// Integral from Tr to T of t^p dt.
real powintegral(int p, real T) {
    if (p == -1) return std::log(T / reftemp);
    const int16_t q = static_cast<int16_t>(p + 1);
    return (powi(q, T) - powi(q, reftemp)) / q;
}

}  // namespace

real thermseries(real T) {
    const einsteinprepared& e = eprep;
    // im[m + 7] = integral from Tr to T of t^-m (1 - T/t) dt, m = -7..13.
    std::array<real, 21> im{};
    for (int m = -7; m <= 13; ++m) im[static_cast<size_t>(m + 7)] = powintegral(-m, T) - T * powintegral(-m - 1, T);
    auto I = [&im](int m) { return im[static_cast<size_t>(m + 7)]; };

    const real th = e.theta;
    const real r = e.pthcoef / e.k0;
    const real big = e.v0 * e.pthcoef * r;
    const real u = 1 / (1 - std::exp(e.x0)) - 0.5L;
    const real k = e.k0p;

    static const real g[8] = {1.0L, -1.0L / 6, 0.0152777778L, -0.00102513228L,
                              5.64925044e-05L, -2.71815376e-06L, 1.18504273e-07L, -4.79617364e-09L};
    std::array<real, 8> ej{}, t{};
    real s0 = 0;
    for (int j = 0; j <= 7; ++j) {
        ej[static_cast<size_t>(j)] = big * g[j] * powi(static_cast<int16_t>(2 * j), th);
        t[static_cast<size_t>(j)] = ej[static_cast<size_t>(j)] * I(2 * j - 1);
        s0 += t[static_cast<size_t>(j)];
    }
    if (std::fabs(t[7]) > 0.00025L && t[5] != 0) {
        const real ratio = t[6] / t[7];
        const real denom = ratio * ratio * (t[6] / t[5]) - 1;
        if (denom != 0) s0 += t[7] / denom;
    }

    const real m1 = k - 2;
    const real k2 = k * k, k3 = k2 * k, k4 = k3 * k, k5 = k4 * k, k6 = k5 * k;
    const real q2 = (2 * k2 - 8 * k + 9) / 2;
    const real q3 = (6 * k3 - 37 * k2 + 81 * k - 64) / 6;
    const real q4 = (24 * k4 - 204 * k3 + 668 * k2 - 1024 * k + 625) / 24;
    const real q5 = (120 * k5 - 1318 * k4 + 5802 * k3 - 13177 * k2 + 15625 * k - 7776) / 120;
    const real q6 = (720 * k6 - 9792 * k5 + 54612 * k4 - 164984 * k3 + 288894 * k2 - 279936 * k + 117649) / 720;

    auto L = [&](int s) {
        return ej[4] * I(7 + s) + ej[3] * I(5 + s) + ej[2] * I(3 + s) + ej[1] * I(1 + s) + ej[0] * I(-1 + s);
    };
    auto thp = [th](int n) { return powi(static_cast<int16_t>(n), th); };
    auto rp = [r](int n) { return powi(static_cast<int16_t>(n), r); };
    const real u2 = u * u, u4 = u2 * u2, u6 = u4 * u2;

    const real c1 = m1 * th * r * u + q2 * thp(2) * rp(2) * (1.0L / 6 + u2) + q3 * thp(3) * rp(3) * u * (1 + 2 * u2) / 2 +
                    q4 * thp(4) * rp(4) * (360 * u4 + 360 * u2 + 13) / 360 +
                    q5 * thp(5) * rp(5) * u * (72 * u4 + 120 * u2 + 13) / 72 +
                    q6 * thp(6) * rp(6) * (30240 * u6 + 75600 * u4 + 16380 * u2 + 251) / 30240;
    const real c2 = m1 * r + 2 * q2 * th * u * rp(2) + q3 * thp(2) * rp(3) * (1 + 12 * u2) / 4 +
                    q4 * thp(3) * rp(4) * u * (1 + 4 * u2) + q5 * thp(4) * rp(5) * (80 * u4 + 40 * u2 + 1) / 16 +
                    q6 * thp(5) * rp(6) * u * (384 * u4 + 320 * u2 + 24) / 64;
    const real c3 = q2 * rp(2) + 3 * q3 * th * u * rp(3) + q4 * thp(2) * rp(4) * (1 + 18 * u2) / 3 +
                    5 * q5 * thp(3) * rp(5) * u * (1 + 6 * u2) / 3 +
                    q6 * thp(4) * rp(6) * (3600 * u4 + 1200 * u2 + 23) / 240;
    const real c4 = q3 * rp(3) + 4 * q4 * th * u * rp(4) + 5 * q5 * thp(2) * rp(5) * (1 + 24 * u2) / 12 +
                    q6 * thp(3) * rp(6) * u * (7200 * u2 + 900) / 360;
    const real c5 = q4 * rp(4) + 5 * q5 * th * u * rp(5) + q6 * thp(2) * rp(6) * (1 + 30 * u2) / 2;
    const real c6 = q5 * rp(5) + 6 * q6 * th * u * rp(6);
    const real c7 = q6 * rp(6);
    const real c8 = m1 * r * thp(2) / 12 + q2 * thp(3) * rp(2) * u / 6 + q3 * thp(4) * rp(3) * (1 + 15 * u2) / 60 +
                    q4 * thp(5) * rp(4) * u * (1 + 5 * u2) / 15 +
                    q5 * thp(6) * rp(5) * (1260 * u4 + 504 * u2 + 11) / 3024;
    const real c9 = q2 * thp(4) * rp(2) / 240 + q3 * thp(5) * rp(3) * u / 80 +
                    q4 * thp(6) * rp(4) * (8 + 189 * u2) / 7560 + q5 * thp(7) * rp(5) * u * (8 + 63 * u2) / 1512;
    const real c10 = -(m1 * r * thp(4) / 720 + q2 * thp(5) * rp(2) * u / 360 +
                       q3 * thp(6) * rp(3) * (1 + 252 * u2) / 60480 + q4 * thp(7) * rp(4) * u * (1 + 84 * u2) / 15120 +
                       q5 * thp(8) * rp(5) * (630 * u4 + 15 * u2 - 2) / 90720);

    return s0 + c1 * L(0) + c2 * L(-1) + c3 * L(-2) + c4 * L(-3) + c5 * L(-4) + c6 * L(-5) + c7 * L(-6) +
           c8 * L(1) + c9 * L(2) + c10 * L(3);
}

real cfrac(real z) {
    real d = 17 - z;
    for (int level = 8; level >= 1; --level) d = (2 * level - 1 - z) - static_cast<real>(level * level) / d;
    return -std::exp(z) / d;
}

real expseries(real y, real x) {
    real sum = 0;
    real ypow = 1;      // (-y)^n
    real em = 0;        // e_(n-1)(x)
    real xterm = 1;     // x^(n-1)/(n-1)!
    bool converged = false;
    for (int n = 1; n <= 16; ++n) {
        ypow *= -y;
        em += xterm;
        xterm *= x / n;
        const real term = -ypow * em / n;
        sum += term;
        if (std::fabs(term) < 1e-8L) {
            converged = true;
            break;
        }
    }
    if (converged) return sum;
    fit.nseriesfail += 1;
    // Both exponential integrals diverge at x = 0, where the integral is ln(1 + y).
    if (x == 0) return std::log(1 + y);
    return std::exp(x) * (cfrac(-x * (1 + y)) - cfrac(-x));
}

}  // namespace zt
