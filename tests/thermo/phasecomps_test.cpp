#include "thermo/phasecomps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/testsupport.h"
#include "thermofixture.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;
using testing::resetthermo;
using testing::setworkingnames;

struct madeterm {
    const char* name;
    int16_t coef;
};

template <typename rec>
void setmake(rec& em, int16_t divisor, std::vector<madeterm> terms) {
    em.nmake = static_cast<int16_t>(terms.size());
    em.makedivisor = divisor;
    for (size_t k = 0; k < terms.size(); ++k) {
        em.makeemname[k + 1] = terms[k].name;
        em.makecoef[k + 1] = terms[k].coef;
    }
}

// Dataset end-members a, b and x over SiO2, MgO, CaO and FeO; one solution phase of
// a, 2a - b and (a + b)/2, and a single-end-member phase of a again.
class PhaseComps : public ::testing::Test {
protected:
    void SetUp() override {
        resetthermo();
        setworkingnames({"a", "b", "x"});
        const char* names[] = {"", "SiO2", "MgO", "CaO", "FeO"};
        const int16_t columns[4][3] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {0, 1, 0}};
        ws.ncomps = ws.nrcomps = 4;
        for (int r = 1; r <= 4; ++r) {
            ws.compnames[static_cast<size_t>(r)] = names[r];
            ws.compdiv[static_cast<size_t>(r)] = 1;
            ws.compatoms[static_cast<size_t>(r)] = r == 1 ? 3 : 2;
            for (int e = 1; e <= 3; ++e) ws.c[static_cast<size_t>(r)][static_cast<size_t>(e)] = r == 4 ? (e == 3) : columns[r][e - 1];
        }
        phases.prec1.assign(2, axphase{});
        phases.prec0.assign(2, emphaserec{});
        axphase& ss = phases.prec1[1];
        ss.shortname = "ss";
        ss.nem = 3;
        ss.em[1].name = "a";
        ss.em[2].name = "m1";
        setmake(ss.em[2], 1, {{"a", 2}, {"b", -1}});
        ss.em[3].name = "m2";
        setmake(ss.em[3], 2, {{"a", 1}, {"b", 1}});
        phases.prec0[1].name = "pa";
        phases.prec0[1].emname = "a";
        phases.nsolnphases = 1;
        phases.npurephases = 1;
        phases.nphases = 2;
    }
};

TEST_F(PhaseComps, MadeEndMembersAndTheirDivisors) {
    phases.prec1[1].em[1].comp[26] = 9;  // stale entries above the components are cleared
    makeemc();
    EXPECT_EQ(ws.ncomps, 3);  // FeO is held by x alone, which no phase uses
    EXPECT_EQ(ws.nrcomps, 3);
    EXPECT_EQ(ws.ncompsall, 3);
    EXPECT_EQ(ws.ncompsall2, 3);
    EXPECT_EQ(pd.nbulkcomps, 3);
    EXPECT_EQ(ws.compnames[3], "CaO");
    EXPECT_EQ(ws.compnames[4], "");
    // CaO of (a + b)/2 is odd over 2: the row doubles, the made column keeps its sum;
    // in the other rows the made column is divided by 2.
    EXPECT_EQ(ws.compdiv[1], 1);
    EXPECT_EQ(ws.compdiv[2], 1);
    EXPECT_EQ(ws.compdiv[3], 2);
    const int16_t expected[5][4] = {{0}, {0, 1, 2, 0}, {0, 1, 4, -2}, {0, 1, 1, 1}, {0, 1, 2, 0}};
    const std::array<int16_t, maxcomps + 1>* comps[] = {nullptr, &phases.prec1[1].em[1].comp, &phases.prec1[1].em[2].comp,
                                                        &phases.prec1[1].em[3].comp, &phases.prec0[1].comp};
    for (int e = 1; e <= 4; ++e) {
        for (int r = 1; r <= 3; ++r) {
            EXPECT_EQ((*comps[e])[static_cast<size_t>(r)], expected[e][r]) << "end-member " << e << " row " << r;
            EXPECT_EQ(ws.c[static_cast<size_t>(r)][static_cast<size_t>(e)], expected[e][r]) << "column " << e << " row " << r;
        }
        for (int r = 4; r <= maxcomps; ++r) EXPECT_EQ((*comps[e])[static_cast<size_t>(r)], 0);
    }
}

TEST_F(PhaseComps, EvenSumsLeaveTheRowAlone) {
    setmake(phases.prec1[1].em[3], 2, {{"a", 1}, {"b", 2}});  // CaO 2: even
    makeemc();
    EXPECT_EQ(ws.compdiv[3], 1);
    EXPECT_EQ(phases.prec1[1].em[3].comp[3], 1);
    EXPECT_EQ(phases.prec1[1].em[2].comp[3], -1);
}

