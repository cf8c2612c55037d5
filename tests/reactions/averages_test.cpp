#include "reactions/averages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "reactions/avpcalc.h"
#include "reactions/avptables.h"
#include "reactions/reactionsearch.h"
#include "reactions/rootfinder.h"
#include "runtime/runfiles.h"
#include "support/testsupport.h"
#include "tests/reactions/bracketlist.h"
#include "tests/reactions/reactionfixture.h"
#include "thermo/reactiondg.h"

namespace zt {
namespace {

using reactiontest::at;
using vec = std::vector<double>;
using mat = std::vector<vec>;
constexpr double gasr = 0.0083144;

vec solve(mat a, vec b) {  // Gaussian elimination with partial pivoting
    const size_t n = b.size();
    for (size_t i = 0; i < n; ++i) {
        size_t p = i;
        for (size_t r = i + 1; r < n; ++r)
            if (std::fabs(a[r][i]) > std::fabs(a[p][i])) p = r;
        std::swap(a[i], a[p]);
        std::swap(b[i], b[p]);
        for (size_t r = i + 1; r < n; ++r) {
            const double f = a[r][i] / a[i][i];
            for (size_t c = i; c < n; ++c) a[r][c] -= f * a[i][c];
            b[r] -= f * b[i];
        }
    }
    vec x(n);
    for (size_t i = n; i-- > 0;) {
        double s = b[i];
        for (size_t c = i + 1; c < n; ++c) s -= a[i][c] * x[c];
        x[i] = s / a[i][i];
    }
    return x;
}

// The "name = value;" and "{n1, n2} = Transpose[{...}];" assignments of a "-ql" file:
// each name of a transposed assignment gets its column.
std::map<std::string, testing::bracketvalue> readql(const std::string& text) {
    std::map<std::string, testing::bracketvalue> out;
    std::stringstream in(text);
    std::string statement;
    while (std::getline(in, statement, ';')) {
        const size_t eq = statement.find('=');
        if (eq == std::string::npos) continue;
        std::string lhs = statement.substr(0, eq), rhs = statement.substr(eq + 1);
        const size_t t = rhs.find("Transpose[");
        const bool transposed = t != std::string::npos;
        if (transposed) rhs = rhs.substr(t + 10, rhs.rfind(']') - t - 10);
        // Bare end-member names are symbols to an algebra tool; quote them for the reader.
        std::string quoted;
        for (size_t i = 0; i < rhs.size(); ++i) {
            const bool start = std::isalpha(static_cast<unsigned char>(rhs[i])) &&
                               (i == 0 || !(std::isalnum(static_cast<unsigned char>(rhs[i - 1])) || rhs[i - 1] == '.'));
            if (!start) {
                quoted += rhs[i];
                continue;
            }
            size_t e = i;
            while (e < rhs.size() && (std::isalnum(static_cast<unsigned char>(rhs[e])) || rhs[e] == '_')) ++e;
            quoted += '"' + rhs.substr(i, e - i) + '"';
            i = e - 1;
        }
        const std::string wrapped = "x = " + quoted + ";";
        const testing::bracketvalue v = testing::bracketparser(wrapped).parseall().at("x");
        std::vector<std::string> names;
        std::string name;
        for (char c : lhs + ",")
            if (c == ',') {
                if (!name.empty()) names.push_back(name);
                name.clear();
            } else if (std::isalnum(static_cast<unsigned char>(c))) {
                name += c;
            }
        if (!transposed) {
            out[names.at(0)] = v;
            continue;
        }
        for (size_t col = 0; col < names.size(); ++col) {
            testing::bracketvalue column;
            column.islist = true;
            for (const auto& row : v.items) column.items.push_back(row.items.at(col));
            out[names[col]] = column;
        }
    }
    return out;
}

double num(const testing::bracketvalue& v) { return std::stod(v.text); }

// Three independent reactions, each between two solids of the same heat capacity and
// equation of state, so that each line is close to straight; correlated enthalpies and
// uncertain activities.
struct averagesfixture : ::testing::Test {
    std::vector<double> act{0.8, 0.6, 1.0, 0.5, 0.9, 0.7};
    std::vector<double> sda{0.05, 0.04, 0, 0.05, 0.02, 0.05};

