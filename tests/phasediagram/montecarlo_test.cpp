#include "phasediagram/montecarlo.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "numeric/fatalreport.h"
#include "numeric/methods/random.h"
#include "pdfixture.h"
#include "phasediagram/resultseams.h"
#include "reactions/bracketlist.h"
#include "runtime/runfiles.h"

namespace zt {
namespace {

using pdtest::at;
namespace tt = zt::testing;

// Garnet g (py, alm, gr; W's of the pairs (py,alm), (py,gr), (alm,gr)) and its copy g-1
// reduced to py and gr, as a batch boil-down leaves it.
void buildgarnets() {
    phases.nsolnphases = 0;
    axphase& g = pdtest::addbinary("g", "py", {1}, "alm", {1});
    g.nem = 3;
    g.em[3].name = "gr";
    g.nw = 3;
    g.wa = {0, 2.5L, 30, 5};
    g.wb = {0, -0.01L, 0, 0.002L};
    g.wc = {0, 0.1L, 0.2L, 0.3L};
    g.vla = {0, 1, 2.5L, 3};
    g.vlb = {0, 0, 0, 0};
    g.vlc = {0, 0.02L, 0.03L, 0.04L};
    for (int j = 1; j <= 3; ++j) {
        g.em[at(j)].props.H = -6000 - j;
        g.em[at(j)].props.S = 250 + j;
        g.em[at(j)].props.V = 11 + j;
    }
    g.em[3].dqfa = 7.2L;
    g.em[3].dqfb = 0.004L;
    g.em[3].dqfc = 0.05L;
    g.nvars = 2;
    g.vars[2].name = "z(g)";

    axphase& c = pdtest::addbinary("g-1", "py", {1}, "gr", {1});
    c.contracted = true;
    c.nemfile = 3;
    c.empresent[1] = true;
    c.empresent[2] = false;
    c.empresent[3] = true;
    c.nw = 1;
    c.wa[1] = 30;  // W(py,gr)
    c.vla = {0, 1, 3};
    c.em[1].props = g.em[1].props;
    c.em[2].props = g.em[3].props;
    c.em[2].dqfa = g.em[3].dqfa;
    c.em[2].dqfb = g.em[3].dqfb;
    c.em[2].dqfc = g.em[3].dqfc;

    resetmontecarlo();
    settings.mc = 0;
    settings.nmc = settings.nmcrange = settings.nmcfunc = 0;
    settings.mcrunlimit = 100;
    settings.debuglevel = 0;
    settings.mcdebug = 1;
    settings.gaussmc = false;
    settings.filtergiven = false;
    settings.nbatches = 1;
    settings.nwith = 0;
    randomseeds = randomstate{5, 7, 11};
}

mcrec& addentry(std::vector<str22> phasewords, int16_t vartype, int16_t index, int16_t abc, real halfwidth,
                int16_t ref = 0, int16_t refkind = 0) {
    mcrec& e = settings.mcentries[at(++settings.nmc)];
    e = mcrec{};
    e.phase = phasewords[0];
    e.nphasewords = static_cast<int16_t>(phasewords.size());
    for (size_t i = 0; i < phasewords.size(); ++i) e.phasewords[i + 1] = phasewords[i];
    e.vartype = vartype;
    e.varindex = index;
    e.abc = abc;
    e.value2 = halfwidth;
    e.ref = ref;
    e.refkind = refkind;
    if (vartype == 3) {
        // The script reader keeps the coefficient it put into the model.
        const axem& em = phases.prec1[1].em[at(index)];
        e.dqfa = em.dqfa;
        e.dqfb = em.dqfb;
        e.dqfc = em.dqfc;
    }
    return e;
}

void addrange(const str22& name, real nominal, real halfwidth) {
    mcrangerec& r = settings.mcranges[at(++settings.nmcrange)];
    r.name = name;
    r.value1 = nominal;
    r.value2 = halfwidth;
}

void addfunc(const str22& name, real constant, std::vector<std::pair<real, int16_t>> terms) {
    mcfuncrec& f = settings.mcfuncs[at(++settings.nmcfunc)];
    f = mcfuncrec{};
    f.name = name;
    f.constant = constant;
    for (const auto& [coef, range] : terms) {
        ++f.nterms;
        f.coeffs[at(f.nterms)] = coef;
        f.ranges[at(f.nterms)] = range;
    }
}

axphase& garnet() { return phases.prec1[1]; }
axphase& reduced() { return phases.prec1[2]; }

struct McTest : ::testing::Test {
    pdtest::pdworld world;
    std::unique_ptr<loopstate> ls = std::make_unique<loopstate>();
    void SetUp() override { buildgarnets(); }

