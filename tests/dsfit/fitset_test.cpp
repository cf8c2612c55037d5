#include "dsfit/fitset.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/channels.h"
#include "runtime/heap.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt {
namespace {

class DsPrefs : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        resetrunfiles();
        resetprefs();
        settings = runsettings{};
        settings.autoexit = true;
        channels.outchannels = 1 << chconsole;
        fit.fitsetprefs = fitsetprefsrecord{};
    }
    void TearDown() override
    {
        resetchannels();
        resetrunfiles();
    }
    testing::tempfolder folder;
};

TEST_F(DsPrefs, KeywordsSetTheFields)
{
    struct prefscase {
        const char* content;
        const char* ztdssuffix;
        const char* emsuffix;
        int16_t infolevel;
        int32_t printomit;
        int32_t mark456;
    };
    const prefscase cases[] = {
        {"", "", "", 1, 0, 1},
        {"* stop\nztdssuffix 62\n", "", "", 1, 0, 1},
        {"ztdssuffix 62\nemsuffix yes 61\n", "62", "61", 1, 0, 1},
        {"emsuffix 61\nemsuffix yes\n", "", "", 1, 0, 1},
        {"emsuffix 61\nemsuffix no\nztdssuffix ask\n", "", "61", 1, 0, 1},
        {"emsuffix on\n", "", "on", 1, 0, 1},
        {"infolevel 7\n", "", "", 3, 0, 1},
        {"infolevel 0\n", "", "", 0, 0, 1},
        {"infolevel high\n", "", "", 1, 0, 1},
        {"printomit no\nprintomit\nmark456 none\n", "", "", 1, 0, 1},
        {"printomit ask\nmoreinputlines\nmark456\n", "", "", 1, 2, 0},
        {"unknownword 3\n% only a comment\n\nztdssuffix 62 % comment\n", "62", "", 1, 0, 1},
    };
    for (const prefscase& c : cases) {
        SetUp();
        folder.writefile("ds-prefs.txt", c.content);
        testing::consolecapture console;
        readdsprefs();
        const fitsetprefsrecord& p = fit.fitsetprefs;
        EXPECT_EQ(p.ztdssuffix, c.ztdssuffix) << c.content;
        EXPECT_EQ(p.emsuffix, c.emsuffix) << c.content;
        EXPECT_EQ(p.infolevel, c.infolevel) << c.content;
        EXPECT_EQ(p.printomit, c.printomit) << c.content;
        EXPECT_EQ(p.mark456, c.mark456) << c.content;
        EXPECT_EQ(console.output(), "") << c.content;
        EXPECT_FALSE(runfiles.datafile.isopen);
        EXPECT_EQ(runfiles.curfilename, "ds-prefs.txt");
    }
}

TEST_F(DsPrefs, MissingFileEndsTheRun)
{
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof(readdsprefs), 1);
    EXPECT_NE(console.output().find("cannot locate file \"ds-prefs.txt\""), std::string::npos);
    EXPECT_NE(console.output().find("-- run bombed in promptdatafile : datafile needed"), std::string::npos);
}

