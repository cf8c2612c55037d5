// The linearised thermodynamics, line positions and uncertainties that the end-to-end
// cases print for the example dataset's reactions with H2O and CO2, worked out here from
// the end-member G alone: roots by bisection, derivatives by central differences of the
// fully resolved G, so that neither the program's forward steps nor its root finders
// take part. Each printed value must be the exact one rounded to its printed digits.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "runtime/prefs.h"
#include "support/testsupport.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/datasetreader.h"
#include "thermo/fluids.h"

namespace zt {
namespace {

using reactiontest::at;
constexpr real R = 0.0083144L;

std::string e2efile(const std::string& folder, const std::string& name) {
    const auto path = std::filesystem::path(__FILE__).parent_path().parent_path() / "e2e" / folder / name;
    return testing::filetext(path.string());
}

// One reaction: end-member names and coefficients.
using reactionrow = std::vector<std::pair<const char*, int>>;

class FluidLines : public ::testing::Test {
protected:
    testing::tempfolder folder;

    // Reads an end-to-end case's dataset with the given working end-members.
    void readdataset(const std::string& folder_, std::initializer_list<const char*> names) {
        reactiontest::resetall(3);
        folder.writefile("zt-ds62ex.txt", e2efile(folder_, "zt-ds62ex.txt"));
        prefs.dssuffix = "62ex";
        testing::consolecapture console;
        readthermo(1);
        ws.nem = 0;
        for (const char* n : names) ws.emname[at(++ws.nem)] = n;
        readthermo(2);
        readthermo(3);
        ASSERT_TRUE(ds.spswitch);
    }

    std::vector<std::pair<int16_t, int>> members(const reactionrow& row) const {
        std::vector<std::pair<int16_t, int>> m;
        for (const auto& [name, nu] : row) m.emplace_back(findem(name), nu);
        return m;
    }

    // delta G with unit activities, the fluid of x(CO2) xc and x(H2O) xh (ln x terms as
    // for a fluid described by its composition).
    real deltag(const reactionrow& row, real P, real T, real xc, real xh) const {
        real g = 0;
        for (const auto& [i, nu] : members(row)) {
            ws.td[at(i)].xco2 = xc;
            ws.td[at(i)].xh2o = xh;
            g += nu * thermotest::gof(i, P, T);
            if (ws.emname[at(i)] == "H2O" && xh > 0 && xh < 1) g += nu * R * T * std::log(xh);
            if (ws.emname[at(i)] == "CO2" && xc > 0 && xc < 1) g += nu * R * T * std::log(xc);
        }
        return g;
    }

    real sdh(const reactionrow& row) const {
        real v = 0;
        for (const auto& [i, nu] : members(row))
            for (const auto& [j, nv] : members(row)) v += nu * ws.covat(i, j) * nv;
        return std::sqrt(v);
    }

    static real bisect(const std::function<real(real)>& f, real lo, real hi) {
        const bool lowneg = f(lo) < 0;
        for (int k = 0; k < 100; ++k) {
            const real mid = (lo + hi) / 2;
            ((f(mid) < 0) == lowneg ? lo : hi) = mid;
        }
        return (lo + hi) / 2;
    }

    static real ddx(const std::function<real(real)>& f, real x, real h) { return (f(x + h) - f(x - h)) / (2 * h); }

    // The printed value is the exact one rounded to the given decimals.
    static void printedas(real exact, double printed, int decimals, const std::string& what) {
        EXPECT_NEAR(static_cast<double>(exact), printed, 0.5 * std::pow(10.0, -decimals)) << what;
    }

