#include "thermo/datasetreader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
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
using testing::tempfolder;
using testing::thermodatafile;

std::string fixture(const std::string& name) {
    return testing::filetext(thermodatafile(name));
}

void expectclose(real expected, real actual, const char* what) {
    EXPECT_NEAR(static_cast<double>(actual), static_cast<double>(expected), 1e-12 * (1 + std::fabs(static_cast<double>(expected))))
        << what;
}

const tdrecord& tdof(const std::string& name) { return ws.td[static_cast<size_t>(findem(name))]; }

// Reads a dataset by its suffix through the three steps, with the given working set.
void readall(const std::string& suffix, std::initializer_list<const char*> names) {
    prefs.dssuffix = suffix;
    readthermo(1);
    setworkingnames(names);
    readthermo(2);
    readthermo(3);
}

class DatasetReader : public ::testing::Test {
protected:
    void SetUp() override { resetthermo(); }
    tempfolder folder;
};

TEST_F(DatasetReader, Layout6ThreeSteps) {
    folder.writefile("zt-ds62t.txt", fixture("zt-ds62t.txt"));
    consolecapture console;
    prefs.dssuffix = "62t";
    readthermo(1);

    EXPECT_EQ(console.output(), "\nzt-ds62t.txt produced at 3/3/2021 at 10:22\n\n");
    EXPECT_EQ(ds.dsfilename, "zt-ds62t.txt");
    EXPECT_TRUE(ds.spswitch);
    EXPECT_EQ(ds.dsmode, 6);
    EXPECT_FALSE(ds.oldds);
    ASSERT_EQ(ds.ntp, 7);
    const char* names[] = {"", "fo", "q", "foL", "sp", "aqSi", "vac", "junk"};
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(ds.dsnames[static_cast<size_t>(i)], names[i]);

    // Working order differs from file order; the unreadable "junk" entry is not used.
    setworkingnames({"q", "sp", "fo", "aqSi", "foL", "vac"});
    readthermo(2);
    EXPECT_EQ(ds.dspos[1], 2);
    EXPECT_EQ(ds.dspos[3], 1);
    EXPECT_EQ(ws.nsite[2], 2);
    EXPECT_EQ(ws.nsite[4], 0);
    ASSERT_EQ(ws.ncomps, 3);  // all balance: no O component

    readthermo(3);
    // Code 3 reads the compositions again as element amounts.
    EXPECT_EQ(ds.emnox[3], 3);
    EXPECT_EQ(ds.emoxide[3][3], 10);
    expectclose(4, ds.emoxamount[3][3], "O of fo");
    expectclose(7, ds.emnatoms[3], "atoms of fo");
    EXPECT_EQ(ds.emnox[6], 0);

    const tdrecord& fo = tdof("fo");
    const real expectfo[32] = {0,      -2170.123, 0.09512, 4.366, 0.2331, 0.0014, -1123.4, -1.892, 0.0000285, 1271,
                               4.2,    -4.2L / 1271, 531,   0,     0,      -1,     -1,      0,      0,         0,
                               0,      0,         0,       0,     0,      1,      0,       0,      0,         0,
                               0,      0};
    for (int f = 1; f <= 31; ++f) expectclose(expectfo[f], fo.field(f), ("fo field " + std::to_string(f)).c_str());

    const tdrecord& q = tdof("q");
    expectclose(525, q.theta, "q theta");
    expectclose(847, q.tlandau, "q tlandau");
    expectclose(0.00495, q.smax, "q smax");
    expectclose(0.1188, q.vmax, "q vmax");
    expectclose(1, q.code, "q code");

    const tdrecord& liq = tdof("foL");
    expectclose(0, liq.theta, "foL theta");
    expectclose(-0.007, liq.dkdt, "foL dkdt");
    expectclose(0, liq.code, "foL code");

    const tdrecord& sp = tdof("sp");
    const real bw[6] = {8, 0, 1.2, 0, 2, 0.25};
    for (int f = 0; f < 6; ++f) expectclose(bw[f], sp.field(20 + f), "sp Bragg-Williams");
    expectclose(586, sp.theta, "sp theta");
    expectclose(2, sp.code, "sp code");

    const tdrecord& aq = tdof("aqSi");
    expectclose(2.5L - 298.15L * 0.001L, aq.aqfactor, "aqSi aqfactor");
    expectclose(0, aq.k0pp, "aqSi k0pp with K0 = 0");
    expectclose(338, aq.theta, "aqSi theta");
    expectclose(8, aq.code, "aqSi code");

    expectclose(10, tdof("vac").theta, "theta with no atoms");

    // Covariances enter in single precision, both ways round.
    const int ifo = findem("fo"), iq = findem("q");
    EXPECT_EQ(ws.covat(ifo, iq), 12.345600128173828125L);
    EXPECT_EQ(ws.covat(iq, ifo), 12.345600128173828125L);
    EXPECT_EQ(ws.covat(ifo, ifo), static_cast<real>(0.5210f));
    EXPECT_EQ(ws.covat(findem("sp"), ifo), static_cast<real>(-0.25f));
    EXPECT_FALSE(ds.dsfile.isopen);
}

