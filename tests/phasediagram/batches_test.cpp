// Batches on phases built by hand: a binary solution g (pyrope-almandine over SiO2,
// Al2O3, MgO and FeO) and the pure phases q and ky; the with list names them in
// another order than the phase numbers, so that every mapping shows.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "ax/phaserecords.h"
#include "phasediagram/batches.h"
#include "phasediagram/drawingdata.h"
#include "phasediagram/mcaccumulate.h"
#include "phasediagram/pdfixture.h"
#include "phasediagram/resultseams.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "reactions/services.h"
#include "tests/reactions/bracketlist.h"

namespace zt {
namespace {

using testing::linesof;


using pdtest::at;
namespace tt = zt::testing;

class Batches : public ::testing::Test {
protected:
    pdtest::pdworld world;
    loopstate ls{};

    void SetUp() override {
        ls = loopstate{};
        resetbatchwork();
        settings.mcwanted = 1;
        pdtest::setcomponents({{"SiO2", 3}, {"Al2O3", 5}, {"MgO", 2}, {"FeO", 2}});
        ws.ncompsall = ws.ncomps;
        pdtest::addbinary("g", "py", {3, 1, 3, 0}, "alm", {3, 1, 0, 3});  // phase 1
        pdtest::addpure("q", {1, 0, 0, 0});                            // phase 2
        pdtest::addpure("ky", {1, 1, 0, 0});                           // phase 3
        settings.batch = 0;
        settings.nwith = 3;
        settings.withnames[1] = "ky";
        settings.withnames[2] = "g";
        settings.withnames[3] = "q";
        ls.assemblage.fill(false);
        for (int k = 1; k <= 3; ++k) ls.assemblage[at(k)] = true;
        settings.nbatchxyzguess = 1;
        settings.batchxyzguess[1] = guessblock{};
        settings.batchxyzguess[1].nguesses = 1;
        settings.batchxyzguess[1].names[1] = "x(g)";
        settings.batchxyzguess[1].values[1] = 0.3L;
        settings.nbatches = 0;
    }

    // A batch over with positions; one P and one T unless changed.
    batchrec& addbatch(std::initializer_list<int> withpositions, int16_t var) {
        batchrec& r = settings.batches[at(++settings.nbatches)];
        r = batchrec{};
        for (int w : withpositions) r.phaseflags[at(w)] = 1;
        r.variance = var;
        r.np = r.nt = r.npt = 1;
        r.pressures[1] = 5;
        r.temperatures[1] = 873.15L;
        r.kxyz = 1;
        settings.batchlabel[at(settings.nbatches)] = settings.nbatches;
        return r;
    }

    void givebulk(batchrec& r, int16_t nbulkcomps) {
        r.hasbulk = true;
        r.nbulkcomps = nbulkcomps;
        for (int c = 1; c <= nbulkcomps; ++c) r.bulkamounts[at(c)] = 100.0L / nbulkcomps;
    }

    void runbatch(int16_t b, long run = 1) {
        ls.runhi = static_cast<int16_t>(run / 10000);
        ls.runlo = static_cast<int16_t>(run % 10000);
        pd.batchno = b;
        ls.firstbatch = b == 1;
        ls.firstrun = run == 1;
        dobatch(ls);
        ls.nloops = 2;
        ls.looplimits[1] = r(b).np;
        ls.looplimits[2] = r(b).nt;
    }

    static batchrec& r(int b) { return settings.batches[at(b)]; }

    // One point of the current batch as the loop hands it on; the returned flag.
    bool point(int16_t p, bool success, real P, real T = 873.15L, int16_t nvar = 3, real x = 0.3L) {
        eq.nvar = nvar;
        eq.nxp = 0;
        for (int g = 3; g <= nvar; ++g) {
            eq.varvalue[at(g)] = x + 0.01L * (g - 3);
            eq.calcvarnames[at(g)] = "v" + std::to_string(g);
        }
        summary.pequil = P;
        summary.tequil = T;
        bool flag = success;
        accumulatemc(ls, pd.batchno, p, flag);
        return flag;
    }

