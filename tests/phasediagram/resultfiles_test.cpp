// The files of the mode-1 pseudosection cases under e2e/ (the end-to-end tests hold the
// program to them byte for byte), read back as a user's tools would and checked against
// truths worked out here: mass balance, thermodynamic identities, the water activity
// from the melt's own water, the liquid in weight per cent, and readable csv and lists.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "numeric/eqfixture.h"
#include "tests/reactions/bracketlist.h"
#include "thermo/gibbs.h"

namespace zt {
namespace {

using testing::linesof;
using testing::wordsof;

const std::string casedir = std::string(ZELTRAM_E2E_DIR) + "/mode1-pseudosection-";

std::string readwhole(const std::string& path) {
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return testing::filetext(path);
}

std::string expected(const std::string& casename, const std::string& file) {
    return readwhole(casedir + casename + "/expected/" + file);
}

bool startswith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }

// Numbers of a line after its first `skip` words.
std::vector<double> numbersof(const std::string& line, size_t skip) {
    std::vector<double> v;
    const auto w = wordsof(line);
    for (size_t i = skip; i < w.size(); ++i) v.push_back(std::stod(w[i]));
    return v;
}

// Molar masses (g/mol) of the case's components.
const std::map<std::string, double> molarmass = {
    {"H2O", 18.0152}, {"SiO2", 60.0848}, {"MgO", 40.3044}, {"FeO", 71.8464}, {"O", 16.0}};

// One equilibrium of the long calculation-details form.
struct icpoint {
    double P = 0, T = 0;  // kbar, K
    std::vector<std::string> comps, phases;
    std::vector<double> bulk;                                  // fractions
    std::map<std::string, std::vector<double>> oxcomp;         // per phase
    std::map<std::string, double> mode, factor;
    std::map<std::string, std::vector<double>> props;          // G H S V rho per phase, and "sys"
    std::map<std::string, std::vector<double>> endmember;      // ideal gamma activity prop mu0 RTlna
};

std::vector<icpoint> readlongdetails(const std::string& text) {
    std::vector<icpoint> points;
    const auto lines = linesof(text);
    std::string section;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (startswith(l, "=====")) {
            points.emplace_back();
            section.clear();
            continue;
        }
        if (points.empty() || l.empty()) continue;
        icpoint& pt = points.back();
        const auto w = wordsof(l);
        if (startswith(l, "pressure ")) pt.P = std::stod(w[1]);
        else if (startswith(l, "temperature ")) pt.T = std::stod(w[1]) + 273.15;
        else if (startswith(l, "phases ")) pt.phases.assign(w.begin() + 1, w.end());
        else if (l == "Oxide compositions" || l == "Modal abundance of phases" ||
                 startswith(l, "Conversion factor") || startswith(l, "Thermodynamic properties of phases") ||
                 startswith(l, "Thermodynamic properties of end-members")) {
            section = w[0] + w.back();
            ++i;  // the heading row
            if (section == "Oxidecompositions") pt.comps = wordsof(lines[i]);
        } else if (section == "Oxidecompositions") {
            auto v = numbersof(l, 1);
            if (w[0] == "bulk") {
                for (double& x : v) x /= 100;
                pt.bulk = v;
            } else {
                pt.oxcomp[w[0]] = v;
            }
        } else if (section == "Modalphases") {
            const auto v = numbersof(l, 1);
            for (size_t p = 0; p < v.size(); ++p) pt.mode[pt.phases[p]] = v[p];
        } else if (section == "Conversionunit") {
            const auto v = numbersof(l, 1);
            for (size_t p = 0; p < v.size(); ++p) pt.factor[pt.phases[p]] = v[p];
        } else if (section == "Thermodynamicsystem") {
            pt.props[w[0]] = numbersof(l, 1);
        } else if (section == "Thermodynamicend-members" && w.size() >= 7) {
            // A phase's first end-member line starts with the phase's name.
            pt.endmember[w[w.size() - 7]] = numbersof(l, w.size() - 6);
        }
    }
    return points;
}

// The modal-table rows of the summary file, each as its heading's column name -> value.
std::vector<std::map<std::string, double>> readmodaltables(const std::string& text) {
    std::vector<std::map<std::string, double>> rows;
    const auto lines = linesof(text);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!startswith(lines[i], "mode  ")) continue;
        const auto head = wordsof(lines[i]);
        const auto values = numbersof(lines[i + 1], 0);
        EXPECT_EQ(values.size(), head.size() - 1) << lines[i + 1];
        std::map<std::string, double> row;
        for (size_t k = 0; k < values.size() && k + 1 < head.size(); ++k) row[head[k + 1]] = values[k];
        rows.push_back(row);
    }
    return rows;
}