    void SetUp() override {
        reactiontest::resetall(2);
        resetavpt();
        resetsearch();
        resetavpcalc();
        settings.calcprange = {0, 1, 20};
        settings.calctrange = {0, 673.15L, 1173.15L};
        settings.pdecimals = 6;
        settings.tdecimals = 6;
        settings.xco2fluid = 0;
        settings.xh2ofluid = 1;
        // Each pair: delta H, delta S, delta V of the second over the first.
        const tdrecord base = reactiontest::solid(-3000, 0.25L, 10);
        const real d[3][3] = {{12, 0.02L, 1.0L}, {10.02L, 0.015L, 0.6L}, {17.5L, 0.03L, 1.5L}};
        const char* names[6] = {"ab", "jd", "an", "gr", "py", "alm"};
        for (int p = 0; p < 3; ++p) {
            tdrecord second = base;
            second.H += d[p][0];
            second.S += d[p][1];
            second.V += d[p][2];
            reactiontest::addem(names[2 * p], base, {});
            reactiontest::addem(names[2 * p + 1], second, {});
        }
        for (int i = 1; i <= 6; ++i) {
            ws.emact[at(i)] = act[at(i - 1)];
            ws.emsda[at(i)] = sda[at(i - 1)];
            ws.covat(i, i) = 0.3L + 0.1L * i;
        }
        ws.covat(1, 3) = ws.covat(3, 1) = 0.12L;
        ws.covat(2, 5) = ws.covat(5, 2) = -0.08L;
        ws.covat(4, 6) = ws.covat(6, 4) = 0.2L;
        reactions.nreac = 3;
        for (int k = 1; k <= 3; ++k) {
            reactions.r[at(k)][at(2 * k - 1)] = -1;
            reactions.r[at(k)][at(2 * k)] = 1;
        }
        calcreaclnk();
        settings.tlist[1] = 1000;
        settings.ntlist = 1;
        settings.plist[1] = 8;
        settings.nplist = 1;
        settings.pnow = 8;
        settings.tnow = 1000;
    }

    // x(CO2) and x(H2O) of a mixed fluid, when H2O and CO2 are working end-members.
    static inline double fluidxc = 0, fluidxh = 1;

    // delta G of reaction k with its activities and the fluid's mole fractions, evaluated
    // by the test itself.
    static double deltag(int k, double P, double T) {
        double g = 0;
        for (int i = 1; i <= ws.nem; ++i) {
            const int nu = reactions.r[at(k)][at(i)];
            if (nu == 0) continue;
            ws.td[at(i)].xco2 = fluidxc;
            ws.td[at(i)].xh2o = fluidxh;
            g += nu * (static_cast<double>(thermotest::gof(static_cast<int16_t>(i), P, T)) +
                       gasr * T * std::log(static_cast<double>(ws.emact[at(i)])));
            if (i == ws.ico2 && fluidxc > 0 && fluidxc < 1) g += nu * gasr * T * std::log(fluidxc);
            if (i == ws.ih2o && fluidxh > 0 && fluidxh < 1) g += nu * gasr * T * std::log(fluidxh);
        }
        return g;
    }

    // The root of f on [lo, hi] by bisection.
    static double bisect(const std::function<double(double)>& f, double lo, double hi) {
        const bool lowneg = f(lo) < 0;
        for (int i = 0; i < 200; ++i) {
            const double mid = (lo + hi) / 2;
            ((f(mid) < 0) == lowneg ? lo : hi) = mid;
        }
        return (lo + hi) / 2;
    }

    struct glsresult {
        double est, sd, sigfit;
    };

