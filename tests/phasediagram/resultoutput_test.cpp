// The reports of a solved point, on an equilibrium filled in by hand: plagioclase with
// quartz and kyanite over SiO2, Al2O3 and CaO.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/testsupport.h"
#include "numeric/summary.h"
#include "phasediagram/calcdetails.h"
#include "phasediagram/drawingdata.h"
#include "phasediagram/pdfixture.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/resulttable.h"
#include "phasediagram/scriptblocks.h"
#include "phasediagram/systemprops.h"
#include "runtime/bytes.h"
#include "runtime/runstate.h"
#include "tests/reactions/bracketlist.h"
#include "tests/script/scriptfixture.h"

namespace zt {
namespace {

using testing::linesof;
using testing::wordsof;

using pdtest::at;
namespace tt = zt::testing;

constexpr real P = 6.5L, T = 923.15L;
const real modes[4] = {0, 0.5L, 0.3L, 0.2L};
// Per phase, fractions of SiO2, Al2O3, CaO.
const real comps[4][4] = {{}, {0, 0.55L, 0.3L, 0.15L}, {0, 1, 0, 0}, {0, 0.5L, 0.5L, 0}};

// A small csv reader: fields split at commas, surrounding blanks dropped.
std::vector<std::vector<std::string>> readcsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& l : linesof(text)) {
        std::vector<std::string> row;
        std::string field;
        auto push = [&] {
            const size_t a = field.find_first_not_of(' ');
            const size_t b = field.find_last_not_of(' ');
            row.push_back(a == std::string::npos ? "" : field.substr(a, b - a + 1));
            field.clear();
        };
        for (char c : l) {
            if (c == ',') {
                push();
            } else {
                field += c;
            }
        }
        push();
        rows.push_back(row);
    }
    return rows;
}

class ResultOutput : public ::testing::Test {
protected:
    pdtest::pdworld world;
    loopstate ls{};
    // What f writes to the file of one channel (the log unless said).
    static std::string logof(const std::function<void()>& f, int bit = chlog) {
        tt::tempfolder folder;
        openforwriting(channels.files[at(bit)], "out.txt");
        channels.outchannels |= 1 << bit;
        f();
        closetextfile(channels.files[at(bit)]);
        channels.outchannels &= ~(1 << bit);
        return folder.readfile("out.txt");
    }
    void SetUp() override {
        pdtest::resetpdworld();
        resetsummary();
        eq = equilibriumstate{};
        ws.c.assign(maxcomps + 1, comprow{});
        run.runcount = 1;
        channels.pagewidth = 250;
        pdtest::setcomponents({{"SiO2", 3}, {"Al2O3", 5}, {"CaO", 2}});
        axphase& pl = pdtest::addbinary("pl", "an", {2, 1, 1}, "ab", {3, 1, 0});
        pl.vars[1].lower = -1;
        pdtest::addpure("q", {1, 0, 0});
        pdtest::addpure("ky", {1, 1, 0});
        ws.nem = 4;
        eq.phasestart[1] = true;
        eq.phaseofstart[1] = 1;
        eq.phasefirstvar[1] = 3;
        eq.nvar = 3;
        eq.varvalue[1] = P;
        eq.varvalue[2] = T;
        eq.varvalue[3] = 0.3141593L;
        eq.calcvarfree[3] = true;
        eq.calcvarnames[1] = "P(kbar)";
        eq.calcvarnames[3] = "x(pl)";
        eq.nleconvtag = "ef";
        eq.nleiter = 4;
        ls.assemblage[1] = ls.assemblage[2] = ls.assemblage[3] = true;
        ls.nsuccesses = 1;

        summary.pequil = P;
        summary.tequil = T;
        summary.var = summary.ovar = 2;
        summary.nbulks = 1;
        summary.ncomps = 3;
        summary.sumnphases = 3;
        const char* names[4] = {"", "pl", "q", "ky"};
        for (int i = 1; i <= 3; ++i) {
            summary.compnames[at(i)] = ws.compnames[at(i)];
            summary.inbulk[at(i)] = true;
        }
        for (int p = 1; p <= 3; ++p) {
            phasesummary& ph = summary.sumphases[at(p)];
            ph.name = names[p];
            ph.included = true;
            ph.nem = p == 1 ? 2 : 1;
            ph.mode[1] = modes[p];
            ph.convfactor[1] = 1;
            for (int i = 1; i <= 3; ++i) {
                ph.oxcomp[at(i)] = comps[p][i];
                summary.bulkrows[1][at(i)] += modes[p] * comps[p][i];
            }
        }
        summary.sumphases[1].varnames[1] = "x(pl)";
        summary.sumphases[1].varvalues[1] = eq.varvalue[3];
        pd.nsysrows = 1;
        summary.sysfirstrow = 1;
        summary.sysg[1] = -2512.34567L;
        summary.syss[1] = 0.43125L;
        summary.sysh[1] = summary.sysg[1] + T * summary.syss[1];
        summary.sysv[1] = 4.1234L;
        summary.sysrho[1] = 2.7654L;
        settings.nwith = 4;
        settings.withnames[1] = "pl";
        settings.withnames[2] = "ksp";  // not in this assemblage
        settings.withnames[3] = "q";
        settings.withnames[4] = "ky";
    }
};