    // The "-ql" text that setupmontecarlo writes.
    std::string setupql() {
        tt::tempfolder folder;
        openforwriting(channels.files[chql], "mc-ql.txt");
        channels.outchannels |= 1 << chql;
        setupmontecarlo(*ls);
        closetextfile(channels.files[chql]);
        channels.outchannels &= ~(1 << chql);
        return folder.readfile("mc-ql.txt");
    }
};

struct sample {
    real mean = 0, sd = 0, lo = 1e30L, hi = -1e30L;
};

// Runs n perturbations and gathers what read() gives after each.
sample runs(loopstate& ls, int n, const std::function<real()>& read) {
    std::vector<real> v;
    for (int i = 0; i < n; ++i) {
        domontecarlo(ls);
        v.push_back(read());
    }
    sample s;
    for (real x : v) s.mean += x / n;
    for (real x : v) s.sd += (x - s.mean) * (x - s.mean) / (n - 1);
    s.sd = std::sqrt(s.sd);
    s.lo = *std::min_element(v.begin(), v.end());
    s.hi = *std::max_element(v.begin(), v.end());
    return s;
}

// Four standard errors of a sample sd from n draws of a law with that kurtosis.
real sdtolerance(real sd, real kurtosis, int n) { return 4 * sd * std::sqrt((kurtosis - 1) / (4 * n)); }

TEST_F(McTest, OwnDrawsSpreadAsTheirHalfWidthSays) {
    const int n = 4000;
    const real h = 6;
    // A shared range of another width is drawn first; the own entry must not take its draw.
    addrange("wide", 0, 100);
    addentry({"g"}, 1, 1, 1, h);
    addentry({"g"}, 1, 3, 1, 0, 1, 0);
    for (bool gauss : {true, false}) {
        SCOPED_TRACE(gauss ? "gaussmc" : "uniform");
        settings.gaussmc = gauss;
        setupmontecarlo(*ls);
        const real base = garnet().wa[1];
        const sample s = runs(*ls, n, [] { return garnet().wa[1]; });
        const real sd = gauss ? h / 2 : h / std::sqrt(3.0L);
        EXPECT_NEAR(s.mean, base, 4 * sd / std::sqrt(static_cast<real>(n)));
        EXPECT_NEAR(s.sd, sd, sdtolerance(sd, gauss ? 3 : 1.8L, n));
        if (!gauss) {
            EXPECT_GE(s.lo, base - h);
            EXPECT_LE(s.hi, base + h);
            EXPECT_LT(s.lo, base - 0.99L * h);
            EXPECT_GT(s.hi, base + 0.99L * h);
        }
        garnet().wa[1] = base;
        garnet().wa[3] = 5;
    }
}

TEST_F(McTest, CoupledEntriesFollowTheirRangeDraws) {
    addrange("r1", 10, 5);
    addrange("r2", 0, 2);
    addfunc("f", 0.5L, {{2, 1}, {-0.5L, 2}});
    addentry({"g"}, 2, 1, 1, 5, 1, -1);   // from below
    addentry({"g"}, 2, 2, 1, 5, 1, 1);    // from above
    addentry({"g"}, 2, 3, 1, 0, 2, 0);    // shift
    addentry({"g"}, 1, 2, 1, 0, -1, -2);  // function
    setupmontecarlo(*ls);
    EXPECT_EQ(ls->mcrunvalue[1], 10);  // the first run lists the range nominal
    EXPECT_EQ(ls->mcrunvalue[4], 0.5L + 2 * 10 - 0.5L * 0);

    const real below = garnet().vla[1], above = garnet().vla[2], shift = garnet().vla[3], w = garnet().wa[2];
    real lowest = 1e30L, highest = -1e30L;
    for (int i = 0; i < 2000; ++i) {
        domontecarlo(*ls);
        const real r1 = ls->mcrangedraw[1], r2 = ls->mcrangedraw[2];
        ASSERT_LE(std::fabs(r1), 5);
        ASSERT_LE(std::fabs(r2), 2);
        const real a = garnet().vla[1];
        ASSERT_GE(a, below - 5);
        ASSERT_LE(a, below + r1 + 1e-15L);
        ASSERT_GE(garnet().vla[2], above + r1 - 1e-15L);
        ASSERT_LE(garnet().vla[2], above + 5);
        ASSERT_NEAR(garnet().vla[3], shift + r2, 1e-15L);
        ASSERT_NEAR(garnet().wa[2], w + 2 * r1 - 0.5L * r2, 1e-14L);
        lowest = std::min(lowest, a - below);
        highest = std::max(highest, a - below);
    }
    EXPECT_LT(lowest, -4.9L);
    EXPECT_GT(highest, 4.5L);
}

TEST_F(McTest, ReducedModelsTakeTheValueAtTheirOwnIndex) {
    struct reducecase {
        const char* what;
        int16_t vartype, index, abc;
        std::function<real&(axphase&)> full, copy;  // copy null: the copy has no such parameter
    };
    const std::vector<reducecase> cases = {
        {"W(py,gr) is the copy's only W", 1, 2, 1, [](axphase& p) -> real& { return p.wa[2]; },
         [](axphase& p) -> real& { return p.wa[1]; }},
        {"W(py,alm) lost alm", 1, 1, 1, [](axphase& p) -> real& { return p.wa[1]; }, nullptr},
        {"W(alm,gr) lost alm", 1, 3, 3, [](axphase& p) -> real& { return p.wc[3]; }, nullptr},
        {"size of gr, second in the copy", 2, 3, 1, [](axphase& p) -> real& { return p.vla[3]; },
         [](axphase& p) -> real& { return p.vla[2]; }},
        {"size of alm", 2, 2, 1, [](axphase& p) -> real& { return p.vla[2]; }, nullptr},
        {"DQF b of gr", 3, 3, 2, [](axphase& p) -> real& { return p.em[3].props.S; },
         [](axphase& p) -> real& { return p.em[2].props.S; }},
    };
    for (const reducecase& c : cases) {
        SCOPED_TRACE(c.what);
        buildgarnets();
        addentry({"g", "g-1"}, c.vartype, c.index, c.abc, 1);
        // What the copy must hold afterwards: as before, save the one parameter it shares.
        const auto expected = std::make_unique<axphase>(reduced());
        const real base = c.full(garnet());
        setupmontecarlo(*ls);
        domontecarlo(*ls);
        const real value = c.full(garnet());
        EXPECT_NE(value, base);
        EXPECT_EQ(value, ls->mcrunvalue[1]);
        if (c.copy) c.copy(*expected) = value;
        const axphase& after = reduced();
        EXPECT_EQ(after.wa, expected->wa);
        EXPECT_EQ(after.wc, expected->wc);
        EXPECT_EQ(after.vla, expected->vla);
        for (int j = 1; j <= 2; ++j) EXPECT_EQ(after.em[at(j)].props.S, expected->em[at(j)].props.S);
        // After the last run both models hold the parameter as read again.
        endmontecarlo(*ls);
        EXPECT_EQ(c.full(garnet()), base);
        if (c.copy) {
            EXPECT_EQ(c.copy(reduced()), base);
        }
    }
}

TEST_F(McTest, ListsParseAndHoldTheEntries) {
    addrange("rw", 12, 3);
    addrange("rv", 0.5L, 0.1L);
    addfunc("fv", 0.2L, {{2, 1}, {1, 2}});
    addentry({"g"}, 1, 1, 1, 1.5L);        // own
    addentry({"g"}, 1, 3, 2, 0, 1, 0);     // on rw
    addentry({"g"}, 3, 3, 1, 1);           // own DQF: lists the coefficient as read
    addentry({"g"}, 2, 1, 3, 0, -1, -2);   // through fv
    const std::string ql = setupql();
    const auto lists = tt::bracketparser(ql).parseall();

    const auto& info = lists.at("mcinfo").items;
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].items[0].text, "w(py,alm)a");
    EXPECT_EQ(info[0].items[1].text, "2.5000");
    EXPECT_EQ(info[0].items[2].text, "1.5000");
    EXPECT_EQ(info[1].items[0].text, "DQF(gr)a");
    EXPECT_EQ(info[1].items[1].text, "7.2000");
    EXPECT_EQ(info[1].items[2].text, "1.0000");