    // Average P at T (or T at P) from the reactions' roots and the definitions of the
    // covariances: var H of a reaction from cov, var ln K from (sd(a)/a)^2.
    glsresult independent(bool avp, double v) const {
        const int n = 3;
        vec x(n), w(n), u(n), ones(n, 1);
        for (int k = 1; k <= n; ++k) {
            const double h = avp ? 1e-4 : 1e-3;
            std::function<double(double)> f;
            if (avp)
                f = [k, v](double P) { return deltag(k, P, v); };
            else
                f = [k, v](double T) { return deltag(k, v, T); };
            x[at(k - 1)] = avp ? bisect(f, 1, 20) : bisect(f, 673.15, 1173.15);
            const double d = (f(x[at(k - 1)] + h) - f(x[at(k - 1)] - h)) / (2 * h);
            w[at(k - 1)] = -1 / d;
        }
        const double tref = avp ? v : x[n - 1];
        for (int k = 0; k < n; ++k) u[at(k)] = gasr * tref * w[at(k)];
        mat cv(n, vec(n));
        for (int k = 1; k <= n; ++k)
            for (int l = 1; l <= n; ++l) {
                double h = 0, lnk = 0;
                for (int i = 1; i <= 6; ++i) {
                    const double vi = sda[at(i - 1)] / act[at(i - 1)];
                    if (act[at(i - 1)] < 1) lnk += reactions.r[at(k)][at(i)] * reactions.r[at(l)][at(i)] * vi * vi;
                    for (int j = 1; j <= 6; ++j)
                        h += reactions.r[at(k)][at(i)] * static_cast<double>(ws.covat(i, j)) * reactions.r[at(l)][at(j)];
                }
                cv[at(k - 1)][at(l - 1)] = w[at(k - 1)] * h * w[at(l - 1)] + u[at(k - 1)] * lnk * u[at(l - 1)];
            }
        const vec y = solve(cv, ones);
        double s1 = 0, s2 = 0;
        for (int k = 0; k < n; ++k) {
            s1 += x[at(k)] * y[at(k)];
            s2 += y[at(k)];
        }
        const double est = s1 / s2;
        vec res(n);
        for (int k = 0; k < n; ++k) res[at(k)] = x[at(k)] - est;
        const vec z = solve(cv, res);
        double chi2 = 0;
        for (int k = 0; k < n; ++k) chi2 += res[at(k)] * z[at(k)];
        const double sigfit = std::sqrt(chi2 / (n - 1));
        return {est, (sigfit > 1 ? sigfit : 1) / std::sqrt(s2), sigfit};
    }
};

TEST_F(averagesfixture, OnePointIsTheLeastSquaresEstimateOfTheReactionLines) {
    struct point {
        bool avp;
        double v;
    };
    for (const point p : {point{true, 950}, point{true, 1050}, point{false, 7}, point{false, 9.5}}) {
        SCOPED_TRACE(::testing::Message() << (p.avp ? "average P at " : "average T at ") << p.v);
        search.rockcalctype = p.avp ? 0 : 1;
        real est = 0, sd = 0, sigfit = 0;
        avpcalc(p.v, 0, 1, true, est, sd, sigfit);
        const glsresult want = independent(p.avp, p.v);
        const double tol = p.avp ? 1e-6 : 1e-4;  // kbar or K
        EXPECT_NEAR(static_cast<double>(est), want.est, tol);
        EXPECT_NEAR(static_cast<double>(sd), want.sd, tol);
        EXPECT_NEAR(static_cast<double>(sigfit), want.sigfit, 1e-6);
    }
}

// The same with H2O and CO2 in reactions of four solids, in one fluid of x(CO2) 0.4 with
// the H2O-CO2 mixing term: the enthalpies put the lines at 4, 5 and 6 kbar at 873 K.
struct fluidaveragesfixture : averagesfixture {
    void SetUp() override {
        averagesfixture::SetUp();
        ws.nem = 4;
        ws.ih2o = reactiontest::addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {});
        ws.ico2 = reactiontest::addem("CO2", thermotest::fluidrec(-393.51L, 0.213677L, 0.0878L), {});
        ws.emact[5] = ws.emact[6] = 1;
        ws.emsda[5] = ws.emsda[6] = 0;
        act[4] = act[5] = 1;
        sda[4] = sda[5] = 0;
        ds.spswitch = true;
        pd.fluidtype = 6;
        fluidxc = 0.4;
        fluidxh = 0.6;
        const int rows[3][6] = {{-1, 1, 0, 0, 1, 0}, {-1, 0, 1, 0, 0, 1}, {-1, 0, 0, 1, 1, -1}};
        for (int k = 1; k <= 3; ++k) {
            reactions.r[at(k)].fill(0);
            for (int i = 1; i <= 6; ++i) reactions.r[at(k)][at(i)] = static_cast<int16_t>(rows[k - 1][i - 1]);
            // solid k + 1, in this reaction alone, takes the enthalpy that puts its line there
            ws.td[at(k + 1)].H -= deltag(k, 3 + k, 873.15);
        }
        calcreaclnk();
    }
    void TearDown() override {
        fluidxc = 0;
        fluidxh = 1;
        ds.spswitch = false;
    }
};

TEST_F(fluidaveragesfixture, AveragePressureWithAMixedFluidIsTheLeastSquaresEstimate) {
    for (const double T : {853.15, 873.15, 893.15}) {
        SCOPED_TRACE(::testing::Message() << "average P at " << T);
        search.rockcalctype = 0;
        real est = 0, sd = 0, sigfit = 0;
        avpcalc(T, 0.4L, 0.6L, true, est, sd, sigfit);
        const glsresult want = independent(true, T);
        EXPECT_NEAR(static_cast<double>(est), want.est, 1e-6);
        EXPECT_NEAR(static_cast<double>(sd), want.sd, 1e-6);
        EXPECT_NEAR(static_cast<double>(sigfit), want.sigfit, 1e-6);
    }
}

TEST_F(averagesfixture, ALineOutsideTheWindowGivesNoResult) {
    settings.calcprange = {0, 1, 12};  // the second reaction lies near 17.6 kbar at 1000 K
    real est = 1, sd = 1, sigfit = 0;
    avpcalc(1000, 0, 1, true, est, sd, sigfit);
    EXPECT_EQ(est, 0);
    EXPECT_EQ(sd, 0);
    EXPECT_EQ(sigfit, 100);
}


std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

// The rows of the reaction table: the lines after the column heads.
std::vector<std::vector<std::string>> reactionrows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    std::stringstream in(out);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.find("sd(ln_K)") != std::string::npos) {
            inside = true;
            continue;
        }
        if (!inside) continue;
        if (line.empty()) break;
        rows.push_back(words(line));
    }
    return rows;
}