TEST_F(ResultOutput, WideTablesDealTheVariablesIntoBlocks) {
    channels.pagewidth = 80;
    eq.nvar = 16;
    for (int i = 3; i <= 16; ++i) {
        eq.calcvarnames[at(i)] = "x" + std::to_string(i);
        eq.calcvarfree[at(i)] = i != 4 && i != 5;
        eq.varvalue[at(i)] = 0.123456L;
    }
    eq.varvalue[4] = 0.25L;
    eq.varvalue[5] = 1 / 3.0L;
    pd.nfailmarks = 3;
    ls.nsuccesses = 2;
    printresulttable(ls);
    const std::vector<std::string> l = linesof(world.out());
    ASSERT_EQ(l.size(), 8u) << world.out();
    EXPECT_EQ(l[0], "");  // closes the line of failure marks
    EXPECT_EQ(pd.nfailmarks, 0);
    EXPECT_EQ(l[1].substr(0, 60), std::string(60, '-'));
    EXPECT_EQ(l[1].substr(60, 5), "ef 4");
    EXPECT_EQ(wordsof(l[2]).size(), 2u + 6u);
    EXPECT_EQ(wordsof(l[3]), (std::vector<std::string>{"6.500", "650.000", "0.1235", "0.25", "0.333333", "0.1235",
                                                        "0.1235", "0.1235"}));
    EXPECT_EQ(l[5].substr(0, 18), std::string(18, ' '));
    EXPECT_EQ(wordsof(l[5]).size(), 6u);
    EXPECT_EQ(l[7].substr(0, 18), std::string(18, ' '));
    EXPECT_EQ(wordsof(l[7]).size(), 2u);
}

TEST_F(ResultOutput, ModalTableRowIsThermodynamicallyConsistent) {
    settings.calcah2o = 1;
    printmodes(ls);
    const std::vector<std::string> l = linesof(world.out());
    ASSERT_EQ(l.size(), 3u) << world.out();
    EXPECT_EQ(wordsof(l[1]), (std::vector<std::string>{"mode", "pl", "q", "ky", "G", "H", "S", "V", "rho"}));
    const std::vector<std::string> w = wordsof(l[2]);
    ASSERT_EQ(w.size(), 8u);
    real msum = 0;
    for (int p = 0; p < 3; ++p) msum += std::stold(w[at(p)]);
    EXPECT_NEAR(static_cast<double>(msum), 1.0, 1e-12);
    const real G = std::stold(w[3]), H = std::stold(w[4]), S = std::stold(w[5]);
    EXPECT_NEAR(static_cast<double>(H - G - T * S), 0.0, 0.05);  // S printed with 4 decimals
}

// G and H of a large system or formula (a vesuvianite is some -45,000 kJ) keep their five
// decimals in the modal table where the number text's digits run out.
TEST_F(ResultOutput, ModalTableKeepsTheDecimalsOfLargeEnergies) {
    for (const real g : {-2512.34567L, -21474.83646L, -45000.123456L, -99999.5L}) {
        world.console.clearoutput();
        summary.sysg[1] = g;
        summary.sysh[1] = g + T * summary.syss[1];
        printmodes(ls);
        const std::vector<std::string> l = linesof(world.out());
        ASSERT_EQ(l.size(), 3u) << world.out();
        const std::vector<std::string> w = wordsof(l[2]);
        ASSERT_EQ(w.size(), 8u) << world.out();
        char text[2][32];
        std::snprintf(text[0], sizeof text[0], "%.5Lf", summary.sysg[1]);
        std::snprintf(text[1], sizeof text[1], "%.5Lf", summary.sysh[1]);
        EXPECT_EQ(w[3], text[0]);
        EXPECT_EQ(w[4], text[1]);
    }
}