    const auto& ranges = lists.at("mcrange").items;
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].items[0].items[0].text, "rw");
    EXPECT_EQ(ranges[0].items[0].items[1].text, "12.0000");
    const auto& onrw = ranges[0].items[1].items;
    ASSERT_EQ(onrw.size(), 2u);
    EXPECT_EQ(onrw[0].text, "w(alm,gr)b");
    EXPECT_EQ(onrw[1].items[0].text, "func1");
    EXPECT_EQ(onrw[1].items[1].text, "term1");
    ASSERT_EQ(ranges[1].items[1].items.size(), 1u);
    EXPECT_EQ(ranges[1].items[1].items[0].items[1].text, "term2");

    const auto& funcs = lists.at("mcfunc").items;
    ASSERT_EQ(funcs.size(), 1u);
    std::vector<std::string> f;
    for (const auto& v : funcs[0].items) f.push_back(v.text);
    EXPECT_EQ(f, (std::vector<std::string>{"fv", "0.2000", "2.0000", "rw", "1.0000", "rv"}));
    EXPECT_TRUE(lists.at("filter").islist);
    EXPECT_NE(ql.find(" filter = {{}};"), std::string::npos);

    // Bases as the model holds them; the first run's values of coupled entries are nominal.
    EXPECT_EQ(ls->mcbase[1], 2.5L);
    EXPECT_EQ(ls->mcbase[3], garnet().em[3].props.H);
    EXPECT_EQ(ls->mcrunvalue[1], 2.5L);
    EXPECT_EQ(ls->mcrunvalue[2], 12);
    EXPECT_EQ(ls->mcrunvalue[3], garnet().em[3].props.H);
    EXPECT_NEAR(ls->mcrunvalue[4], 0.2L + 2 * 12 + 0.5L, 1e-15L);
    EXPECT_TRUE(pd.mcactive);
}