    // The row "a sd(a) b c" of the thermodynamics table at (P, T) and the fluid.
    void tablerow(const reactionrow& row, real P, real T, real xc, real xh, double a, double b, double c) {
        const real g = deltag(row, P, T, xc, xh);
        const real gp = ddx([&](real p) { return deltag(row, p, T, xc, xh); }, P, 1e-4L);
        const real gt = ddx([&](real t) { return deltag(row, P, t, xc, xh); }, T, 1e-3L);
        real lnk = 0;
        for (const auto& [i, nu] : members(row))
            if (ws.emname[at(i)] == "H2O" && xh > 0 && xh < 1) lnk += nu * std::log(xh);
        printedas(g - T * gt - P * gp, a, 3, "a");
        printedas(gt - R * lnk, b, 6, "b");
        printedas(gp, c, 5, "c");
    }
};

const reactionrow prlky = {{"prl", -1}, {"ky", 1}, {"q", 3}, {"H2O", 1}};
const reactionrow prland = {{"prl", -1}, {"and", 1}, {"q", 3}, {"H2O", 1}};
const reactionrow prlsil = {{"prl", -1}, {"sil", 1}, {"q", 3}, {"H2O", 1}};

TEST_F(FluidLines, TemperatureAgainstXCO2) {
    // Pyrophyllite breakdown at 4 kbar in a fluid with the H2O-CO2 mixing term; the
    // uncertainty is taken at x(CO2) 0.1.
    readdataset("mode3-tx", {"ky", "q", "prl", "H2O"});
    pd.fluidtype = 6;
    tablerow(prlky, 4, 673.15L, 0.405L, 0.595L, 34.369, -0.052573, 0.39485);
    const auto f = [&](real t) { return deltag(prlky, 4, t, 0.1L, 0.9L); };
    const real T = bisect(f, 573.15L, 773.15L);
    printedas(T - 273.15L, 370.32, 2, "T at x(CO2) 0.1");
    printedas(sdh(prlky) / std::fabs(ddx(f, T, 1e-3L)), 38.9, 1, "sdT");
}

TEST_F(FluidLines, PressureAgainstXCO2) {
    readdataset("mode3-px-window", {"ky", "q", "prl", "H2O"});
    pd.fluidtype = 6;
    tablerow(prlky, 5.5L, 653.15L, 0.405L, 0.595L, 34.712, -0.052359, 0.29098);
    const auto at = [&](real xc) {
        return [&, xc](real p) { return deltag(prlky, p, 653.15L, xc, 1 - xc); };
    };
    printedas(bisect(at(0.2L), 1, 10), 6.979, 3, "P at x(CO2) 0.2");
    const real P = bisect(at(0.1L), 1, 10);
    printedas(P, 6.060, 3, "P at x(CO2) 0.1");
    printedas(sdh(prlky) / std::fabs(ddx(at(0.1L), P, 1e-4L)), 9.69, 2, "sdP");
}

TEST_F(FluidLines, PressureAgainstLogAOfH2O) {
    readdataset("mode3-ploga-window", {"ky", "q", "prl", "H2O"});
    const auto f = [&](real p) { return deltag(prlky, p, 653.15L, 0, 1); };
    const real P = bisect(f, 1, 10);
    printedas(P, 4.449, 3, "P at log a 0");
    printedas(sdh(prlky) / std::fabs(ddx(f, P, 1e-4L)), 7.73, 2, "sdP");
}

TEST_F(FluidLines, PureWaterAtFiveKilobars) {
    readdataset("mode3-excess", {"ky", "and", "sil", "q", "prl", "H2O"});
    tablerow(prlky, 5, 823.15L, 0, 1, 24.510, -0.041508, 0.36970);
    tablerow(prland, 5, 823.15L, 0, 1, 28.566, -0.049925, 1.10907);
    tablerow(prlsil, 5, 823.15L, 0, 1, 31.306, -0.052911, 0.91913);
}

TEST_F(FluidLines, WollastoniteInAnH2OCO2FluidPhase) {
    // cc + q = wo + CO2 with CO2 in the fluid phase of x(CO2) x: a van Laar mixture whose
    // energy 10.5 (1/V(H2O) + 1/V(CO2)) and CO2 size V(CO2)/V(H2O) come from the volumes.
    // T at P and x.
    readdataset("mode1-xco2-values", {"q", "cc", "wo", "H2O", "CO2"});
    const reactionrow wo = {{"cc", -1}, {"q", -1}, {"wo", 1}, {"CO2", 1}};
    const auto rtlnaco2 = [](real P, real T, real x) {
        real vh, vc, f;
        calch2o(vh, f, P, T);
        calcco2(vc, f, P, T);
        const real w = 10.5L * (1 / vh + 1 / vc), size = vc / vh;
        const real phih = (1 - x) / ((1 - x) + size * x);
        return R * T * std::log(x) + phih * phih * w * 2 * size / (1 + size);
    };
    struct point {
        real P, x;
        double T;
    };
    for (const point p : {point{2, 0.2L, 712.527}, point{4, 0.2L, 846.880}, point{2, 0.4L, 776.156},
                          point{4, 0.4L, 928.120}, point{2, 0.6L, 823.097}, point{4, 0.6L, 989.456}}) {
        const auto f = [&](real t) { return deltag(wo, p.P, t, 0, 1) + rtlnaco2(p.P, t, p.x); };
        printedas(bisect(f, 573.15L, 1273.15L) - 273.15L, p.T, 3, "T");
    }
}

}  // namespace
}  // namespace zt