    void addfilter(int b, int p, int16_t code, real low, real high) {
        settings.filtergiven = true;
        filterrec& f = r(b).filters[at(p)][at(++r(b).nfilters[at(p)])];
        f.code = code;
        f.low = low;
        f.high = high;
    }

    void addrequest(std::initializer_list<int16_t> batches) {
        batchreqrow& row = settings.batchreqs[at(++settings.nbatchreq)];
        row.n = 0;
        for (int16_t b : batches) row.batches[at(++row.n)] = b;
    }
};

TEST_F(Batches, CopiesMapWithPositionsToPhaseNumbersAndLeaveTheScriptRecordsAsRead) {
    batchrec& r = addbatch({1, 3}, 1);  // ky and q: phases 3 and 2
    r.nmodesset = 1;
    r.modephase[1] = 2;                 // g: phase 1
    // Two assemblages in one run: a record remapped in place would be mapped twice.
    setupbatch(ls);
    setupbatch(ls);
    runbatch(1);
    EXPECT_FALSE(ls.assemblage[1]);
    EXPECT_TRUE(ls.assemblage[2]);
    EXPECT_TRUE(ls.assemblage[3]);
    EXPECT_TRUE(phases.prec1[1].isomode);
    EXPECT_EQ(r.phaseflags[1], 1);
    EXPECT_EQ(r.phaseflags[2], 0);
    EXPECT_EQ(r.phaseflags[3], 1);
    EXPECT_EQ(r.modephase[1], 2);
}

TEST_F(Batches, VarianceAndCalculatedVariableFollowTheBatchsSettings) {
    struct row {
        const char* what;
        int16_t var, np, nt;
        bool tatp, bulk;
        int16_t nmodes, nisos;
        int16_t wantvar;
        int32_t wantcalc;
    };
    const row rows[] = {
        {"one mode isopleth with a bulk", 3, 1, 1, true, true, 1, 0, 1, 1},
        {"two mode isopleths with a bulk", 3, 1, 1, false, true, 2, 0, 0, 0},
        {"two composition isopleths with a bulk, whatever the batch's var", 4, 1, 1, true, true, 0, 2, 0, 0},
        {"one composition isopleth without a bulk", 2, 1, 1, true, false, 0, 1, 1, 1},
        {"univariant, several T: P at given T even with tatp", 1, 1, 3, true, false, 0, 0, 1, 0},
        {"univariant, several P: T at given P", 1, 2, 1, false, false, 0, 0, 1, 1},
        {"univariant, one P and T, tatp", 1, 1, 1, true, false, 0, 0, 1, 1},
        {"univariant, one P and T, not tatp", 1, 1, 1, false, false, 0, 0, 1, 0},
        {"divariant", 2, 2, 2, true, false, 0, 0, 2, 0},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.what);
        settings.nbatches = 0;
        batchrec& r = addbatch({1, 2, 3}, c.var);
        r.np = c.np;
        r.nt = c.nt;
        r.tatp = c.tatp;
        if (c.bulk) givebulk(r, 4);
        r.nmodesset = c.nmodes;
        for (int m = 1; m <= c.nmodes; ++m) {
            r.modephase[at(m)] = static_cast<int16_t>(m == 1 ? 2 : 3);  // g, then q
            r.modevalue[at(m)] = 0.1L * m;
        }
        r.nisopleths = c.nisos;
        for (int i = 1; i <= c.nisos; ++i) {
            r.isophase[at(i)] = 2;
            r.isocode[at(i)] = 1;
            r.isovalue[at(i)] = 0.25L;
        }
        setupbatch(ls);
        runbatch(1);
        EXPECT_EQ(reactions.var, c.wantvar);
        EXPECT_EQ(pd.ovar, c.var);
        EXPECT_EQ(settings.calcvariable, c.wantcalc);
        EXPECT_EQ(pd.massbalance, c.bulk);
        // Mode isopleths are numbered first, composition isopleths after them.
        if (c.nmodes >= 1) {
            EXPECT_EQ(phases.prec1[1].isomodevalue, 1);
        }
        if (c.nmodes == 2) {
            EXPECT_EQ(phases.prec0[1].isomodevalue, 2);
        }
        if (c.nisos >= 1) {
            EXPECT_TRUE(phases.prec1[1].vars[1].fixed);
            EXPECT_EQ(phases.prec1[1].vars[1].isovalue, c.nmodes + c.nisos);
            EXPECT_EQ(pd.iso[at(c.nmodes + 1)].values[1], 0.25L);
        }
    }
}

TEST_F(Batches, BulkBatchWorksInItsOwnComponentsAndTheNextBatchInTheSystems) {
    batchrec& r1 = addbatch({1, 3}, 2);  // ky and q: SiO2 and Al2O3
    givebulk(r1, 2);
    r1.bulkamounts[1] = 60;
    r1.bulkamounts[2] = 40;
    addbatch({2, 3}, 2);  // g and q, no bulk
    setupbatch(ls);
    runbatch(1);
    EXPECT_EQ(ws.ncomps, 2);
    EXPECT_TRUE(pd.inbulk[1] && pd.inbulk[2]);
    EXPECT_EQ(settings.nbulks, 1);
    EXPECT_EQ(settings.bulk1[1], 60);
    EXPECT_EQ(pd.nbulkcomps, 2);
    runbatch(2);
    EXPECT_FALSE(pd.massbalance);
    EXPECT_EQ(ws.ncomps, 4);
    EXPECT_EQ(ws.nrcomps, 4);
}

TEST_F(Batches, FatalReports) {
    struct row {
        const char* what;
        std::function<void()> arrange;
        const char* message;
    };
    const row rows[] = {
        {"a with entry outside the assemblage", [&] { ls.assemblage[3] = false; }, "name ky not recognised"},
        {"a variable without a guess",
         [&] { settings.batchxyzguess[1].names[1] = "y(g)"; }, "xyzguess: can't find x(g)"},
        {"a guess block the script did not give", [&] { settings.batches[1].kxyz = maxguessblocks; },
         "xyzguess: can't find x(g)"},
        {"an illegal starting guess", [&] { settings.batchxyzguess[1].values[1] = 1.5L; },
         "starting guess not legal for g in batch 1"},
        {"bulk components the phases do not make",
         [&] { givebulk(settings.batches[1], 3); }, "mismatch in making bcomps"},
        {"more isopleths than the variance",
         [&] {
             settings.batches[1].variance = 0;
             settings.batches[1].nisopleths = 1;
             settings.batches[1].isophase[1] = 2;
             settings.batches[1].isocode[1] = 1;
             settings.batches[1].isovalue[1] = 0.3L;
         },
         "negative variance (2)"},
        {"an isopleth on no variable",
         [&] {
             settings.batches[1].nisopleths = 1;
             settings.batches[1].isophase[1] = 3;
             settings.batches[1].isocode[1] = 1;
         },
         "names no variable"},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.what);
        world.console.clearoutput();
        pdtest::resetpdworld();
        SetUp();
        addbatch({1, 2, 3}, 2);
        c.arrange();
        const size_t blocks = settings.batchxyzguess.slotsmade();
        EXPECT_EQ(pdtest::pdworld::run([&] {
                      setupbatch(ls);
                      runbatch(1);
                  }),
                  1);
        EXPECT_TRUE(world.has(c.message)) << world.out();
        EXPECT_EQ(settings.batchxyzguess.slotsmade(), blocks);  // a batch reads its block, it makes none
    }
}

