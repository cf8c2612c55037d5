// Mode-3 cases under e2e/ with a Schreinemakers analysis (the end-to-end tests hold the
// program to their summary files byte for byte), read back and checked here: each
// tabulated value lies on its reaction, each invariant point on the lines of its group,
// each slope of a bundle is that of its line, and a point's uncertainty is that of the
// enthalpies propagated through it, worked out from the case's own dataset.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "tests/thermo/thermofixture.h"
#include "thermo/datasetreader.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using testing::linesof;
using testing::wordsof;

constexpr double gasr = 0.0083144;

std::string readwhole(const std::string& path) {
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return testing::filetext(path);
}

std::string casefile(const std::string& casename, const std::string& file) {
    return readwhole(std::string(ZELTRAM_E2E_DIR) + "/" + casename + "/" + file);
}

bool startswith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }

// A reaction as printed: "3)  prl = sil + 3q + H2O", coefficients by name.
std::map<std::string, int> parsereaction(const std::string& text) {
    std::map<std::string, int> nu;
    const size_t eq = text.find(" = ");
    const std::string sides[2] = {text.substr(text.find(')') + 1, eq - text.find(')') - 1), text.substr(eq + 3)};
    for (int s = 0; s < 2; ++s) {
        std::string term;
        std::istringstream in(sides[s]);
        while (in >> term) {
            if (term == "+") continue;
            size_t d = 0;
            while (d < term.size() && std::isdigit(static_cast<unsigned char>(term[d]))) ++d;
            const int c = d > 0 ? std::stoi(term.substr(0, d)) : 1;
            nu[term.substr(d)] += s == 0 ? -c : c;
        }
    }
    return nu;
}

// One mode-3 case: its dataset read by the program's reader, its diagram, and delta G of
// its reactions worked out here from the end-members' G, the water activity 10^a.
struct mode3case {
    std::string name, out;
    int mode = 0;               // 0 P-T, 1 P-x(CO2), 2 T-x(CO2), 3 P-log a(H2O), 4 T-log a(H2O)
    double fixed = 0;           // T in K or P in kbar (not P-T)
    std::vector<std::map<std::string, int>> reactions;  // numbered from 0
    std::vector<std::string> lines;

    mode3case(const std::string& casename, const std::string& script, const std::string& dssuffix,
              const std::string& outfile, int diagram)
        : name(casename), mode(diagram) {
        out = casefile(casename, "expected/" + outfile);
        lines = linesof(out);
        std::vector<std::string> names;
        for (const std::string& l : linesof(casefile(casename, script)))
            if (startswith(l, "with ")) {
                const auto w = wordsof(l);
                names.assign(w.begin() + 1, w.end());
            }
        testing::resetthermo();
        run.calcmode = 3;
        testing::tempfolder folder;
        folder.writefile("zt-ds" + dssuffix + ".txt", casefile(casename, "zt-ds" + dssuffix + ".txt"));
        testing::consolecapture console;
        prefs.dssuffix = dssuffix;
        readthermo(1);
        ws.nem = 0;
        for (const std::string& n : names) ws.emname[static_cast<size_t>(++ws.nem)] = n;
        readthermo(2);
        readthermo(3);
        bool list = false;
        for (const std::string& l : lines) {
            if (startswith(l, "no of reactions")) list = true;
            else if (list && l.find(")  ") != std::string::npos) reactions.push_back(parsereaction(l));
            else if (list && !reactions.empty()) list = false;
            const size_t f = l.find(" for ");
            if (f != std::string::npos &&
                (startswith(l, "Temperatures in the range") || startswith(l, "Prsessures in the range"))) {
                const std::string rest = l.substr(f + 5);
                fixed = std::stod(rest.substr(4)) + (rest[0] == 'T' ? 273.15 : 0);
            }
        }
    }

    // G of an end-member; in the x(CO2) diagrams H2O and CO2 are one fluid of composition
    // x, with the non-ideal mixing of the two.
    double g(const std::string& em, double P, double T, double x = 0) const {
        const int16_t i = findem(em);
        ws.td[static_cast<size_t>(i)].xco2 = x;
        ws.td[static_cast<size_t>(i)].xh2o = 1 - x;
        pd.fluidtype = mode == 1 || mode == 2 ? 6 : 0;
        real gv;
        gemdriver(i, gv, P, T);
        return static_cast<double>(gv);
    }

