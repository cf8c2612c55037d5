#include "phasediagram/bulk.h"

#include <cmath>
#include <sstream>

#include "pdfixture.h"
#include "runtime/textfile.h"

namespace zt {
namespace {

using pdtest::at;

std::vector<std::string> splitblanks(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// Components SiO2 (3 atoms), Al2O3 (5), CaO (2), Na2O (3).
void system4() {
    pdtest::setcomponents({{"SiO2", 3}, {"Al2O3", 5}, {"CaO", 2}, {"Na2O", 3}});
    settings.nbulkoxides = 4;
    for (int c = 1; c <= 4; ++c) settings.bulkoxides[at(c)] = ws.compnames[at(c)];
}

void bulklines(std::vector<real> b1, std::vector<real> b2 = {}) {
    settings.bulk = 0;
    settings.nbulks = b2.empty() ? 1 : 2;
    for (size_t c = 0; c < b1.size(); ++c) settings.bulk1[c + 1] = b1[c];
    for (size_t c = 0; c < b2.size(); ++c) settings.bulk2[c + 1] = b2[c];
}

real sumof(const std::array<real, maxbulkcomps + 1>& b, int n) {
    real s = 0;
    for (int j = 1; j <= n; ++j) s += b[at(j)];
    return s;
}

TEST(Setter, FixedPotentialsLeaveTheBulk) {
    pdtest::pdworld w;
    system4();
    settings.nlna = 1;
    settings.lnalabels[1] = "CaO";
    settings.nmu = 2;
    settings.munames[1] = "Na2O";
    settings.munames[2] = "notacomponent";
    setter();
    EXPECT_EQ(pd.nbulkcomps, 2);
    EXPECT_TRUE(pd.inbulk[1] && pd.inbulk[2]);
    EXPECT_FALSE(pd.inbulk[3] || pd.inbulk[4]);
    EXPECT_FALSE(settings.systemprops);

    settings.lnalabels[1] = "Fe";
    EXPECT_EQ(w.run(setter), 1);
    EXPECT_TRUE(w.has("-- run bombed in setter : setting non-oxide lna not implemented"));
}

TEST(ReadComps, OneBulkIsScaledTo100AndPrinted) {
    pdtest::pdworld w;
    system4();
    bulklines({50, 10, 20, 20});
    settings.bulk1[1] = 25;  // sums to 75
    EXPECT_EQ(w.run(readcomps), -1) << w.out();
    EXPECT_EQ(settings.nbulks, 1);
    EXPECT_NEAR(static_cast<double>(settings.bulk1[1]), 25.0 / 75 * 100, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumof(settings.bulk2, 4)), 100, 1e-12);
    EXPECT_TRUE(w.has("composition (from bulk script)\n"
                      "       SiO2    Al2O3      CaO     Na2O\n"
                      "     33.333   13.333   26.667   26.667\n"))
        << w.out();
}

TEST(ReadComps, RangeEndsEachSumTo100WithScriptSteps) {
    pdtest::pdworld w;
    system4();
    bulklines({40, 20, 20, 20}, {10, 10, 10, 20});  // the second sums to 50
    settings.nbulksteps = 25;
    EXPECT_EQ(w.run(readcomps), -1) << w.out();
    EXPECT_EQ(settings.nbulks, 25);
    EXPECT_NEAR(static_cast<double>(sumof(settings.bulk1, 4)), 100, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumof(settings.bulk2, 4)), 100, 1e-12);
    EXPECT_NEAR(static_cast<double>(settings.bulk2[4]), 40, 1e-12);
    EXPECT_TRUE(w.has("      24 increments\n")) << w.out();
}

TEST(ReadComps, RangeTableShowsEveryFifthPoint) {
    testing::tempfolder folder;
    pdtest::pdworld w;
    openforwriting(channels.files[chsummary], "summary.txt");
    channels.outchannels = 1 | 4;
    system4();
    bulklines({40, 20, 20, 20}, {20, 20, 40, 20});
    settings.nbulksteps = 25;
    EXPECT_EQ(w.run(readcomps), -1);
    EXPECT_FALSE(w.has("prop "));  // the table is not shown on the console
    flushall();
    closetextfile(channels.files[chsummary]);
    channels.outchannels = 1;
    EXPECT_EQ(folder.readfile("summary.txt"),
              "\ncomposition (from script)\n"
              "pos        1     6    11    16    21    25\n"
              "prop   0.000 0.208 0.417 0.625 0.833 1.000\n"
              "  SiO2 40.00 35.83 31.67 27.50 23.33 20.00\n"
              " Al2O3 20.00 20.00 20.00 20.00 20.00 20.00\n"
              "   CaO 20.00 24.17 28.33 32.50 36.67 40.00\n"
              "  Na2O 20.00 20.00 20.00 20.00 20.00 20.00\n");
}

TEST(ReadComps, RbiBulkWeightsMineralsByTheirAtoms) {
    pdtest::pdworld w;
    system4();
    settings.bulk = 1;
    settings.rbi = 0;
    settings.nbulks = 1;
    settings.nrbi = 2;
    // Mineral 1: 1 SiO2 (3 atoms); mineral 2: 1 Al2O3 + 1 CaO (7 atoms); equal modes.
    settings.rbitable[0][1] = settings.rbitable[0][2] = 50;
    settings.rbitable[1] = {};
    settings.rbitable[2] = {};
    settings.rbitable[1][1] = 1;
    settings.rbitable[2][2] = 1;
    settings.rbitable[2][3] = 1;
    settings.rbitable[1][4] = 0.01L;  // every component must be there
    EXPECT_EQ(w.run(readcomps), -1) << w.out();
    // Amounts: SiO2 50/3.03, Al2O3 and CaO 50/7, Na2O 0.01 * 50/3.03.
    const real n1 = 50 / (3 + 0.03L), n2 = 50.0L / 7;
    const real total = n1 + 2 * n2 + 0.01L * n1;
    EXPECT_NEAR(static_cast<double>(settings.bulk1[1]), static_cast<double>(100 * n1 / total), 1e-12);
    EXPECT_NEAR(static_cast<double>(settings.bulk1[2]), static_cast<double>(100 * n2 / total), 1e-12);
    EXPECT_TRUE(w.has("composition (from rbi script)\n"));

    pdtest::pdworld w2;
    system4();
    settings.bulk = 1;
    settings.rbi = 0;
    settings.nbulks = 1;
    settings.nrbi = 1;
    settings.rbitable[0][1] = 50;
    settings.rbitable[1] = {};  // a mineral of no atoms
    EXPECT_EQ(w2.run(readcomps), 1);
    EXPECT_TRUE(w2.has(" : comp sum not positive"));
}

TEST(ReadComps, FatalBulks) {
    struct faultcase {
        std::vector<real> b1, b2;
        std::vector<const char*> names;
        std::string message;
    };
    const std::vector<faultcase> cases = {
        {{40, 20, 20, 20}, {}, {"SiO2", "CaO", "Al2O3", "Na2O"}, "mismatch of components (oxides) in bulk"},
        {{40, 20, 20}, {}, {"SiO2", "Al2O3", "CaO"}, "wrong number of components (oxides) in bulk"},
        {{40, 0, 20, 20}, {}, {}, "zeroes not allowed in a bulk (1)"},
        {{0, 0, 0, 0}, {}, {}, "zeroes not allowed in a bulk (1)"},  // a zero sum, not NaNs
        {{40, 20, 20, 20}, {40, 20, 0, 20}, {}, "zeroes not allowed in a bulk (2)"},
    };
    for (const faultcase& c : cases) {
        pdtest::pdworld w("\n\n\n");
        system4();
        bulklines(c.b1, c.b2);
        if (!c.names.empty()) {
            settings.nbulkoxides = static_cast<int16_t>(c.names.size());
            for (size_t i = 0; i < c.names.size(); ++i) settings.bulkoxides[i + 1] = c.names[i];
        }
        EXPECT_EQ(w.run(readcomps), 1);
        EXPECT_TRUE(w.has("-- run bombed in readcomps : " + c.message)) << w.out();
        if (!c.names.empty()) {
            EXPECT_TRUE(w.has("components (oxides) in bulk should be:\n    SiO2 Al2O3 CaO Na2O\n"));
        }
    }
    pdtest::pdworld w;
    system4();
    settings.bulk = 1;
    EXPECT_EQ(w.run(readcomps), 1);
    EXPECT_TRUE(w.has("interactive entry of bulk composition has been discontinued\n"
                      "Add a bulk or rbi script to the scriptfile, and rerun zeltram.\n"));
}

// With CaO fixed by ln a the bulk block still lists every component; the names the
// failure lists are the ones that pass the check when typed back.
TEST(ReadComps, ListedComponentsAreTheOnesTheCheckWants) {
    pdtest::pdworld w;
    system4();
    bulklines({40, 20, 20});
    settings.nlna = 1;
    settings.lnalabels[1] = "CaO";
    settings.nbulkoxides = 3;
    const char* bulkonly[] = {"SiO2", "Al2O3", "Na2O"};
    for (int i = 0; i < 3; ++i) settings.bulkoxides[at(i + 1)] = bulkonly[i];
    ASSERT_EQ(w.run(readcomps), 1);
    const std::string head = "components (oxides) in bulk should be:\n   ";
    const size_t at0 = w.out().find(head);
    ASSERT_NE(at0, std::string::npos) << w.out();
    const size_t from = at0 + head.size();
    const std::vector<std::string> listed = splitblanks(w.out().substr(from, w.out().find('\n', from) - from));
    EXPECT_EQ(listed, (std::vector<std::string>{"SiO2", "Al2O3", "CaO", "Na2O"}));

    pdtest::pdworld w2;
    system4();
    bulklines({40, 20, 20, 20});
    settings.nlna = 1;
    settings.lnalabels[1] = "CaO";
    settings.nbulkoxides = static_cast<int16_t>(listed.size());
    for (size_t i = 0; i < listed.size(); ++i) settings.bulkoxides[i + 1] = listed[i];
    EXPECT_EQ(w2.run(readcomps), -1) << w2.out();
    EXPECT_EQ(pd.nbulkcomps, 3);
}

TEST(ReadComps, ChoicesWithinARange) {
    struct choicecase {
        int32_t onebulk;
        real onebulkvalue;
        int32_t subrange;
        std::string answers;
        int16_t nbulks;
        real lo, hi;
        real firstsio2;  // SiO2 of the first end after the choice
        std::string line;
    };
    // SiO2 runs from 40 to 20 across the range.
    const std::vector<choicecase> cases = {
        {0, 0.5L, 1, "", 1, 0, 1, 30, "one bulk, at 0.500 between the two script bulk compositions (from script)\n"},
        {1, -1, 2, "y\n0.25\n", 1, 0.25L, 1, 35, "bulk subrange is one bulk, 0.250, between the two script bulk compositions\n"},
        {1, -1, 2, "y\n0.2 0.8\n\n", 11, 0.2L, 0.8L, 36, "bulk subrange, 0.200 to 0.800, between the two script bulk compositions\n"},
        {1, -1, 2, "y\n\n\n", 11, 0, 1, 40, ""},
        {1, -1, 1, "12\n", 13, 0, 1, 40, ""},
    };
    for (const choicecase& c : cases) {
        pdtest::pdworld w(c.answers);
        system4();
        bulklines({40, 20, 20, 20}, {20, 20, 40, 20});
        settings.onebulk = c.onebulk;
        settings.onebulkvalue = c.onebulkvalue;
        settings.bulksubrange = c.subrange;
        EXPECT_EQ(w.run(readcomps), -1) << w.out();
        EXPECT_EQ(settings.nbulks, c.nbulks);
        EXPECT_NEAR(static_cast<double>(pd.bulkproplo), static_cast<double>(c.lo), 1e-15);
        if (c.nbulks > 1) {
            EXPECT_NEAR(static_cast<double>(pd.bulkprophi), static_cast<double>(c.hi), 1e-15);
        }
        EXPECT_NEAR(static_cast<double>(settings.bulk1[1]), static_cast<double>(c.firstsio2), 1e-12);
        if (!c.line.empty()) {
            EXPECT_TRUE(w.has(c.line)) << w.out();
        }
    }
    pdtest::pdworld w("y\n0.8 0.2\n");
    system4();
    bulklines({40, 20, 20, 20}, {20, 20, 40, 20});
    settings.bulksubrange = 2;
    EXPECT_EQ(w.run(readcomps), 1);
    EXPECT_TRUE(w.has(" : entered bulk composition range is not 0<->1"));
}

}  // namespace
}  // namespace zt