TEST_F(DatasetReader, Layout7EinsteinEntries) {
    folder.writefile("zt-ds7e.txt", fixture("zt-ds7e.txt"));
    consolecapture console;
    readall("7e", {"per", "en", "ky", "alm"});
    EXPECT_EQ(ds.dsmode, 7);
    EXPECT_TRUE(ds.spswitch);

    const tdrecord& alm = tdof("alm");
    expectclose(331, alm.theta, "alm theta as read");
    expectclose(0, alm.cpc, "alm cpc");
    expectclose(0, alm.cpd, "alm cpd");
    expectclose(-0.00157, alm.k0pp, "alm K'' as read");
    expectclose(3, alm.code, "alm code");
    expectclose(-1, alm.smax, "alm smax");

    const tdrecord& ky = tdof("ky");
    expectclose(520, ky.theta, "ky theta");
    expectclose(900, ky.tlandau, "ky tlandau");
    expectclose(4, ky.code, "ky code");

    const tdrecord& en = tdof("en");
    expectclose(612, en.theta, "en theta");
    expectclose(4, en.bwdh, "en bwdh");
    expectclose(1, en.bwn, "en bwn");
    expectclose(5, en.code, "en code");

    // A plain code in layout 7 is read as in layout 6.
    const tdrecord& per = tdof("per");
    expectclose(-0.2992, per.cpd, "per cpd");
    expectclose(-3.95L / 1616, per.k0pp, "per K''");
    expectclose(0, per.code, "per code");
    EXPECT_EQ(ws.covat(findem("alm"), findem("ky")), static_cast<real>(0.5f));
}

// Layout 5 and the oldest layout need more than 50 entries: fillers follow the
// entries under test.
std::string filler5(int i) {
    std::string n = std::to_string(i);
    return "f" + n + "   1   1   1.0000 10   2.0000  0\n       -900.000   0.04000   2.2000\n"
           "    0.1000  0.0000000  0.0  0.0000\n  0.0000100  700.00  4.00  -0.00570    0\n";
}

std::string layout5(int ntp) {
    std::string s = std::to_string(ntp) + "    don't fiddle with the numbers: you'll BREAK the dataset...\n  \n5\n";
    s += "wo   1   7   1.0000  1   1.0000 10   3.0000  0\n       -1634.100   0.08250   3.9930\n"
         "    0.1593   0.0000000   -967.3   -1.0754\n"
         "  0.0000254   795.00   4.10  -0.00520    1   1200   0.00300   0.0200\n";
    s += "woL  1   7   1.0000  1   1.0000 10   3.0000  0\n       -1600.000   0.09000   4.1000\n"
         "    0.1700   0.0000000      0.0    0.0000\n"
         "  0.0000300   600.00   5.00  -0.00830  -0.00400    0\n";
    s += "aqCa 1  7   1.0000 10   1.0000  0\n        -543.000  -0.05600  -1.8000\n"
         "    0.0000   0.0020000      0.0    0.0000\n"
         "  0.0000000     0.00   0.00   0.00000   -1   1.5000\n";
    s += "vv   1  10   1.0000  0\n         -10.000   0.01000   0.0000\n"
         "    0.0100   0.0000000      0.0    0.0000\n"
         "  0.0000000     0.00   0.00   0.00000    0\n";
    s += "bw   2   5   1.0000  3   2.0000 10   4.0000  0\n       -2300.000   0.08000   3.9700\n"
         "    0.2229   0.0061000  -1686.0   -1.5510\n"
         "  0.0000190  1922.00   4.04  -0.00210    2   3.00  0.0100  1.50  0.0000  1  1.00\n";
    for (int i = 6; i <= ntp; ++i) s += filler5(i);
    s += "\n  0.0000\n";
    for (int i = 1; i <= ntp; ++i) {
        for (int j = i; j <= ntp; ++j) s += (i == 1 && j == 3) ? " 0.3333" : " 0";
        s += "\n";
    }
    s += "\nzt-ds5x.txt produced at 5/5/2015 at 15:55 (sigfit =  0.900)\n";
    return s;
}

