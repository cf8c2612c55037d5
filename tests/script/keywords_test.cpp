// A script that uses every keyword, and the settings it leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "scriptfixture.h"

namespace zt {
namespace {

using Keywords = ScriptTest;

const char* const everykeyword = R"(strictscripting
autoexit
numerical
wqx
gaussmc
sorrelcalc
magemin
moreprec
fluidpresent
fluidexcess ask
defsdaparams no
usedefsda ask
printcor
latex
compatibility ask
fifi
printbulkinfo
c8
oblique
projcomp no
fitset ask
calcah2o
calcmuo
calcmu
usecalcq
autovar
printxyz no
incnler
justrelu
oisr
dataok no
doallr yes
doschreinemakers ask
calctatp
mcdebug
batchdebug no
mcoutcurrentway no
fractdebug
modebox ask
debuglevel 3
debuglevelq 2
outlevel 0
quillet ask 1
convergence 1e-10 1e-7 0.001 1e-5
axfile tc
calctype 2
rockname granulite
setmaxsdt 100
setmaxsdp 2
dogmin no
maxvar 3 5
setvar 3
negP
calcsdnle
convert x
utilitycode 1
tablecode 2
recalccode 3
fract no
diagramPT 1 12 400 800
calcP 2 10 0.5
calcT 450 750 25
ptforaxe 5 500
ptguess 8 600
figure T-x(CO2)
xco2values 0.1 0.5 0.1
setfluid 0.2
lna H2O -1
setlna q 1
setloga q -1
seta H2O 0.5 CO2
muval
muval PT 3 500
muval FeO MgO
muval -250 -600
setmu FeO -250 MgO
isopleth x(g) 0.1 0.5 0.1
modeiso g 0.2
zeromodeiso yes bi
buffer ru 0.5
with g bi mu q_x
inexcess q
tozero mu
rgb g 200 10 10
pseudosection
bulk SiO2 FeOt MgO
bulk 50 30 20
bulk 60 20 20 10
splitbulk 0.2 0.8
onebulk 0.5
rbi no
project
projplane SiO2 FeOtot
projplane A 1 0
projplane B 0 1
isr q g
isr 1 -1
convliq 1 0
convliq 0 1
samecoding g g2
xyzguess x(g) 0.3 sd 0.05 range 0.1 0.6
modeguess g 0.3
batchxyzguess startblock
batchxyzguess x(g) 0 range 0 0.5
batchbulk 1 1 0
batch g bi 2 1 1 8 600 1 1 1 0 0 0
filter 1 T 500 700
batchswitch all
batchreq 1
mcit 10 3
mcrange rng 1 2
mcfunc W(g)a 5 1 2 rng
mc no
)";

// One setting against the value the keyword should leave; any number type.
struct row {
    template <typename G, typename W>
    row(const char* k, G g, W w) : keyword(k), got(static_cast<real>(g)), want(static_cast<real>(w))
    {
    }
    const char* keyword;
    real got;
    real want;
};

// Relative agreement: the script's numbers come through the program's own reader.
bool near(real got, real want) { return std::fabs(got - want) <= 1e-15L * std::fabs(want); }

TEST_F(Keywords, AScriptWithEveryKeywordLeavesTheSettingsItNames)
{
    mode(2);
    ASSERT_EQ(read(everykeyword), -1) << output;
    EXPECT_EQ(settings.nscriptproblems, 0) << output;
    const runsettings& s = settings;
    const batchrec& b = s.batches[1];
    const row rows[] = {
        {"strictscripting", s.strictscripting, 1},
        {"autoexit", s.autoexit, 1},
        {"numerical", s.numerical, 1},
        {"wqx", s.wqxon, 1},
        {"gaussmc", s.gaussmc, 1},
        {"sorrelcalc", s.sorrelcalc, 0},
        {"magemin", s.magemin, 0},
        {"moreprec", s.moreprec, 0},
        {"fluidpresent", s.fluidpresent, 0},
        {"fluidexcess", s.fluidexcess, 2},
        {"defsdaparams", s.defsdaparams, 1},
        {"usedefsda", s.usedefsda, 2},
        {"printcor", s.printcor, 0},
        {"latex", s.latex, 0},
        {"compatibility", s.compatibility, 2},
        {"fifi", s.fifi, 0},
        {"printbulkinfo", s.printbulkinfoon, 0},
        {"c8", s.c8, 0},
        {"oblique", s.oblique, 0},
        {"projcomp", s.projcomp, 1},
        {"fitset", s.fitseton, 2},
        {"calcah2o", s.calcah2o, 0},
        {"calcmuo", s.calcmuo, 0},
        {"calcmu", s.calcmu, 0},
        {"usecalcq", s.usecalcq, 0},
        {"autovar (a pseudosection's variance is calculated)", s.autovar, 0},
        {"printxyz", s.printxyz, 1},
        {"incnler", s.incnler, 0},
        {"justrelu", s.justrelu, 0},
        {"oisr", s.oisr, 0},
        {"dataok", s.dataok, 1},
        {"doallr, then doschreinemakers ask leaves it", s.doallr, 0},
        {"calctatp", s.calctatp, 0},
        {"mcdebug", s.mcdebug, 0},
        {"batchdebug", s.batchdebug, 1},
        {"mcoutcurrentway", s.mcoutcurrentway, 1},
        {"fractdebug", s.fractdebug, 0},
        {"modebox (ask is yes)", s.modebox, 0},
        {"debuglevel", s.debuglevel, 3},
        {"debuglevelq", s.debuglevelq, 2},
        {"outlevel", s.outlevel, 0},
        {"quillet (off again with modebox yes)", s.quilleton, 1},
        {"quillet option", s.quilletoption, 1},
        {"convergence 1", s.esize, 1e-10L},
        {"convergence 2", s.fsize, 1e-7L},
        {"convergence 3", s.dxtol, 0.001L},
        {"convergence 4", s.modesumtol, 1e-5L},
        {"calctype", s.calctype, 2},
        {"calctype given", s.calctypegiven, 0},
        {"setmaxsdt", s.setmaxsdt, 0},
        {"maxsdt", s.maxsdt, 100},
        {"setmaxsdp", s.setmaxsdp, 0},
        {"maxsdp", s.maxsdp, 2},
        {"dogmin", s.dogminon, 0},
        {"dogmin level", s.dogminlevel, -1},
        {"maxvar (no minimisation)", s.maxvar, 1},
        {"maxvar low", s.dogminminvar, 2},
        {"maxvar high", s.dogminmaxvar, 0},
        {"setvar value", reactions.var, 3},
        {"setvar (a pseudosection's variance is calculated)", s.setvar, 1},
        {"negP", s.pmin, -50},
        {"fract", s.fract, 1},
        {"diagramPT", s.diagramPT, 0},
        {"diagramPT P low", s.pwindow[1], 1},
        {"diagramPT P high", s.pwindow[2], 12},
        {"diagramPT T low", s.twindow[1], 673.15L},
        {"diagramPT T high", s.twindow[2], 1073.15L},
        {"calcP", s.calcP, 0},
        {"calcP low", s.calcprange[1], 2},
        {"calcP high", s.calcprange[2], 10},
        {"calcP step", s.pinterval, 0.5L},
        {"calcT", s.calcT, 0},
        {"calcT low", s.calctrange[1], 723.15L},
        {"calcT high", s.calctrange[2], 1023.15L},
        {"calcT step", s.tinterval, 25},
        {"ptforaxe", s.ptforaxe, 0},
        {"ptforaxe P", s.pforaxe, 5},
        {"ptforaxe T", s.tforaxe, 500},
        {"ptguess", s.ptguess, 0},
        {"ptguess P", s.ptguessp, 8},
        {"ptguess T", s.ptguesst, 873.15L},
        {"figure", s.figure, 1},
        {"figure: x(CO2) axis", s.xco2diagram, 1},
        {"xco2values", s.xco2values, 0},
        {"xco2values count", s.nxco2values, 5},
        {"xco2values last", s.xco2list[5], 0.5L},
        {"xco2values step", s.xco2range[3], 0.1L},
        {"setfluid", s.setfluid, 0},
        {"setfluid x(CO2)", s.xco2fluid, 0.2L},
        {"setfluid x(H2O)", s.xh2ofluid, 0.8L},
        {"seta", s.seta, 0},
        {"setlna (its list replaced)", s.setlna, 1},
        {"setloga (its list replaced)", s.setloga, 1},
        {"seta count", s.nlna, 2},
        {"seta ln a", s.lnavalues[1], std::log(0.5L)},
        {"seta to be set", s.lnavalues[2], 10},
        {"muval", s.muvalswitch, 0},
        {"muval started", s.muvalstarted, 1},
        {"muval P", s.muvalpt[1], 3},
        {"muval T", s.muvalpt[2], 773.15L},
        {"muval values", s.mucalc[2], -600},
        {"setmu", s.setmu, 0},
        {"setmu count", s.nmu, 2},
        {"setmu value", s.muvalues[1], -250},
        {"setmu to be set", s.muvalues[2], 0},
        {"isopleth", s.isopleth, 0},
        {"isopleth low", s.isoplethinfo[1].low, 0.1L},
        {"isopleth high", s.isoplethinfo[1].high, 0.5L},
        {"isopleth step", s.isoplethinfo[1].step, 0.1L},
        {"modeiso", s.modeiso, 0},
        {"modeiso value", s.modeisoinfo[1].high, 0.2L},
        {"zeromodeiso", s.zeromodeiso, 0},
        {"buffer", s.bufferdel, 0.5L},
        {"with", s.withswitch, 0},
        {"with count", s.nwith, 4},
        {"inexcess", s.inexcesson, 0},
        {"inexcess count (with the phase set to zero)", s.nexcesslist, 2},
        {"tozero", s.tozero, 0},
        {"tozero count", s.ntozero, 1},
        {"rgb count", s.nrgb, 1},
        {"rgb red", s.rgbcolours[1][1], 200},
        {"pseudosection", s.pseudosection, 1},
        {"pseudosection given", s.pseudosectiongiven, 1},
        {"bulk", s.bulk, 0},
        {"bulk compositions", s.nbulks, 2},
        {"bulk components", s.nbulkoxides, 3},
        {"bulk first", s.bulk1[1], 50},
        {"bulk second", s.bulk2[1], 60},
        {"bulk steps", s.nbulksteps, 11},
        {"splitbulk", s.bulksubrange, 0},
        {"splitbulk low", s.bulksubrangelo, 0.2L},
        {"splitbulk high", s.bulksubrangehi, 0.8L},
        {"onebulk", s.onebulk, 0},
        {"onebulk value", s.onebulkvalue, 0.5L},
        {"rbi", s.rbi, 1},
        {"rbi lines", s.nrbi, 0},
        {"project", s.projection, 0},
        {"projplane", s.projplane, 0},
        {"projplane oxides", s.nprojoxides, 2},
        {"projplane apices", s.napices, 2},
        {"projplane apex", s.apexcomps[2][2], 1},
        {"isr", s.setisr, 0},
        {"isr rows", s.nisr, 1},
        {"isr names", s.nisrnames, 2},
        {"isr coefficient", s.isrcoeffs[1][2], -1},
        {"convliq", s.convliq, 0},
        {"convliq rows", s.nconvliqrows, 2},
        {"convliq columns", s.nconvliqcols, 2},
        {"convliq value", s.convliqmatrix[2][2], 1},
        {"samecoding", s.samecodingswitch, 0},
        {"samecoding groups", s.nsamecoding, 1},
        {"samecoding items", s.nsameitems[1], 2},
        {"xyzguess (emptied with batches)", s.nxyzguess, 0},
        {"xyzguess value", s.xyzguessvalues[1], 0.3L},
        {"xyzguess sd", s.xyzguesssd[1], 0.05L},
        {"xyzguess low", s.xyzguesslow[1], 0.1L},
        {"xyzguess high", s.xyzguesshigh[1], 0.6L},
        {"modeguess", s.nmodeguess, 1},
        {"modeguess value", s.modeguessvalues[1], 0.3L},
        {"batchxyzguess", s.nbatchxyzguess, 1},
        {"batchxyzguess zero guesses", s.batchxyzguess[1].nzeroguesses, 1},
        {"batchxyzguess range", s.batchxyzguess[1].rangehigh[1], 0.5L},
        {"batchbulk rows", s.nbatchbulks, 1},
        {"batchbulk components", s.nbatchbulkcomps, 3},
        {"batchbulk amount", s.batchbulks[1][1], 50},
        {"batch", s.batch, 0},
        {"batch count", s.nbatches, 1},
        {"batch variance", b.variance, 2},
        {"batch T", b.temperatures[1], 873.15L},
        {"batch T at P", b.tatp, 1},
        {"batch guess block", b.kxyz, 1},
        {"batch zero guesses", b.nzeroguesses, 1},
        {"batch bulk", b.hasbulk, 1},
        {"batch bulk components", b.ncompflags, 2},
        {"batch bulk amount", b.bulkamounts[2], 50},
        {"batch isopleths", b.nisopleths, 0},
        {"filter sets", s.nfiltersets, 1},
        {"filter given", s.filtergiven, 1},
        {"filter count", b.nfilters[1], 1},
        {"filter low (K)", b.filters[1][1].low, 773.15L},
        {"batchswitch", s.nbatchselect, 1},
        {"batchswitch label", s.batchlabel[1], 1},
        {"batchreq", s.nbatchreq, 1},
        {"batchreq position", s.batchreqs[1].batches[1], 1},
        {"mcit wanted", s.mcwanted, 3},
        {"mcit limit (no Monte Carlo entries)", s.mcrunlimit, 1},
        {"mcrange", s.nmcrange, 1},
        {"mcrange value", s.mcranges[1].value2, 2},
        {"mcfunc", s.nmcfunc, 1},
        {"mcfunc constant", s.mcfuncs[1].constant, 5},
        {"mcfunc coefficient", s.mcfuncs[1].coeffs[1], 2},
        {"mcfunc range", s.mcfuncs[1].ranges[1], 1},
        {"mc", s.mc, 1},
        {"mc entries", s.nmc, -1},
    };
    for (const row& r : rows) EXPECT_TRUE(near(r.got, r.want)) << r.keyword << ": " << r.got << " not " << r.want;

    struct namerow {
        const char* keyword;
        str22 got;
        const char* want;
    };
    const namerow names[] = {
        {"axfile", s.axfile, "tc"},
        {"rockname", s.rockname, "granulite"},
        {"seta name", s.lnanames[2], "CO2"},
        {"setmu name", s.munames[2], "MgO"},
        {"isopleth name", s.isoplethinfo[1].name, "x(g)"},
        {"modeiso name", s.modeisoinfo[1].name, "g"},
        {"zeromodeiso name", s.zeromodeisonames[1], "bi"},
        {"buffer", s.buffername, "ru"},
        {"with short name", s.withnames[4], "q"},
        {"with name as written", s.withshortnames[4], "q_x"},
        {"inexcess", s.excesslist[1], "q"},
        {"tozero joins the excess list", s.excesslist[2], "mu"},
        {"rgb", s.rgbnames[1], "g"},
        {"bulk FeOt is FeO", s.bulkoxides[2], "FeO"},
        {"projplane FeOtot is FeO", s.projoxides[2], "FeO"},
        {"projplane apex", s.apexnames[2], "B"},
        {"isr", s.isrnames[2], "g"},
        {"samecoding", s.samewrittenname[1][2], "g2"},
        {"xyzguess", s.xyzguessnames[1], "x(g)"},
        {"modeguess", s.modeguessnames[1], "g"},
        {"batchxyzguess", s.batchxyzguess[1].names[1], "x(g)"},
        {"filter", b.filters[1][1].name, "T"},
        {"mcrange", s.mcranges[1].name, "rng"},
        {"mcfunc", s.mcfuncs[1].name, "W(g)a"},
    };
    for (const namerow& r : names) EXPECT_EQ(r.got, r.want) << r.keyword;

    EXPECT_EQ(output.rfind("conv: 1e-10 1e-7 1e-3 1e-5\n", 0), 0u);
    EXPECT_TRUE(said("\nfor ru del = 0.50\n"));
    EXPECT_TRUE(said("\nln a(H2O) =    -0.6931\nln a(CO2) - to be set \n"));
    EXPECT_TRUE(said("\nlog a(q) =    -1.0000\n"));
    EXPECT_TRUE(said("\nmu(FeO) =    -250.00\nmu(MgO) - to be set \n"));
    EXPECT_TRUE(said("\nrgb = 1)     g 200  10  10\n"));
    EXPECT_TRUE(said("\ncaring batches\n  1\n"));
}

TEST_F(Keywords, AliasesSetTheSameSettingsAsTheirKeywords)
{
    mode(4);  // no mandatory keywords
    struct alias {
        const char* script;
        std::function<real()> setting;
        real want;
    };
    const runsettings& s = settings;
    const alias cases[] = {
        {"calca(H2O) no", [&] { return s.calcah2o; }, 1},
        {"acceptvar no", [&] { return s.autovar; }, 1},
        {"printguessform no", [&] { return s.printxyz; }, 1},
        {"pisr", [&] { return s.oisr; }, 0},
        {"doallreactions no", [&] { return s.doallr; }, 1},
        {"calcTatP", [&] { return s.calctatp; }, 0},
        {"schreinemakers no", [&] { return s.doallr; }, 0},
        {"doschreinemakers", [&] { return s.doallr; }, 1},
        {"runname r", [&] { return s.rocknameswitch; }, 0},
        {"setrockname r", [&] { return s.rocknameswitch; }, 0},
        {"maxsdt 30", [&] { return s.maxsdt; }, 30},
        {"maxsdp 0.1", [&] { return s.maxsdp; }, 0.1L},
        {"pseudo\nsetbulk SiO2\nsetbulk 1\ndogmin\nvarrange 3", [&] { return s.dogminmaxvar; }, 3},
        {"negp no", [&] { return s.pmin; }, -50},
        {"figurePT 1 5 300 500", [&] { return s.pwindow[2]; }, 5},
        {"windowPT 1 5 300 500", [&] { return s.twindow[1]; }, 573.15L},
        {"setptforaxe 4 400", [&] { return s.pforaxe; }, 4},
        {"fig P-x(CO2)", [&] { return s.figure; }, 2},
        {"fig Px(CO2)", [&] { return s.xco2diagram; }, 1},
        {"calcx(CO2) 0.2", [&] { return s.xco2list[1]; }, 0.2L},
        {"calcx(co2) 0.2 0.3", [&] { return s.nxco2values; }, 2},
        {"x(CO2)values 0.3", [&] { return s.nxco2values; }, 1},
        {"xco2values ask 0.3", [&] { return s.xco2values; }, 0},
        {"x(CO2) 0.25", [&] { return s.xh2ofluid; }, 0.75L},
        {"mu SiO2 -900", [&] { return s.muvalues[1]; }, -900},
        {"setiso x(g)", [&] { return s.isopleth; }, 0},
        {"modeisopleth g", [&] { return s.modeiso; }, 0},
        {"zeromodeisopleth g", [&] { return s.zeromodeiso; }, 0},
        {"which g bi", [&] { return s.nwith; }, 2},
        {"setexcess q", [&] { return s.nexcesslist; }, 1},
        {"setexcess0 q", [&] { return s.ntozero; }, 1},
        {"inexcess0 q", [&] { return s.ntozero; }, 1},
        {"pseudo no", [&] { return s.pseudosectiongiven; }, 1},
        {"pseudo\nsetbulk SiO2\nsetbulk 1", [&] { return s.nbulks; }, 1},
        {"pseudo\nreadbulkinfo SiO2\nreadbulkinfo q 1 1", [&] { return s.nrbi; }, 1},
        {"bulksubrange 0.3", [&] { return s.bulksubrangelo; }, 0.3L},
        {"projection", [&] { return s.projection; }, 0},
        {"projection\nsetprojplane SiO2", [&] { return s.napices; }, -2},
        {"isr q\nisr 1", [&] { return s.nisr; }, 1},
        {"samexeos g h", [&] { return s.nsamecoding; }, 1},
        {"readxyz x(g) 0.2", [&] { return s.nxyzguess; }, 1},
        {"xyz x(g) 0.2", [&] { return s.xyzguessvalues[1]; }, 0.2L},
        {"with g\nbatchxyzguess startblock\nbatch g 2 1 1 8 600 1 1 0 0\nflitter 0", [&] { return s.nfiltersets; }, 1},
        {"mcbulk 1 3", [&] { return s.batchbulks[1][2]; }, 75},
    };
    for (const alias& c : cases) {
        setinitialsettings();
        ASSERT_EQ(read(std::string(c.script) + "\n"), -1) << c.script << output;
        EXPECT_TRUE(near(c.setting(), c.want)) << c.script << ": " << c.setting();
        EXPECT_EQ(settings.nscriptproblems, 0) << c.script;
    }
}

}  // namespace
}  // namespace zt