TEST_F(ResultOutput, ImpossibleAndRenormalisedRows) {
    settings.c8 = 0;
    summary.sumphases[3].mode[1] = -0.0001L;
    printmodes(ls);
    std::vector<std::string> l = linesof(world.out());
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[2].substr(0, 2), "# ");
    EXPECT_EQ(l[2].find("2512"), std::string::npos) << world.out();  // no properties in it

    world.console.clearoutput();
    settings.c8 = 1;
    summary.sumphases[3].mode[1] = 0.05L;
    summary.sumphases[2].mode[1] = 0.45L;
    settings.ntozero = 1;
    settings.tozeronames[1] = "ky";
    printmodes(ls);
    l = linesof(world.out());
    ASSERT_EQ(l.size(), 4u) << world.out();
    EXPECT_EQ(wordsof(l[1]).size(), 5u);  // mode, three phases, G
    const std::vector<std::string> w = wordsof(l[3]);
    ASSERT_EQ(w.size(), 3u);
    EXPECT_NEAR(std::stod(w[0]), 0.5 / 0.95, 1e-4);
    EXPECT_NEAR(std::stod(w[1]), 0.45 / 0.95, 1e-4);
    EXPECT_EQ(w[2], "z");
}

TEST_F(ResultOutput, RbiBlockRebuildsTheBulk) {
    settings.pseudosection = true;
    const std::string log = logof([&] { printbulkinfo(ls); });
    real rebuilt[4] = {};
    std::vector<double> bulk;
    for (const std::string& line : linesof(log)) {
        const std::vector<std::string> w = wordsof(line);
        if (line.rfind("bulk  rbi", 0) == 0) {
            ASSERT_EQ(w.size(), 7u) << line;
            const real mode = std::stold(w[3]);
            for (int i = 1; i <= 3; ++i) rebuilt[i] += 100 * mode * std::stold(w[at(3 + i)]);
        } else if (line.rfind("% bulk", 0) == 0) {
            for (size_t k = 2; k < w.size(); ++k) bulk.push_back(std::stod(w[k]));
        }
    }
    ASSERT_EQ(bulk.size(), 3u) << log;
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(static_cast<double>(rebuilt[i]), bulk[at(i - 1)], 1e-4);
}

TEST_F(ResultOutput, GuessBlockGivesBackTheSolution) {
    const std::string log = logof([&] { writeguessblock(ls); });
    const std::vector<std::string> l = linesof(log);
    std::vector<std::string> ptguess, xyz;
    for (const std::string& line : l) {
        if (line.rfind("ptguess ", 0) == 0) ptguess = wordsof(line);
        if (line.rfind("xyzguess ", 0) == 0) xyz.push_back(line);
    }
    ASSERT_EQ(ptguess.size(), 3u) << log;
    EXPECT_NEAR(std::stod(ptguess[1]), 6.5, 5e-4);
    EXPECT_NEAR(std::stod(ptguess[2]), 650.0, 5e-3);
    ASSERT_EQ(xyz.size(), 1u);
    const std::vector<std::string> w = wordsof(xyz[0]);
    EXPECT_EQ(w[1], "x(pl)");
    EXPECT_NEAR(std::stod(w[2]), 0.3141593, 1e-7);
    EXPECT_EQ(xyz[0].substr(xyz[0].find("  range")), "  range -1.000 1.000");
    EXPECT_EQ(l[2], "% at P = 6.5, T = 650, for: pl q ky");
}