TEST_F(McTest, EmptyListsAndLongLinesStillParse) {
    {
        const auto lists = tt::bracketparser(setupql()).parseall();
        for (const char* name : {"mcinfo", "mcrange", "mcfunc"}) {
            EXPECT_TRUE(lists.at(name).islist) << name;
            EXPECT_TRUE(lists.at(name).items.empty()) << name;
        }
    }
    // Long end-member names, many entries on one range and more than six function items.
    garnet().em[1].name = "phlogopite";
    garnet().em[2].name = "annite";
    addrange("r", 0, 1);
    for (int i = 0; i < 14; ++i) addentry({"g"}, 1, 1, 1, 0, 1, 0);
    for (int f = 0; f < 2; ++f) addfunc("f", 0, std::vector<std::pair<real, int16_t>>(9, {1, 1}));
    addentry({"g"}, 1, 1, 2, 1);
    const std::string ql = setupql();
    const auto lists = tt::bracketparser(ql).parseall();
    std::istringstream in(ql);
    for (std::string line; std::getline(in, line);) EXPECT_LT(line.size(), 256u);
    const auto& items = lists.at("mcrange").items[0].items[1].items;
    ASSERT_EQ(items.size(), 14u + 18u);
    EXPECT_EQ(items[0].text, "w(phlogopite,annite)");
    EXPECT_EQ(items[31].items[0].text, "func2");
    EXPECT_EQ(items[31].items[1].text, "term9");
    EXPECT_EQ(lists.at("mcfunc").items[1].items.size(), 2u + 18u);
    EXPECT_EQ(lists.at("mcinfo").items.size(), 1u);
}