// The cells of a csv line, surrounding blanks dropped.
std::vector<std::string> cellsof(const std::string& line) {
    std::vector<std::string> cells;
    std::istringstream in(line + "\n");
    for (std::string cell; std::getline(in, cell, ',');) {
        const size_t a = cell.find_first_not_of(" \n");
        const size_t b = cell.find_last_not_of(" \n");
        cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
    }
    return cells;
}

// What f writes to the drawing-data file and the two csv files.
struct written {
    std::string ql, csv, csv2;
};
written outputsof(const std::function<void()>& f) {
    tt::tempfolder folder;
    const int bits[] = {chql, chcsv, chcsv2};
    const char* names[] = {"ql.txt", "a.csv", "b.csv"};
    for (int i = 0; i < 3; ++i) {
        openforwriting(channels.files[at(bits[i])], names[i]);
        channels.outchannels |= 1 << bits[i];
    }
    f();
    for (int bit : bits) {
        closetextfile(channels.files[at(bit)]);
        channels.outchannels &= ~(1 << bit);
    }
    return {folder.readfile("ql.txt"), folder.readfile("a.csv"), folder.readfile("b.csv")};
}

TEST_F(Batches, EquilListBreaksTheVariableLineBeforeNames12To48AndOpensEveryPhaseLine) {
    // Four solution phases of 13 variables each, and a batch of pure phases only.
    for (int k = 2; k <= 4; ++k) pdtest::addbinary("s" + std::to_string(k), "a", {1, 0, 0, 0}, "b", {1, 0, 0, 0});
    phases.prec0[1] = phases.prec0[2] = emphaserec{};
    phases.prec0[1].name = "q";
    phases.prec0[2].name = "ky";
    phases.npurephases = 2;
    phases.nphases = 6;
    int n = 0;
    for (int k = 1; k <= 4; ++k) {
        phases.prec1[at(k)].nvars = 13;
        for (int m = 1; m <= 13; ++m) phases.prec1[at(k)].vars[at(m)].name = "v" + std::to_string(++n);
    }
    settings.nbatches = 2;
    batchwork.batch[1].phases.fill(false);
    for (int k = 1; k <= 5; ++k) batchwork.batch[1].phases[at(k)] = true;
    batchwork.batch[2].phases.fill(false);
    batchwork.batch[2].phases[5] = batchwork.batch[2].phases[6] = true;
    settings.batchlabel[1] = 3;
    settings.batchlabel[2] = 7;

    const written w = outputsof([&] { writeequil(ls); });
    const std::vector<std::string> lines = linesof(w.ql);
    // Names per variable line: 11, then 12 three times, then the last 5.
    std::vector<int> counts;
    for (const std::string& l : lines) {
        if (l.find("\"v") != std::string::npos) counts.push_back(static_cast<int>(std::count(l.begin(), l.end(), '"') / 2));
    }
    EXPECT_EQ(counts, (std::vector<int>{11, 12, 12, 12, 5}));
    EXPECT_NE(w.ql.find("\n{ (* 7 *) {\"q\", \"ky\"},\n {}} };\n"), std::string::npos) << w.ql;

    const auto lists = tt::bracketparser(w.ql).parseall();
    const tt::bracketvalue& equil = lists.at("equil");
    ASSERT_EQ(equil.items.size(), 2u);
    EXPECT_EQ(equil.items[0].items[0].items.size(), 5u);   // phases of batch 1
    EXPECT_EQ(equil.items[0].items[1].items.size(), 52u);  // its variables
    EXPECT_EQ(equil.items[1].items[0].items[1].text, "ky");

    // The csv heads wait for the first run written, when every batch's points are known.
    EXPECT_EQ(w.csv, "");
    EXPECT_EQ(w.csv2, "");
}

