// Batches on phases built by hand: a binary solution g (pyrope-almandine over SiO2,
// Al2O3, MgO and FeO) and the pure phases q and ky; the with list names them in
// another order than the phase numbers, so that every mapping shows.
#include <sstream>
#include <vector>

#include "ax/phaserecords.h"
#include "phasediagram/batches.h"
#include "phasediagram/drawingdata.h"
#include "phasediagram/pdfixture.h"
#include "phasediagram/resultseams.h"
#include "reactions/services.h"
#include "tests/reactions/bracketlist.h"

namespace zt {
namespace {

using pdtest::at;
namespace tt = zt::testing;

std::vector<std::string> linesof(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

class Batches : public ::testing::Test {
protected:
    pdtest::pdworld world;
    loopstate ls{};

    void SetUp() override {
        resetbatchwork();
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

    void runbatch(int16_t b) {
        pd.batchno = b;
        ls.firstbatch = b == 1;
        ls.firstrun = true;
        dobatch(ls);
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
        EXPECT_EQ(pdtest::pdworld::run([&] {
                      setupbatch(ls);
                      runbatch(1);
                  }),
                  1);
        EXPECT_TRUE(world.has(c.message)) << world.out();
    }
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

    // csv heads: one block per batch on one line, ended after the last.
    const std::vector<std::string> csv = linesof(w.csv);
    ASSERT_EQ(csv.size(), 1u);
    EXPECT_NE(csv[0].find("   #,        1-P,        1-T,       1-v1,"), std::string::npos);
    EXPECT_NE(csv[0].find("   #,        2-P,        2-T,        2-q,       2-ky, "), std::string::npos);
    std::string head2;
    for (const char* b : {"1", "2"}) {
        head2 += "   #, ";
        for (const char* what : {"-G", "-H", "-S", "-V", "-rho"}) {
            const std::string name = std::string(b) + what;
            head2 += std::string(10 - name.size(), ' ') + name + ", ";
        }
    }
    EXPECT_EQ(linesof(w.csv2), (std::vector<std::string>{head2}));
}

}  // namespace
}  // namespace zt