    // delta G of reaction k at P, T and the running value a (x(CO2), or log a(H2O)).
    double dgpt(size_t k, double P, double T, double a) const {
        const bool xco2 = mode == 1 || mode == 2;
        double s = 0;
        for (const auto& [em, n] : reactions[k]) {
            s += n * g(em, P, T, xco2 ? a : 0);
            if (xco2 && em == "CO2") s += n * gasr * T * std::log(a);
            if (xco2 && em == "H2O") s += n * gasr * T * std::log(1 - a);
            if (!xco2 && em == "H2O") s += n * gasr * T * std::log(10.0) * a;
        }
        return s;
    }

    // delta G of reaction k at running value a and calculated value b.
    double dg(size_t k, double a, double b) const {
        const bool tcalc = mode == 2 || mode == 4;
        return dgpt(k, tcalc ? fixed : b, tcalc ? b : fixed, a);
    }

    // The root of reaction k in the calculated variable near b0, by the secant method.
    double root(size_t k, double a, double b0) const {
        double x0 = b0, x1 = b0 + (mode == 2 || mode == 4 ? 1 : 0.01);
        double f0 = dg(k, a, x0), f1 = dg(k, a, x1);
        for (int it = 0; it < 60 && f1 != f0 && std::fabs(x1 - x0) > 1e-12; ++it) {
            const double x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
            x0 = x1;
            f0 = f1;
            x1 = x2;
            f1 = dg(k, a, x1);
        }
        return x1;
    }

    // The running values of the tabulation and its first-row values per reaction.
    std::vector<double> runningvalues() const {
        for (const std::string& l : lines)
            if (startswith(l, "x(CO2) ") || startswith(l, "log a ")) {
                std::vector<double> v;
                const auto w = wordsof(l);
                for (size_t i = l[0] == 'x' ? 1 : 2; i + 1 < w.size(); ++i) v.push_back(std::stod(w[i]));
                return v;
            }
        return {};
    }
};

double celsius(const std::string& s) { return std::stod(s) + 273.15; }

struct caseparams {
    const char* name;
    const char* script;
    const char* ds;
    const char* out;
    int mode;
};

const caseparams cases[] = {
    {"mode3-tx-schreinemakers", "zt-tx.txt", "62cs", "zt-tx-o.txt", 2},
    {"mode3-px-schreinemakers", "zt-px.txt", "62cs", "zt-px-o.txt", 1},
    {"mode3-tx-not-known", "zt-tx.txt", "62cs", "zt-tx-o.txt", 2},
    {"mode3-tloga-schreinemakers", "zt-loga.txt", "62ex", "zt-loga-o.txt", 4},
    {"mode3-ploga-schreinemakers", "zt-loga.txt", "62ex", "zt-loga-o.txt", 3},
};

TEST(Mode3Cases, TabulatedValuesLieOnTheirReactions) {
    for (const caseparams& c : cases) {
        SCOPED_TRACE(c.name);
        const mode3case mc(c.name, c.script, c.ds, c.out, c.mode);
        ASSERT_EQ(mc.reactions.size(), 3u);
        const std::vector<double> xs = mc.runningvalues();
        ASSERT_GE(xs.size(), 4u);
        const bool tcalc = c.mode == 2 || c.mode == 4;
        int checked = 0;
        for (size_t i = 0; i < mc.lines.size(); ++i) {
            const auto w = wordsof(mc.lines[i]);
            if (w.size() != xs.size() + 2 && w.size() != xs.size() + 1) continue;
            if (w[0].size() != 1 || !std::isdigit(static_cast<unsigned char>(w[0][0]))) continue;
            const size_t k = static_cast<size_t>(std::stoi(w[0]) - 1);
            for (size_t j = 0; j < xs.size(); ++j) {
                const std::string& v = w[j + 1];
                if (v == "-" || v == "+" || v == "*") continue;
                // The printed value rounds the root, found to 0.001 K or 0.0001 P: delta G
                // changes sign within half a unit of its last decimal and that tolerance.
                const size_t dot = v.find('.');
                const double half = 0.5 * std::pow(10.0, -static_cast<double>(dot == std::string::npos ? 0 : v.size() - dot - 1)) +
                                    (tcalc ? 0.001 : 0.0001 * std::stod(v));
                const double b = tcalc ? celsius(v) : std::stod(v);
                EXPECT_LE(mc.dg(k, xs[j], b - half) * mc.dg(k, xs[j], b + half), 0) << "reaction " << k + 1 << " at " << xs[j];
                ++checked;
            }
        }
        EXPECT_GE(checked, 3);
    }
}