TEST_F(Batches, RequestsAcceptARunWhenSomePointOfTheirBatchesIsFoundInsideItsFilter) {
    struct row {
        const char* what;
        bool ok1;
        real p1;
        bool ok2;
        real p2;
        bool ok3;
        bool accepted;
        int32_t notok1, notpass1, notok2;
    };
    // Filters on batches 1 and 2: 4 < P < 6, strictly; batch 3 has an empty filter.
    const row rows[] = {
        {"the second batch of the request inside", false, 0, true, 5, true, true, 0, 0, 0},
        {"the first batch of the request inside", true, 4.5L, true, 7, true, true, 0, 0, 0},
        {"both on a bound", true, 4, true, 6, true, false, 0, 1, 0},
        {"neither found", false, 0, false, 0, true, false, 1, 1, 0},
        {"the second request's batch not found", true, 5, true, 5, false, false, 0, 0, 1},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.what);
        pdtest::resetpdworld();
        SetUp();
        for (int b = 1; b <= 3; ++b) addbatch({2, 3}, 2);
        addfilter(1, 1, 1, 4, 6);
        addfilter(2, 1, 1, 4, 6);
        settings.nbatchreq = 0;
        addrequest({1, 2});
        addrequest({3});
        bool flags[3] = {};
        const written w = outputsof([&] {
            setupbatch(ls);
            runbatch(1);
            flags[0] = point(1, c.ok1, c.p1);
            runbatch(2);
            flags[1] = point(1, c.ok2, c.p2);
            runbatch(3);
            flags[2] = point(1, c.ok3, 5);
            endresults(ls);
        });
        EXPECT_TRUE(flags[0] && flags[1]);
        EXPECT_EQ(flags[2], c.accepted);
        EXPECT_EQ(pd.mcsuccesses, c.accepted ? 1 : 0);
        EXPECT_EQ(batchwork.reqnotok[1], c.notok1);
        EXPECT_EQ(batchwork.reqnotpass[1], c.notpass1);
        EXPECT_EQ(batchwork.reqnotok[2], c.notok2);
        // Accepted or not, the results list is closed.
        const auto lists = tt::bracketparser(w.ql).parseall();
        EXPECT_EQ(lists.at("results").items.size(), c.accepted ? 1u : 0u);
        EXPECT_EQ(linesof(w.csv).size(), c.accepted ? 2u : 0u);  // the head and the run
    }
}

