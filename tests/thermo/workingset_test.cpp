#include "thermo/workingset.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ax/makeems.h"
#include "runtime/prompts.h"

#include "support/testsupport.h"
#include "thermofixture.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;
using testing::resetthermo;
using testing::setworkingnames;

struct pair {
    int16_t element;
    real amount;
};

// Compositions as the dataset reader leaves them, per working end-member.
void setcompositions(const std::vector<std::vector<pair>>& comps) {
    for (size_t e = 0; e < comps.size(); ++e) {
        const size_t em = e + 1;
        ds.emnox[em] = static_cast<int16_t>(comps[e].size());
        for (size_t p = 0; p < comps[e].size(); ++p) {
            ds.emoxide[em][p + 1] = comps[e][p].element;
            ds.emoxamount[em][p + 1] = comps[e][p].amount;
        }
    }
}

struct component {
    const char* name;
    int32_t div;
    int16_t atoms;
    std::vector<int16_t> row;  // per working end-member
};

void expectmatrix(const std::vector<component>& expected) {
    ASSERT_EQ(ws.ncomps, static_cast<int16_t>(expected.size()));
    EXPECT_EQ(ws.nrcomps, ws.ncomps);
    for (size_t r = 0; r < expected.size(); ++r) {
        SCOPED_TRACE(expected[r].name);
        EXPECT_EQ(ws.compnames[r + 1], expected[r].name);
        EXPECT_EQ(ws.compdiv[r + 1], expected[r].div);
        EXPECT_EQ(ws.compatoms[r + 1], expected[r].atoms);
        for (size_t e = 0; e < expected[r].row.size(); ++e) EXPECT_EQ(ws.c[r + 1][e + 1], expected[r].row[e]) << "column " << e + 1;
    }
}

class WorkingSet : public ::testing::Test {
protected:
    void SetUp() override { resetthermo(); }
};

TEST_F(WorkingSet, BalancedOxygenMakesNoOxygenComponent) {
    setworkingnames({"fo", "q"});
    setcompositions({{{5, 2}, {1, 1}, {10, 4}}, {{1, 1}, {10, 2}}});
    makeoxides();
    expectmatrix({{"SiO2", 1, 3, {1, 1}}, {"MgO", 1, 2, {2, 0}}});
    EXPECT_EQ(ws.nrems, 2);
    EXPECT_EQ(ws.nexcess, 0);
    // The compositions are rewritten as oxide moles with the excess oxygen.
    EXPECT_EQ(ds.emoxamount[1][1], 2);
    EXPECT_EQ(ds.emoxamount[1][3], 0);
}

TEST_F(WorkingSet, ExcessOxygenKeepsAnOxygenComponent) {
    // Nine pairs after the appended O: the record must hold them.
    setworkingnames({"mt", "fe", "many"});
    setcompositions({{{4, 3}, {10, 4}},
                     {{4, 1}},
                     {{1, 1}, {2, 1}, {3, 2}, {5, 1}, {6, 1}, {7, 1}, {8, 2}, {9, 2}}});
    makeoxides();
    EXPECT_EQ(ds.emnox[2], 2);
    EXPECT_EQ(ds.emoxide[2][2], 10);
    EXPECT_EQ(ds.emnox[3], 9);
    expectmatrix({{"SiO2", 1, 3, {0, 0, 1}},
                  {"Al2O3", 1, 5, {0, 0, 1}},
                  {"CaO", 1, 2, {0, 0, 1}},
                  {"MgO", 1, 2, {0, 0, 1}},
                  {"FeO", 1, 2, {3, 1, 0}},
                  {"K2O", 1, 3, {0, 0, 1}},
                  {"Na2O", 1, 3, {0, 0, 1}},
                  {"TiO2", 1, 3, {0, 0, 1}},
                  {"MnO", 1, 2, {0, 0, 1}},
                  {"O", 1, 1, {1, -1, -12}}});
}

TEST_F(WorkingSet, AnExcessOfJustOverAThousandthKeepsOxygen) {
    // The excess is held in single precision: 0.001 becomes 0.0010000000475, above 0.001.
    setworkingnames({"q", "ox"});
    setcompositions({{{1, 1}, {10, 2}}, {{10, 0.001L}}});
    makeoxides();
    ASSERT_EQ(ws.ncomps, 2);
    EXPECT_EQ(ws.compnames[2], "O");
}

