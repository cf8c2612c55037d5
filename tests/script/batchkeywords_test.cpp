// Batches, filters and Monte Carlo entries of the script.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/bytes.h"
#include "scriptfixture.h"

namespace zt {
namespace {

using BatchKeywords = ScriptTest;

// A with list and one guess block holding a zero guess.
const std::string batchhead = std::string(mandatorylines) +
                              "with g bi mu q\nbatchxyzguess startblock\nbatchxyzguess x(g) 0\nbatchxyzguess y(g) 0.3\n";

std::string lines(const std::string& line, int n)
{
    std::string text;
    for (int i = 1; i <= n; ++i) text += line + "\n";
    return text;
}

TEST_F(BatchKeywords, BatchRecordsAndTheirConsoleRows)
{
    const std::string script = batchhead +
                               "batchbulk 2 1 0\nbatchbulk 1 1 1e-5\n"
                               "batch bi q 2 2 5 8 9 500 550 600 650 700 3 1 0 0\n"
                               "batch g 3 1 1 8 600 1 1 1 2 0.25 1 bi 0.2 1 mu 3.4 0.4\n";
    ASSERT_EQ(read(script), -1) << output;
    EXPECT_TRUE(said("\nbatches\n"
                     " 1 :      .    bi     .     q :    1  b       \n"
                     " 2 :      g     .     .       :    1  b   p  1   i  1\n"))
        << output;
    ASSERT_EQ(settings.nbatches, 2);
    const batchrec& a = settings.batches[1];
    EXPECT_EQ(a.npt, 10);
    EXPECT_EQ(a.pressures[2], 9);
    EXPECT_EQ(a.temperatures[5], 700 + 273.15L);
    EXPECT_FALSE(a.tatp);  // calculation code 3: P at the given T
    EXPECT_FALSE(a.hasbulk);
    const batchrec& b = settings.batches[2];
    EXPECT_TRUE(b.tatp);
    EXPECT_EQ(b.bulkrow2, 2);
    // (1 - 0.25) x row 2 + 0.25 x row 1, for the components that row 1 holds.
    EXPECT_NEAR(static_cast<double>(b.bulkamounts[1]), 0.75 * 100 / 2.00001 + 0.25 * 200 / 3.0, 1e-9);
    EXPECT_EQ(b.ncompflags, 2);
    EXPECT_EQ(b.compflags[3], 0);
    EXPECT_EQ(b.bulkamounts[3], 0);
    EXPECT_EQ(b.modephase[1], 2);
    EXPECT_EQ(b.modevalue[1], 0.2L);
    EXPECT_EQ(b.isophase[1], 3);
    EXPECT_EQ(b.isocode[1], 3);  // 3.4 rounded
    EXPECT_EQ(b.isovalue[1], 0.4L);
    EXPECT_TRUE(said("no of batches = 2\n"));
}

// A batch line may stand before, between or after the guess blocks, even among the lines of
// its own block: its block number is judged against all the blocks of the script, and its
// row, with the mark of a block holding a zero guess, reads the same in every order.
TEST_F(BatchKeywords, GuessBlocksAreJudgedAndMarkedTheSameWhateverTheOrder)
{
    const std::string start = "batchxyzguess startblock\n";
    const std::string zeroguesses = "batchxyzguess x(g) 0\nbatchxyzguess y(g) 0.3\n";
    const std::string block2 = start + "batchxyzguess x(g) 0.2\n";
    const struct {
        int kxyz;
        bool taken;
        const char* mark;  // 3 wide after the block number
    } cases[] = {{1, true, "  b"}, {2, true, "   "}, {3, false, ""}, {32766, false, ""}};
    for (const auto& c : cases) {
        const std::string batch = "batch g 2 1 1 8 600 1 " + std::to_string(c.kxyz) + " 0 0\n";
        const std::string orders[] = {batch + start + zeroguesses + block2, start + batch + zeroguesses + block2,
                                      start + zeroguesses + batch + block2, start + zeroguesses + block2 + batch};
        // number, the phases g and bi (bi not in it, and last), block, mark, no bulk
        const std::string row = std::string(" 1 : ") + "     g" + "      " + " : " + "   " + std::to_string(c.kxyz) +
                                c.mark + "       " + "\n";
        std::string first;
        for (const std::string& lines : orders) {
            EXPECT_EQ(read(mandatorylines + lines), c.taken ? -1 : 1) << lines;
            if (c.taken) {
                EXPECT_TRUE(said("\nbatches\n" + row)) << lines << output;
                EXPECT_EQ(settings.batches[1].nzeroguesses, c.kxyz == 1 ? 1 : 0) << lines;
            } else {
                EXPECT_TRUE(said("\n-- run bombed in reading scripts : in batch, kxyz out of range\n")) << lines << output;
            }
            EXPECT_LE(settings.batchxyzguess.slotsmade(), 3u) << lines;  // slot 0 and the two blocks
            if (first.empty()) first = output;
            EXPECT_EQ(output, first) << lines;
        }
    }
}

TEST_F(BatchKeywords, OwnBulkWithoutModesReadsTheIsoplethCountFromTheNextWord)
{
    ASSERT_EQ(read(batchhead + "batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 0 0 1 g 3 0.4\n"), -1) << output;
    const batchrec& b = settings.batches[1];
    EXPECT_EQ(b.nmodesset, 0);
    EXPECT_TRUE(b.hasisopleths);
    EXPECT_EQ(b.nisopleths, 1);
    EXPECT_EQ(b.isophase[1], 1);
    EXPECT_EQ(b.isovalue[1], 0.4L);
}

TEST_F(BatchKeywords, BatchSelectionCountsEachBatchOnce)
{
    const std::string three = batchhead + lines("batch g 2 1 1 8 600 1 1 0 0", 3);
    ASSERT_EQ(read(three + "batchswitch 2 2 2\n"), -1) << output;
    EXPECT_EQ(settings.nbatchselect, 1);
    EXPECT_EQ(settings.nbatches, 1);
    EXPECT_EQ(settings.batchlabel[1], 2);

    const std::string four = batchhead + lines("batch g 2 1 1 8 600 1 1 0 0", 4);
    ASSERT_EQ(read(four + "batchswitch 2 2 2\n"), -1) << output;
    EXPECT_EQ(settings.nbatches, 1);
    EXPECT_EQ(settings.batchlabel[1], 2);

    ASSERT_EQ(read(four + "batchswitch all except 1 1\n"), -1) << output;
    EXPECT_EQ(settings.nbatches, 3);
    EXPECT_EQ(settings.batchlabel[1], 2);

    // Selected records move down, and requests follow them to their new positions.
    ASSERT_EQ(read(four + "batchswitch 2 4\nbatchreq 4\nbatchreq 1\n"), -1) << output;
    EXPECT_EQ(settings.nbatches, 2);
    EXPECT_EQ(settings.batchlabel[2], 4);
    EXPECT_EQ(settings.nbatchreq, 1);
    EXPECT_EQ(settings.batchreqs[1].batches[1], 2);
    EXPECT_TRUE(said("\ncaring batches\n  2\n"));

    ASSERT_EQ(read(four + "batchreq all except 2\n"), -1) << output;
    EXPECT_EQ(settings.nbatchreq, 3);
    EXPECT_EQ(settings.batchreqs[2].batches[1], 3);
}

TEST_F(BatchKeywords, FiltersFollowTheirBatches)
{
    ASSERT_EQ(read(batchhead +
                   "batch g 2 2 1 8 9 600 1 1 0 0\nfilter 1 T 500 700\nfilter 2 2 500 700 x(g) 0.1 0.2\n"
                   "batch g 2 1 1 8 600 1 1 0 0\nflitter 0\n"),
              -1)
        << output;
    EXPECT_TRUE(settings.filtergiven);
    EXPECT_EQ(settings.nfiltersets, 2);
    const batchrec& b = settings.batches[1];
    EXPECT_EQ(b.nfilters[2], 2);
    EXPECT_EQ(b.filters[2][1].code, 2);
    EXPECT_EQ(b.filters[2][1].high, 700 + 273.15L);
    EXPECT_EQ(b.filters[2][2].name, "x(g)");
    EXPECT_EQ(b.filters[2][2].low, 0.1L);
}

TEST_F(BatchKeywords, MonteCarloEntriesAndTheirRows)
{
    const std::string script = batchhead + "batch g 2 1 1 8 600 1 1 0 0\n"
                                           "mcrange rng 1.5 2.5\nmcrange other 4 5\n"
                                           "mcfunc DQF(g)b 2 2 2 rng -1 other\n"
                                           "mc g W(g,bi)a 10 2\nmc g a(g)c =rng\nmc g DQF(g)b fzz\n";
    ASSERT_EQ(read(script), -1) << output;
    ASSERT_EQ(settings.nmc, 3);
    const mcrec& w = settings.mcentries[1];
    EXPECT_EQ(w.vartype, 1);
    EXPECT_EQ(w.abc, 1);
    EXPECT_EQ(w.varname, "W(g,bi)");
    EXPECT_EQ(w.value2, 2);
    const mcrec& a = settings.mcentries[2];
    EXPECT_EQ(a.value1, 1.5L);
    EXPECT_EQ(a.ref, 1);
    const mcrec& d = settings.mcentries[3];
    EXPECT_EQ(d.value1, 2 + 2 * 1.5L - 4);
    EXPECT_EQ(d.ref, -1);
    EXPECT_EQ(d.refkind, -2);
    EXPECT_EQ(d.dqfb, d.value1);
    EXPECT_EQ(settings.mc, 0);
    EXPECT_TRUE(said("\nmc info\n"
                     " 1  g      W(g,bi)a          10.000   2.000  1  1\n"
                     " 2  g      a(g)c              1.500          2  3 r rng\n"
                     " 3  g      DQF(g)b            1.000          3  2 f 1\n"))
        << output;
    // The Monte Carlo run: one calculation per batch, its own trace settings.
    EXPECT_EQ(settings.debuglevel, 0);
    EXPECT_EQ(settings.printxyz, 1);
    EXPECT_EQ(settings.quilleton, 1);
    EXPECT_FALSE(settings.pseudosection);

    ASSERT_EQ(read("mcdebug\n" + script), -1) << output;
    EXPECT_EQ(settings.debuglevel, 1);
    EXPECT_EQ(settings.mcrunlimit, 5);
    EXPECT_EQ(settings.mcwanted, 3);
}

TEST_F(BatchKeywords, FormatProblemsEndTheRun)
{
    struct fatal {
        std::string script;
        const char* report;
    };
    const std::string one = "batch g 2 1 1 8 600 1 1 0 0\n";
    const fatal cases[] = {
        {"batch g foo 2 1 1 8 600 1 1 0 0", "reading scripts : unrecognised phase, foo, in batch"},
        {"batch g 2 1 x 8 600 1 1 0 0", "insufficient info in batch (1)"},
        {"batch g -1 1 1 8 600 1 1 0 0", "batch with negative variance?"},
        {"batch g 2 0 1 8 600 1 1 0 0", "not enough batch PT"},
        {"batch g 2 2 6 1 2 3 4 5 6 7 8 1 1 0 0", "too many batch PT"},
        {"batch g 2 1 1 8 600 1", "insufficient info in batch (3a)"},
        {"batch g 2 1 1 8 600 1 0 0 0", "in batch, no xyz flag"},
        {"batch g 2 1 1 8 600 1 2 0 0", "in batch, kxyz out of range"},
        {"batch g 2 1 1 8 600 1 1 x 0", "in batch, no bulk flag"},
        {"batch g 2 1 1 8 600 1 1 1 0 0 0", "in batch, pseudosection wanted but no bulk"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 2 0 0 0", "in batch, comp1 code out of range"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 3 0.5 0 0", "in batch, comp2 code out of range"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 1 1.5 0 0", "in batch, bung bulk proportion"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 0 3 0", "in batch, wrong number of modes set"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 0 2 g 0.1", "in batch, not enough pseudosection info"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 0 1 ky 0.1 0", "in batch, modeset phase1 not in which"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 0 2 g 0.1 bi x 0", "in batch, modeset phase2 mode stuffed"},
        {"batchbulk 1 1\nbatch g 2 1 1 8 600 1 1 1 0 2 g 0.1 bi 0.1 1 g 1 0.3",
         "in batch, wrong number of isopleths set"},
        {"batch g 2 1 1 8 600 1 1 0 2 g 1", "readscripts : in batch, not enough info for isopleths"},
        {"batch g 2 1 1 8 600 1 1 0 1 ky 1 0.2", "readscripts : in batch, wrong name for isopleths"},
        {lines(one, 100), "reading scripts : batch: more than 99 batches"},
        {one + "batchswitch 2", "batchswitch not in range"},
        {one + "batchreq", "in batchreq, not enough info in a line"},
        {one + "batchreq x", "batchreq not given an index"},
        {one + "batchreq 0", "batchreq not in range"},
        {"batchxyzguess", "in bxyzguess, not enough info in a line (1)"},
        {"batchxyzguess x(g)", "in bxyzguess, not enough info in a line (2)"},
        {"batchxyzguess x(g) y", "in bxyzguess, no guess"},
        {"batchxyzguess x(g) 0.1 range 0 y", "in bxyzguess, range info fubar"},
        {lines("batchxyzguess startblock", 99), "in bxyzguess, too big"},
        {lines("batchxyzguess x 0.1", 199), "in bxyzguess, too many guesses"},
        {"filter 1 T 500 700", "filters not interleaved with batches"},
        {one + "filter x", "filter keyword must be followed by an integer"},
        {one + "filter 31", "too many filters"},
        {one + "filter 70000", "too many filters"},
        {one + "filter -32767", "filter keyword must be followed by an integer"},
        {one + "filter 2 T 500 700", "insufficient filter info"},
        {one + "filter 1 T 500 700 1", "wrong length of filter info"},
        {one + "filter 1 T x 700", "lower filter not a number"},
        {one + "filter 1 T 500 x", "higher filter not a number"},
        {"batchbulk x 1", "wrong batchbulk info"},
        {"batchbulk 1 2\nbatchbulk 1", "wrong batchbulk info"},
        {"batchbulk 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1",
         "reading scripts : batchbulk: more than 27 components"},
        {lines("batchbulk 1 1", 151), "reading scripts : batchbulk: more than 150 rows"},
        {"mcit 1 x", "wrong mcit info"},
        {"mcrange r 1 x", "wrong mcrange info"},
        {lines("mcrange r 1 2", 151), "too many mcrange"},
        {"mcrange r 1 2\nmcfunc f x 1 1 r", "wrong mcfunc info (1)"},
        {"mcrange r 1 2\nmcfunc f 1 21 1 r", "too many terms in mcfunc"},
        {"mcrange r 1 2\nmcfunc f 1 1 x r", "wrong mcfunc info (2)"},
        {"mcrange r 1 2\nmcfunc f 1 1 1 s", "wrong mcfunc info (3)"},
        {lines("mc g W(g)a 1 2", 151), "too many mc"},
        {"samecoding g h\nmc g W(g)a 1 2", "scriptfile samecoding not implemented in mczt"},
        {"mc ky W(g)a 1 2", "ky in mc not in \"with\""},
        {"mc g W(g)d 1 2", "in mc, abc"},
        {"mc g W()a 1 2", "in mc, mcvarname (1)"},
        {"mc g W(gba 1 2", "in mc, mcvarname (2)"},
        {"mc g x(g)a 1 2", "in mc, mcvarname (3)"},
        {"mc g W(g)a 1", "in mc, not enough info"},
        {"mc g W(g)a <r", "in mc, >/< not currently implemented"},
        {"mc g W(g)a r", "in mc, bad range info"},
        {"mc g W(g)a fr", "in mc, no mcfunc"},
        {"mc g W(g)a =r", "in mc, no mcrange"},
        {"mcrange r 1 2\nmc g W(g)a =s", "in mc, no match with mcrange"},
        {"mcrange r 1 2\nmcfunc f 1 1 1 r\nmc g W(g)a ff", "in mc, no match with mcfunc"},
    };
    for (const fatal& c : cases) {
        EXPECT_EQ(read(batchhead + c.script + "\n"), 1) << c.script;
        EXPECT_TRUE(said("\n-- run bombed in ") && said(std::string(c.report) + "\n")) << c.script << output;
    }
}

// A batch point is where the thermodynamics is evaluated: one past the program's bounds
// ends the reading with a report that names the value as written, never later as a fault of
// the program (a T at or below 0 K did); the bounds themselves are points like any other.
TEST_F(BatchKeywords, PointsPastTheBoundsEndTheReadingNamingTheValue)
{
    const std::string deg(1, degreebyte);
    const std::string tout = deg + "C lies outside 9.85 to 2726.85" + deg + "C (283 to 3000 K)";
    const std::string pout = " kbar lies outside 0.0009 to 1500.0 kbar";
    struct point {
        std::string before, points, refused;  // refused: empty when the points are taken
    };
    const point cases[] = {
        {"", "1 1 0.0009 9.85", ""},
        {"", "1 1 1500 2726.85", ""},
        {"negP\n", "1 1 -50 600", ""},
        {"", "1 2 8 600 -273.15", "the T of -273.15" + tout},
        {"", "1 1 8 -300", "the T of -300" + tout},
        {"", "1 1 8 9.84", "the T of 9.84" + tout},
        {"", "1 1 8 2726.86", "the T of 2726.86" + tout},
        {"", "1 1 8 1e30", "the T of 1e30" + tout},
        {"", "1 1 0 600", "the P of 0" + pout},
        {"", "2 1 8 1500.01 600", "the P of 1500.01" + pout},
        {"", "1 1 -5 600", "the P of -5" + pout},
        {"negP\n", "1 1 -50.1 600", "the P of -50.1 kbar lies outside -50.0000 to 1500.0 kbar"},
    };
    for (const point& c : cases) {
        setinitialsettings();  // the lowest P of an earlier negP
        const int code = read(c.before + batchhead + "batch g 2 " + c.points + " 1 1 0 0\n");
        if (c.refused.empty()) {
            EXPECT_EQ(code, -1) << c.points << output;
            continue;
        }
        EXPECT_EQ(code, 1) << c.points;
        EXPECT_TRUE(said("\n-- run bombed in reading scripts : in batch, " + c.refused + "\n")) << c.points << output;
        EXPECT_FALSE(said("shouldn't")) << c.points << output;
    }
    // Taken points are stored as given, T in kelvin.
    ASSERT_EQ(read(batchhead + "batch g 2 1 1 1500 2726.85 1 1 0 0\n"), -1);
    EXPECT_EQ(settings.batches[1].pressures[1], 1500);
    EXPECT_NEAR(static_cast<double>(settings.batches[1].temperatures[1]), 3000, 1e-9);
}

TEST_F(BatchKeywords, BadBatchBulkRowsAreDropped)
{
    EXPECT_EQ(read(batchhead + "batchbulk 1 1\nbatchbulk 0 0\nbatch g 2 1 1 8 600 1 1 1 0 0 0\n"), 1);
    EXPECT_TRUE(said(" bulk composition is bad\n"));
    EXPECT_TRUE(said("in batch, pseudosection wanted but no bulk"));
}

TEST_F(BatchKeywords, GuessLinesNeedABlock)
{
    EXPECT_EQ(read(std::string(mandatorylines) + "batchxyzguess x(g) 0.1\n"), 1);
    EXPECT_TRUE(said("-- run bombed in reading scripts : batchxyzguess: guesses given before the first startblock"));
}

TEST_F(BatchKeywords, BatchLinesBeforeTheWithListFail)
{
    EXPECT_EQ(read("batch g 2 1 1 8 600 1 1 0 0\n" + batchhead + "batch g 2 1 1 8 600 1 1 0 0\n"), 1);
    EXPECT_TRUE(said("\nbatch input messed up\n"));
    EXPECT_TRUE(said("-- run bombed in read scripts : batch entry failed"));
}

}  // namespace
}  // namespace zt