TEST_F(Batches, AcceptedRunsAreWrittenWholeAndTheListClosesWhenTheRunLimitEndsTheRuns) {
    batchrec& b1 = addbatch({2, 3}, 2);  // two points, the second one fails
    b1.np = 2;
    b1.npt = 2;
    b1.pressures[2] = 7;
    addbatch({2, 3}, 2);  // one point of 13 variables
    addfilter(2, 1, 1, 4, 8);
    addfilter(2, 1, 2, 800, 900);
    settings.mcwanted = 3;
    settings.nbatchreq = 0;
    const real P2 = 5, T2 = 873.15L;

    const written w = outputsof([&] {
        setupbatch(ls);
        for (long run : {1L, 10000L}) {
            runbatch(1, run);
            point(1, true, 5);
            point(2, false, 0);
            runbatch(2, run);
            EXPECT_TRUE(point(1, true, P2, T2, 15));
        }
        endresults(ls);
    });
    EXPECT_EQ(pd.mcsuccesses, 2);
    EXPECT_EQ(ls.nresults, 2);
    EXPECT_TRUE(world.has("starting to accumulate results"));
    EXPECT_TRUE(world.has("(10000, 1) ")) << world.out();

    const auto lists = tt::bracketparser(w.ql).parseall();
    const tt::bracketvalue& results = lists.at("results");
    ASSERT_EQ(results.items.size(), 2u);
    // {values of the run}, {points of batch 1}, {points of batch 2}, filter distance.
    const tt::bracketvalue& run = results.items[1];
    ASSERT_EQ(run.items.size(), 4u);
    EXPECT_TRUE(run.items[0].items.empty());
    const tt::bracketvalue& failed = run.items[1].items[1];
    EXPECT_EQ(failed.items[0].items[0].text, "0");
    EXPECT_TRUE(failed.items[1].items.empty());
    const tt::bracketvalue& found = run.items[2].items[0];
    EXPECT_EQ(found.items[0].items[0].text, "5.000");
    EXPECT_EQ(found.items[0].items[1].text, "600.00");
    ASSERT_EQ(found.items[1].items.size(), 13u);
    EXPECT_EQ(found.items[1].items[12].text, "0.4200");
    // The largest distance into a filter, computed here from the point's P and T.
    const real dp = 2 * (P2 - 6) / 4, dt = 2 * (T2 - 850) / 100;
    const real want = std::fabs(dp) > std::fabs(dt) ? dp : dt;
    EXPECT_NEAR(std::stold(run.items[3].text), want, 5e-4L);
    // Variables 12 and on stand on a line of their own, 13 blanks in.
    EXPECT_NE(w.ql.find("0.4000, \n             0.4100, 0.4200}}"), std::string::npos);

    // A head, then one csv row per run, the run column holding the full number; a failed
    // point gives P 0, T 0 and -1 for its variables and system properties.
    const std::vector<std::string> csv = linesof(w.csv), csv2 = linesof(w.csv2);
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[2].rfind("10000, ", 0), 0u) << csv[2];
    EXPECT_NE(csv[1].find("   1,      0.000,       0.00,         -1, "), std::string::npos) << csv[1];
    ASSERT_EQ(csv2.size(), 3u);
    EXPECT_NE(csv2[1].find("   1,         -1,         -1,         -1,         -1,         -1, "), std::string::npos);
    // Every row has the fields of its head, and each value stands under its own name:
    // a block per point, the second point of batch 1 named as such.
    for (const std::vector<std::string>* table : {&csv, &csv2}) {
        const std::vector<std::string> head = cellsof((*table)[0]);
        for (size_t r = 1; r < table->size(); ++r) EXPECT_EQ(cellsof((*table)[r]).size(), head.size()) << (*table)[r];
    }
    const std::vector<std::string> head = cellsof(csv[0]);
    const std::vector<std::string> row = cellsof(csv[1]);
    auto cell = [&](const std::string& name) {
        const auto it = std::find(head.begin(), head.end(), name);
        return it == head.end() ? std::string("(no " + name + ")") : row[static_cast<size_t>(it - head.begin())];
    };
    EXPECT_EQ(cell("1-P"), "5.000");
    EXPECT_EQ(cell("1-v3"), "0.30000");
    EXPECT_EQ(cell("1.2-v3"), "-1");
    EXPECT_EQ(cell("2-P"), "5.000");
    EXPECT_EQ(cell("2-v15"), "0.42000");
    EXPECT_EQ(cellsof(csv2[0])[1], "1-G");
}