TEST_F(averagesfixture, ReactionTableGivesEachLineItsPositionAndUncertainty) {
    testing::consolecapture console;
    channels.outchannels = 1;
    channels.pagewidth = 250;
    settings.printcor = 0;
    isrtable();
    const auto rows = reactionrows(console.output());
    ASSERT_EQ(rows.size(), 3u) << console.output();
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        real p = 0, p2 = 0, sd1 = 0, sd2 = 0, s1 = 0, s2 = 0;
        reactionpsd(static_cast<int16_t>(k), p, p2, 1000, 0, 1, sd1, sd2, s1, s2);
        const double root = bisect([k](double P) { return deltag(k, P, 1000); }, 1, 20);
        const auto& row = rows[at(k - 1)];
        ASSERT_EQ(row.size(), 9u);
        EXPECT_NEAR(std::stod(row[1]), root, 0.005);
        EXPECT_NEAR(std::stod(row[2]), static_cast<double>(sd1), 0.005);
    }
    const std::string out = console.output();
    EXPECT_NE(out.find("Correlation matrix: enthalpy of reaction"), std::string::npos);
    EXPECT_NE(out.find("Correlation matrix:  calculated pressures"), std::string::npos);
}

TEST_F(averagesfixture, ReactionOutsideTheWindowLeavesItsUncertaintiesBlank) {
    settings.calcprange = {0, 1, 12};  // the second reaction lies near 17.6 kbar
    settings.printcor = 0;
    testing::consolecapture console;
    channels.outchannels = 1;
    channels.pagewidth = 250;
    isrtable();
    const std::string out = console.output();
    const auto rows = reactionrows(out);
    ASSERT_EQ(rows.size(), 3u) << out;
    EXPECT_EQ(rows[1].size(), 7u) << out;  // no P, no sd(P)
    std::stringstream in(out.substr(out.find("calculated pressures")));
    std::string line;
    std::getline(in, line);
    std::getline(in, line);
    std::vector<std::vector<std::string>> corr;
    while (std::getline(in, line) && !line.empty()) corr.push_back(words(line));
    ASSERT_EQ(corr.size(), 3u) << out;
    EXPECT_EQ(corr[0].size(), 2u) << out;  // reactions 1 and 3 only
    EXPECT_TRUE(corr[1].empty());
    EXPECT_EQ(corr[0][0], "1.0000");
    EXPECT_EQ(out.find("nan"), std::string::npos) << out;
    EXPECT_EQ(out.find("inf"), std::string::npos) << out;
}