TEST(Mode3Cases, EachLineHasTheUncertaintyOfItsEnthalpies) {
    // With every activity 1 (the fluid's x counts in ln K, not as an activity) the
    // uncertainty of a line is that of its delta H over the derivative of delta G by the
    // calculated variable, at the column nearest the middle of the list whose value lies
    // in the window.
    for (const caseparams& c : cases) {
        SCOPED_TRACE(c.name);
        const mode3case mc(c.name, c.script, c.ds, c.out, c.mode);
        const std::vector<double> xs = mc.runningvalues();
        const bool tcalc = c.mode == 2 || c.mode == 4;
        double lo = 0, hi = 0;
        for (const std::string& l : mc.lines)
            if (l.find(" in the range ") != std::string::npos) {
                const auto w = wordsof(l.substr(l.find(" in the range ") + 14));
                lo = std::stod(w[0]) + (tcalc ? 273.15 : 0);
                hi = std::stod(w[2]) + (tcalc ? 273.15 : 0);
            }
        ASSERT_LT(lo, hi);
        const size_t n = xs.size();
        size_t j0 = n - 1;
        for (size_t j = 0; j < n; ++j)
            if (xs[j] >= xs[n / 2 >= 1 ? n / 2 - 1 : 0]) {
                j0 = j;
                break;
            }
        int checked = 0;
        for (const std::string& l : mc.lines) {
            const auto w = wordsof(l);
            if (w.size() != n + 2 || w[0].size() != 1 || !std::isdigit(static_cast<unsigned char>(w[0][0]))) continue;
            const size_t k = static_cast<size_t>(std::stoi(w[0]) - 1);
            std::vector<double> v(n, -1);  // in-window values of the first row, else -1
            for (size_t j = 0; j < n; ++j)
                if (w[j + 1] != "-" && w[j + 1] != "+" && w[j + 1] != "*") {
                    const double b = tcalc ? celsius(w[j + 1]) : std::stod(w[j + 1]);
                    if (b >= lo && b <= hi) v[j] = b;
                }
            size_t j = j0;
            if (v[j0] < 0) {
                long below = static_cast<long>(j0) - 1, above = static_cast<long>(j0) + 1;
                while (below >= 0 && v[static_cast<size_t>(below)] < 0) --below;
                while (above < static_cast<long>(n) && v[static_cast<size_t>(above)] < 0) ++above;
                const bool hasbelow = below >= 0, hasabove = above < static_cast<long>(n);
                ASSERT_TRUE(hasbelow || hasabove) << l;
                j = static_cast<size_t>(!hasbelow || (hasabove && above - static_cast<long>(j0) <= static_cast<long>(j0) - below)
                                            ? above
                                            : below);
            }
            const double b = mc.root(k, xs[j], v[j]);
            const double h = tcalc ? 1e-3 : 1e-5;
            const double d = (mc.dg(k, xs[j], b + h) - mc.dg(k, xs[j], b - h)) / (2 * h);
            double varh = 0;
            for (const auto& [e, ne] : mc.reactions[k])
                for (const auto& [f, nf] : mc.reactions[k]) varh += ne * nf * static_cast<double>(ws.covat(findem(e), findem(f)));
            const double want = std::sqrt(varh) / std::fabs(d);
            const std::string& got = w.back();
            const size_t dot = got.find('.');
            const double half = 0.5 * std::pow(10.0, -static_cast<double>(dot == std::string::npos ? 0 : got.size() - dot - 1));
            EXPECT_NEAR(std::stod(got), want, half + 1e-6 * want) << l;  // rounded, not more
            ++checked;
        }
        EXPECT_GE(checked, 2);
    }
}