TEST_F(ResultOutput, CsvFilesReadBackWithTheirHeaders) {
    tt::tempfolder folder;
    openforwriting(channels.files[chcsv], "r.csv");
    openforwriting(channels.files[chcsv2], "r-2.csv");
    channels.outchannels |= (1 << chcsv) | (1 << chcsv2) | (1 << chql);
    openforwriting(channels.files[chql], "r-ql.txt");
    settings.modebox = 0;
    for (int k = 1; k <= 3; ++k) {
        ls.nsuccesses = static_cast<int16_t>(k);
        summary.pequil = P + k;
        writemodelist(ls);
        writecsvrows(ls);
    }
    closetextfile(channels.files[chcsv]);
    closetextfile(channels.files[chcsv2]);
    closetextfile(channels.files[chql]);

    const auto modes = readcsv(folder.readfile("r.csv"));
    ASSERT_EQ(modes.size(), 4u);
    EXPECT_EQ(modes[0], (std::vector<std::string>{"P(kbar)", "T(C)", "prop", "pl", "ksp", "q", "ky", ""}));
    for (size_t r = 1; r < 4; ++r) {
        ASSERT_EQ(modes[r].size(), 8u);
        EXPECT_EQ(modes[r][4], "0");
        EXPECT_NEAR(std::stod(modes[r][3]) + std::stod(modes[r][5]) + std::stod(modes[r][6]), 1.0, 1e-5);
    }
    const auto vars = readcsv(folder.readfile("r-2.csv"));
    ASSERT_EQ(vars.size(), 3u);
    EXPECT_NEAR(std::stod(vars[2][0]), 9.5, 1e-3);
    EXPECT_NEAR(std::stod(vars[2][2]), 0.31416, 1e-5);

    // The mode lists, gathered into one list, parse as a bracketed list.
    std::string ql = folder.readfile("r-ql.txt");
    const size_t last = ql.rfind(", ");
    ASSERT_NE(last, std::string::npos);
    ql = "modes = {" + ql.substr(0, last) + "};";
    const auto parsed = tt::bracketparser(ql).parseall();
    const tt::bracketvalue& list = parsed.at("modes");
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[2].items.size(), 4u);
    EXPECT_EQ(list.items[2].items[1].items[0].text, "pl");

    if (std::system("python3 -c 'import csv' >/dev/null 2>&1") == 0) {
        const std::string check =
            "python3 -c \"import csv,sys; r=list(csv.reader(open('r.csv'))); "
            "sys.exit(0 if len(r)==4 and [f.strip() for f in r[0]][:7]==['P(kbar)','T(C)','prop','pl','ksp','q','ky'] else 1)\"";
        EXPECT_EQ(std::system(check.c_str()), 0);
    }
}

TEST_F(ResultOutput, CalculationDetailsVarianceAndCompositions) {
    pd.lowvarpseudo = true;
    pd.nsysrows = 0;
    summary.sumphases[2].oxcomp[1] = 2.000003L;
    summary.sumphases[3].oxcomp[1] = 1.9995L;
    const std::string ic = logof([] { printic(); }, chic);
    const std::vector<std::string> l = linesof(ic);
    ASSERT_GE(l.size(), 4u);
    EXPECT_EQ(l[4], "var = 2; NOT seen");
    bool q = false, ky = false;
    for (const std::string& line : l) {
        const std::vector<std::string> w = wordsof(line);
        if (w.size() == 4 && w[0] == "q") q = w[1] == "2";
        if (w.size() == 4 && w[0] == "ky") ky = w[1] == "1.999500";
    }
    EXPECT_TRUE(q && ky) << ic;
}

// Without the system properties nothing computes G, H, S, V, rho, mu0 or RT ln a: their
// fields are blank at the widths they have when computed, in both forms of the block.
TEST_F(ResultOutput, CalculationDetailsLeaveUncomputedPropertiesBlank) {
    summary.sumphases[2].G = -910.5L;
    summary.sumphases[2].emg[1] = -910.5L;
    summary.sumphases[1].emg[1] = -4000.25L;
    summary.sumphases[1].rtlna[1] = -1.5L;
    summary.sumphases[1].prop[1] = 0.7L;
    summary.sumphases[1].prop[2] = 0.3L;
    for (const bool sorrel : {false, true}) {
        settings.systemprops = true;
        const std::string on = logof([&] { sorrel ? printicsorrel() : printic(); }, chic);
        settings.systemprops = false;
        const std::string off = logof([&] { sorrel ? printicsorrel() : printic(); }, chic);
        const std::vector<std::string> lon = linesof(on), loff = linesof(off);
        ASSERT_EQ(lon.size(), loff.size()) << off;
        for (size_t i = 0; i < lon.size(); ++i) {
            ASSERT_EQ(lon[i].size(), loff[i].size()) << lon[i] << "\n" << loff[i];
            for (size_t k = 0; k < lon[i].size(); ++k) {
                if (lon[i][k] != loff[i][k]) {
                    EXPECT_EQ(loff[i][k], ' ') << loff[i];
                }
            }
        }
        for (const char* value : {"-910.5", "-4000.25", "-1.5", "-2512.3"}) {
            EXPECT_NE(on.find(value), std::string::npos) << value << "\n" << on;
            EXPECT_EQ(off.find(value), std::string::npos) << value << "\n" << off;
        }
        // The activities and proportions of the end-members are results either way.
        EXPECT_NE(off.find("0.70000"), std::string::npos) << off;
    }
}