TEST_F(averagesfixture, QlListsReadBackWithTheReactionData) {
    testing::tempfolder folder;
    std::string name;
    openoutfile("zt-", "avp-ql.txt", channels.files[chql], name);
    channels.outchannels = 1 << chql;
    listformout();
    closetextfile(channels.files[chql]);
    const std::string text = folder.readfile("zt-avp-ql.txt");
    std::map<std::string, testing::bracketvalue> ql;
    ASSERT_NO_THROW(ql = readql(text)) << text;
    for (const char* list : {"name", "lna", "sdlna", "r", "a", "b", "c", "lnK", "sdlnK", "covh"})
        ASSERT_EQ(ql.count(list), 1u) << list << "\n" << text;
    ASSERT_EQ(ql["name"].items.size(), 6u);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(ql["name"].items[at(i - 1)].text, ws.emname[at(i)]);
        EXPECT_NEAR(num(ql["lna"].items[at(i - 1)]), std::log(act[at(i - 1)]), 1e-6);
        EXPECT_NEAR(num(ql["sdlna"].items[at(i - 1)]), act[at(i - 1)] < 1 ? sda[at(i - 1)] / act[at(i - 1)] : 0, 1e-6);
    }
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        for (int j = 1; j <= 6; ++j)
            EXPECT_EQ(num(ql["r"].items[at(k - 1)].items[at(j - 1)]), reactions.r[at(k)][at(j)]);
        double varlnk = 0;
        for (int i = 1; i <= 6; ++i)
            if (act[at(i - 1)] < 1) varlnk += std::pow(reactions.r[at(k)][at(i)] * sda[at(i - 1)] / act[at(i - 1)], 2);
        EXPECT_NEAR(num(ql["sdlnK"].items[at(k - 1)]), std::sqrt(varlnk), 1e-4);
        for (int l = 1; l <= 3; ++l) {
            double h = 0;
            for (int i = 1; i <= 6; ++i)
                for (int j = 1; j <= 6; ++j)
                    h += reactions.r[at(k)][at(i)] * static_cast<double>(ws.covat(i, j)) * reactions.r[at(l)][at(j)];
            EXPECT_NEAR(num(ql["covh"].items[at(k - 1)].items[at(l - 1)]), h, 1e-4);
        }
        // The line a + b T + c P + R T ln K = 0 passes through the reaction's root at 1000 K.
        const double root = bisect([k](double P) { return deltag(k, P, 1000); }, 1, 20);
        const double line = num(ql["a"].items[at(k - 1)]) + num(ql["b"].items[at(k - 1)]) * 1000 +
                            num(ql["c"].items[at(k - 1)]) * root + gasr * 1000 * num(ql["lnK"].items[at(k - 1)]);
        EXPECT_NEAR(line, 0, 0.02);
    }
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

