#include "ax/axtokens.h"

#include <gtest/gtest.h>

#include "axfixture.h"
#include "runtime/bytes.h"
#include "runtime/numberread.h"

namespace zt {
namespace {

using axtest::axworld;

TEST(AxTokens, LookAheadRunsAcrossLinesAndStopsAtTheEndLine) {
    axworld w;
    w.opentokens("% comment line\n\n  ky 1 % trailing comment\nq\n* stop here words\nnever read\n");
    EXPECT_EQ(axtok.nexttoken, "ky");
    nextaxtoken("a");
    EXPECT_EQ(axtok.token, "ky");
    EXPECT_EQ(axtok.kind, wkword);
    EXPECT_EQ(axtok.nexttoken, "1");
    EXPECT_EQ(axtok.nextkind, wkinteger);
    nextaxtoken("b");
    EXPECT_EQ(axtok.nexttoken, "q");
    nextaxtoken("c");
    EXPECT_EQ(axtok.token, "q");
    EXPECT_EQ(axtok.nextkind, wkempty);
    EXPECT_TRUE(axtok.endflag);
    EXPECT_EQ(testing::exitcodeof([] { nextaxtoken("name for 3rd phase"); }), 1);
    EXPECT_TRUE(w.bombedwith("unexpected end of input: name for 3rd phase"));
}

TEST(AxTokens, FileWithoutWordsIsNotEnough) {
    for (const char* text : {"", "% only a comment\n\n", "* at once\nky\n"}) {
        axworld w;
        w.folder.writefile("in.txt", text);
        openforreadingunnoted(runfiles.datafile, "in.txt");
        EXPECT_EQ(testing::exitcodeof([] { openaxtokens(); }), 1) << text;
        EXPECT_TRUE(w.bombedwith("not enough in file")) << text;
    }
}

TEST(AxTokens, ReadNameRefusesNumbers) {
    axworld w;
    EXPECT_EQ(readname(wkword, "gt", "x"), "gt");
    EXPECT_EQ(testing::exitcodeof([] { readname(wkinteger, "1", "name for 2nd phase"); }), 1);
    EXPECT_TRUE(w.bombedwith("expecting a name; got: 1 - name for 2nd phase"));
}

TEST(AxTokens, HeaderBlockIsKeptAndReadingGoesOnAfterIt) {
    axworld w;
    w.opentokens("header words after it are dropped\n  %first line  \n" + std::string(130, 'a') +
                 "\nheadend\nky\n");
    ASSERT_EQ(axtok.nexttoken, "header");
    readheaderblock();
    ASSERT_EQ(axheader.nheaderlines, 4);
    EXPECT_EQ(axheader.headerlines[1], "#");
    EXPECT_EQ(axheader.headerlines[2], "first line");
    EXPECT_EQ(axheader.headerlines[3], std::string(120, 'a'));
    EXPECT_EQ(axheader.headerlines[4], "#");
    EXPECT_EQ(axtok.token, "header");
    EXPECT_EQ(axtok.nexttoken, "ky");
}

TEST(AxTokens, HeaderWithoutClosingLineOrTooLongEndsTheRun) {
    {
        axworld w;
        w.opentokens("header\nline\n");
        EXPECT_EQ(testing::exitcodeof([] { readheaderblock(); }), 1);
        EXPECT_TRUE(w.bombedwith("problems reading for header/verbatim"));
    }
    {
        axworld w;
        std::string text = "header\n";
        for (int i = 0; i < 599; ++i) text += "l\n";
        w.opentokens(text + "head\nky\n");
        EXPECT_EQ(testing::exitcodeof([] { readheaderblock(); }), 1);
        EXPECT_TRUE(w.bombedwith("too many header lines"));
    }
    {
        axworld w;
        std::string text = "header\n";
        for (int i = 0; i < 598; ++i) text += "l\n";
        w.opentokens(text + "head\nky\n");
        EXPECT_EQ(testing::exitcodeof([] { readheaderblock(); }), -1);
        EXPECT_EQ(axheader.nheaderlines, 600);
    }
}

TEST(AxTokens, VerbatimBlockCutsLinesAndNamesThePhaseForMagemin) {
    axworld w;
    settings.magemin = 0;
    w.opentokens("verbatim\n%" + std::string(160, 'v') + "\n verbatim end\nnext\n");
    axphase& ph = axtest::soln(1);
    resetaxphase(ph);
    ph.shortname = "g";
    readverbatimblock(ph);
    ASSERT_EQ(ph.nverbatim, 3);
    EXPECT_EQ(ph.verbatim[1], "# start x-eos: g");
    EXPECT_EQ(ph.verbatim[2], std::string(150, 'v'));
    EXPECT_EQ(ph.verbatim[3], "#");
    EXPECT_EQ(axtok.nexttoken, "next");
}

TEST(AxTokens, PhaseNamesSplitAndJoinAtTheSeparator) {
    struct row {
        const char* longname;
        const char* suffix;
        const char* wantlong;
        const char* wantshort;
        const char* wantsuffix;
    };
    const row rows[] = {
        {"px_1", "", "px_1", "px", "1"},
        {"px", "1", "px_1", "px", "1"},
        {"px_2", "1", "px_1", "px", "1"},
        {"px_1", "1", "px_1", "px", "1"},
        {"px", "", "px", "px", ""},
    };
    axworld w;
    for (const row& r : rows) {
        str22 longname = r.longname, shortname, suffix = r.suffix;
        long2shortpname(longname, shortname, suffix);
        EXPECT_EQ(longname, r.wantlong) << r.longname << " " << r.suffix;
        EXPECT_EQ(shortname, r.wantshort) << r.longname << " " << r.suffix;
        EXPECT_EQ(suffix, r.wantsuffix) << r.longname << " " << r.suffix;
    }
    for (const char* bad : {"_px", "px_", "g_a_", "_g_a"}) {
        channels.outchannels = 1;  // the previous report closed every channel
        str22 longname = bad, shortname, suffix;
        EXPECT_EQ(testing::exitcodeof([&] { long2shortpname(longname, shortname, suffix); }), 1);
        EXPECT_TRUE(w.bombedwith(std::string("separator char in pname in wrong place in ") + bad));
    }
}

}  // namespace
}  // namespace zt