// Modes found after the solve along a bulk range: one system row per bulk point that
// could be made (here the second to the fourth), each in the mode list and the mode
// table with its own bulk position and modes.
TEST_F(ResultOutput, ModeListAndTableHoldEverySystemRow) {
    tt::tempfolder folder;
    openforwriting(channels.files[chcsv], "r.csv");
    openforwriting(channels.files[chql], "r-ql.txt");
    channels.outchannels |= (1 << chcsv) | (1 << chql);
    settings.modebox = 0;
    pd.lowvarpseudo = true;
    pd.ovar = 2;
    summary.nbulks = 5;
    pd.nsysrows = 3;
    summary.sysfirstrow = 2;
    for (int r = 1; r <= 3; ++r) {
        summary.bulkpos[at(r + 1)] = 0.25L * r;
        for (int p = 1; p <= 3; ++p) summary.sumphases[at(p)].mode[at(r)] = modes[p] + (p == 1 ? 0.1L : p == 2 ? -0.1L : 0) * r;
    }
    writemodelist(ls);
    closetextfile(channels.files[chcsv]);
    closetextfile(channels.files[chql]);
    const auto table = readcsv(folder.readfile("r.csv"));
    ASSERT_EQ(table.size(), 4u);  // the head and three rows
    std::vector<std::string> lists;
    for (const std::string& l : linesof(folder.readfile("r-ql.txt"))) {
        if (!l.empty()) lists.push_back(l);
    }
    ASSERT_EQ(lists.size(), 3u);
    for (int r = 1; r <= 3; ++r) {
        const auto& row = table[at(r)];
        ASSERT_EQ(row.size(), table[0].size());
        EXPECT_NEAR(std::stod(row[2]), 0.25 * r, 1e-9);
        EXPECT_NEAR(std::stod(row[3]), static_cast<double>(modes[1] + 0.1L * r), 1e-5);  // pl
        EXPECT_EQ(row[4], "0");                                                            // ksp
        EXPECT_NEAR(std::stod(row[5]), static_cast<double>(modes[2] - 0.1L * r), 1e-5);   // q
        const auto parsed = tt::bracketparser("row = " + lists[at(r - 1)].substr(0, lists[at(r - 1)].rfind('}') + 1) + ";").parseall();
        const tt::bracketvalue& list = parsed.at("row");
        EXPECT_NEAR(std::stod(list.items[0].items[2].text), 0.25 * r, 1e-9);
        EXPECT_NEAR(std::stod(list.items[1].items[1].text), static_cast<double>(modes[1] + 0.1L * r), 1e-5);
    }
}

TEST_F(ResultOutput, PhaseLineNamesTheAbsentPhases) {
    pdtest::addpure("sill", {1, 1, 0});
    pdtest::addpure("ru", {0, 0, 0});
    ls.assemblage[3] = false;
    settings.debuglevel = 0;
    printstep(ls);
    const std::vector<std::string> l = linesof(world.out());
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[1], "phases: pl q  or [ky,sill,ru] ");
}