// A case with the long details form: the mass-balance grid, and the divariant field
// whose modes are found after each solve.
struct detailscase {
    const char* casename;
    const char* suffix;
    size_t points, phases;
};

class ResultFiles : public ::testing::TestWithParam<detailscase> {
protected:
    const detailscase& c = GetParam();
    std::vector<icpoint> points = readlongdetails(expected(c.casename, std::string("zt-") + c.suffix + "-ic.txt"));
    std::vector<std::map<std::string, double>> modal =
        readmodaltables(expected(c.casename, std::string("zt-") + c.suffix + "-o.txt"));

    // mu of a solution phase's end-member (mu0 + RT ln a), or G of a pure phase.
    double mu(const icpoint& pt, const std::string& name) const {
        const auto em = pt.endmember.find(name);
        if (em != pt.endmember.end()) return em->second[4] + em->second[5];
        return pt.props.at(name)[0];
    }
};

INSTANTIATE_TEST_SUITE_P(Cases, ResultFiles,
                         ::testing::Values(detailscase{"lists", "lists", 3, 4}, detailscase{"lowvar", "lowvar", 6, 4}));

TEST_P(ResultFiles, ModesReproduceTheBulkAndTheSystemRowIsConsistent) {
    ASSERT_EQ(points.size(), c.points);
    for (const icpoint& pt : points) {
        SCOPED_TRACE("P = " + std::to_string(pt.P) + ", T = " + std::to_string(pt.T));
        ASSERT_EQ(pt.phases.size(), c.phases);
        ASSERT_EQ(pt.bulk.size(), pt.comps.size());
        double modesum = 0;
        std::vector<double> made(pt.comps.size(), 0);
        for (const std::string& ph : pt.phases) {
            modesum += pt.mode.at(ph);
            for (size_t k = 0; k < made.size(); ++k) made[k] += pt.mode.at(ph) * pt.factor.at(ph) * pt.oxcomp.at(ph)[k];
        }
        EXPECT_NEAR(modesum, 1, 1e-7);
        for (size_t k = 0; k < made.size(); ++k) EXPECT_NEAR(made[k], pt.bulk[k], 2e-6) << pt.comps[k];

        // G H S V rho of the system row: H = G + T S, and rho is the bulk's mass over 10 V.
        const auto& sys = pt.props.at("sys");
        EXPECT_NEAR(sys[1] - sys[0] - pt.T * sys[2], 0, pt.T * 5e-6 + 1e-5);
        double mass = 0;
        for (size_t k = 0; k < pt.comps.size(); ++k) mass += pt.bulk[k] * molarmass.at(pt.comps[k]);
        EXPECT_NEAR(sys[4], mass / (10 * sys[3]), 2e-5);
        // The system is the sum of its phases, each weighed by mode times factor.
        double g = 0, v = 0;
        for (const std::string& ph : pt.phases) {
            g += pt.mode.at(ph) * pt.factor.at(ph) * pt.props.at(ph)[0];
            v += pt.mode.at(ph) * pt.factor.at(ph) * pt.props.at(ph)[3];
        }
        EXPECT_NEAR(sys[0], g, 1e-3);
        EXPECT_NEAR(sys[3], v, 1e-4);
    }
}

TEST_P(ResultFiles, ModalTableMatchesTheDetailsAndWaterActivityFollowsTheMeltWater) {
    ASSERT_EQ(modal.size(), points.size());
    // The dataset's H2O, whose Gibbs energy includes RT ln f of the fluid.
    eqtest::reseteqworld();
    ds.spswitch = true;
    tdrecord h2o;
    h2o.H = -241.81L;
    h2o.S = 0.1888L;
    h2o.cpa = 0.0401L;
    h2o.cpb = 0.000008656L;
    h2o.cpc = 487.5L;
    h2o.cpd = -0.2512L;
    ws.td[1] = h2o;
    ws.emname[1] = "H2O";
    ws.nem = 1;
    for (size_t k = 0; k < points.size(); ++k) {
        const icpoint& pt = points[k];
        const auto& row = modal[k];
        SCOPED_TRACE("P = " + std::to_string(pt.P) + ", T = " + std::to_string(pt.T));
        EXPECT_NEAR(row.at("G"), pt.props.at("sys")[0], 6e-6);
        EXPECT_NEAR(row.at("rho"), pt.props.at("sys")[4], 6e-5);
        EXPECT_NEAR(row.at("liq"), pt.mode.at("liq"), 6e-5);

        // mu(H2O) is that of the melt's water end-member.
        real G = 0;
        gemdriver(1, G, pt.P, pt.T);
        const double rt = static_cast<double>(eqtest::R) * pt.T;
        EXPECT_NEAR(row.at("a(H2O)"), std::exp((mu(pt, "h2om") - static_cast<double>(G)) / rt), 6e-5);

        // mu(O) from 3 fa + 2 O = 2 mt + 3 q, written out with the phases' potentials.
        const double muo = (2 * mu(pt, "mt") + 3 * mu(pt, "q") - 3 * mu(pt, "fa")) / 2;
        EXPECT_NEAR(row.at("mu(O)"), muo, 3e-4);
    }
}

