// The files of more mode-1 end-to-end cases (the end-to-end tests hold the program to
// them byte for byte), read back and checked against truths worked out here: modes from
// the bulk by balancing atoms, projected coordinates from the phases' formulae, the
// state of order from its reaction, and quartz solubility from the reaction q = aqSi.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "tests/reactions/bracketlist.h"

namespace zt {
namespace {

using testing::linesof;
using testing::wordsof;

constexpr double R = 0.0083144;  // kJ/K/mol

std::string casefile(const std::string& casename, const std::string& file) {
    const std::string path = std::string(ZELTRAM_E2E_DIR) + "/" + casename + "/expected/" + file;
    EXPECT_TRUE(std::filesystem::exists(path)) << casename << "/" << file;
    return testing::filetext(path);
}

bool startswith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }

// The cells of each csv line, surrounding blanks dropped.
std::vector<std::vector<std::string>> csvrows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& l : linesof(text)) {
        if (l.empty()) continue;
        std::vector<std::string> cells;
        std::istringstream in(l + "\n");
        for (std::string cell; std::getline(in, cell, ',');) {
            const size_t a = cell.find_first_not_of(" \n");
            const size_t b = cell.find_last_not_of(" \n");
            cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
        }
        rows.push_back(cells);
    }
    return rows;
}

// The value rows of the console result tables: P, T and the variables, per point.
std::vector<std::vector<double>> resultrows(const std::string& out) {
    std::vector<std::vector<double>> rows;
    const auto lines = linesof(out);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!startswith(lines[i], " P(kbar)     T(")) continue;
        for (size_t j = i + 1; j < lines.size() && !lines[j].empty() && lines[j][0] == ' '; ++j) {
            std::vector<double> v;
            for (const std::string& w : wordsof(lines[j])) v.push_back(std::stod(w));
            rows.push_back(v);
        }
    }
    return rows;
}

// The rows under each "mode" heading of the console: the marker and the words after it.
struct moderow {
    bool flagged = false;  // "# ": a mode outside 0 to 1
    std::vector<std::string> words;
};
std::vector<std::vector<moderow>> modetables(const std::string& out) {
    std::vector<std::vector<moderow>> tables;
    const auto lines = linesof(out);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!startswith(lines[i], "mode ")) continue;
        tables.emplace_back();
        for (size_t j = i + 1; j < lines.size() && !lines[j].empty() && lines[j][0] != '-' && !startswith(lines[j], "your");
             ++j) {
            tables.back().push_back({startswith(lines[j], "# "), wordsof(lines[j].substr(2))});
        }
    }
    return tables;
}

// Atom modes of an aluminosilicate (8 atoms) and quartz (3) from a bulk of A Al2O3 and
// S SiO2 (moles).
double alusilmode(double A, double S) { return 8 * A / (8 * A + 3 * (S - A)); }

// A univariant line of a pseudosection: each bulk point of the range has the modes on
// both sides of the line, w with quartz and ky with quartz, in the mode table and the
// mode lists alike.
TEST(Mode1Cases, UnivariantPseudosectionGivesBothSidesOfTheLineAtEveryBulkPoint) {
    const std::string casename = "mode1-pseudosection-univariant";
    const auto rows = csvrows(casefile(casename, "zt-uni.csv"));
    ASSERT_EQ(rows.size(), 1u + 2 * 2 * 4) << "a head, two pressures, four bulk points, two sides";
    EXPECT_EQ(rows[0], (std::vector<std::string>{"P(kbar)", "T(C)", "prop", "w", "ky", "q", ""}));
    for (size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), rows[0].size());
        const double t = static_cast<double>((r - 1) / 2 % 4) / 3;  // four bulk points, in pairs
        EXPECT_NEAR(std::stod(rows[r][2]), t, 5e-4);
        const double A = 30 + 10 * t, S = 70 - 10 * t;  // from 70 SiO2 30 Al2O3 to 60 40
        const double m = alusilmode(A, S);
        const bool wside = r % 2 == 1;
        EXPECT_NEAR(std::stod(rows[r][3]), wside ? m : 0, 1e-5) << r;
        EXPECT_NEAR(std::stod(rows[r][4]), wside ? 0 : m, 1e-5) << r;
        EXPECT_NEAR(std::stod(rows[r][5]), 1 - m, 1e-5) << r;
    }
    // The lists carry the same rows.
    int lists = 0;
    for (const std::string& l : linesof(casefile(casename, "zt-uni-ql.txt"))) {
        if (!startswith(l, "{{")) continue;
        const std::string body = l.substr(0, l.find_last_of('}') + 1);
        const auto parsed = testing::bracketparser("row = " + body + ";").parseall();
        const testing::bracketvalue& row = parsed.at("row");
        ++lists;
        const auto& csv = rows[static_cast<size_t>(lists)];
        ASSERT_EQ(row.items.size(), 4u);
        EXPECT_EQ(row.items[0].items[0].text, csv[0]);
        for (size_t p = 1; p <= 3; ++p) EXPECT_NEAR(std::stod(row.items[p].items[1].text), std::stod(csv[p + 2]), 1e-5);
    }
    EXPECT_EQ(lists, 16);
}