TEST_F(PhaseComps, MissingNamesAndOverflowEndTheRun) {
    struct {
        const char* label;
        void (*edit)();
        const char* report;
    } cases[] = {
        {"plain solution end-member", [] { phases.prec1[1].em[1].name = "zz"; }, "make emc : zz not found 1"},
        {"solution constituent", [] { phases.prec1[1].em[2].makeemname[2] = "zz"; }, "make emc : zz not found 2"},
        {"plain phase", [] { phases.prec0[1].emname = "zz"; }, "make emc : zz not found 3"},
        {"phase constituent", [] { setmake(phases.prec0[1], 1, {{"zz", 1}}); }, "make emc : zz not found 4"},
        {"16 bits", [] { setmake(phases.prec1[1].em[2], 1, {{"a", 20000}}); },
         "make emc : amount of MgO in m1 does not fit in 16 bits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        c.edit();
        consolecapture console;
        EXPECT_EQ(exitcodeof([] { makeemc(); }), 1);
        EXPECT_NE(console.output().find("-- run bombed in " + std::string(c.report) + "\n"), std::string::npos)
            << console.output();
    }
}

// 400 phase end-members at most; every name is looked up before any is counted.
TEST_F(PhaseComps, AtMost400PhaseEndMembers) {
    struct {
        const char* label;
        int nsoln;       // solution phases of 15 end-members "a"...
        int lastnem;     // ...the last one with this many
        int npure;       // then single-end-member phases of "a"
        bool lastbad;    // the last end-member is not in the working set
        const char* report;
    } cases[] = {
        {"solution end-member 401", 27, 11, 0, false, "make emc : too many end-members1"},
        {"single-end-member phase 401", 27, 10, 1, false, "make emc : too many end-members2"},
        {"missing name beyond 400", 28, 15, 0, true, "make emc : zz not found 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        phases.prec1.assign(static_cast<size_t>(c.nsoln + 1), axphase{});
        phases.prec0.assign(static_cast<size_t>(c.npure + 1), emphaserec{});
        for (int k = 1; k <= c.nsoln; ++k) {
            axphase& ph = phases.prec1[static_cast<size_t>(k)];
            ph.nem = static_cast<int16_t>(k == c.nsoln ? c.lastnem : 15);
            for (int j = 1; j <= ph.nem; ++j) ph.em[static_cast<size_t>(j)].name = "a";
        }
        if (c.lastbad) phases.prec1[static_cast<size_t>(c.nsoln)].em[15].name = "zz";
        for (int i = 1; i <= c.npure; ++i) phases.prec0[static_cast<size_t>(i)].emname = "a";
        phases.nsolnphases = static_cast<int16_t>(c.nsoln);
        phases.npurephases = static_cast<int16_t>(c.npure);
        consolecapture console;
        EXPECT_EQ(exitcodeof([] { makeemc(); }), 1);
        EXPECT_NE(console.output().find("-- run bombed in " + std::string(c.report) + "\n"), std::string::npos)
            << console.output();
    }
}

TEST_F(PhaseComps, CountcompOverTheBulkComponents) {
    makeemc();
    pd.inbulk[3] = false;  // CaO not in the bulk
    countcomp();
    EXPECT_EQ(phases.prec1[1].em[1].bulkatoms, 7);   // 1 SiO2 x 3 + 2 MgO x 2
    EXPECT_EQ(phases.prec1[1].em[2].bulkatoms, 11);  // 1 x 3 + 4 x 2
    EXPECT_EQ(phases.prec0[1].bulkatoms, 7);

    pd.inbulk[3] = true;
    countcomp();
    EXPECT_EQ(phases.prec1[1].em[3].bulkatoms, 3 + 2 + 0.5L * 2);  // SiO2 1, MgO 1, CaO 1/2

    settings.oxidemodes = true;  // oxides per formula unit
    countcomp();
    EXPECT_EQ(phases.prec1[1].em[1].bulkatoms, 3);
    EXPECT_EQ(phases.prec1[1].em[3].bulkatoms, 2.5L);
}

TEST_F(PhaseComps, CountcompWeighsElementComponentsOneAtomEach) {
    makeemc();
    ws.compnames[1] = "Si";
    ws.compnames[2] = "Mg";
    ws.compnames[3] = "Ca";
    countcomp();
    EXPECT_EQ(phases.prec1[1].em[1].bulkatoms, 1 + 2);  // 1 Si + 2 Mg
    EXPECT_EQ(phases.prec1[1].em[3].bulkatoms, 1 + 1 + 0.5L);
}

TEST_F(PhaseComps, CountcompRefusals) {
    makeemc();
    struct {
        const char* label;
        void (*edit)();
        const char* report;
    } cases[] = {
        {"no bulk atoms", [] { pd.inbulk[1] = pd.inbulk[2] = pd.inbulk[3] = false; }, "countcomp : sumox <= 0 for a, in ss"},
        {"no bulk atoms, single phase",
         [] {
             pd.inbulk[1] = false;
             phases.prec1[1].nem = 0;
             phases.prec0[1].comp.fill(0);
             phases.prec0[1].comp[1] = 1;
         },
         "countcomp : sumox <= 0 for pa"},
        {"sulphur", [] { ws.compnames[2] = "SO2"; }, "countcomp : sulphur verboten"},
        {"unknown component", [] { ws.compnames[2] = "XO"; }, "countcomp : cannot find oxide name"},
        {"sulphur after an unknown component",
         [] {
             ws.compnames[1] = "XO";
             ws.compnames[2] = "SO2";
         },
         "countcomp : sulphur verboten"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        channels.outchannels = 1;  // the last report closed it
        pd.inbulk.fill(true);
        ds.oldds = settings.oxidemodes = true;
        ws.compnames[1] = "SiO2";
        ws.compnames[2] = "MgO";
        phases.prec1[1].nem = 3;
        c.edit();
        consolecapture console;
        EXPECT_EQ(exitcodeof([] { countcomp(); }), 1);
        EXPECT_NE(console.output().find("-- run bombed in " + std::string(c.report) + "\n"), std::string::npos)
            << console.output();
    }
}

}  // namespace
}  // namespace zt