TEST_F(WorkingSet, WithoutOxygenComponentsAreElements) {
    setworkingnames({"x", "y"});
    setcompositions({{{1, 0.3333L}, {3, 1}}, {{1, 0.6667L}}});
    makeoxides();
    // An element row weighs one atom, not the atoms of its oxide.
    expectmatrix({{"Si", 3, 1, {1, 2}}, {"Al", 1, 1, {1, 0}}});

    settings.oxidemodes = true;  // one per component
    setcompositions({{{1, 1}, {3, 1}}, {{1, 2}}});
    makeoxides();
    EXPECT_EQ(ws.compatoms[1], 1);
    EXPECT_EQ(ws.compatoms[2], 1);
}

TEST_F(WorkingSet, CompositionsThatCannotBeHeldEndTheRun) {
    struct {
        const char* label;
        std::vector<std::vector<pair>> comps;
        const char* report;
    } cases[] = {
        {"two O pairs", {{{1, 1}, {10, 1}, {10, 1}}, {{1, 1}}},
         "makeoxides : two oxygen pairs in the composition of a"},
        {"beyond 16 bits", {{{1, 1}}, {{1, 40000}}}, "makeoxides : amount of Si in b does not fit in 16 bits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        resetthermo();
        setworkingnames({"a", "b"});
        setcompositions(c.comps);
        consolecapture console;
        EXPECT_EQ(exitcodeof([] { makeoxides(); }), 1);
        EXPECT_NE(console.output().find("-- run bombed in " + std::string(c.report) + "\n"), std::string::npos)
            << console.output();
    }
}

void setmatrix(const std::vector<component>& rows) {
    ws.ncomps = ws.nrcomps = static_cast<int16_t>(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        ws.compnames[r + 1] = rows[r].name;
        ws.compdiv[r + 1] = rows[r].div;
        ws.compatoms[r + 1] = rows[r].atoms;
        for (size_t e = 0; e < rows[r].row.size(); ++e) ws.c[r + 1][e + 1] = rows[r].row[e];
    }
}

TEST_F(WorkingSet, CleanRemovesLoneComponentsUntilStable) {
    setworkingnames({"a", "b", "c", "d"});
    ws.nrems = 4;
    setmatrix({{"SiO2", 1, 3, {1, 1, 0, 1}},
               {"CaO", 1, 2, {0, 1, 1, 0}},
               {"MgO", 1, 2, {0, 0, 1, 0}},
               {"Al2O3", 1, 5, {0, 0, 0, 0}},
               {"FeO", 2, 2, {1, 0, 0, 2}}});
    ws.td[4].H = -4;
    ws.emact[4] = 0.4L;
    ws.emsda[4] = 0.04L;
    ws.covat(1, 4) = ws.covat(4, 1) = 0.14L;
    ws.covat(4, 4) = 0.44L;
    ws.covat(1, 1) = 0.11L;
    consolecapture console;
    clean();
    EXPECT_EQ(console.output(), "\nc excluded\nb excluded\n");
    ASSERT_EQ(ws.nem, 2);
    EXPECT_EQ(ws.nrems, 2);
    EXPECT_EQ(ws.emname[1], "a");
    EXPECT_EQ(ws.emname[2], "d");
    EXPECT_EQ(ws.emname[3], "");
    EXPECT_EQ(ws.emname[4], "");
    expectmatrix({{"SiO2", 1, 3, {1, 1}}, {"FeO", 2, 2, {1, 2}}});
    EXPECT_EQ(ws.td[2].H, -4);
    EXPECT_EQ(ws.emact[2], 0.4L);
    EXPECT_EQ(ws.emsda[2], 0.04L);
    EXPECT_EQ(ws.covat(1, 1), 0.11L);
    EXPECT_EQ(ws.covat(1, 2), 0.14L);
    EXPECT_EQ(ws.covat(2, 1), 0.14L);
    EXPECT_EQ(ws.covat(2, 2), 0.44L);
}

TEST_F(WorkingSet, CleanNeedsTwoEndMembersLeft) {
    setworkingnames({"a", "b"});
    setmatrix({{"SiO2", 1, 3, {1, 0}}, {"MgO", 1, 2, {0, 1}}});
    consolecapture console;
    EXPECT_EQ(exitcodeof([] { clean(); }), 1);
    const std::string out = console.output();
    EXPECT_NE(out.find("\nb excluded\na excluded\n"), std::string::npos) << out;
    EXPECT_NE(out.find("-- run bombed in clean : insufficient end-members\n"), std::string::npos) << out;
}

TEST_F(WorkingSet, FindemAndTheSpecialIndices) {
    setworkingnames({"H2O", "CO2", "q", "crd", "fcrd", "aqSi"});
    reactions.nomitted = 1;
    reactions.omittedems[1] = 3;
    EXPECT_EQ(findem("q"), 0);
    EXPECT_EQ(findem("crd"), 4);
    EXPECT_EQ(findem("Crd"), 0);
    EXPECT_EQ(findem(""), 0);
    ws.ilna = 9;
    findspecialems();
    EXPECT_EQ(ws.ilna, 9);  // no fixed activities: left alone
    EXPECT_EQ(ws.ih2o, 1);
    EXPECT_EQ(ws.ico2, 2);
    EXPECT_EQ(ws.icrd, 4);
    EXPECT_EQ(ws.ifcrd, 5);
    EXPECT_EQ(ws.iaqsi, 6);
    settings.nlna = 1;
    settings.lnanames[1] = "fcrd";
    findspecialems();
    EXPECT_EQ(ws.ilna, 5);
}

TEST_F(WorkingSet, CheckNameGivesOneChanceToCorrect) {
    const std::string prompt = "unrecognised name : replace \"gt\" with  : ";
    struct {
        const char* label;
        const char* name;
        bool quiet;
        const char* answer;
        bool found;
        int16_t index;
        const char* newname;
        std::string console;
    } cases[] = {
        {"known", "bi", false, "", true, 2, "bi", ""},
        {"quiet", "gt", true, "", false, 0, "gt", ""},
        {"beyond the phase count", "mu", true, "", false, 0, "mu", ""},
        {"corrected", "gt", false, "g\n", true, 1, "g", prompt},
        {"empty answer", "gt", false, "\n", false, 0, "gt", prompt},
        {"too long", "gt", false, "abcdefghijklmnopqrstuvw\n", false, 0, "gt", prompt + " name too long: name ignored\n"},
        {"still bad", "gt", false, "zz\n", false, 0, "zz", prompt + " still a bad name: name ignored\n"},
    };
    phasenamelist list;
    list[1] = "g";
    list[2] = "bi";
    list[3] = "q";
    list[4] = "mu";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        resetthermo();
        phases.nsolnphases = 1;
        phases.npurephases = 2;
        consolecapture console(c.answer);
        str22 name = c.name;
        int16_t index = -1;
        EXPECT_EQ(checkname(name, list, c.quiet, index), c.found);
        EXPECT_EQ(index, c.index);
        EXPECT_EQ(name, c.newname);
        EXPECT_EQ(console.output(), c.console);
    }
}

