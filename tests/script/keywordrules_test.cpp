// How single keywords treat their values: what they keep, what they refuse, what ends the run.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "scriptfixture.h"

namespace zt {
namespace {

using KeywordRules = ScriptTest;

const char* const bulklines = "pseudosection\nbulk SiO2 MgO\nbulk 1 1\n";

std::string lines(const std::string& line, int n)
{
    std::string text;
    for (int i = 1; i <= n; ++i) text += line + "\n";
    return text;
}

std::string words(const std::string& stem, int n)
{
    std::string text;
    for (int i = 1; i <= n; ++i) text += " " + stem + std::to_string(i);
    return text;
}

TEST_F(KeywordRules, ValuesKeptOrRefused)
{
    struct rule {
        int32_t calcmode;  // 4: the refinement, where no keyword is mandatory
        std::string script;
        std::function<real()> setting;
        real want;
        int16_t problems;
    };
    const runsettings& s = settings;
    const rule rules[] = {
        {1, std::string(bulklines) + "dogmin\nmaxvar 3 5", [&] { return s.dogminmaxvar * 10 + s.dogminminvar; }, 53, 0},
        {1, std::string(bulklines) + "maxvar 3 5\ndogmin", [&] { return s.maxvar; }, 1, 0},
        {1, std::string(bulklines) + "dogmin\nmaxvar 1 0", [&] { return s.dogminmaxvar * 10 + s.dogminminvar; }, 22, 0},
        {1, std::string(bulklines) + "dogmin\nmaxvar 4", [&] { return s.dogminmaxvar; }, 4, 0},
        {1, std::string(bulklines) + "dogmin\nmaxvar x 4", [&] { return s.maxvar; }, 1, 0},
        {1, std::string(bulklines) + "dogmin 1", [&] { return s.printxyz * 10 + s.dogminlevel; }, 1, 0},
        {1, std::string(bulklines) + "dogmin 0", [&] { return s.printxyz * 10 + s.dogminlevel; }, 10, 0},
        {1, std::string(bulklines) + "dogmin 5", [&] { return s.dogminlevel; }, 2, 1},
        {1, "setvar 2.5", [&] { return s.setvar; }, 1, 0},
        {1, "setvar g", [&] { return s.setvar; }, 1, 0},
        {1, "setvar 4", [&] { return s.setvar * 10 + reactions.var; }, 4, 0},
        {2, "setmaxsdt 700", [&] { return s.setmaxsdt * 1000 + s.maxsdt; }, 1050, 1},
        {2, "setmaxsdp 0.01", [&] { return s.setmaxsdp * 1000 + s.maxsdp; }, 1005, 1},
        {3, "calctype 5", [&] { return s.calctype; }, 5, 0},
        {2, "calctype 5", [&] { return s.calctype * 10 + s.calctypegiven; }, 0, 1},
        {1, "calctype 5", [&] { return s.calctype; }, 0, 0},
        {1, "calctype ask 1", [&] { return s.calctypegiven; }, 1, 0},
        {1, "outlevel 3", [&] { return s.outlevel; }, 1, 1},
        {1, "quillet", [&] { return s.quilleton * 10 + s.quilletoption; }, 0, 0},
        {1, "axfile other\naxfile", [&] { return s.axfile.empty(); }, 1, 1},  // then missing
        {1, "ptguess 8 3500", [&] { return s.ptguess; }, 1, 0},
        {1, "ptguess 0.0001 500", [&] { return s.ptguess; }, 1, 0},
        {1, "ptguess 8", [&] { return s.ptguess; }, 1, 0},
        {1, "ptguess 8 500", [&] { return s.ptguesst; }, 773.15L, 0},
        // P and T for the activities are checked as every P and T; a refused pair is asked for
        {2, "ptforaxe 10 -280", [&] { return s.ptforaxe; }, 1, 1},
        {2, "ptforaxe 10 -100", [&] { return s.ptforaxe; }, 1, 1},
        {2, "ptforaxe 10 3000", [&] { return s.ptforaxe; }, 1, 1},
        {2, "ptforaxe 2000 500", [&] { return s.ptforaxe; }, 1, 1},
        {2, "ptforaxe -1 500", [&] { return s.ptforaxe; }, 1, 1},
        {2, "ptforaxe 10 10", [&] { return s.ptforaxe * 1000 + s.pforaxe * 10 + s.tforaxe; }, 110, 0},
        {3, "ptforaxe 1500 2726", [&] { return s.ptforaxe * 10000 + s.pforaxe + s.tforaxe; }, 4226, 0},
        {4, "diagramPT 1 10 400", [&] { return s.diagramPT; }, 1, 1},
        {4, "diagramPT 1 2000 400 700", [&] { return s.diagramPT * 10000 + s.pwindow[2]; }, 11500, 1},
        {4, "diagramPT ask 1 2 3", [&] { return s.diagramPT; }, 2, 0},
        {1, "calcP 5", [&] { return s.calcprange[1] * 100 + s.calcprange[2]; }, 505, 0},
        {1, "calcP 0.5 5", [&] { return s.calcP * 10000 + s.calcprange[1] * 100 + s.calcprange[2]; }, 10105, 1},
        {1, "calcP", [&] { return s.calcP; }, 1, 1},
        {1, "calcP 2 5 x", [&] { return s.calcP; }, 1, 1},
        {1, "calcT 400 600 50", [&] { return s.calctrange[2] - s.calctrange[1] + s.tinterval; }, 250, 0},
        {1, "calcT 600 400 50", [&] { return s.calcT * 1000 + s.tinterval; }, 1000, 1},
        {1, "xco2values 0.1 0.2 0.3", [&] { return s.nxco2values; }, 3, 0},
        {1, "xco2values 0.1 0.9 0.001", [&] { return s.nxco2values * 1000 + s.xco2list[201]; }, 201000.9L, 0},
        {1, "xco2values 0.1 0.6 0.1", [&] { return s.nxco2values; }, 6, 0},
        {1, "xco2values 0.1 0.9 1e-12", [&] { return s.nxco2values; }, 201, 0},
        {1, "xco2values 0.1 0.65 0.1", [&] { return s.nxco2values * 100 + s.xco2list[7]; }, 700.65L, 0},
        {1, "xco2values 0 0.5 2", [&] { return s.nxco2values * 10 + s.xco2list[1]; }, 10.5L, 0},
        {1, "setfluid 1.5", [&] { return s.setfluid * 10 + s.xh2ofluid; }, 11, 1},
        {1, "lna H2O -1 wet", [&] { return s.nlna * 10 + s.lnavalues[1] + (s.lnalabels[1] == "wet"); }, 10, 0},
        {1, "lna H2O -2", [&] { return s.lnalabels[1] == "H2O" ? s.lnavalues[1] : 0; }, -2, 0},
        {1, "lna H2O", [&] { return s.setlna * 10 + s.nlna; }, 10, 0},
        {1, "lna 1 2", [&] { return s.setlna; }, 1, 0},
        {1, "lna H2O x", [&] { return s.setlna * 10 + s.nlna; }, 10, 0},
        {2, "seta H2O", [&] { return s.nlna * 100 + s.lnavalues[1]; }, 110, 0},
        {2, "setloga H2O -1 CO2", [&] { return s.nlna * 100 + s.lnavalues[2]; }, 210, 0},
        {2, "seta H2O 1 CO2 -0.5", [&] { return s.seta * 10 + s.nlna; }, 10, 1},
        {2, "setlna H2O 1e+5", [&] { return s.setlna * 10 + s.nlna; }, 10, 1},
        {2, "setmu SiO2 -900 MgO 1e+5", [&] { return s.setmu * 10 + s.nmu; }, 10, 1},
        {1, "isopleth a b\nisopleth c 0.3", [&] { return s.isoplethinfo[2].name.empty() * 10 + s.isoplethinfo[1].low; }, 10.3L, 0},
        {1, "isopleth none", [&] { return s.isopleth; }, 1, 0},
        {1, "isopleth a 0.1 0.5 0.1 b 0.2 0.4 0.05", [&] { return s.isoplethinfo[2].step; }, 0.05L, 0},
        {1, "isopleth a 0.1 b 0.3", [&] { return s.isoplethinfo[2].high; }, 0.3L, 0},
        {1, "isopleth a 0.1 0.5 0.1 b 0.4", [&] { return s.isoplethinfo[2].low; }, 0.4L, 0},
        {1, "isopleth a 0.1 0.5 0.1 b", [&] { return s.isoplethinfo[2].step; }, 0.001L, 0},
        {1, "zeromodeiso no g", [&] { return s.zeromodeiso * 10 + s.zeromodeisonames[1].empty(); }, 11, 0},
        {1, "rgb g 12 300 4\nrgb bi 1 2 3", [&] { return s.nrgb; }, 0, 0},
        {1, "with g_hp bi", [&] { return (s.withnames[1] == "g") * 10 + (s.withshortnames[1] == "g_hp"); }, 11, 0},
        {1, "with someof g bi q", [&] { return s.someof * 10 + s.nwith; }, 13, 0},
        {1, "inexcess none", [&] { return s.inexcesson * 10 + s.nexcesslist; }, 0, 0},
        {1, "tozero ask", [&] { return s.tozero * 10 + s.ntozero; }, 0, 0},
        {1, "pseudosection\nbulk SiO2 MgO\nbulk 1 1\nbulk 1 3 20", [&] { return s.nbulksteps * 100 + s.bulk2[2]; }, 2175, 0},
        {1, "bulk SiO2 MgO\nbulk 1 1", [&] { return s.nbulks; }, -3, 0},
        {1, "pseudosection\nbulk SiO2 MgO\nbulk 1 x", [&] { return s.nbulks * 10 + s.bulk; }, 1, 1},
        {1, "splitbulk 0.4", [&] { return s.bulksubrangehi + s.onebulkvalue; }, 0.8L, 0},
        {1, "splitbulk 0.6 0.4", [&] { return s.bulksubrangelo + s.bulksubrangehi; }, 1.6L, 0},
        {1, "splitbulk", [&] { return s.bulksubrangelo; }, -1, 0},
        {1, "onebulk", [&] { return s.onebulk * 10 + s.onebulkvalue; }, -1, 0},
        {1, "convliq 1 2\nconvliq 3 4 5\nconvliq 6 7", [&] { return s.nconvliqrows * 10 + s.convliqmatrix[2][1]; }, 26, 0},
        {1, "convliq 1 2\nconvliq no", [&] { return s.nconvliqrows; }, 0, 0},
        {1, "samecoding" + words("p", 8), [&] { return s.nsameitems[1]; }, 8, 0},
        {1, "samecoding g h\nsamecoding no\nsamecoding g k", [&] { return s.nsamecoding; }, 0, 0},
        {1, "xyzguess x(g) 0.3 range 0.2 0.4", [&] { return s.xyzguesssd[1] + s.xyzguesslow[1]; }, 0.2L, 0},
        {1, "xyzguess x(g) 0.3 sd -1", [&] { return s.xyzguesssd[1] + s.xyzguesshigh[1]; }, 1, 0},
        {1, "xyzguess x(g) 0.3\nxyzguess y(g)", [&] { return s.nxyzguess; }, 0, 0},
        {1, "modeguess g 0.2\nmodeguess bi 0.3", [&] { return s.nmodeguess * 10 + s.modeguessvalues[2]; }, 20.3L, 0},
        {1, "modeguess g x", [&] { return s.nmodeguess; }, 0, 0},
    };
    for (const rule& r : rules) {
        SetUp();
        mode(r.calcmode);
        const std::string prefix = r.calcmode == 4 ? "" : mandatorylines;
        read(prefix + r.script + "\n", "no\n");
        EXPECT_TRUE(std::fabs(r.setting() - r.want) < 1e-12L) << r.script << ": " << r.setting() << output;
        const int16_t expected = static_cast<int16_t>(r.problems);
        EXPECT_EQ(settings.nscriptproblems, expected) << r.script << output;
    }
}

// Integers at and past the largest the reader takes (32766), through each kind of handler
// that asks for an integer: taken as typed, or refused with a report naming the number; a
// 0 nobody typed is never stored.
TEST_F(KeywordRules, IntegersPastTheReaderLimitAreTakenOrRefusedNeverZero)
{
    const runsettings& s = settings;
    const std::string block = "batchxyzguess startblock\nbatchxyzguess x(g) 0.2\n";
    const std::string batch = block + "batch g 2 1 1 8 600 1 1 0 0\n";
    struct handler {
        std::string script;  // N stands for the number
        bool takes32766;
        std::function<real()> stored;  // the integer the handler keeps, or `refused`
        real refused;
        std::string report;  // N stands for the number
        int refusedcode;     // 1: the run ends at the number, -1: reading goes on
        const char* strict;  // the fatal report under strictscripting; empty for no script problem
    };
    const handler handlers[] = {
        // a checker with limits
        {"debuglevel N", false, [&] { return s.debuglevel; }, 1, "for debuglevel, info given is \"N\", but limits are 0 to 6",
         -1, "debuglevel : integer inappropriate"},
        // a row of integers
        {"isr a b\nisr 1 N", true, [&] { return s.nisr == 1 ? s.isrcoeffs[1][2] : -1; }, -1,
         "for isr, info includes \"N\" not just integers", -1, "isr : integers expected"},
        // its own kind tests, with a problem of its own or a checker's
        {std::string(bulklines) + "dogmin\nmaxvar 2 N", true, [&] { return s.maxvar == 1 ? -1 : s.dogminmaxvar; }, -1,
         "for maxvar, info includes \"N\" not just integers", -1, "maxvar : integers expected"},
        {batch + "filter 1 N 500 700", true, [&] { return s.batches[1].nfilters[1] == 1 ? s.batches[1].filters[1][1].code : -1; },
         -1, "for filter, info includes \"N\" not just integers", -1, "filter : integers expected"},
        {batch + "batchreq 1 N", false, [&] { return s.nbatchreq; }, -1, "reading scripts : batchreq not in range\n", 1, ""},
        // a list read with readints
        {block + "batch g N 1 1 8 600 1 1 0 0", true, [&] { return s.nbatches == 1 ? s.batches[1].variance : -1; }, -1,
         "reading scripts : insufficient info in batch (1)\n", 1, ""},
        {"rgb g 1 2 N", false, [&] { return s.nrgb; }, 0, "rgb = -\n", -1, ""},
    };
    const auto withnumber = [](std::string text, const std::string& n) {
        for (size_t at = text.find('N'); at != std::string::npos; at = text.find('N', at + n.size()))
            text.replace(at, 1, n);
        return text;
    };
    for (const handler& h : handlers) {
        for (const std::string n : {"32766", "32767", "-32767", "-32768", "40000"}) {
            const std::string script = withnumber(h.script, n);
            SetUp();
            const int code = read(mandatorylines + script + "\n", "no\n");
            if (n == "32766" && h.takes32766) {
                EXPECT_EQ(code, -1) << script << output;
                EXPECT_EQ(h.stored(), 32766) << script << output;
                EXPECT_EQ(s.nscriptproblems, 0) << script << output;
                continue;
            }
            EXPECT_EQ(code, h.refusedcode) << script << output;
            EXPECT_TRUE(said(withnumber(h.report, n))) << script << output;
            if (code == 1) continue;
            EXPECT_EQ(h.stored(), h.refused) << script << output;
            EXPECT_EQ(s.nscriptproblems, *h.strict == 0 ? 0 : 1) << script << output;
            if (*h.strict == 0) continue;
            SetUp();
            EXPECT_EQ(read("strictscripting\n" + std::string(mandatorylines) + script + "\n"), 1) << script;
            EXPECT_TRUE(said("-- run bombed in reading script for " + std::string(h.strict) + "\n")) << script << output;
        }
    }
}

TEST_F(KeywordRules, FormatProblemsEndTheRun)
{
    struct fatal {
        int32_t calcmode;
        std::string script;
        const char* report;
        const char* before;  // printed before the report, or empty
    };
    const fatal cases[] = {
        {1, "with all", "reading script : \"all\" in \"with\" only defined for utilitycalc", ""},
        {1, "which", "reading scripts : which: missing list", "\nwhich should be followed by a list of phase names\n"},
        {1, "with someof", "reading scriptwith : missing list of phases", "withsomeof should be followed by a list"},
        {1, "with _g", "reading script : sepchar in wrong place in _g", ""},
        {1, "with g_", "reading script : sepchar in wrong place in g_", ""},
        {1, "bulk SiO2\nbulk 1\npseudosection", "pseudosection script needs to be before reading bulk", ""},
        {1, "pseudosection\nbulk 1 2", "reading scripts : change the bulk script",
         "\nbulk should start with an oxide list on a line,  \nbefore the one or two lines of compositions\n"},
        {1, "pseudosection\nsetbulk SiO2\nsetbulk 1\nsetbulk 1\nsetbulk 1", "more than two compositions in setbulk?", ""},
        {1, "pseudosection\nbulk SiO2 MgO\nbulk 1 -1", "sum of bulk composition <= 0?", ""},
        {1, "pseudosection\nbulk SiO2\nbulk 1\nrbi SiO2", "ambiguity setting the bulk composition",
         "\nboth bulk and rbi in the scriptfile; choose which to use"},
        {1, "pseudosection\nrbi 1 2", "reading scripts : change the rbi", "\nnow, rbi starts with a component list"},
        {1, "pseudosection\nrbi SiO2\nrbi g ## 1", "replace ## with modes in rbi", ""},
        {1, "projplane SiO2\nproject", "projection script needs to be before reading projection plane", ""},
        {1, "project\nsetprojplane 1 2", "reading scripts : change the setprojplane script",
         "now, setprojplane starts with an oxide list on a line, before the block \nof apex compositions"},
        {2, "isr 1 -1", "reading scripts : change the isr script", "of reaction coeffs (this line was there"},
        {1, "convliq" + words("", 21), "control : too many columns in convliq matrix", ""},
        {1, lines("convliq 1 2", 16), "control : too many rows in convliq matrix", ""},
        {1, "samecoding" + words("p", 9), "too many items in a samecoding", ""},
        {1, lines("samecoding g h", 17), "too many samecodings", ""},
        {1, lines("xyzguess x 0.1", 201), "too many xyzguess", ""},
        {1, lines("modeguess g 0.1", 89), "too many modeguess", ""},
        {1, "isopleth a 1 2", "reading scripts : isopleth info inappropriate",
         "\nisopleth info not recognised: just use isopleth name(s)\nand enter the isopleth information interactively?"},
        {1, "isopleth a 0.5 0.2 0.1", "reading scripts : isopleth values inappropriate",
         "\nisopleth: name, then low, high and increment expected, or one value"},
        {1, "modeiso a 1.5", "mode isopleth values inappropriate", "mode isopleth: name, then low"},
        {1, "xco2values x", "reading scripts : info inappropriate", "x(CO2): low, high and inc expected, or one or more"},
        {1, "xco2values 0.5 0.2 0.1", "reading scripts : values inappropriate", "\nx(CO2): low, high and inc expected"},
        {1, "xco2values 1.5 2", "reading scripts : values inappropriate", "x(CO2): list of values between 0 and 1"},
        {1, "buffer ru x", "reading scripts : buffer, \"ru\", not a del", ""},
        {1, "setloga H2O -1", "read scripts : for mode 1, use 'lna' script", ""},
        {1, "muval\nmuval yes", "cbool out of place in muval script", ""},
        {1, "calcP 2 8\ncalcT 400 600\nmuval\nmuval PT 1 500", "PT of muval too small", ""},
        {1, "setvar 40000", "getinteger : expecting an integer (2); got: 40000 - bad integer in setvar script", ""},
        // Tables that would otherwise be written past their end.
        {1, "inexcess" + words("p", 21), "reading scripts : inexcess: more than 20 phases", ""},
        {1, "tozero" + words("p", 21), "reading scripts : tozero: more than 20 phases", ""},
        {1, "inexcess" + words("p", 20) + "\ntozero q", "reading scripts : tozero: more than 20 phases in excess", ""},
        {1, lines("rgb g 1 2 3", 401), "reading scripts : rgb: more than 400 colours", ""},
        {1, "pseudosection\nbulk" + words("c", 27), "reading scripts : bulk: more than 26 components", ""},
        {1, "pseudosection\nrbi SiO2\n" + lines("rbi g 1 1", 81), "reading scripts : rbi: more than 80 phase lines", ""},
        {1, "project\nprojplane" + words("c", 9), "reading scripts : projplane: more than 8 oxides", ""},
        {1, "project\nprojplane SiO2\n" + lines("projplane a 1", 9), "reading scripts : projplane: more than 8 apices", ""},
        {2, "isr q\n" + lines("isr 1", 25), "reading scripts : isr: more than 24 reactions", ""},
        {2, "seta" + words("e", 13), "reading scripts : seta: more than 12 end-members", ""},
        {2, "setmu" + words("c", 9), "reading scripts : setmu: more than 8 components", ""},
        {1, "muval\nmuval" + words("", 27), "reading scripts : muval: more than 26 values", ""},
        {1, "pseudosection\nbulk SiO2\nmuval\nmuval" + words("c", 27) + "\nbulk" + words("", 27),
         "reading scripts : bulk: more than 26 components", ""},
        {1, "strictscripting\ncalcT", "reading script for calcT : reals expected",
         "\nfor calcT, no info given: one or more reals expected\n"},
    };
    for (const fatal& c : cases) {
        SetUp();
        mode(c.calcmode);
        EXPECT_EQ(read(mandatorylines + c.script + "\n", "no\n"), 1) << c.script;
        EXPECT_TRUE(said("\n-- run bombed in ") && said(std::string(c.report) + "\n")) << c.script << output;
        EXPECT_TRUE(said(c.before)) << c.script << output;
    }
}

TEST_F(KeywordRules, ConsoleEchoOfListsAndColours)
{
    mode(2);
    ASSERT_EQ(read(std::string(mandatorylines) + "setloga H2O -1\nrgb g 1 2 3\nrgb q 12 300 4\nrgb bi 1 2 3\n"), -1);
    EXPECT_TRUE(said("log a(H2O) =    -1.0000\n"));
    EXPECT_TRUE(said("\nrgb = 1)     g   1   2   3\nrgb = -\n"));
    EXPECT_EQ(output.find("bi"), std::string::npos);
}

}  // namespace
}  // namespace zt