TEST_F(McTest, FilterConditionsAreNumberedAndListed) {
    settings.nwith = 2;
    settings.withnames[1] = "q";
    settings.withnames[2] = "g";
    settings.nbatches = 2;
    settings.filtergiven = true;
    for (int b = 1; b <= 2; ++b) {
        settings.batches[at(b)] = batchrec{};
        settings.batches[at(b)].npt = 1;
        settings.batches[at(b)].phaseflags[2] = 1;
        settings.batchlabel[at(b)] = static_cast<int16_t>(b + 4);
    }
    auto& conds = settings.batches[1].filters[1];
    settings.batches[1].nfilters[1] = 3;
    conds[1] = filterrec{"P", 0, 5, 7};
    conds[2] = filterrec{"T", 0, 773.6L, 873.15L};  // K, listed in whole degrees C
    conds[3] = filterrec{"z(g)", 0, 0.1L, 0.3L};
    settings.batches[2].nfilters[1] = 9;
    for (int c = 1; c <= 9; ++c) settings.batches[2].filters[1][at(c)] = filterrec{"", 3, 0.01L * c, 0.5L};

    const auto lists = tt::bracketparser(setupql()).parseall();
    EXPECT_EQ(conds[1].code, 1);
    EXPECT_EQ(conds[2].code, 2);
    EXPECT_EQ(conds[3].code, 4);  // x(g) is 3
    const auto& batches = lists.at("filter").items;
    ASSERT_EQ(batches.size(), 2u);
    const auto& first = batches[0].items[0].items;
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].items[1].text, "5.0");
    EXPECT_EQ(first[1].items[1].text, "500");
    EXPECT_EQ(first[1].items[2].text, "600");
    EXPECT_EQ(first[2].items[0].text, "4");
    EXPECT_EQ(first[2].items[2].text, "0.3000");
    EXPECT_EQ(batches[1].items[0].items.size(), 9u);
}

TEST(McFatal, ReportsTheRoutineAndTheMessage) {
    struct fatalcase {
        const char* routine;
        const char* message;
        std::function<void()> spoil;
        bool setuponly;
    };
    const std::vector<fatalcase> cases = {
        {"solve", "mcit = 0", [] { settings.mcrunlimit = 0; }, true},
        {"setupmontecarlo", "bad name \"gt\"", [] { settings.mcentries[1].phasewords[2] = "gt"; }, true},
        {"setupmontecarlo", "unrecognised variable name",
         [] {
             settings.nwith = 1;
             settings.withnames[1] = "g";
             settings.batches[1] = batchrec{};
             settings.batches[1].npt = 1;
             settings.batches[1].phaseflags[1] = 1;
             settings.batches[1].nfilters[1] = 1;
             settings.batches[1].filters[1][1] = filterrec{"x(g-1)", 0, 0, 1};
         },
         true},
        {"domontecarlo", "bad abc code", [] { settings.mcentries[1].abc = 4; }, true},
        {"domontecarlo", "bad variable code", [] { settings.mcentries[1].vartype = 0; }, true},
        {"domontecarlo", "bad rangecode",
         [] {
             settings.mcentries[1].ref = 1;
             settings.mcentries[1].refkind = 2;
         },
         false},
    };
    for (const fatalcase& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string out = tt::fatalreport([&] {
            pdtest::resetpdworld();
            buildgarnets();
            settings.autoexit = true;
            addrange("r", 0, 1);
            addentry({"g", "g-1"}, 1, 1, 1, 1);
            c.spoil();
            loopstate ls;
            setupmontecarlo(ls);
            if (!c.setuponly) domontecarlo(ls);
        });
        EXPECT_NE(out.find(tt::bombline(c.routine, c.message)), std::string::npos) << out;
    }
}

TEST_F(McTest, DebugLinesShowTheDqfAsReadAndItsChange) {
    settings.debuglevel = 1;
    addentry({"g"}, 3, 3, 2, 1);  // DQF b of gr: the entropy moves against the b term
    addentry({"g"}, 1, 1, 1, 1);
    setupmontecarlo(*ls);
    const real s0 = garnet().em[3].props.S;
    world.console.clearoutput();
    domontecarlo(*ls);
    const real delta = garnet().em[3].props.S - s0;
    const std::string out = world.out();
    EXPECT_EQ(out.find("\n" + std::string(78, '_') + "\n"), 0u);
    const size_t at = out.find("DQF(gr)b");
    ASSERT_NE(at, std::string::npos) << out;
    std::istringstream row(out.substr(at + 8));
    double original = 0, now = 0, difference = 0;
    row >> original >> now >> difference;
    EXPECT_NEAR(original, 0.004, 1e-9);
    EXPECT_NEAR(now, static_cast<double>(0.004L - delta), 1e-4);
    EXPECT_NEAR(difference, static_cast<double>(delta), 1e-4);
    EXPECT_NE(out.find("w(py,alm)a"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 2), "\n\n");
}