// The bracket of in-excess phases holds what stands for them; H2O whose activity is
// fixed in a run without fluid stands for nothing, and then no bracket is written.
TEST_F(ResultOutput, PhaseLineInExcessEntries) {
    struct excesscase {
        int32_t fluidtype;
        bool qinexcess;
        const char* line;
    };
    const std::vector<excesscase> cases = {
        {2, false, "phases: pl q ky  "},
        {3, false, "phases: pl q ky (fluid) "},
        {2, true, "phases: pl ky (q) "},
    };
    pdtest::addpure("H2O", {0, 0, 0});
    ls.assemblage[4] = true;
    settings.debuglevel = 0;
    settings.nlna = 1;
    settings.lnanames[1] = "H2O";
    settings.lnalabels[1] = "H2O";
    for (const excesscase& c : cases) {
        world.console.clearoutput();
        pd.excessphase = {};
        pd.excessphase[4] = true;
        pd.excessphase[2] = c.qinexcess;
        pd.nexcessphases = c.qinexcess ? 2 : 1;
        pd.fluidtype = c.fluidtype;
        printstep(ls);
        const std::vector<std::string> l = linesof(world.out());
        ASSERT_EQ(l.size(), 2u) << world.out();
        EXPECT_EQ(l[1], c.line);
    }
}


TEST_F(ResultOutput, DrawingDataHeadingsAndPointLines) {
    struct labelcase {
        int16_t var, ovar;
        bool coloured;
        std::vector<std::string> lines;  // the non-empty lines of the heading
    };
    // With the mass balance: kyanite's mode is held at 0 and its colour marks the line.
    const std::vector<labelcase> cases = {
        {1, 1, true, {"% ------------------------------", "u<k>   pl q  - ky  univariant", "begin  end  rgb  255   0   0"}},
        {1, 1, false, {"% ------------------------------", "u<k>   pl q  - ky  univariant", "begin  end  "}},
        {2, 2, true, {"% ------------------------------", "d<k>   pl q  - ky  divariant"}},
        {0, 0, true, {"% ------------------------------", "i<k>   pl q  - ky  invariant"}},
    };
    pd.massbalance = true;
    eq.nxp = 3;
    eq.nsolnmodes = 1;
    const char* names[4] = {"", "pl", "q", "ky"};
    for (int k = 1; k <= 3; ++k) {
        eq.calcvarnames[at(3 + k)] = names[k];
        eq.calcvarfree[at(3 + k)] = k != 3;
        eq.modephase[at(k)] = static_cast<int16_t>(k == 1 ? 1 : k - 1);
    }
    emphaserec& ky = phases.prec0[2];
    ky.colour = {0, 255, 0, 0};
    for (const labelcase& c : cases) {
        summary.var = c.var;
        summary.ovar = c.ovar;
        ky.hascolour = c.coloured;
        const std::string ql = logof([&] { writeqllabels(ls); }, chql);
        std::vector<std::string> got;
        for (const std::string& l : linesof(ql)) {
            if (!l.empty()) got.push_back(l);
        }
        EXPECT_EQ(got, c.lines) << c.var << " " << c.ovar;
    }
    // A point line: P, T, and the held variables after " % ".
    eq.varvalue[6] = 0;
    eq.calcvarfree[3] = false;
    eq.varvalue[3] = 0.25L;
    const std::string line = logof([&] { printfluidx(ls); }, chql);
    EXPECT_EQ(line, "6.500 650.00  % x(pl) = 0.25, ky = 0\n");
}

// Numbers for pasting or drawing keep every decimal they are written with, however many
// digits that makes: the system's G with 7 and 6 decimals in the drawing-data lines, and
// the phases' variables with 10 in the console lists (here in and beyond 0 to 1).
TEST_F(ResultOutput, MachineReadNumbersCarryEveryDecimal) {
    const auto printed = [](const char* format, real x) {
        char text[64];
        std::snprintf(text, sizeof text, format, x);
        return std::string(text);
    };
    settings.systemprops = true;
    settings.quilletoption = 1;
    const std::string point = logof([&] { printfluidx(ls); }, chql);
    EXPECT_NE(point.find(" " + printed("%.7Lf", summary.sysg[1]) + " "), std::string::npos) << point;
    const std::string row = logof([&] { writelistrow(); }, chql);
    EXPECT_NE(row.find(", " + printed("%.6Lf", summary.sysg[1]) + ", "), std::string::npos) << row;

    settings.moreprec = 0;
    for (const real x : {-0.25L, 0.0L, 0.2147483645L, 0.2147483646L, 0.5L, 0.9999999999L, 1.0L, 1.75L, 12.5L}) {
        world.console.clearoutput();
        summary.sumphases[1].varvalues[1] = x;
        printmodes(ls);
        const std::string out = world.out();
        const size_t from = out.find("\n{x(pl)->"), to = out.find("}\n", from);
        ASSERT_NE(to, std::string::npos) << out;
        const std::string field = out.substr(from + 9, to - from - 9);  // 12 wide, a blank apart
        EXPECT_EQ(wordsof(field), std::vector<std::string>{printed("%.10Lf", x)}) << static_cast<double>(x) << out;
        EXPECT_GE(field.size(), 12u);
    }
}

