#include "thermo/excessphases.h"

#include <cmath>
#include <map>
#include <vector>

#include "runtime/textfile.h"
#include "script/setupfixture.h"

namespace zt {
namespace {

struct emdef {
    const char* name;
    std::vector<int16_t> amounts;  // per component
};

class ExcessPhases : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        ws.c.assign(maxcomps + 1, comprow{});
        ws.td.assign(maxems + 1, tdrecord{});
        ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
        resetworkingset();
        settings.fluidpresent = 0;
        settings.fluidexcess = 1;
        settings.inexcesson = 1;
        settings.diagrammode = 0;
    }
    // A working set of the given components (with divisors) and end-members; each
    // end-member gets its own activity, site count, entropy and covariances to follow.
    void make(const std::vector<std::pair<const char*, int32_t>>& comps, const std::vector<emdef>& ems)
    {
        ws.ncomps = static_cast<int16_t>(comps.size());
        for (size_t j = 1; j <= comps.size(); ++j) {
            ws.compnames[j] = comps[j - 1].first;
            ws.compdiv[j] = comps[j - 1].second;
        }
        ws.nem = static_cast<int16_t>(ems.size());
        for (size_t i = 1; i <= ems.size(); ++i) {
            ws.emname[i] = ems[i - 1].name;
            for (size_t j = 1; j <= comps.size(); ++j) ws.c[j][i] = ems[i - 1].amounts[j - 1];
            ws.emact[i] = 0.1L * static_cast<real>(i);
            ws.nsite[i] = static_cast<int16_t>(i);
            ws.td[i].S = static_cast<real>(i);
            for (size_t k = 1; k <= ems.size(); ++k) ws.covat(static_cast<int>(i), static_cast<int>(k)) = static_cast<real>(100 * i + k);
        }
        ws.nrems = ws.nem;
        ws.nrcomps = ws.ncomps;
        findspecialems();
        for (size_t j = 1; j <= comps.size(); ++j) {
            for (size_t i = 1; i <= ems.size(); ++i) before[ws.compnames[j]][ws.emname[i]] = amount(static_cast<int>(j), static_cast<int>(i));
        }
    }
    static real amount(int j, int i) { return static_cast<real>(ws.c[static_cast<size_t>(j)][static_cast<size_t>(i)]) / ws.compdiv[static_cast<size_t>(j)]; }

    // Independent check: each remaining end-member equals its original composition less
    // multiples of the excess phases, the multiples chosen so that the eliminated
    // components vanish.
    void expectprojected(const std::vector<std::string>& excess, const std::vector<std::string>& eliminated)
    {
        const size_t n = excess.size();
        ASSERT_EQ(n, eliminated.size());
        for (int i = 1; i <= ws.nrems; ++i) {
            const std::string& em = ws.emname[static_cast<size_t>(i)];
            // Solve sum_k lambda_k X[p][e_k] = X[p][i] over the eliminated components p.
            std::vector<std::vector<real>> m(n, std::vector<real>(n + 1));
            for (size_t r = 0; r < n; ++r) {
                for (size_t k = 0; k < n; ++k) m[r][k] = before[eliminated[r]][excess[k]];
                m[r][n] = before[eliminated[r]][em];
            }
            for (size_t col = 0; col < n; ++col) {
                size_t piv = col;
                for (size_t r = col; r < n; ++r) {
                    if (std::fabs(m[r][col]) > std::fabs(m[piv][col])) piv = r;
                }
                std::swap(m[col], m[piv]);
                for (size_t r = 0; r < n; ++r) {
                    if (r == col) continue;
                    const real f = m[r][col] / m[col][col];
                    for (size_t c = col; c <= n; ++c) m[r][c] -= f * m[col][c];
                }
            }
            for (int j = 1; j <= ws.nrcomps; ++j) {
                const std::string& comp = ws.compnames[static_cast<size_t>(j)];
                real want = before[comp][em];
                for (size_t k = 0; k < n; ++k) want -= m[k][n] / m[k][k] * before[comp][excess[k]];
                EXPECT_NEAR(static_cast<double>(amount(j, i)), static_cast<double>(want), 1e-12) << em << " " << comp;
            }
        }
        for (size_t k = 0; k < n; ++k) {
            const int row = ws.nrcomps + static_cast<int>(k) + 1, col = ws.nrems + static_cast<int>(k) + 1;
            EXPECT_EQ(ws.emname[static_cast<size_t>(col)], excess[k]);
            EXPECT_EQ(ws.compnames[static_cast<size_t>(row)], excess[k]);
            EXPECT_EQ(amount(row, col), 1);
        }
    }

    std::map<std::string, std::map<std::string, real>> before;
};