// The new dataset must read back in the other modes (their dsfile keyword names
// "zt-ds" + suffix + ".txt", and its first character is the generation) and must not
// replace the dataset or the script that zt-prefs.txt names.
TEST_F(DsPrefs, NewDatasetNamesThatCouldNotBeReadOrWouldReplaceAnInputAreRefused)
{
    struct namecase {
        const char* ztdssuffix;
        const char* dsfile;
        const char* scriptfile;
        const char* message;  // nullptr: accepted
    };
    const namecase cases[] = {
        {"s1", "", "AFM", "ztdssuffix s1 names the new dataset \"zt-dss1.txt\", which no mode can read"},
        {"6abcdefghijklmnopqr", "", "AFM", "ztdssuffix 6abcdefghijklmnopqr is too long: the new dataset would be "
                                           "\"zt-ds6abcdefghijklmnopqr.tx\""},
        {"62", "62", "AFM", "ztdssuffix 62 would write the new dataset over \"zt-ds62.txt\", the dataset that "
                            "zt-prefs.txt names (dsfile 62): use another ztdssuffix"},
        {"62", "61", "ds62", "ztdssuffix 62 would write the new dataset over \"zt-ds62.txt\", the script that "
                             "zt-prefs.txt names (scriptfile ds62): use another ztdssuffix"},
        {"6abcdefghijklmnopq", "62", "AFM", nullptr},
        {"5x", "6x", "ds6x", nullptr},
        {"", "62", "ds", nullptr},
    };
    for (const namecase& c : cases) {
        SetUp();
        folder.writefile("ds-prefs.txt", std::string("ztdssuffix ") + c.ztdssuffix + "\n");
        prefs.dssuffix = c.dsfile;
        prefs.scriptsuffix = c.scriptfile;
        testing::consolecapture console;
        const int code = testing::exitcodeof(readdsprefs);
        if (c.message == nullptr) {
            EXPECT_EQ(code, -1) << c.ztdssuffix << console.output();
            continue;
        }
        EXPECT_EQ(code, 1) << c.ztdssuffix;
        EXPECT_NE(console.output().find(std::string("-- run bombed in readdsprefs : ") + c.message), std::string::npos)
            << console.output();
    }
}

// zt-prefs.txt may name the dataset or the script through another name of the file
// that the new dataset would replace.
TEST_F(DsPrefs, NewDatasetOverAnotherNameOfAnInputIsRefused)
{
    struct linkcase {
        const char* dsfile;
        const char* scriptfile;
        const char* message;
    };
    const linkcase cases[] = {
        {"62b", "AFM", "over \"zt-ds62.txt\", another name of \"zt-ds62b.txt\", the dataset that zt-prefs.txt names "
                       "(dsfile 62b): use another ztdssuffix"},
        {"61", "ds62b", "over \"zt-ds62.txt\", another name of \"zt-ds62b.txt\", the script that zt-prefs.txt names "
                        "(scriptfile ds62b): use another ztdssuffix"},
    };
    for (const linkcase& c : cases) {
        for (bool symbolic : {true, false}) {
            SetUp();
            testing::tempfolder here;
            here.writefile("ds-prefs.txt", "ztdssuffix 62\n");
            here.writefile("zt-ds62.txt", "the user's dataset\n");
            if (symbolic) std::filesystem::create_symlink("zt-ds62.txt", "zt-ds62b.txt");
            else std::filesystem::create_hard_link("zt-ds62.txt", "zt-ds62b.txt");
            prefs.dssuffix = c.dsfile;
            prefs.scriptsuffix = c.scriptfile;
            testing::consolecapture console;
            EXPECT_EQ(testing::exitcodeof(readdsprefs), 1) << c.dsfile << symbolic;
            EXPECT_NE(console.output().find(std::string("-- run bombed in readdsprefs : ztdssuffix 62 would write the "
                                                        "new dataset ") +
                                            c.message),
                      std::string::npos)
                << console.output();
        }
    }
}

TEST_F(DsPrefs, AllocationsAreCountedInOrder)
{
    folder.writefile("ds-prefs.txt", "axsuffix 62\n");
    prefs.monitorheap = true;
    heap.heaptotal = 0;
    testing::consolecapture console;
    allocatefitset();
    EXPECT_EQ(console.output(),
              "space allocated for tda is 985k; , heap now 985k\n"
              "space allocated for oxcal is 31k; , heap now 1016k\n"
              "space allocated for xp is 163894k; , heap now 164910k\n"
              "space allocated for y is 12k; , heap now 164922k\n"
              "space allocated for yy is 12k; , heap now 164933k\n"
              "space allocated for theta is 12k; , heap now 164945k\n"
              "space allocated for xx is 3750k; , heap now 168695k\n"
              "space allocated for hat is 12k; , heap now 168707k\n"
              "space allocated for x is 750k; , heap now 169457k\n"
              "space allocated for b is 375k; , heap now 169832k\n");
    EXPECT_EQ(fit.fitsetprefs.axsuffix, "62");
    fit.b[fitat(maxfitrows, maxdsentries)] = 1;
    EXPECT_EQ(fit.x[fitat(maxfitrows, maxdsentries)], 0);
    heap.heaptotal = 0;
}

}  // namespace
}  // namespace zt
