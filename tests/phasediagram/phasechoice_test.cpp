#include "phasediagram/phasechoice.h"

#include <vector>

#include "pdfixture.h"
#include "runtime/bytes.h"

namespace zt {
namespace {

using pdtest::at;

// Solution phases g and bi (written "bi_x"), pure phases q, ky, H2O and CO2.
void standardphases() {
    pdtest::addbinary("g", "py", {1}, "alm", {2});
    axphase& bi = pdtest::addbinary("bi", "phl", {1}, "ann", {3});
    bi.longname = "bi_x";
    bi.suffix = "x";
    pdtest::addpure("q", {0, 1});
    pdtest::addpure("ky", {0, 2});
    pdtest::addpure("H2O", {0, 0, 1});
    pdtest::addpure("CO2", {0, 0, 0, 1});
}

void withlist(const std::vector<const char*>& written) {
    settings.nwith = 0;
    for (const char* w : written) {
        ++settings.nwith;
        settings.withshortnames[at(settings.nwith)] = w;
        const std::string s = w;
        settings.withnames[at(settings.nwith)] = s.substr(0, s.find('_'));
    }
}

std::string keptnames() {
    std::string names;
    for (int k = 1; k <= phases.nsolnphases; ++k) names += phases.prec1[at(k)].shortname + " ";
    for (int i = 1; i <= phases.npurephases; ++i) names += phases.prec0[at(i)].name + " ";
    return names;
}

TEST(WhichPhases, WithListFaultsEndTheRun) {
    struct faultcase {
        std::vector<const char*> with;  // a list that outlives the table's initialiser
        std::string message;
    };
    const std::vector<faultcase> cases = {
        {{"g", "q", "g"}, "with phase list: duplicate found"},
        {{"g", "gx"}, "with phase \"gx\" not recognised"},
        {{"g", "bi"}, "with phase \"bi\" not recognised"},  // bi is written bi_x
    };
    for (const faultcase& c : cases) {
        pdtest::pdworld w;
        standardphases();
        withlist(c.with);
        EXPECT_EQ(w.run(whichphases), 1);
        EXPECT_TRUE(w.has(" : " + c.message)) << w.out();
    }
}

TEST(WhichPhases, KeepsTheListedPhasesAndEchoesThem) {
    pdtest::pdworld w;
    standardphases();
    withlist({"q", "bi_x", "ky"});
    EXPECT_EQ(w.run(whichphases), -1) << w.out();
    EXPECT_EQ(keptnames(), "bi q ky ");
    EXPECT_TRUE(w.has("\nwith: bi(x), q, ky \n")) << w.out();
    EXPECT_TRUE(w.has("fluid is") == false);
    EXPECT_EQ(pd.fluidtype, 2);
    EXPECT_EQ(settings.nwith, 3);
    EXPECT_EQ(settings.withshortnames[1], "bi_x");
    EXPECT_EQ(settings.withnames[1], "bi");
}

TEST(WhichPhases, SomeofAnswersChooseAmongTheList) {
    struct answercase {
        std::string answer;
        std::string kept;
    };
    const std::vector<answercase> cases = {
        {"\n", "g bi q ky "},
        {"omit g\n", "bi q ky "},
        {"g bi\n", "g bi "},
        {"g bi_x q\n", "g bi q "},
    };
    for (const answercase& c : cases) {
        pdtest::pdworld w(c.answer);
        standardphases();
        withlist({"g", "bi_x", "q", "ky"});
        settings.someof = true;
        EXPECT_EQ(w.run(whichphases), -1) << c.answer << w.out();
        EXPECT_EQ(keptnames(), c.kept) << c.answer;
        EXPECT_TRUE(w.has("with someof: g, bi(x), q, ky \n"));
        EXPECT_TRUE(w.has("omits these phase(s). (\"-\", \"+\" and \"=\" are no longer implemented)\n"));
    }
    pdtest::pdworld w("g zz\n");
    standardphases();
    withlist({"g", "bi_x"});
    settings.someof = true;
    EXPECT_EQ(w.run(whichphases), 1);
    EXPECT_TRUE(w.has(" : zz not recognised 2"));
}

TEST(WhichPhases, FluidTypes) {
    {
        pdtest::pdworld w;
        standardphases();
        withlist({"q", "H2O", "CO2"});
        EXPECT_EQ(w.run(whichphases), -1);
        EXPECT_EQ(keptnames(), "q H2O ");
        EXPECT_EQ(pd.fluidtype, 3);
        EXPECT_TRUE(w.has("fluid is just H2O\n"));
    }
    for (const int nem : {2, 3}) {
        pdtest::pdworld w;
        axphase& f = pdtest::addbinary("F", "H2O", {0, 0, 1}, "CO2", {0, 0, 0, 1});
        f.fluid = true;
        f.h2oem = 1;
        f.co2em = 2;
        f.nem = static_cast<int16_t>(nem);
        f.em[3].name = "CH4";
        pdtest::addpure("q", {0, 1});
        withlist({"F", "q"});
        settings.xco2diagram = true;
        EXPECT_EQ(w.run(whichphases), -1) << w.out();
        EXPECT_EQ(pd.fluidtype, nem == 2 ? 5 : 7);
        EXPECT_EQ(settings.xco2diagram, nem == 2);
        EXPECT_TRUE(w.has(nem == 2 ? "fluid is H2O-CO2\n" : "fluid is in CHOS\n"));
    }
    {
        pdtest::pdworld w;
        axphase& f = pdtest::addbinary("F", "H2O", {0, 0, 1}, "CO2", {0, 0, 0, 1});
        f.fluid = true;
        pdtest::addpure("H2O", {0, 0, 1});
        withlist({"F", "H2O"});
        EXPECT_EQ(w.run(whichphases), 1);
        EXPECT_TRUE(w.has(" : facility not implemented yet (fluidtype not set)"));
    }
}

TEST(WhichPhases, BufferEntries) {
    struct buffercase {
        real del;
        std::string entry;
    };
    const std::vector<buffercase> cases = {
        {0, "q(buffer)"},
        {2, std::string("q(buffer ") + incrementbyte + "=2)"},
        {0.5L, std::string("q(buffer ") + incrementbyte + "=0.5)"},
    };
    for (const buffercase& c : cases) {
        pdtest::pdworld w;
        pdtest::addpure("q", {1});
        pdtest::addpure("ky", {2});
        withlist({"q", "ky"});
        settings.buffername = "q";
        settings.bufferdel = c.del;
        EXPECT_EQ(w.run(whichphases), -1);
        EXPECT_TRUE(w.has("with: " + c.entry + ", ky \n")) << w.out();
    }
}

TEST(ReadExcess, FlagsFromScriptAndZeroModeFluid) {
    struct excesscase {
        std::vector<const char*> excess;
        std::vector<const char*> tozero;
        std::string echo;
        std::vector<int> excessphases, zeromodes;
    };
    // Phases: 1 g, 2 bi, 3 q, 4 ky, 5 H2O, 6 CO2.
    const std::vector<excesscase> cases = {
        {{"H2O"}, {}, "in excess: H2O\n", {5}, {5}},
        {{"q"}, {}, "in excess: q\n", {3}, {}},
        {{"q", "nothere"}, {"g"}, "in excess: g q\n", {1, 3}, {1}},
        {{"bi_x", "CO2", "H2O"}, {}, "in excess: bi H2O CO2\n", {2, 5, 6}, {5}},
    };
    for (const excesscase& c : cases) {
        pdtest::pdworld w;
        standardphases();
        pd.excessphase[300] = pd.zeromodephase[300] = pd.requiredphase[300] = true;  // left from a repetition
        settings.inexcesson = 0;
        settings.nexcesslist = 0;
        for (const char* n : c.excess) settings.excesslist[at(++settings.nexcesslist)] = n;
        settings.tozero = c.tozero.empty() ? 1 : 0;
        settings.ntozero = 0;
        for (const char* n : c.tozero) settings.tozeronames[at(++settings.ntozero)] = n;
        EXPECT_EQ(w.run(readexcess), -1);
        EXPECT_TRUE(w.has(c.echo)) << w.out();
        std::vector<int> ex, zero;
        for (int k = 1; k <= maxphases; ++k) {
            if (pd.excessphase[at(k)]) ex.push_back(k);
            if (pd.zeromodephase[at(k)]) zero.push_back(k);
            EXPECT_EQ(pd.requiredphase[at(k)], pd.excessphase[at(k)]);
        }
        EXPECT_EQ(ex, c.excessphases);
        EXPECT_EQ(zero, c.zeromodes);
        EXPECT_EQ(pd.nexcessphases, static_cast<int16_t>(ex.size()));
        EXPECT_EQ(pd.nzeromodephases, static_cast<int16_t>(zero.size()));
        EXPECT_EQ(pd.nrequired, pd.nexcessphases);
    }
}

TEST(ReadExcess, PromptsScriptWithoutNamesAndTooFewPhases) {
    {
        pdtest::pdworld w("q ky\n");
        standardphases();
        EXPECT_EQ(w.run(readexcess), -1);
        EXPECT_TRUE(w.has("g  bi  q  ky  H2O  CO2  \nin excess: names : ")) << w.out();
        EXPECT_EQ(pd.nexcessphases, 2);
    }
    {
        pdtest::pdworld w;
        standardphases();
        settings.inexcesson = 0;
        EXPECT_EQ(w.run(readexcess), -1);
        EXPECT_TRUE(w.has("no phases in excess (from script)\n"));
        EXPECT_EQ(pd.nexcessphases, 0);
    }
    {
        pdtest::pdworld w;  // no answers: a question would end the run
        pdtest::addpure("q", {1});
        EXPECT_EQ(w.run(readexcess), -1);
        EXPECT_EQ(w.out(), "");
    }
}

}  // namespace
}  // namespace zt