TEST_F(ExcessPhases, SingleComponentPhaseRemovesItsRowOnly)
{
    make({{"H2O", 2}, {"SiO2", 1}, {"MgO", 1}},
         {{"fo", {0, 1, 2}}, {"tc", {2, 4, 3}}, {"q", {0, 1, 0}}, {"br", {2, 0, 1}}, {"en", {0, 2, 2}}});
    EXPECT_EQ(run(inexcess, "q\n"), -1);
    EXPECT_TRUE(said("\n  fo  tc  q  br  en\n"));
    EXPECT_TRUE(said("in excess: names : "));
    EXPECT_EQ(ws.nexcess, 1);
    EXPECT_EQ(ws.nrems, 4);
    EXPECT_EQ(ws.nrcomps, 2);
    EXPECT_EQ(ws.compnames[1], "H2O");
    EXPECT_EQ(ws.compnames[2], "MgO");
    expectprojected({"q"}, {"SiO2"});
    // Activities, site counts, properties and covariances move with their end-members.
    EXPECT_EQ(ws.emname[3], "br");
    EXPECT_EQ(ws.emact[3], 0.4L);
    EXPECT_EQ(ws.nsite[3], 4);
    EXPECT_EQ(ws.td[5].S, 3);
    EXPECT_EQ(ws.covat(3, 5), 403);
    EXPECT_EQ(ws.covat(5, 1), 301);
}

TEST_F(ExcessPhases, TwoComponentPhaseIsEliminated)
{
    make({{"H2O", 1}, {"SiO2", 1}, {"MgO", 1}},
         {{"fo", {0, 1, 2}}, {"tc", {1, 4, 3}}, {"q", {0, 1, 0}}, {"br", {1, 0, 1}}, {"en", {0, 2, 2}}});
    // br twice and a closing "*": br is one phase in excess.
    EXPECT_EQ(run(inexcess, "br q br *\n"), -1);
    EXPECT_EQ(ws.nexcess, 2);
    EXPECT_EQ(ws.nrcomps, 1);
    EXPECT_EQ(ws.compnames[1], "MgO");
    expectprojected({"br", "q"}, {"H2O", "SiO2"});
    EXPECT_EQ(ws.c[1][2], 2);  // tc less one br: MgO 2
}

TEST_F(ExcessPhases, ValuesBeyondSixteenBits)
{
    // The MgO divisor grows to 60000 and a product to 36000.
    make({{"H2O", 1}, {"SiO2", 1}, {"MgO", 300}},
         {{"a", {2000, 1, 180}}, {"b", {50, 3, 100}}, {"c", {0, 2, 7}}, {"w", {200, 0, 3}}});
    EXPECT_EQ(run(inexcess, "w\n"), -1);
    EXPECT_EQ(ws.compdiv[2], 60000);
    expectprojected({"w"}, {"H2O"});

    make({{"H2O", 1}, {"SiO2", 1}, {"MgO", 300}},
         {{"a", {100, 1, 200}}, {"b", {50, 3, 100}}, {"c", {0, 2, 7}}, {"w", {200, 0, 3}}});
    EXPECT_EQ(run(inexcess, "w\n"), 1);
    EXPECT_TRUE(said("-- run bombed in in excess : projection from w gives an amount beyond 16 bits"));
}

TEST_F(ExcessPhases, NamesAndRefusals)
{
    make({{"H2O", 1}, {"SiO2", 1}, {"MgO", 1}},
         {{"fo", {0, 1, 2}}, {"q", {0, 1, 0}}, {"coe", {0, 1, 0}}, {"per", {0, 0, 1}}, {"tc", {1, 4, 3}}});
    EXPECT_EQ(run(inexcess, "qz\nq\n"), -1);
    EXPECT_TRUE(said("qz not recognised : replace with : "));
    EXPECT_EQ(ws.emname[5], "q");

    make({{"H2O", 1}, {"SiO2", 1}, {"MgO", 1}},
         {{"fo", {0, 1, 2}}, {"q", {0, 1, 0}}, {"coe", {0, 1, 0}}, {"per", {0, 0, 1}}, {"tc", {1, 4, 3}}});
    EXPECT_EQ(run(inexcess, "zz\nyy\n"), -1);
    EXPECT_TRUE(said("forget it!  (name still unrecognised)"));
    EXPECT_EQ(ws.nexcess, 0);
    EXPECT_EQ(ws.nrems, 5);

    EXPECT_EQ(run(inexcess, "q coe\n"), 1);
    EXPECT_TRUE(said("-- run bombed in in excess : projection does not work"));

    // As many names as components: no projection.
    make({{"SiO2", 1}, {"MgO", 1}}, {{"fo", {1, 2}}, {"q", {1, 0}}, {"per", {0, 1}}});
    EXPECT_EQ(run(inexcess, "q per\n"), -1);
    EXPECT_EQ(ws.nexcess, 0);
    EXPECT_EQ(ws.nrcomps, 2);
}