TEST(Mode3Cases, TheLinearisedReactionsAreThoseOfTheirDeltaG) {
    // 0 = a + bT + cP + RT ln K at the point of the heading, with the derivatives of
    // delta G (the mixed fluid's included) by central differences here.
    for (const caseparams& c : cases) {
        if (c.mode != 1 && c.mode != 2) continue;  // no table in log a diagrams
        SCOPED_TRACE(c.name);
        const mode3case mc(c.name, c.script, c.ds, c.out, c.mode);
        double lo = 0, hi = 0;
        for (const std::string& l : mc.lines)
            if (l.find(" in the range ") != std::string::npos) {
                const auto w = wordsof(l.substr(l.find(" in the range ") + 14));
                lo = std::stod(w[0]);
                hi = std::stod(w[2]);
            }
        // The calculated variable's window centre, the other fixed.
        const double P = c.mode == 2 ? mc.fixed : (lo + hi) / 2, T = c.mode == 2 ? (lo + hi) / 2 + 273.15 : mc.fixed;
        const double x = 0.5;
        bool table = false;
        int rows = 0;
        for (const std::string& l : mc.lines) {
            if (startswith(l, "linearised at T = ")) {
                std::ostringstream want;
                want.setf(std::ios::fixed);
                want.precision(1);
                want << "linearised at T = " << std::lround(T - 273.15) << ", P = " << P << ", x(CO2) = 0.500";
                EXPECT_EQ(l, want.str());
            }
            if (l.find("sd(ln_K)") != std::string::npos) table = true;
            const auto w = wordsof(l);
            if (!table || w.size() != 7) continue;
            const size_t k = static_cast<size_t>(std::stoi(w[0]) - 1);
            const double hp = 1e-4, ht = 1e-3;
            const double dg = mc.dgpt(k, P, T, x);
            const double dgdp = (mc.dgpt(k, P + hp, T, x) - mc.dgpt(k, P - hp, T, x)) / (2 * hp);
            const double dgdt = (mc.dgpt(k, P, T + ht, x) - mc.dgpt(k, P, T - ht, x)) / (2 * ht);
            const auto& nu = mc.reactions[k];
            const double lnk = (nu.count("CO2") ? nu.at("CO2") * std::log(x) : 0) + (nu.count("H2O") ? nu.at("H2O") * std::log(1 - x) : 0);
            double varh = 0;
            for (const auto& [e, ne] : nu)
                for (const auto& [f, nf] : nu) varh += ne * nf * static_cast<double>(ws.covat(findem(e), findem(f)));
            // The program differences forward, by 1e-5 kbar and 0.001 K: half the step times
            // the second derivative on top of the rounding of the printed value.
            const double d2p = (mc.dgpt(k, P + hp, T, x) - 2 * dg + mc.dgpt(k, P - hp, T, x)) / (hp * hp);
            const double d2t = (mc.dgpt(k, P, T + ht, x) - 2 * dg + mc.dgpt(k, P, T - ht, x)) / (ht * ht);
            const double errp = 0.5e-5 * std::fabs(d2p) + 1e-8, errt = 0.5e-3 * std::fabs(d2t) + 1e-9;
            EXPECT_NEAR(std::stod(w[1]), dg - T * dgdt - P * dgdp, 0.0005 + T * errt + P * errp) << l;
            EXPECT_NEAR(std::stod(w[2]), std::sqrt(varh), 0.005) << l;
            EXPECT_NEAR(std::stod(w[3]), dgdt - gasr * lnk, 5e-7 + errt) << l;
            EXPECT_NEAR(std::stod(w[4]), dgdp, 5e-6 + errp) << l;
            EXPECT_NEAR(std::stod(w[5]), lnk, 0.0005) << l;
            ++rows;
            if (rows == 3) break;
        }
        EXPECT_EQ(rows, 3);
    }
}