TEST_F(DatasetReader, Layout5DerivesCodesFromExtras) {
    folder.writefile("zt-ds5x.txt", layout5(53));
    consolecapture console;
    readall("5x", {"bw", "wo", "woL", "aqCa", "vv", "f53"});
    EXPECT_EQ(ds.dsmode, 5);
    EXPECT_FALSE(ds.spswitch);
    EXPECT_EQ(ds.ntp, 53);
    EXPECT_EQ(ds.dsnames[53], "f53");
    EXPECT_EQ(ds.dstitle, "zt-ds5x.txt produced at 5/5/2015 at 15:55");

    const tdrecord& wo = tdof("wo");
    expectclose(-0.0052, wo.k0pp, "wo K'' as read");
    expectclose(464, wo.theta, "wo theta");
    expectclose(1200, wo.tlandau, "wo tlandau");
    expectclose(1, wo.code, "wo code");
    const tdrecord& liq = tdof("woL");
    expectclose(-0.004, liq.dkdt, "woL dkdt");
    expectclose(0, liq.theta, "woL theta");
    expectclose(7, liq.code, "woL code");
    const tdrecord& aq = tdof("aqCa");
    expectclose(1.5L - 298.15L * 0.002L, aq.aqfactor, "aqCa aqfactor");
    expectclose(8, aq.code, "aqCa code");
    expectclose(6, tdof("vv").code, "code with no volume");
    const tdrecord& b = tdof("bw");
    expectclose(1.5, b.bww, "bw w");
    expectclose(2, b.code, "bw code");
    expectclose(-900, tdof("f53").H, "last entry H");
    EXPECT_EQ(ws.covat(findem("wo"), findem("aqCa")), static_cast<real>(0.3333f));
}

std::string oldest() {
    std::string s = "190    don't fiddle with the numbers: you'll BREAK the dataset...\n\n";
    s += "an   1   7   1.0000  3   2.0000  1   2.0000 10   8.0000  0  -4234.000   0.20000  10.0790\n"
         "  0.3700  0.0000  -4000.0  -1.0000  0.0000100  0.0000200  930.00  4.00  -0.00500  0\n";
    s += "anL  1   7   1.0000  3   2.0000  1   2.0000 10   8.0000  0  -4200.000   0.30000  10.8000\n"
         "  0.4000  0.0000      0.0   0.0000  0.0000300  0.0000000  500.00  6.00  -0.01000  0\n";
    s += "qz   1   1   1.0000 10   2.0000  0   -910.000   0.04150   2.2700\n"
         "  0.1100  0.0000  -1000.0  -0.5000  0.0000050  0.0000000  750.00  4.00  -0.00200  1  848  0.00450  0.1200\n";
    for (int i = 4; i <= 190; ++i) {
        s += "g" + std::to_string(i) + "  1   1   1.0000 10   2.0000  0   -900.000   0.04000   2.2000\n"
             "  0.1000  0.0000  0.0  0.0000  0.0000100  0.0000200  700.00  4.00  -0.00500  0\n";
    }
    s += "\n  0.0000\n";
    for (int i = 1; i <= 190; ++i) {
        for (int j = i; j <= 190; ++j) s += (i == 1 && j == 3) ? " 2.5" : " 0";
        s += "\n";
    }
    s += "\nzt-ds5old.txt produced at 1 Jan 1990 12:00:00 (sigfit =  0.900)\n";
    return s;
}