// Without the system properties (always so with batches) the second table would hold
// only zeros: it is not written, while the first one is.
TEST_F(Batches, SecondTableIsNotWrittenWithoutSystemProperties) {
    addbatch({2, 3}, 2);
    settings.nbatchreq = 0;
    settings.systemprops = false;
    const written w = outputsof([&] {
        setupbatch(ls);
        runbatch(1);
        point(1, true, 5);
        endresults(ls);
    });
    EXPECT_EQ(linesof(w.csv).size(), 2u) << w.csv;
    EXPECT_EQ(w.csv2, "");
}

// The outputs of the end-to-end batch case, read back as other tools read them.
std::string casefile(const std::string& name) {
    std::string dir = __FILE__;
    dir = dir.substr(0, dir.rfind("/phasediagram/")) + "/e2e/mode1-batches/";
    return testing::filetext(dir + name);
}

real number(const tt::bracketvalue& v) { return std::stold(v.text); }

TEST(BatchCase, ResultsListHoldsEveryPointAndAgreesWithIndependentTruths) {
    const std::string ql = casefile("expected/zt-bat-ql.txt");
    ASSERT_FALSE(ql.empty());
    const auto lists = tt::bracketparser(ql).parseall();
    EXPECT_EQ(lists.at("equil").items.size(), 4u);
    ASSERT_EQ(lists.at("results").items.size(), 1u);
    const tt::bracketvalue& run = lists.at("results").items[0];
    ASSERT_EQ(run.items.size(), 6u);  // the run's values, four batches, the filter distance
    auto pt = [&](int b, int p) { return run.items[at(b)].items[at(p - 1)].items[0]; };
    auto vars = [&](int b, int p) { return run.items[at(b)].items[at(p - 1)].items[1]; };

    // Batch 3 holds ky at mode zero over a bulk: it lands on batch 1's ky = w line.
    EXPECT_EQ(number(pt(3, 1).items[0]), number(pt(1, 1).items[0]));
    EXPECT_NEAR(number(pt(3, 1).items[1]), number(pt(1, 1).items[1]), 0.01L);
    // Its modes from the bulk 70 SiO2 + 30 Al2O3: 30 Al2SiO5 (8 atoms) and 40 SiO2 (3 atoms).
    const real w = 30 * 8, q = 40 * 3;
    EXPECT_NEAR(number(vars(3, 1).items[1]), w / (w + q), 1e-4L);
    EXPECT_NEAR(number(vars(3, 1).items[2]), 0, 1e-4L);
    EXPECT_NEAR(number(vars(3, 1).items[3]), q / (w + q), 1e-4L);
    // Batch 4 holds x(w) at 0.45, which batch 1's line crosses between its two points.
    EXPECT_EQ(number(vars(4, 1).items[0]), 0.45L);
    EXPECT_GT(number(pt(4, 1).items[0]), number(pt(1, 1).items[0]));
    EXPECT_LT(number(pt(4, 1).items[0]), number(pt(1, 2).items[0]));
    // A failed point is listed as zeros.
    EXPECT_EQ(number(pt(2, 1).items[0]), 0);
    EXPECT_TRUE(vars(2, 1).items.empty());

    // The filter distance from the listed values and the script's filters (T in C).
    const real d[] = {2 * (number(pt(1, 1).items[1]) - 160) / 20, 2 * (number(vars(3, 1).items[0]) - 0.45L) / 0.1L,
                      2 * (number(pt(4, 1).items[0]) - 3.1L) / 0.2L, 2 * (number(pt(4, 1).items[1]) - 205) / 10,
                      2 * (number(pt(2, 2).items[0]) - 9) / 2};
    real want = 0;
    for (real x : d) want = std::fabs(x) > std::fabs(want) ? x : want;
    EXPECT_NEAR(number(run.items[5]), want, 2e-3L);  // the listed values are rounded
}