TEST(Mode3Cases, InvariantPointsLieOnTheirLinesWithTheirSlopes) {
    for (const caseparams& c : cases) {
        SCOPED_TRACE(c.name);
        const mode3case mc(c.name, c.script, c.ds, c.out, c.mode);
        const bool tcalc = c.mode == 2 || c.mode == 4;
        std::vector<size_t> group;
        std::vector<double> slopes;
        double a = 0, b = 0;
        bool point = false;
        for (const std::string& l : mc.lines) {
            const auto w = wordsof(l);
            // bundle rows: "3)  prl = sil + q + H2O   [ky]   stable   0.00313"
            if (!w.empty() && w[0].back() == ')' && l.find('[') != std::string::npos && l.size() > 80) {
                group.push_back(static_cast<size_t>(std::stoi(w[0]) - 1));
                slopes.push_back(w.back() == "\xA1" ? 1e20 : std::stod(w.back()));
            }
            if (startswith(l, "T = ") && l.find("x(CO2) = ") != std::string::npos) {
                b = celsius(w[2]);
                a = std::stod(w.back());
                point = true;
            } else if (startswith(l, "P = ") && l.find("x(CO2) = ") != std::string::npos) {
                b = std::stod(w[2]);
                a = std::stod(w.back());
                point = true;
            } else if (l.find("log a(H2O) = ") != std::string::npos) {
                b = tcalc ? celsius(w[2]) : std::stod(l.substr(4, l.find("kbar") - 4));
                a = std::stod(w.back());
                point = true;
            }
        }
        if (std::string(c.name) == "mode3-tx-not-known") {
            // The line of reaction 2 enters the window (931 C) only between the listed
            // x(CO2); where the three lines meet lies below it.
            ASSERT_FALSE(point);
            EXPECT_NE(mc.out.find("\nsorry, none in the window\n"), std::string::npos);
            for (double x : {0.2, 0.4, 0.6, 0.8}) EXPECT_LT(mc.root(1, x, 1200), 931 + 273.15) << x;
            EXPECT_GT(mc.root(1, 0.5, 1200), 931 + 273.15);
            EXPECT_NE(mc.out.find("\n*not known*  2)  hcx = wox + CO2 + H2O\n"), std::string::npos);
            continue;
        }
        ASSERT_TRUE(point);
        ASSERT_EQ(group.size(), 3u);
        // The point from the first two reactions by Newton steps here; the program refines
        // it to 0.001 in the running variable and 0.5 K or 0.01 kbar in the other.
        double x = a, y = b;
        const double hx = 1e-6, hy = tcalc ? 1e-4 : 1e-6;
        for (int it = 0; it < 30; ++it) {
            const double f1 = mc.dg(group[0], x, y), f2 = mc.dg(group[1], x, y);
            const double a11 = (mc.dg(group[0], x + hx, y) - f1) / hx, a12 = (mc.dg(group[0], x, y + hy) - f1) / hy;
            const double a21 = (mc.dg(group[1], x + hx, y) - f2) / hx, a22 = (mc.dg(group[1], x, y + hy) - f2) / hy;
            const double det = a11 * a22 - a12 * a21;
            x -= (f1 * a22 - f2 * a12) / det;
            y -= (a11 * f2 - a21 * f1) / det;
        }
        EXPECT_NEAR(a, x, c.mode <= 2 ? 0.0015 : 0.006);  // 3 significant figures or 2 decimals
        EXPECT_NEAR(b, y, tcalc ? 0.5 : 0.01);
        EXPECT_NEAR(mc.dg(group[2], x, y), 0, 1e-6) << "the third reaction passes through the point";
        // Slopes along the running variable, by the roots at the point and one step on.
        for (size_t i = 0; i < group.size(); ++i) {
            SCOPED_TRACE(group[i] + 1);
            const std::map<std::string, int>& nu = mc.reactions[group[i]];
            const bool moves = c.mode <= 2 ? (nu.count("CO2") || nu.count("H2O")) : nu.count("H2O") > 0;
            if (!moves) {
                EXPECT_EQ(slopes[i], 1e20);
                continue;
            }
            const double step = 0.01;
            const double want = step / (mc.root(group[i], x + step, y) - mc.root(group[i], x, y));
            EXPECT_NEAR(slopes[i], want, 0.03 * std::fabs(want));
        }
        for (size_t i = 1; i < slopes.size(); ++i) EXPECT_LT(slopes[i - 1], slopes[i]) << "bundle in slope order";
    }
}