// The script reader, driven from here.
struct scriptreading : ScriptTest {
    void TestBody() override {}
    using ScriptTest::output;
    using ScriptTest::read;
    using ScriptTest::SetUp;
    using ScriptTest::TearDown;
};

TEST_F(ResultOutput, GuessBlockPastedIntoAScriptReadsBack) {
    const std::string block = logof([&] { writeguessblock(ls); });
    scriptreading script;
    script.SetUp();
    EXPECT_EQ(script.read(std::string(mandatorylines) + block), -1) << script.output;
    EXPECT_NEAR(static_cast<double>(settings.ptguessp), 6.5, 1e-9);
    EXPECT_NEAR(static_cast<double>(settings.ptguesst), 923.15, 1e-9);
    ASSERT_EQ(settings.nxyzguess, 1);
    EXPECT_EQ(settings.xyzguessnames[1], "x(pl)");
    EXPECT_NEAR(static_cast<double>(settings.xyzguessvalues[1]), 0.3141593, 1e-12);
    EXPECT_NEAR(static_cast<double>(settings.xyzguesslow[1]), -1.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(settings.xyzguesshigh[1]), 1.0, 1e-12);
    script.TearDown();
}


TEST_F(ResultOutput, ActivityTableForFittingDealsEndMembersIntoBlocks) {
    channels.pagewidth = 80;
    channels.dontwrap = false;  // a 79-character row is kept whole
    ws.nem = 7;
    for (int k = 1; k <= 7; ++k) {
        ws.emname[at(k)] = "e" + std::to_string(k);
        ws.emact[at(k)] = 0.1L * k;
    }
    printptonly();
    const std::vector<std::string> l = linesof(world.out());
    ASSERT_EQ(l.size(), 4u) << world.out();
    EXPECT_EQ(wordsof(l[0]), (std::vector<std::string>{"P(kbar)", std::string("T(") + degreebyte + "C)", "e1", "e2",
                                                        "e3", "e4", "e5"}));
    const std::vector<std::string> first = wordsof(l[1]);
    ASSERT_EQ(first.size(), 7u);
    EXPECT_EQ(first[1], "650.00");
    for (int k = 1; k <= 5; ++k) EXPECT_NEAR(std::stod(first[at(k + 1)]), 0.1 * k, 1e-12);
    EXPECT_EQ(l[2].substr(0, 19), std::string(19, ' '));
    EXPECT_EQ(wordsof(l[2]), (std::vector<std::string>{"e6", "e7"}));
    EXPECT_EQ(wordsof(l[3]).size(), 2u);
}


TEST_F(ResultOutput, LongModeListStaysOneParseableList) {
    // Fifteen phases with long names make a line well past the 255 characters of a channel line.
    summary.sumnphases = maxphasesummaries;
    for (int p = 1; p <= maxphasesummaries; ++p) {
        phasesummary& ph = summary.sumphases[at(p)];
        ph.name = "phase_with_long_name" + std::to_string(p);
        ph.included = true;
        ph.mode[1] = 1.0L / maxphasesummaries;
    }
    settings.nwith = 0;
    const std::string ql = logof([&] { writemodelist(ls); }, chql);
    ASSERT_GT(ql.size(), 300u);
    const auto parsed = tt::bracketparser("modes = " + ql.substr(0, ql.rfind(", ")) + ";").parseall();
    EXPECT_EQ(parsed.at("modes").items.size(), static_cast<size_t>(maxphasesummaries + 1));
    EXPECT_EQ(parsed.at("modes").items.back().items[0].text, "phase_with_long_name15");
}

}  // namespace
}  // namespace zt