TEST(ResultFilesLiquid, WeightPercentOfTheMeltSumsToAHundredAndFollowsItsMolarMasses) {
    const auto lines = linesof(expected("results", "stdout.txt"));
    int found = 0;
    for (size_t i = 0; i + 3 < lines.size(); ++i) {
        if (wordsof(lines[i]) != std::vector<std::string>{"H2O", "SiO2", "MgO", "FeO", "O"}) continue;
        ++found;
        const auto molpc = numbersof(lines[i + 1].substr(0, lines[i + 1].find("==>")), 0);
        const auto rowpc = numbersof(lines[i + 2].substr(0, lines[i + 2].find("==>")), 0);
        const auto wtpc = numbersof(lines[i + 3], 0);
        ASSERT_EQ(molpc.size(), 5u);
        ASSERT_EQ(wtpc.size(), 2u);  // the two conversion rows: H2O and SiO2
        EXPECT_NEAR(wtpc[0] + wtpc[1], 100, 0.011);
        EXPECT_NEAR(rowpc[0] + rowpc[1], 100, 0.011);
        const double water = molpc[0] * molarmass.at("H2O"), silica = molpc[1] * molarmass.at("SiO2");
        EXPECT_NEAR(wtpc[0], 100 * water / (water + silica), 0.006);
    }
    EXPECT_EQ(found, 3);
}