TEST_F(DatasetReader, OldestLayoutShiftsTheBulkModulusFields) {
    folder.writefile("zt-ds5old.txt", oldest());
    consolecapture console;
    readall("5old", {"qz", "anL", "an", "g190"});
    EXPECT_EQ(ds.dsmode, -1);
    EXPECT_TRUE(ds.oldds);
    EXPECT_EQ(ds.dsnames[190], "g190");
    EXPECT_EQ(ds.dstitle, "zt-ds5old.txt produced at 1 Jan 1990 1");

    const tdrecord& an = tdof("an");
    const real expectan[14] = {0, -4234, 0.2, 10.079, 0.37, 0, -4000, -1, 0.00001, 0.00002, 0, 930, 4, -0.005};
    for (int f = 1; f <= 13; ++f) expectclose(expectan[f], an.field(f), ("an field " + std::to_string(f)).c_str());
    expectclose(0, an.code, "an code");
    expectclose(7, tdof("anL").code, "anL code");
    const tdrecord& qz = tdof("qz");
    expectclose(848, qz.tlandau, "qz tlandau");
    expectclose(1, qz.code, "qz code");
    expectclose(-900, tdof("g190").H, "last entry H");
    EXPECT_EQ(ws.covat(findem("an"), findem("qz")), 2.5L);
    // The compositions as read feed the composition matrix: CaO, Al2O3, SiO2 balance.
    EXPECT_EQ(ds.emnox[findem("an")], 4);
}

// Each malformed file ends the run with its own report.
struct fatalcase {
    const char* label;
    std::string file;     // written under this name...
    std::string content;  // ...with this content ("" writes nothing)
    const char* suffix;
    int steps;            // 1: header; 2: then compositions; 3: then properties
    int calcmode;
    const char* report;   // "routine : message"
    std::vector<str22> names = {"fo", "q"};  // the working set of steps 2 and 3
};

std::string edited(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "fixture lacks " << from;
        return text;
    }
    return text.replace(at, from.size(), to);
}

// Lines longer than 255 characters are read whole: the words of line 1 and a number of
// a block past that column are taken as written.
TEST_F(DatasetReader, LongLinesAreReadWhole) {
    const std::string pad(250, ' ');
    std::string text = edited(fixture("zt-ds62t.txt"), "don't fiddle with", "don't" + pad + "fiddle with");
    text = edited(text, "    0  -2170.123", "    0" + pad + "-2170.125");
    folder.writefile("zt-ds62t.txt", text);
    consolecapture console;
    ASSERT_EQ(exitcodeof([] { readall("62t", {"fo", "q"}); }), -1) << console.output();
    EXPECT_EQ(tdof("fo").H, -2170.125L);
}