// A T-x(CO2) pseudosection at 2 kbar: calcite + quartz = wollastonite + CO2 is a line,
// at the T the plain x(CO2) calculation gives, and the bulk (60 SiO2, 40 CaO; the fluid
// outside it) is q with cc on one side and q with wo on the other.
TEST(Mode1Cases, TxPseudosectionLineAndItsModes) {
    const std::string out = casefile("mode1-pseudosection-tx", "stdout.txt");
    const auto points = resultrows(out);
    const auto plain = resultrows(casefile("mode1-xco2-values", "stdout.txt"));
    ASSERT_EQ(points.size(), 3u) << out;
    for (const auto& pt : points) {
        bool found = false;
        for (const auto& q : plain) found = found || (q[0] == pt[0] && q[2] == pt[2] && q[1] == pt[1]);
        EXPECT_TRUE(found) << pt[0] << " " << pt[2];
    }
    const double qcc = 0.6 * 3 / (0.6 * 3 + 0.4 * 5), wo = 0.4 * 5 / (0.4 * 5 + 0.2 * 3);
    const auto tables = modetables(out);
    ASSERT_EQ(tables.size(), 3u);
    for (const auto& t : tables) {
        ASSERT_EQ(t.size(), 2u);
        ASSERT_EQ(t[0].words.size(), 2u);  // q and cc, wo blank
        EXPECT_NEAR(std::stod(t[0].words[0]), qcc, 1e-4);
        EXPECT_NEAR(std::stod(t[0].words[1]), 1 - qcc, 1e-4);
        ASSERT_EQ(t[1].words.size(), 2u);  // q and wo, cc blank
        EXPECT_NEAR(std::stod(t[1].words[0]), 1 - wo, 1e-4);
        EXPECT_NEAR(std::stod(t[1].words[1]), wo, 1e-4);
    }
}

// With moreprec the console lists every phase's variables after each point, ten decimals
// in twelve characters, and they are the values of the point's row in the result table
// (four decimals) and in the -2.csv file (five significant digits).
TEST(Mode1Cases, VariableListsGiveTheResultRowsWithTenDecimals) {
    const std::string casename = "mode1-moreprec-lists";
    const std::string out = casefile(casename, "stdout.txt");
    const auto points = resultrows(out);
    const auto csv = csvrows(casefile(casename, "zt-more-2.csv"));
    ASSERT_EQ(points.size(), 3u) << out;
    ASSERT_EQ(csv.size(), points.size());
    std::vector<std::vector<std::string>> lists;  // per point, the values of its two lists
    for (const std::string& l : linesof(out)) {
        if (startswith(l, "{x(liq)->")) lists.emplace_back();
        if (!startswith(l, "{x(") || lists.empty()) continue;
        ASSERT_EQ(l.back(), '}') << l;
        const size_t arrow = l.find("->");
        const std::string field = l.substr(arrow + 2, l.size() - arrow - 3);
        EXPECT_GE(field.size(), 12u) << l;
        ASSERT_EQ(wordsof(field).size(), 1u) << l;
        lists.back().push_back(wordsof(field)[0]);
    }
    ASSERT_EQ(lists.size(), points.size());
    for (size_t k = 0; k < points.size(); ++k) {
        ASSERT_EQ(lists[k].size(), 2u);
        for (size_t v = 0; v < 2; ++v) {
            const std::string& text = lists[k][v];
            EXPECT_EQ(text.size() - text.find('.'), 11u) << text;  // ten decimals
            const double x = std::stod(text);
            EXPECT_NEAR(x, points[k][2 + v], 0.5e-4 + 1e-12) << text;
            EXPECT_NEAR(x, std::stod(csv[k][2 + v]), 0.5e-5 + 1e-12) << text;
        }
    }
}

