#include "runtime/prefs.h"

#include <gtest/gtest.h>

#include "runtime/channels.h"
#include "runtime/runfiles.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt {
namespace {

stringlist wordsof(std::initializer_list<const char*> list)
{
    stringlist w;
    int i = 1;
    for (const char* s : list) w[i++] = s;
    return w;
}

TEST(SwitchWord, ReadsTheWordAfterTheKeyword)
{
    struct switchcase {
        std::initializer_list<const char*> words;
        int32_t sw;
        int16_t used;
    };
    const switchcase cases[] = {
        {{"dontwrap"}, 0, 1},           {{"dontwrap", "yes"}, 0, 2}, {{"dontwrap", "on"}, 0, 2},
        {{"dontwrap", "ask"}, 2, 2},    {{"dontwrap", "no"}, 1, 2},  {{"dontwrap", "none"}, 1, 2},
        {{"dsfile", "62"}, 0, 1},       {{"dsfile", "Yes"}, 0, 1},   {{"dsfile", "off"}, 0, 1},
    };
    for (const switchcase& c : cases) {
        const stringlist w = wordsof(c.words);
        int32_t sw = -1;
        int16_t used = -1;
        switchword(w, static_cast<int16_t>(c.words.size()), sw, used);
        EXPECT_EQ(sw, c.sw) << *(c.words.begin() + (c.words.size() - 1));
        EXPECT_EQ(used, c.used) << *(c.words.begin() + (c.words.size() - 1));
    }
}

class PrefsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        resetprefs();
        resetrunfiles();
        channels.outchannels = 1 << chconsole;
        settings = runsettings{};
    }
    void TearDown() override { resetchannels(); }
    // Reads the given preferences file; returns the exit code (-1 when the run goes on).
    int read(const std::string& content, const std::string& answers = "")
    {
        folder.writefile("zt-prefs.txt", content);
        testing::consolecapture console(answers);
        const int code = testing::exitcodeof([] {
            readprefs("ZELTRAM 3.51");
            checkprefs();
        });
        output = console.output();
        return code;
    }
    testing::tempfolder folder;
    std::string output;
};

TEST_F(PrefsFile, KeywordsSetTheirSettings)
{
    struct prefscase {
        const char* lines;  // added to a file that names both suffixes first
        int16_t pagewidth;
        bool dontwrap;
        bool monitorheap;
        const char* dssuffix;
        const char* scriptsuffix;
        int16_t calcmode;
    };
    const prefscase cases[] = {
        {"", 80, true, false, "62", "AFM", -1},
        {"setpagewidth 60\n", 80, true, false, "62", "AFM", -1},
        {"setpagewidth 300\n", 250, true, false, "62", "AFM", -1},
        {"setpagewidth 120\n", 120, true, false, "62", "AFM", -1},
        {"setpagewidth 249\n", 249, true, false, "62", "AFM", -1},
        {"setpagewidth wide\nsetpagewidth 1.5e2\ncalcmode x\n", 80, true, false, "62", "AFM", -1},
        {"dontwrap ask\n", 80, false, false, "62", "AFM", -1},
        {"dontwrap no\nmonitorheap\n", 80, false, true, "62", "AFM", -1},
        {"dsfile on 33\n", 80, true, false, "33", "AFM", -1},
        {"dataset yes\n", 80, true, false, "", "AFM", -1},
        {"dsfile no\n", 80, true, false, "62", "AFM", -1},
        {"dsfile 34 % a comment\n", 80, true, false, "34", "AFM", -1},
        {"scriptfile on\n", 80, true, false, "62", "on", -1},
        {"datafile yes KFMASH\n", 80, true, false, "62", "KFMASH", -1},
        {"scriptfile ask\n", 80, true, false, "62", "AFM", -1},
        {"calcmode 2\n", 80, true, false, "62", "AFM", 2},
        {"* the end\nmonitorheap\ncalcmode 3\n", 80, true, false, "62", "AFM", -1},
        {"\n   \n%dontwrap no\nmonitorheap yes\n", 80, true, true, "62", "AFM", -1},
    };
    for (const prefscase& c : cases) {
        SetUp();
        const std::string content = std::string("dsfile 62\nscriptfile AFM\n") + c.lines;
        const bool needsds = std::string(c.dssuffix).empty();
        EXPECT_EQ(read(content), needsds ? 1 : -1) << c.lines;
        EXPECT_EQ(channels.pagewidth, c.pagewidth) << c.lines;
        EXPECT_EQ(channels.dontwrap, c.dontwrap) << c.lines;
        EXPECT_EQ(prefs.monitorheap, c.monitorheap) << c.lines;
        EXPECT_EQ(prefs.dssuffix, c.dssuffix) << c.lines;
        EXPECT_EQ(prefs.scriptsuffix, c.scriptsuffix) << c.lines;
        EXPECT_EQ(prefs.prefscalcmode, c.calcmode) << c.lines;
        EXPECT_EQ(settings.nscriptproblems, 0) << c.lines;
    }
}