TEST_F(DatasetReader, MalformedFilesEndTheRun) {
    const std::string six = fixture("zt-ds62t.txt");
    const std::string seven = fixture("zt-ds7e.txt");
    const std::string old4 = "190  don't fiddle with the numbers: you'll BREAK the dataset...\n\nab 1 1 1.0 0 -1.0 0.1 1.0\n";
    const std::string head = "6  7    don't";
    const std::string foline = "fo     olivine   1   5   2.0000  1   1.0000 10   4.0000  0 tt";
    const fatalcase cases[] = {
        {"generation 8", "zt-ds8a.txt", six, "8a", 1, 1, "setuptextread : bad dsfile name"},
        {"empty suffix", "zt-ds.txt", six, "", 1, 1, "setuptextread : bad dsfile name"},
        {"nine words", "zt-ds62t.txt", edited(six, "BREAK the dataset...", "BREAK"), "62t", 1, 1,
         "setuptextread : first line of dsfile incorrectly formed 0"},
        {"word 1 not a number", "zt-ds62t.txt", edited(six, head, "six  7    don't"), "62t", 1, 1,
         "setuptextread : first line of dsfile incorrectly formed 1"},
        {"old layout without don't", "zt-ds62t.txt", edited(six, head, "60  7    don't"), "62t", 1, 1,
         "setuptextread : first line of dsfile incorrectly formed 2a"},
        {"layout 4", "zt-ds62t.txt", edited(six, head, "4  7    don't"), "62t", 1, 1, "setuptextread : dsmode <> 6 or 7??"},
        {"count not a number", "zt-ds62t.txt", edited(six, head, "6  x    don't"), "62t", 1, 1,
         "setuptextread : first line of dsfile incorrectly formed 4"},
        {"new layout without don't", "zt-ds62t.txt", edited(six, head, "6  7    dont"), "62t", 1, 1,
         "setuptextread : first line of dsfile incorrectly formed 2b"},
        {"321 entries", "zt-ds62t.txt", edited(six, head, "6  321    don't"), "62t", 1, 1,
         "setuptextread : too many end-members"},
        {"line 2 not blank", "zt-ds62t.txt", edited(six, "...\n  \n", "...\nx\n"), "62t", 1, 1,
         "readthermo : expecting a blank line"},
        {"line 3 blank", "zt-ds62t.txt", edited(six, "  \nfo ", "  \n\nfo "), "62t", 1, 1,
         "readthermo : not expecting blank line"},
        {"oldest, short line 4", "zt-ds5o.txt", old4 + "1 2 3 4 5 6 7 8 9\n", "5o", 1, 1,
         "readthermo : insufficient info on 2nd line"},
        {"oldest in the refinement", "zt-ds5o.txt", old4 + "1 2 3 4 5 6 7 8 9 0\n", "5o", 1, 4,
         "thermo read : old fitset not implemented"},
        {"unreadable covariance", "zt-ds62t.txt", edited(six, "12.3456", "12.34z6"), "62t", 1, 1,
         "readthermo : cannot read covariance of fo and q: got 12.34z6"},
        {"no title", "zt-ds62t.txt", edited(six, "\nzt-ds62t.txt produced at 3/3/2021 at 10:22 (sigfit =  1.234)\n", ""),
         "62t", 1, 1, "readthermo : dataset file ends early, reading the title"},
        {"name not in dataset", "zt-ds62t.txt", six, "62t", 2, 1, "makep : stuff up : unrecognised name : zz", {"fo", "zz"}},
        {"element 27", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 2.0  1 1.0 27 4.0  0"), "62t", 2, 1,
         "readthermo : element index 27 outside 1 to 26 in the composition of fo"},
        {"element -1", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 2.0  -1 1.0  0"), "62t", 2, 1,
         "readthermo : element index -1 outside 1 to 26 in the composition of fo"},
        {"nine pairs", "zt-ds62t.txt",
         edited(six, foline, "fo  olivine 1  1 1 2 1 3 1 4 1 5 1 6 1 7 1 8 1 9 1 0"), "62t", 2, 1,
         "readthermo : more than 8 composition pairs for fo"},
        {"two oxygen pairs", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 2.0  1 1.0 10 2.0 10 2.0  0"),
         "62t", 2, 1, "readthermo : two oxygen pairs in the composition of fo"},
        {"repeated element", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 1.0  5 1.0  1 1.0 10 4.0  0"),
         "62t", 2, 1, "readthermo : element 5 given twice in the composition of fo"},
        {"unreadable nsite", "zt-ds62t.txt", edited(six, foline, "fo  olivine x  5 2.0  1 1.0 10 4.0  0"), "62t", 2, 1,
         "getinteger : expecting an integer (1); got: x - nsite of fo"},
        {"element index beyond 16 bits", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 2.0  99999 1.0  0"), "62t",
         2, 1, "getinteger : expecting an integer (2); got: 99999 - ell 1 of fo"},
        {"no terminating 0", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 2.0  1 1.0 10 4.0"), "62t", 2, 1,
         "getinteger : expecting an integer (1); got:  - ell 1 of fo"},
        {"unreadable amount", "zt-ds62t.txt", edited(six, foline, "fo  olivine 1  5 two  1 1.0 10 4.0  0"), "62t", 2, 1,
         "reading : expecting a single (1); got: two - oxno of fo"},
        {"unreadable S", "zt-ds62t.txt", edited(six, "0.09512", "0.0951x"), "62t", 3, 1,
         "texthermoread : cannot read S of fo: got 0.0951x"},
        {"unreadable code", "zt-ds62t.txt", edited(six, "    0  -2170.123", "    z  -2170.123"), "62t", 3, 1,
         "texthermoread : cannot read code of fo: got z"},
        {"K'' not regular", "zt-ds7e.txt", edited(seven, "2.98  -0.00157", "2.98  -0.00200"), "7e", 3, 1,
         "texthermoread : k0pp not regularised?", {"alm"}},
        {"Einstein K0 of 0", "zt-ds7e.txt", edited(seven, "1900.00     2.98  -0.00157", "0.00     0.00  0.0"), "7e", 3, 1,
         "texthermoread : k0pp not regularised?", {"alm"}},
        {"Einstein liquid", "zt-ds7e.txt", edited(seven, "alm    garnet", "almL   garnet"), "7e", 3, 1,
         "texthermoread : liquid almL cannot have an Einstein-layout code", {"almL"}},
    };
    for (const fatalcase& c : cases) {
        SCOPED_TRACE(c.label);
        resetthermo();
        run.calcmode = c.calcmode;
        tempfolder caseFolder;
        caseFolder.writefile(c.file, c.content);
        consolecapture console;
        prefs.dssuffix = c.suffix;
        const int code = exitcodeof([&] {
            readthermo(1);
            if (c.steps >= 2) {
                ws.nem = 0;
                for (const str22& n : c.names) ws.emname[static_cast<size_t>(++ws.nem)] = n;
                readthermo(2);
            }
            if (c.steps >= 3) readthermo(3);
        });
        EXPECT_EQ(code, 1);
        EXPECT_NE(console.output().find("-- run bombed in " + std::string(c.report) + "\n"), std::string::npos)
            << console.output();
    }
}