// Quartz held at zero mode in excess, modes outside 0 to 1 allowed: a row with a negative
// quartz mode is flagged and has no system properties; every other row is followed by the
// modes renormalised without quartz.
TEST(Mode1Cases, ZeroModeRowsAndFlaggedRows) {
    const auto tables = modetables(casefile("mode1-tozero-c8", "stdout.txt"));
    ASSERT_EQ(tables.size(), 6u);
    int flagged = 0;
    for (const auto& t : tables) {
        ASSERT_FALSE(t.empty());
        const auto& w = t[0].words;
        ASSERT_GE(w.size(), 4u);
        const double q = std::stod(w[2]);
        EXPECT_EQ(t[0].flagged, q < 0);
        if (t[0].flagged) {
            ++flagged;
            EXPECT_EQ(w.size(), 4u);  // the modes only
            EXPECT_EQ(t.size(), 1u);
            continue;
        }
        ASSERT_EQ(t.size(), 2u);
        ASSERT_EQ(t[1].words.size(), 4u);
        EXPECT_EQ(t[1].words[2], "z");
        for (size_t p : {0u, 1u, 3u}) EXPECT_NEAR(std::stod(t[1].words[p]), std::stod(w[p]) / (1 - q), 2e-4) << p;
    }
    EXPECT_EQ(flagged, 3);
}

// Garnet, plagioclase and kyanite projected from quartz onto Al2O3, CaO, MgO and Na2O:
// each list holds the four plane coordinates and the quartz coordinate, scaled so that
// the plane's own coordinates sum to 1, as the phases' formulae give them.
TEST(Mode1Cases, ProjectedCoordinatesFollowThePhasesFormulae) {
    const std::string casename = "mode1-projection-lists";
    std::string ql = casefile(casename, "zt-proj-ql.txt");
    ql = ql.substr(0, ql.rfind("},")) + "}";
    const auto parsed = testing::bracketparser("eqs = {" + ql + "};").parseall();
    const testing::bracketvalue& eqs = parsed.at("eqs");
    const auto vars = csvrows(casefile(casename, "zt-proj-2.csv"));
    ASSERT_EQ(eqs.items.size(), vars.size());
    const auto csv = csvrows(casefile(casename, "zt-proj.csv"));
    ASSERT_EQ(csv.size(), 3 * vars.size());
    for (size_t k = 0; k < eqs.items.size(); ++k) {
        const double xg = std::stod(vars[k][2]), xpl = std::stod(vars[k][3]);
        // g: (1 - x) gr + x py, Al2O3 (3CaO|3MgO) 3SiO2; pl: (1 - x) ab + x an.
        const double ab = 1 - xpl;
        const double plal = 0.5 * ab + xpl, plca = xpl, plna = 0.5 * ab, plsi = 3 * ab + 2 * xpl;
        const double plsum = plal + plca + plna;
        const std::map<std::string, std::vector<double>> want = {
            {"g", {0.25, 0.75 * (1 - xg), 0.75 * xg, 0, 0.75}},
            {"pl", {plal / plsum, plca / plsum, 0, plna / plsum, plsi / plsum}},
            {"ky", {1, 0, 0, 0, 1}}};
        const testing::bracketvalue& phases = eqs.items[k].items[1];
        ASSERT_EQ(phases.items.size(), 3u);
        for (size_t p = 0; p < 3; ++p) {
            const testing::bracketvalue& row = phases.items[p];
            const auto& w = want.at(row.items[0].text);
            ASSERT_EQ(row.items.size(), 6u) << row.items[0].text;
            const auto& cells = csv[3 * k + p];
            ASSERT_GE(cells.size(), 6u);
            EXPECT_EQ(cells[0], row.items[0].text);
            for (size_t i = 0; i < 5; ++i) {
                // x(g) and x(pl) are read with 5 significant digits.
                EXPECT_NEAR(std::stod(row.items[i + 1].text), w[i], 2e-5) << row.items[0].text << " " << i;
                EXPECT_EQ(cells[i + 1], row.items[i + 1].text);
            }
        }
    }
}

