#include "thermo/einstein.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/thermo/thermotest.h"

namespace zt {
namespace {

using namespace thermotest;

const real Tr = 298.15L, Pr = 0.001L;

// Composite Simpson rule with n (even) intervals.
template <typename F>
real simpson(F f, real lo, real hi, int n) {
    const real h = (hi - lo) / n;
    real s = f(lo) + f(hi);
    for (int k = 1; k < n; ++k) s += (k % 2 ? 4 : 2) * f(lo + k * h);
    return s * h / 3;
}

// Cold pressure straight from the compression laws: the exponential one by quadrature
// of K0 e^(K'(1-y))/y, so that nothing here leans on the series of the code.
real coldpressure(const tdrecord& r, bool wqx, real y) {
    if (!wqx) {
        const real kp = r.k0p, k0 = r.k0, kpp = r.k0pp;
        const real a = (1 + kp) / (1 + kp + k0 * kpp);
        const real b = (kp + kp * kp - k0 * kpp) / (k0 * (1 + kp));
        const real c = (1 + kp + k0 * kpp) / (kp + kp * kp - k0 * kpp);
        return (std::pow(1 + (y - 1) / a, -1 / c) - 1) / b;
    }
    return -simpson([&](real t) { return r.k0 * std::exp(r.k0p * (1 - t)) / t; }, 1.0L, y, 4000);
}

class EinsteinTest : public ::testing::Test {
protected:
    void SetUp() override { resetthermo(); }
};

TEST_F(EinsteinTest, SeriesCoefficientsExpandTheColdPressure) {
    const tdrecord r = einsteinrec();
    for (bool wqx : {false, true}) {
        prepareeinstein(r, wqx);
        for (real d : {0.01L, 0.04L, -0.03L}) {
            real series = 0;
            for (int k = 1; k <= 6; ++k) series += eprep.seriescoef[static_cast<size_t>(k)] * std::pow(d, k);
            const real exact = coldpressure(r, wqx, 1 - d) / r.k0;
            EXPECT_NEAR(static_cast<double>(series), static_cast<double>(exact), 20 * std::pow(std::fabs(d), 7))
                << wqx << " d " << static_cast<double>(d);
        }
    }
}

TEST_F(EinsteinTest, SeriesStartInvertsTheSeries) {
    // Build P from a chosen 1 - y through the truncated series; the start must give y
    // back with an error of seventh order: doubling d multiplies it by about 2^7.
    for (bool wqx : {false, true}) {
        prepareeinstein(einsteinrec(), wqx);
        for (real T : {Tr, 900.0L}) {
            const real u = thermalpressure(T) / eprep.k0;
            auto error = [&](real d) {
                real w = u;
                for (int k = 1; k <= 6; ++k) w += (eprep.seriescoef[static_cast<size_t>(k)] + u) * std::pow(d, k);
                return std::fabs(seriesstart(Pr + eprep.k0 * w, T) - (1 - d));
            };
            for (real d : {0.01L, -0.01L}) {
                const real ratio = error(2 * d) / error(d);
                EXPECT_GT(ratio, 90) << wqx << " T " << static_cast<double>(T) << " d " << static_cast<double>(d);
                EXPECT_LT(ratio, 180) << wqx << " T " << static_cast<double>(T) << " d " << static_cast<double>(d);
                EXPECT_LT(error(2 * d), 1e-8);
            }
        }
    }
}

TEST_F(EinsteinTest, CalcvSolvesTheEquationOfState) {
    const tdrecord r = einsteinrec();
    for (bool wqx : {false, true}) {
        prepareeinstein(r, wqx);
        for (real T : {300.0L, 800.0L, 1500.0L}) {
            for (real P : {0.001L, 5.0L, 40.0L, 200.0L, 1000.0L}) {
                const real y = calcv(P, T);
                const real p = Pr + thermalpressure(T) / y + coldpressure(r, wqx, y);
                // The exponential law in the code is a series cut off at 1e-8 per term.
                EXPECT_NEAR(static_cast<double>(p), static_cast<double>(P), wqx ? 1e-5 + 1e-6 * static_cast<double>(P) : 1e-9)
                    << wqx << " P " << static_cast<double>(P) << " T " << static_cast<double>(T);
            }
        }
        // No thermal pressure and no load: the reference volume itself.
        EXPECT_EQ(calcv(Pr, Tr), 1);
    }
}

TEST_F(EinsteinTest, UnreachableVolumeEndsTheRun) {
    prepareeinstein(einsteinrec(), false);
    const fatalresult f = fatalof([] { calcv(10000, 1000); });
    EXPECT_EQ(f.code, 1);
    EXPECT_NE(f.console.find(bombline("gem", "calc v not converged")), std::string::npos);
    EXPECT_EQ(f.console.find(internalnotice()), std::string::npos);

    // Through the Gibbs energy of the end-member.
    ds.dsmode = 7;
    const int16_t i = addem("spx", einsteinrec());
    const fatalresult g = fatalof([i] { gof(i, -600, 1000); });
    EXPECT_NE(g.console.find(bombline("gem", "calc v not converged")), std::string::npos);
}

TEST_F(EinsteinTest, ThermalSeriesAgreesWithSimpson) {
    ds.dsmode = 7;
    const int16_t i = addem("spx", einsteinrec());
    for (bool wqx : {false, true}) {
        settings.wqxon = wqx;
        for (real T : {283.0L, 350.0L, 500.0L, 800.0L, 1100.0L, 1400.0L, 1600.0L}) {
            for (real P : {0.001L, 10.0L, 40.0L}) {
                settings.numerical = false;
                const real gseries = gof(i, P, T);
                settings.numerical = true;
                const real gsimpson = gof(i, P, T);
                EXPECT_NEAR(static_cast<double>(gseries), static_cast<double>(gsimpson), 1e-4)
                    << wqx << " P " << static_cast<double>(P) << " T " << static_cast<double>(T);
            }
        }
    }
}

TEST_F(EinsteinTest, SimpsonRouteIntegratesTheCorrection) {
    // The defining integral, done here finely: F(T') (1 - T/T') with F from the volume
    // at Pr and the thermal pressure.
    const tdrecord r = einsteinrec();
    prepareeinstein(r, false);
    const real a = eprep.taita, c = eprep.taitc;
    auto integrand = [&](real T, real tp) {
        const real y = calcv(Pr, tp);
        const real d = thermalpressure(tp) + r.k0 * y * y * std::pow(1 + (y - 1) / a, -1 - 1 / c);
        const real px = eprep.pthcoef * einsteinfn(r.theta / tp);
        return px * px * tp * r.V / d * (1 - T / tp);
    };
    for (real T : {283.0L, 700.0L, 1300.0L}) {
        const real fine = simpson([&](real tp) { return integrand(T, tp); }, Tr, T, 400);
        EXPECT_NEAR(static_cast<double>(thermsimpson(T)), static_cast<double>(fine), 2e-5) << static_cast<double>(T);
        EXPECT_NEAR(static_cast<double>(thermseries(T)), static_cast<double>(fine), 1e-4) << static_cast<double>(T);
    }
    EXPECT_EQ(thermsimpson(Tr), 0);
}

TEST_F(EinsteinTest, HeatCapacityIsEinsteinWithoutExpansion) {
    // With a0 = 0 there is no Cp - Cv correction: -T d2G/dT2 = A xi(theta/T) + B T.
    tdrecord r = einsteinrec();
    r.a0 = 0;
    ds.dsmode = 7;
    const int16_t i = addem("spx", r);
    for (real T : {350.0L, 900.0L, 1700.0L}) {
        settings.numerical = false;
        const real curv = d2dx2([i](real t) { return gof(i, Pr, t); }, T, 0.05L);
        const real x = r.theta / T;
        const real cp = r.cpa * x * x * std::exp(x) / std::pow(std::exp(x) - 1, 2) + r.cpb * T;
        EXPECT_NEAR(static_cast<double>(-T * curv), static_cast<double>(cp), 1e-6 * static_cast<double>(cp));
        const real g = gof(i, 3, T);
        settings.numerical = true;
        EXPECT_EQ(gof(i, 3, T), g);
    }
}

TEST_F(EinsteinTest, ExpseriesIsTheIntegral) {
    struct expcase {
        real y, x;
        real tol;
        bool fallback;
    };
    const expcase cases[] = {
        {-0.26L, 4.27L, 1e-8L, false}, {0.05L, 4.27L, 1e-8L, false}, {-0.1L, 0, 1e-8L, false},
        {0.3L, 0, 1e-8L, false},       {0.3L, 4.27L, 1e-8L, true},    {-0.5L, 4.27L, 1e-5L, true},
        {0.9L, 0, 1e-12L, true},       {-0.5L, 0, 1e-12L, true},
    };
    for (const expcase& c : cases) {
        fit.nseriesfail = 0;
        const real got = expseries(c.y, c.x);
        const real quad = simpson([&](real u) { return std::exp(-c.x * u) / (1 + u); }, 0.0L, c.y, 20000);
        EXPECT_NEAR(static_cast<double>(got), static_cast<double>(quad), static_cast<double>(c.tol))
            << static_cast<double>(c.y) << " " << static_cast<double>(c.x);
        EXPECT_EQ(fit.nseriesfail, c.fallback ? 1 : 0) << static_cast<double>(c.y) << " " << static_cast<double>(c.x);
    }
}

TEST_F(EinsteinTest, ContinuedFractionGivesTheExponentialIntegral) {
    // Ei(-x) = -E1(x), tabulated values; nine levels of the fraction lose accuracy
    // towards small x.
    EXPECT_NEAR(static_cast<double>(cfrac(-2)), -0.04890051070806112, 3e-7);
    EXPECT_NEAR(static_cast<double>(cfrac(-5)), -1.148295591275326e-3, 1e-11);
    EXPECT_NEAR(static_cast<double>(cfrac(-10)), -4.156968929685324e-6, 1e-14);
}

}  // namespace
}  // namespace zt