TEST_F(ExcessPhases, FluidAndScriptNames)
{
    make({{"H2O", 1}, {"CO2", 1}, {"CaO", 1}, {"SiO2", 1}},
         {{"cc", {0, 1, 1, 0}}, {"wo", {0, 0, 1, 1}}, {"q", {0, 0, 0, 1}}, {"H2O", {1, 0, 0, 0}},
          {"CO2", {0, 1, 0, 0}}, {"an", {0, 0, 1, 2}}});
    settings.diagrammode = 2;
    settings.inexcesson = 0;
    settings.nexcesslist = 1;
    settings.excesslist[1] = "q";
    EXPECT_EQ(run(inexcess), -1);
    EXPECT_TRUE(said("fluid in excess\nadditionally phases in excess:  q (from script)\n"));
    EXPECT_EQ(ws.nexcess, 3);
    expectprojected({"q", "CO2", "H2O"}, {"SiO2", "CO2", "H2O"});
    EXPECT_EQ(pd.fluidtype, 4);
}

// The summary file is the record of the run: it carries the statement of what is in excess
// whole, as console and log show it, and nothing else.
TEST_F(ExcessPhases, SummaryCarriesTheWholeStatement)
{
    struct statement {
        int32_t diagrammode, fluidexcess, inexcesson;
        const char* listed;  // phase in excess named by the script, or none
        const char* typed;   // console answers
        const char* summary;
        const char* console;
    };
    const statement cases[] = {
        {2, 1, 0, "", "", "fluid in excess\nadditionally no phases in excess (from script)\n",
         "fluid in excess\nadditionally no phases in excess (from script)\n"},
        {1, 1, 0, "q", "", "fluid in excess\nadditionally phases in excess:  q (from script)\n",
         "fluid in excess\nadditionally phases in excess:  q (from script)\n"},
        {2, 1, 1, "", "q\n", "fluid in excess\n", "fluid in excess\nadditionally in excess: names"},
        {0, 0, 0, "", "", "additionally no phases in excess (from script)\n", "\nadditionally no phases in excess (from script)\n"},
        {0, 1, 0, "", "", "no phases in excess (from script)\n", "\nno phases in excess (from script)\n"},
    };
    for (const statement& c : cases) {
        make({{"H2O", 1}, {"CO2", 1}, {"CaO", 1}, {"SiO2", 1}},
             {{"cc", {0, 1, 1, 0}}, {"wo", {0, 0, 1, 1}}, {"q", {0, 0, 0, 1}}, {"H2O", {1, 0, 0, 0}},
              {"CO2", {0, 1, 0, 0}}, {"an", {0, 0, 1, 2}}});
        settings.diagrammode = c.diagrammode;
        settings.fluidexcess = c.fluidexcess;
        settings.inexcesson = c.inexcesson;
        settings.nexcesslist = *c.listed != 0 ? 1 : 0;
        settings.excesslist[1] = c.listed;
        testing::tempfolder folder;
        for (const int bit : {chsummary, chlog}) {
            openforwriting(channels.files[static_cast<size_t>(bit)], bit == chsummary ? "o.txt" : "log.txt");
            channels.outchannels |= 1 << bit;
        }
        EXPECT_EQ(run(inexcess, c.typed), -1) << output;
        for (const int bit : {chsummary, chlog}) {
            closetextfile(channels.files[static_cast<size_t>(bit)]);
            channels.outchannels &= ~(1 << bit);
        }
        EXPECT_EQ(folder.readfile("o.txt"), c.summary) << c.diagrammode << " " << c.inexcesson;
        EXPECT_TRUE(said(c.console)) << output;
        EXPECT_NE(folder.readfile("log.txt").find(c.console), std::string::npos) << folder.readfile("log.txt");
    }
}

TEST_F(ExcessPhases, LogaEndMemberIsProjectedAndFollowed)
{
    make({{"H2O", 1}, {"SiO2", 1}, {"MgO", 1}},
         {{"fo", {0, 1, 2}}, {"q", {0, 1, 0}}, {"en", {0, 2, 2}}, {"tc", {1, 4, 3}}, {"H2O", {1, 0, 0}}});
    settings.diagrammode = 4;
    EXPECT_EQ(run(inexcess, "qq\nq\n\n"), -1);
    EXPECT_TRUE(said("name of end-member to be used in log a : "));
    EXPECT_TRUE(said("bad name : replace qq with : "));
    EXPECT_EQ(settings.lnanames[1], "q");
    EXPECT_EQ(ws.ilna, 5);
    EXPECT_EQ(ws.emname[5], "q");
    EXPECT_EQ(settings.lnah0, 2);  // its entropy, from position 2
    expectprojected({"q"}, {"SiO2"});

    make({{"H2O", 1}, {"CO2", 1}, {"SiO2", 1}}, {{"H2O", {1, 0, 0}}, {"CO2", {0, 1, 0}}, {"q", {0, 0, 1}}});
    settings.diagrammode = 3;
    EXPECT_EQ(run(inexcess, "H2O\nCO2\n"), 1);
    EXPECT_TRUE(said("Cannot handle H2O or CO2 in lna in system with H2O and CO2\nreplace H2O with : "));
    EXPECT_TRUE(said("-- run bombed in inexcess : log a setup"));
}

}  // namespace
}  // namespace zt