// The question is asked, echoed to the log and cleaned of backspaces exactly as
// promptword does it; only the answer's first word is seen whole.
TEST_F(WorkingSet, CheckNameAsksAsPromptWordDoes) {
    const std::string prompt = "unrecognised name : replace \"gt\" with ";
    const struct {
        const char* typed;
        const char* name;  // the name after the question
    } cases[] = {
        {"gx\bt  bi", "gt"},
        {"  abcdefghijklmnopqrstuvwxyz more\n", "gt"},
        {"\b \t\n", "gt"},
        {"g\b\bmu\n", "mu"},
    };
    phasenamelist list;
    list[1] = "mu";
    testing::tempfolder folder;
    auto asked = [&](const std::function<void()>& ask, std::string& console, std::string& log) {
        resetchannels();
        openforwriting(channels.files[chlog], "log.txt");
        channels.outchannels = 1 + 8;
        phases.nsolnphases = 1;
        {
            consolecapture capture{console};
            ask();
            console = capture.output();
        }
        flushall();
        log = folder.readfile("log.txt");
        resetchannels();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        std::string promptconsole = c.typed, promptlog, checkconsole = c.typed, checklog;
        str22 word;
        asked([&] { promptword(prompt, word); }, promptconsole, promptlog);
        str22 name = "gt";
        int16_t index = 0;
        asked([&] { checkname(name, list, false, index); }, checkconsole, checklog);
        EXPECT_EQ(checkconsole.substr(0, promptconsole.size()), promptconsole);
        EXPECT_EQ(checklog.substr(0, promptlog.size()), promptlog);
        EXPECT_EQ(name, c.name);
    }
}