std::vector<std::string> labelledrow(const std::string& out, const std::string& label) {
    std::stringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, label.size() + 1, label + " ") == 0) return words(line.substr(label.size()));
    return {};
}

TEST_F(averagesfixture, AveragePressuresOverTheTemperatureList) {
    const double ts[3] = {950, 1000, 1150};  // at 1150 K the second line is above 20 kbar
    for (int i = 1; i <= 3; ++i) settings.tlist[at(i)] = ts[i - 1];
    settings.ntlist = 3;
    testing::consolecapture console;
    channels.outchannels = 1;
    channels.pagewidth = 250;
    averagep();
    const std::string out = console.output();
    EXPECT_EQ(count(out, "average P at T = "), 1u) << out;  // the diagnostics of the middle point
    EXPECT_NE(out.find("average P at T = 727"), std::string::npos) << out;
    const auto avp = labelledrow(out, "av P");
    const auto sd = labelledrow(out, "sd");
    const auto sigfit = labelledrow(out, "sigfit");
    ASSERT_EQ(avp.size(), 3u) << out;
    ASSERT_EQ(sd.size(), 2u) << out;
    ASSERT_EQ(sigfit.size(), 2u) << out;
    for (int i = 0; i < 2; ++i) {
        const glsresult want = independent(true, ts[i]);
        EXPECT_NEAR(std::stod(avp[at(i)]), want.est, 0.005);
        EXPECT_NEAR(std::stod(sd[at(i)]), want.sd, 0.0005);
        EXPECT_NEAR(std::stod(sigfit[at(i)]), want.sigfit, 0.0005);
    }
    EXPECT_EQ(avp[2], "?");
    EXPECT_NE(out.find("Average pressures (for x(H2O) = 1.0)"), std::string::npos) << out;
}

TEST_F(averagesfixture, OnePointOfTheListIsWrittenAsASentence) {
    struct sentencecase {
        bool avp;
        std::string want;
    };
    const glsresult p = independent(true, 1000), t = independent(false, 8);
    const std::string tval = [&] {
        std::ostringstream o;
        o.setf(std::ios::fixed);
        o.precision(1);
        o << t.est - 273.15;
        return o.str();
    }();
    for (const auto& c : {sentencecase{true, "For T = 727 \xA1" "C, av P = "},
                          sentencecase{false, "For P = 8.0 kbar, av T = "}}) {
        search.rockcalctype = c.avp ? 0 : 1;
        testing::consolecapture console;
        channels.outchannels = 1;
        channels.pagewidth = 250;
        c.avp ? averagep() : averaget();
        const std::string out = console.output();
        const size_t at0 = out.find(c.want);
        ASSERT_NE(at0, std::string::npos) << out;
        const auto rest = words(out.substr(at0 + c.want.size(), out.find('\n', at0) - at0 - c.want.size()));
        ASSERT_GE(rest.size(), 1u) << out;
        if (c.avp)
            EXPECT_NEAR(std::stod(rest[0]), p.est, 0.0005) << out;
        else
            EXPECT_EQ(rest[0], tval) << out;
    }
}

TEST_F(averagesfixture, ActivitiesThatDoNotAddUpEndTheRun) {
    phases.npurephases = 5;  // six working end-members, no solution phase
    const auto r = thermotest::fatalof([] { updateactivity(8, 1000); });
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.console.find("k =   0, ncv =   6\n"), std::string::npos) << r.console;
    EXPECT_NE(r.console.find("-- run bombed in updateactivity : does not add up"), std::string::npos) << r.console;
}
}  // namespace
}  // namespace zt