TEST(BatchCase, CsvTablesReadInPythonsCsvModule) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not available";
    std::string dir = __FILE__;
    dir = dir.substr(0, dir.rfind("/phasediagram/")) + "/e2e/mode1-batches/expected/";
    const std::string script =
        "import csv, sys\n"
        "for name in sys.argv[1:]:\n"
        "    rows = list(csv.reader(open(name, newline='')))\n"
        "    bad = sum(1 for r in rows[1:] for f in r if f.strip() and not f.strip().lstrip('-').replace('.', '', 1).isdigit())\n"
        "    print(len(rows), ' '.join(str(len(r)) for r in rows), bad)\n";
    tt::tempfolder folder;
    folder.writefile("read.py", script);
    const std::string command = "python3 read.py " + dir + "zt-bat.csv";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    ASSERT_EQ(pclose(pipe), 0) << out;
    // Rows: the head and one accepted run, both of the run's six points and the empty
    // field after each line's last ", "; no bad numbers. The batches compute no system
    // properties, so there is no second table.
    EXPECT_EQ(out, "2 26 26 0\n");
    EXPECT_FALSE(std::ifstream(dir + "zt-bat-2.csv").good());
}

// Each value of the csv row stands under the name of what the results list holds there.
TEST(BatchCase, CsvValuesStandUnderTheirOwnNames) {
    const auto lists = tt::bracketparser(casefile("expected/zt-bat-ql.txt")).parseall();
    const tt::bracketvalue& run = lists.at("results").items[0];
    const std::vector<std::string> rows = linesof(casefile("expected/zt-bat.csv"));
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string> head = cellsof(rows[0]), row = cellsof(rows[1]);
    ASSERT_EQ(head.size(), row.size());
    auto cell = [&](const std::string& name) {
        const auto it = std::find(head.begin(), head.end(), name);
        EXPECT_NE(it, head.end()) << name;
        return it == head.end() ? real(-99) : std::stold(row[static_cast<size_t>(it - head.begin())]);
    };
    auto pt = [&](int b, int p) { return run.items[at(b)].items[at(p - 1)].items[0]; };
    auto vars = [&](int b, int p) { return run.items[at(b)].items[at(p - 1)].items[1]; };
    EXPECT_NEAR(cell("1.2-P"), number(pt(1, 2).items[0]), 1e-3L);
    EXPECT_NEAR(cell("1.2-x(w)"), number(vars(1, 2).items[0]), 1e-4L);
    EXPECT_NEAR(cell("2.2-T"), number(pt(2, 2).items[1]), 1e-2L);
    EXPECT_NEAR(cell("3-w"), number(vars(3, 1).items[1]), 1e-4L);
    EXPECT_NEAR(cell("3-q"), number(vars(3, 1).items[3]), 1e-4L);
    EXPECT_NEAR(cell("4-x(w)"), 0.45L, 1e-9L);
}

}  // namespace
}  // namespace zt