// A small csv reader: cells split at commas, surrounding blanks dropped.
std::vector<std::vector<std::string>> readcsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& l : linesof(text)) {
        std::vector<std::string> row;
        std::string cell;
        for (size_t i = 0; i <= l.size(); ++i) {
            if (i == l.size() || l[i] == ',') {
                const size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
                row.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
                cell.clear();
            } else {
                cell += l[i];
            }
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(ResultFilesCsv, EveryTableHasItsHeaderAndOneRowPerSuccess) {
    struct csvcase {
        const char* casename;
        const char* file;
        std::vector<std::string> header;  // empty: the file has none
        size_t rows, cells;
    };
    const std::string degc = std::string("T(") + static_cast<char>(0xA1) + "C)";
    const std::vector<csvcase> cases = {
        {"results", "zt-rock.csv", {"P(kbar)", degc, ""}, 3, 3},
        {"results", "zt-rock-2.csv", {}, 3, 5},
        {"lists", "zt-lists.csv", {"P(kbar)", degc, ""}, 3, 3},
        {"lists", "zt-lists-2.csv", {}, 3, 5},
        {"restart", "zt-again.csv", {"P(kbar)", "T(C)", "prop", "liq", "ol", "q", "mt", ""}, 1, 8},
        {"restart", "zt-again-2.csv", {}, 1, 5},
        {"lowvar", "zt-lowvar.csv", {"P(kbar)", degc, ""}, 6, 3},
        {"lowvar", "zt-lowvar-2.csv", {}, 6, 4},
    };
    for (const csvcase& c : cases) {
        SCOPED_TRACE(c.file);
        auto rows = readcsv(expected(c.casename, c.file));
        if (!c.header.empty()) {
            ASSERT_FALSE(rows.empty());
            EXPECT_EQ(rows[0], c.header);
            rows.erase(rows.begin());
        }
        ASSERT_EQ(rows.size(), c.rows);
        for (const auto& row : rows) {
            ASSERT_EQ(row.size(), c.cells);
            EXPECT_GE(std::stod(row[0]), 4);  // P
            EXPECT_LE(std::stod(row[0]), 8);
        }
    }
    // The first row of the P-T table names the assemblage; the mode table's modes add up.
    EXPECT_EQ(readcsv(expected("results", "zt-rock.csv"))[1][2], "liq ol q mt");
    const auto modes = readcsv(expected("restart", "zt-again.csv"))[1];
    double sum = 0;
    for (size_t k = 3; k <= 6; ++k) sum += std::stod(modes[k]);
    EXPECT_NEAR(sum, 1, 3e-5);
}

// Each bracketed list of a drawing-data file, read as it stands but for the comma that
// follows it.
std::vector<testing::bracketvalue> readlists(const std::string& text) {
    std::vector<testing::bracketvalue> lists;
    for (std::string l : linesof(text)) {
        if (l.empty() || l[0] != '{') continue;
        l = l.substr(0, l.find_last_of('}') + 1);
        std::map<std::string, testing::bracketvalue> parsed;
        EXPECT_NO_THROW(parsed = testing::bracketparser("row = " + l + ";").parseall()) << l;
        lists.push_back(parsed["row"]);
    }
    return lists;
}

TEST(ResultFilesLists, DrawingDataListsParseAndAgreeWithTheDetails) {
    const std::string ql = expected("lists", "zt-lists-ql.txt");
    EXPECT_NE(ql.find("(* ------------------------------ *)\n(* liq ol q mt *)\n"), std::string::npos) << ql;
    const auto rows = readlists(ql);
    const auto points = readlongdetails(expected("lists", "zt-lists-ic.txt"));
    ASSERT_EQ(rows.size(), points.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(rows[k].items.size(), 7u);  // P, T, G, H, S, V, rho
        EXPECT_NEAR(std::stod(rows[k].items[0].text), points[k].P, 5e-4);
        EXPECT_NEAR(std::stod(rows[k].items[1].text) + 273.15, points[k].T, 5e-4);
        for (size_t j = 0; j < 5; ++j) EXPECT_NEAR(std::stod(rows[k].items[2 + j].text), points[k].props.at("sys")[j], 6e-5);
    }

    const auto modes = readlists(expected("restart", "zt-again-ql.txt"));
    ASSERT_EQ(modes.size(), 1u);
    const testing::bracketvalue& m = modes[0];
    ASSERT_EQ(m.items.size(), 5u);  // {P, T, position} and the four phases
    EXPECT_EQ(m.items[0].items[0].text, "6.000");
    double sum = 0;
    for (size_t p = 1; p < m.items.size(); ++p) {
        ASSERT_EQ(m.items[p].items.size(), 2u);
        sum += std::stod(m.items[p].items[1].text);
    }
    EXPECT_EQ(m.items[1].items[0].text, "liq");
    EXPECT_NEAR(sum, 1, 3e-5);
}

TEST(ResultFilesGuesses, PastedBlocksRestartAtTheConvergedPoint) {
    // The block the grid run logged for 6 kbar and 700 C ...
    const auto log = linesof(expected("results", "zt-log.txt"));
    const std::string rule = "% " + std::string(58, '-');
    std::string block;
    for (size_t i = 1; i < log.size() && block.empty(); ++i) {
        if (log[i].rfind("% at P = 6.0, T = 700,", 0) != 0) continue;
        // From the rule before the comment line to the fourth rule, the block's last line.
        int rules = 0;
        for (size_t j = i - 1; j < log.size() && rules < 4; ++j) {
            block += log[j] + "\n";
            if (log[j] == rule) ++rules;
        }
    }
    ASSERT_NE(block.find("ptguess 6.000 700.00\n"), std::string::npos) << block;
    ASSERT_NE(block.find("xyzguess x(liq)"), std::string::npos) << block;
    // ... stands in the restart's script as it was written, and the restart converges in
    // one iteration to the same point.
    EXPECT_NE(readwhole(casedir + "restart/zt-again.txt").find(block), std::string::npos) << block;
    const std::string out = expected("restart", "stdout.txt");
    EXPECT_NE(out.find(std::string(60, '-') + "ef 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("   6.000   700.000    0.3360    0.5000\n"), std::string::npos) << out;

    // The rbi block of that point, its keyword written "rbi", rebuilds the bulk the log
    // shows with it.
    const std::string script = readwhole(casedir + "restart/zt-again.txt");
    std::vector<double> logbulk;
    int rbirows = 0;
    for (size_t i = 1; i < log.size(); ++i) {
        if (log[i].rfind("% at P = 6.0, T = 700,", 0) != 0) continue;
        for (size_t j = i; j < log.size() && logbulk.empty(); ++j) {
            if (log[j].rfind("bulk  rbi", 0) == 0) {
                ++rbirows;
                EXPECT_NE(script.find("rbi      " + log[j].substr(9) + "\n"), std::string::npos) << log[j];
            }
            if (log[j].rfind("% bulk ", 0) == 0) logbulk = numbersof(log[j], 2);
        }
        break;
    }
    EXPECT_EQ(rbirows, 4);
    const auto outlines = linesof(out);
    std::vector<double> rebuilt;
    for (size_t i = 0; i + 2 < outlines.size(); ++i) {
        if (outlines[i] == "composition (from rbi script)") rebuilt = numbersof(outlines[i + 2], 0);
    }
    ASSERT_EQ(rebuilt.size(), 5u) << out;
    ASSERT_EQ(logbulk.size(), 5u);
    for (size_t c = 0; c < 5; ++c) EXPECT_NEAR(rebuilt[c], logbulk[c], 1e-4);
}

}  // namespace
}  // namespace zt