TEST_F(DatasetReader, NumbersInEveryOrdinaryFormAndRunTogetherReadAsWritten) {
    const std::string six = fixture("zt-ds62t.txt");
    const std::initializer_list<const char*> names = {"fo", "q", "sp"};
    consolecapture console;
    folder.writefile("zt-ds62t.txt", six);
    readall("62t", names);
    const tdrecord fo = tdof("fo"), sp = tdof("sp");
    const real cov = ws.covat(findem("fo"), findem("q"));

    std::string text = edited(six, "    0  -2170.123   0.09512   4.3660", "   +0  -2.170123E+03   9.512e-2   +4.3660");
    // The fixed widths of a writer run negative values into the value before them.
    text = edited(text, "8.00  0.0000  1.20  0.0000", "8.00-0.0100  1.20-2.5E-3");
    text = edited(text, "12.3456", "1.23456e+1");
    resetthermo();
    folder.writefile("zt-ds62t.txt", text);
    readall("62t", names);
    for (int f = 1; f <= 31; ++f) EXPECT_EQ(tdof("fo").field(f), fo.field(f)) << "fo field " << f;
    const real bw[6] = {8, -0.01L, 1.2L, -0.0025L, 2, 0.25L};
    for (int f = 0; f < 6; ++f) expectclose(bw[f], tdof("sp").field(20 + f), "sp Bragg-Williams");
    EXPECT_EQ(tdof("sp").H, sp.H);
    EXPECT_EQ(ws.covat(findem("fo"), findem("q")), cov);
}

TEST_F(DatasetReader, WordsThatAreNotWhollyNumbersEndTheRunNamingTheField) {
    const std::string six = fixture("zt-ds62t.txt");
    const struct {
        const char* from;
        const char* to;
        const char* report;
    } cases[] = {
        {"0.09512", "e5", "texthermoread : cannot read S of fo: got e5"},
        {"-2170.123", "1e", "texthermoread : cannot read H of fo: got 1e"},
        {"4.3660", "4.3660-", "texthermoread : cannot read V of fo: got 4.3660-"},
        {"-1123.4", "1e5-", "texthermoread : cannot read cpc of fo: got 1e5-"},
        {" -0.1562", " .", "readthermo : cannot read the check value before the covariances: got ."},
        {"12.3456", "12.3456e+", "readthermo : cannot read covariance of fo and q: got 12.3456e+"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        resetthermo();
        folder.writefile("zt-ds62t.txt", edited(six, c.from, c.to));
        consolecapture console;
        EXPECT_EQ(exitcodeof([] { readall("62t", {"fo"}); }), 1);
        EXPECT_NE(console.output().find("-- run bombed in " + std::string(c.report) + "\n"), std::string::npos)
            << console.output();
    }
}

TEST_F(DatasetReader, MissingFileIsReportedBeforeItsName) {
    consolecapture console;
    prefs.dssuffix = "9zz";
    EXPECT_EQ(exitcodeof([] { readthermo(1); }), 1);
    const std::string out = console.output();
    EXPECT_NE(out.find("cannot locate file \"zt-ds9zz.txt\""), std::string::npos) << out;
    EXPECT_NE(out.find("-- run bombed in promptdatafile : datafile needed"), std::string::npos) << out;
    EXPECT_EQ(out.find("bad dsfile name"), std::string::npos) << out;
}

TEST(FindInDataset, TrimsAndTakesTheFirstMatch) {
    resetthermo();
    ds.ntp = 3;
    ds.dsnames[1] = "q";
    ds.dsnames[2] = " ab ";
    ds.dsnames[3] = "ab";
    ds.dsnames[4] = "beyond";
    int16_t i = -1;
    EXPECT_TRUE(findindataset("ab", i));
    EXPECT_EQ(i, 2);
    EXPECT_TRUE(findindataset("  q", i));
    EXPECT_EQ(i, 1);
    EXPECT_FALSE(findindataset("beyond", i));
    EXPECT_EQ(i, 0);
}

}  // namespace
}  // namespace zt