TEST_F(WorkingSet, CheckNameHonoursKill) {
    phasenamelist list;
    str22 name = "gt";
    int16_t index = 0;
    consolecapture console("kill\n");
    EXPECT_EQ(exitcodeof([&] { checkname(name, list, false, index); }), 0);
    EXPECT_NE(console.output().find("-- run killed --"), std::string::npos);
}

void setsolution(axphase& ph, const char* shortname, std::vector<const char*> ems) {
    ph.shortname = shortname;
    ph.nem = static_cast<int16_t>(ems.size());
    for (size_t j = 0; j < ems.size(); ++j) {
        ph.em[j + 1].name = ems[j];
        ph.em[j + 1].nmake = 0;
    }
}

template <typename rec>
void setmake(rec& em, std::vector<const char*> constituents) {
    em.nmake = static_cast<int16_t>(constituents.size());
    for (size_t k = 0; k < constituents.size(); ++k) em.makeemname[k + 1] = constituents[k];
}

TEST_F(WorkingSet, MakenameGathersPlainNamesThenConstituents) {
    phases.prec1.assign(4, axphase{});
    phases.prec0.assign(4, emphaserec{});
    setsolution(phases.prec1[1], "g", {"py", "alm", "fgr"});
    setmake(phases.prec1[1].em[3], {"alm", "gr"});
    setsolution(phases.prec1[2], "bi", {"phl", "ann"});
    setsolution(phases.prec1[3], "opx", {"en", "fs", "mgts"});
    setmake(phases.prec1[3].em[3], {"en", "sp"});
    phases.prec0[1].name = phases.prec0[1].emname = "q";
    phases.prec0[2].name = phases.prec0[2].emname = "ru";
    phases.prec0[3].name = "mkq";
    phases.prec0[3].emname = "mkq";
    setmake(phases.prec0[3], {"q", "coe"});
    phases.nsolnphases = 3;
    phases.npurephases = 3;

    phaseflags omit{};
    omit[2] = true;      // bi
    omit[3 + 2] = true;  // ru
    makename(omit);

    EXPECT_EQ(phases.nsolnphases, 2);
    EXPECT_EQ(phases.npurephases, 2);
    EXPECT_EQ(phases.nphases, 4);
    EXPECT_EQ(phases.prec1[2].shortname, "opx");
    EXPECT_EQ(phases.prec1[2].em[3].makeemname[2], "sp");
    EXPECT_EQ(phases.prec0[2].name, "mkq");
    const std::vector<std::string> expected = {"py", "alm", "en", "fs", "q", "gr", "sp", "coe"};
    ASSERT_EQ(ws.nem, static_cast<int16_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(ws.emname[i + 1], expected[i]);
    EXPECT_EQ(ws.emname[9], "");
}

TEST_F(WorkingSet, MakenameRefusesMoreThan400Names) {
    phases.prec1.assign(28, axphase{});
    phases.prec0.assign(1, emphaserec{});
    for (int k = 1; k <= 27; ++k) {
        axphase& ph = phases.prec1[static_cast<size_t>(k)];
        ph.nem = 15;
        for (int j = 1; j <= 15; ++j) ph.em[static_cast<size_t>(j)].name = "e" + std::to_string(k * 100 + j);
    }
    phases.nsolnphases = 27;
    consolecapture console;
    phaseflags omit{};
    EXPECT_EQ(exitcodeof([&] { makename(omit); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in makename : too many end-members\n"), std::string::npos);
}

}  // namespace
}  // namespace zt