TEST(Mode3Cases, APointOnALineOfConstantPHasItsUncertainty) {
    // kxb = kxa has no entropy change: the printed uncertainty of the point must be that
    // of the end-member enthalpies propagated through the two lines that fix it.
    const mode3case mc("mode3-flat-line-point", "zt-pt.txt", "62fl", "zt-pt-o.txt", 0);
    ASSERT_EQ(mc.reactions.size(), 3u);
    auto dgof = [&](size_t k, double P, double T, const std::vector<double>& dh) {
        double s = 0;
        for (const auto& [em, n] : mc.reactions[k]) s += n * (mc.g(em, P, T) + dh[static_cast<size_t>(findem(em))]);
        return s;
    };
    // The point of reactions 1 and 2, by Newton steps, with the enthalpies shifted by dh.
    auto meet = [&](const std::vector<double>& dh, double& P, double& T) {
        P = 5;
        T = 900;
        for (int it = 0; it < 40; ++it) {
            const double h = 1e-5;
            const double f1 = dgof(0, P, T, dh), f2 = dgof(1, P, T, dh);
            const double a11 = (dgof(0, P + h, T, dh) - dgof(0, P - h, T, dh)) / (2 * h);
            const double a12 = (dgof(0, P, T + h, dh) - dgof(0, P, T - h, dh)) / (2 * h);
            const double a21 = (dgof(1, P + h, T, dh) - dgof(1, P - h, T, dh)) / (2 * h);
            const double a22 = (dgof(1, P, T + h, dh) - dgof(1, P, T - h, dh)) / (2 * h);
            const double det = a11 * a22 - a12 * a21;
            P -= (f1 * a22 - f2 * a12) / det;
            T -= (a11 * f2 - a21 * f1) / det;
        }
    };
    const std::vector<double> none(4, 0);
    double P0, T0;
    meet(none, P0, T0);
    std::vector<double> jp(4, 0), jt(4, 0);
    for (int e = 1; e <= 3; ++e) {
        std::vector<double> up(4, 0), down(4, 0);
        up[static_cast<size_t>(e)] = 1e-3;
        down[static_cast<size_t>(e)] = -1e-3;
        double Pu, Tu, Pd, Td;
        meet(up, Pu, Tu);
        meet(down, Pd, Td);
        jp[static_cast<size_t>(e)] = (Pu - Pd) / 2e-3;
        jt[static_cast<size_t>(e)] = (Tu - Td) / 2e-3;
    }
    double varp = 0, vart = 0, cpt = 0;
    for (int e = 1; e <= 3; ++e)
        for (int f = 1; f <= 3; ++f) {
            const double c = static_cast<double>(ws.covat(e, f));
            varp += jp[static_cast<size_t>(e)] * c * jp[static_cast<size_t>(f)];
            vart += jt[static_cast<size_t>(e)] * c * jt[static_cast<size_t>(f)];
            cpt += jp[static_cast<size_t>(e)] * c * jt[static_cast<size_t>(f)];
        }
    ASSERT_GT(vart, 0);
    std::string point;
    for (const std::string& l : mc.lines)
        if (startswith(l, "P = ") && l.find("(cor = ") != std::string::npos) point = l;
    ASSERT_FALSE(point.empty()) << mc.out;
    const auto w = wordsof(point);  // P = 5.0088 kbar (sd = 1.6), T = 634.57 °C (sd = 53), (cor = 0.809)
    ASSERT_EQ(w.size(), 17u) << point;
    EXPECT_NEAR(std::stod(w[2]), P0, 0.01);
    EXPECT_NEAR(celsius(w[9]), T0, 0.5);
    EXPECT_NEAR(std::stod(w[6]), std::sqrt(varp), 0.05 + 0.001 * std::sqrt(varp));
    EXPECT_NEAR(std::stod(w[13]), std::sqrt(vart), 0.5 + 0.001 * std::sqrt(vart));
    EXPECT_NEAR(std::stod(w[16]), cpt / std::sqrt(varp * vart), 0.0006);
}

}  // namespace
}  // namespace zt