TEST_F(PrefsFile, DsfileNoLeavesTheSuffixMissing)
{
    EXPECT_EQ(read("dsfile no\nscriptfile AFM\n"), 1);
    EXPECT_EQ(prefs.dssuffix, "");
    EXPECT_EQ(settings.nmissingscripts, 1);
    EXPECT_NE(output.find("\n1) new in zt350, the \"dsfile\" script is mandatory"), std::string::npos) << output;
    EXPECT_NE(output.find("-- run bombed in reading scripts : add mandatory scripts to the prefsfile"),
              std::string::npos);
}

TEST_F(PrefsFile, RefinementNeedsOnlyTheScriptSuffix)
{
    EXPECT_EQ(read("calcmode 9\nscriptfile AFM\n"), -1);
    EXPECT_EQ(read("calcmode 9\n"), 1);
    EXPECT_EQ(settings.nmissingscripts, 1);
    EXPECT_NE(output.find("1) new in zt350, the \"scriptfile\""), std::string::npos) << output;
    EXPECT_EQ(output.find("\"dsfile\""), std::string::npos) << output;
}

TEST_F(PrefsFile, UnrecognisedKeywordAsksTwice)
{
    EXPECT_EQ(read("dsfile 62\nscriptfile AFM\nwrapit yes\n", "no\nn\n"), -1);
    EXPECT_EQ(settings.nscriptproblems, 1);
    EXPECT_EQ(output,
              "\nwrapit unrecognised\n"
              "there are script problems in the prefs file listed immediately above:\n"
              "exit, and delete unrecognised scripts from the prefs file ? "
              "\nthere are script problems listed immediately above:\n"
              "exit, and correct the scriptfile ? ");

    EXPECT_EQ(read("dsfile 62\nscriptfile AFM\nwrapit yes\n", "\n"), 0);  // yes: the run is killed
    EXPECT_NE(output.find("-- run killed --"), std::string::npos);
}

TEST_F(PrefsFile, NoPreferencesFileEndsTheRunUnlessPreparedForTheRefinement)
{
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof([] { readprefs("ZELTRAM 3.51"); }), 1);
    EXPECT_NE(console.output().find("\n\xA5\xA5 no prefs file \"zt-prefs.txt\"\n\n"), std::string::npos);
    EXPECT_NE(console.output().find("-- run bombed in readprefs : can't open \"zt-prefs.txt\""), std::string::npos);
    EXPECT_FALSE(folder.exists("zt-log.txt"));

    SetUp();
    folder.writefile("ds-prefs.txt", "ztdssuffix 5\n");
    console.clearoutput();
    EXPECT_EQ(testing::exitcodeof([] {
                  readprefs("ZELTRAM 3.51");
                  checkprefs();
              }),
              -1);
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(prefs.prefscalcmode, -1);
}

}  // namespace
}  // namespace zt