// The output files of the end-to-end Monte Carlo case (compared byte for byte with what
// the program writes), read back as other tools would read them.
std::string recorded(const std::string& name) {
    return testing::filetext(
        (std::filesystem::path(__FILE__).parent_path().parent_path() / "e2e" / "mode1-montecarlo" / "expected" / name).string());
}

std::vector<std::vector<std::string>> csvrows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            cell.erase(0, cell.find_first_not_of(' '));
            if (!cell.empty()) fields.push_back(cell);
        }
        rows.push_back(fields);
    }
    return rows;
}

TEST(McOutputs, RecordedRunParsesAndEveryAcceptedRunPassesItsFilter) {
    std::string ql = recorded("zt-mc-ql.txt");
    ASSERT_FALSE(ql.empty());
    // The file ends with the count of accepted runs on a line of its own.
    const size_t end = ql.rfind(';');
    const int nresults = std::stoi(ql.substr(end + 1));
    const auto lists = tt::bracketparser(ql.substr(0, end + 1)).parseall();
    for (const char* name : {"mcinfo", "mcrange", "mcfunc", "filter", "equil", "results"}) {
        EXPECT_TRUE(lists.count(name)) << name;
    }
    const auto& results = lists.at("results").items;
    ASSERT_EQ(static_cast<int>(results.size()), nresults);
    EXPECT_EQ(nresults, 5);  // mcit 12 5: the runs stop at the fifth accepted one

    const auto csv = csvrows(recorded("zt-mc.csv"));
    ASSERT_EQ(csv.size(), results.size() + 1);
    for (size_t n = 0; n < results.size(); ++n) {
        SCOPED_TRACE("results entry " + std::to_string(n + 1));
        const auto& entry = results[n].items;
        ASSERT_EQ(entry.size(), 4u);  // drawn values, two batches, the filter distance
        // Own draws and the shared range stay within their half-widths: W 2 +- 1.5,
        // DQF c 0 +- 0.01, range 1 +- 0.3.
        const auto& drawn = entry[0].items;
        ASSERT_EQ(drawn.size(), 3u);
        EXPECT_LE(std::fabs(std::stod(drawn[0].text) - 2), 1.5);
        EXPECT_LE(std::fabs(std::stod(drawn[1].text)), 0.01);
        EXPECT_LE(std::fabs(std::stod(drawn[2].text) - 1), 0.3);
        // Batch 2's filter: 350 < T < 380 and 0.4 < x(w) < 0.6.
        const auto& point = entry[2].items[0].items;
        const double t = std::stod(point[0].items[1].text), x = std::stod(point[1].items[0].text);
        EXPECT_GT(t, 350);
        EXPECT_LT(t, 380);
        EXPECT_GT(x, 0.4);
        EXPECT_LT(x, 0.6);
        // The csv row holds the same points.
        const auto& row = csv[n + 1];
        ASSERT_EQ(row.size(), 8u);
        EXPECT_EQ(row[2], entry[1].items[0].items[0].items[1].text);
        EXPECT_EQ(row[6], point[0].items[1].text);
    }
}

TEST(GaussRandom, StandardNormalMoments) {
    randomseeds = randomstate{3, 5, 7};
    const int n = 20000;
    real sum = 0, sum2 = 0, sum4 = 0;
    int beyond2 = 0;
    for (int i = 0; i < n; ++i) {
        const real z = gaussrandom(1, 0);
        sum += z;
        sum2 += z * z;
        sum4 += z * z * z * z;
        if (std::fabs(z) > 2) ++beyond2;
    }
    EXPECT_NEAR(sum / n, 0, 4 / std::sqrt(static_cast<real>(n)));
    EXPECT_NEAR(sum2 / n, 1, 4 * std::sqrt(2.0L / n));
    EXPECT_NEAR(sum4 / n, 3, 4 * std::sqrt(96.0L / n));
    // P(|z| > 2) = 0.0455 for a normal law.
    EXPECT_NEAR(static_cast<real>(beyond2) / n, 0.0455L, 4 * std::sqrt(0.0455L * 0.9545L / n));
    randomseeds = randomstate{3, 5, 7};
    const real z = gaussrandom(1, 0);
    randomseeds = randomstate{3, 5, 7};
    EXPECT_NEAR(gaussrandom(2.5L, 10), 10 + 2.5L * z, 1e-15L);
}

}  // namespace
}  // namespace zt