// fm = (en + fs)/2 with ideal two-site activities: RT ln(xMgM1 xFeM2 / (xMgM2 xFeM1))/2
// is minus its delta G, which the dataset makes -4.58 kJ (its S, V and Cp cancel), both
// for the order solved at the start (x = 0.3) and along the line at x = 0.05, whose
// order the start could not give legally.
TEST(Mode1Cases, StateOfOrderSatisfiesTheOrderReaction) {
    const std::string out = casefile("mode1-order-isopleth", "stdout.txt");
    EXPECT_NE(out.find("illegal Q starting guess in isopleth-ing involving opx: random value used"), std::string::npos);
    const double dH = -2745.800 - (-3092.479 + -2389.970) / 2;
    auto orderdg = [&](double x, double Q, double TK) {
        const double mg1 = 1 - x + Q, fe1 = x - Q, mg2 = 1 - x - Q, fe2 = x + Q;
        EXPECT_GT(std::min(std::min(mg1, fe1), std::min(mg2, fe2)), 0) << x << " " << Q;
        return -0.5 * R * TK * std::log(mg1 * fe2 / (mg2 * fe1));
    };
    const auto lines = linesof(out);
    bool start = false;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!startswith(lines[i], " P(kbar)    T(C)    x(opx)    Q(opx)")) continue;
        const auto w = wordsof(lines[i + 1]);
        ASSERT_EQ(w.size(), 4u);
        EXPECT_NEAR(orderdg(std::stod(w[2]), std::stod(w[3]), std::stod(w[1]) + 273.15), dH, 0.03);
        start = true;
    }
    EXPECT_TRUE(start) << out;
    const auto points = resultrows(out);
    ASSERT_EQ(points.size(), 2u);
    for (const auto& pt : points) {
        EXPECT_EQ(pt[2], 0.05);
        EXPECT_NEAR(orderdg(pt[2], pt[3], pt[1] + 273.15), dH, 0.02);
    }

    // Without solving at the start, an illegal starting order is replaced by a legal one,
    // said on a line of its own, and the divariant points solve to the order reaction.
    const std::string unsolved = casefile("mode1-order-start", "stdout.txt");
    EXPECT_NE(unsolved.find("\nillegal Q starting guess for opx: random value used\n<="), std::string::npos) << unsolved;
    const auto field = resultrows(unsolved);
    ASSERT_EQ(field.size(), 2u) << unsolved;
    for (const auto& pt : field) EXPECT_NEAR(orderdg(pt[2], pt[3], pt[1] + 273.15), dH, 0.02);
}

// Quartz and dissolved silica of equal S and Cp, ideal in water: RT ln x(aqSi) is minus
// delta H (25.02 kJ) less the volume work, so it is the same at every T of one P and
// rises with P by the volume difference of the two, about 1.61 - 2.29 kJ/kbar.
TEST(Mode1Cases, AqueousSilicaFollowsItsReactionWithQuartz) {
    const auto points = resultrows(casefile("mode1-aqueous", "stdout.txt"));
    ASSERT_EQ(points.size(), 9u);
    std::map<double, std::vector<double>> bypressure;
    for (const auto& pt : points) bypressure[pt[0]].push_back(R * (pt[1] + 273.15) * std::log(pt[2]));
    ASSERT_EQ(bypressure.size(), 3u);
    for (const auto& [P, values] : bypressure) {
        for (double v : values) {
            EXPECT_NEAR(v, values[0], 0.03) << P;
            const double dv = -(v + 25.02) / P;  // kJ/kbar
            EXPECT_GT(dv, 1.61 - 2.33) << P;
            EXPECT_LT(dv, 1.61 - 2.25) << P;
        }
    }
}

}  // namespace
}  // namespace zt
