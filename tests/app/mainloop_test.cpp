#include "app/mainloop.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <vector>

#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt {
namespace {

class CalcModeMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        resetprefs();
        resetrunfiles();
        settings = runsettings{};
        settings.autoexit = true;
        channels.outchannels = 1 << chconsole;
    }
    void TearDown() override { resetchannels(); }
};

const char* const menu =
    "calculation mode (calcmode) :\n"
    "     0 = utilities: data tables, mineral recalc etc\n"
    "     1 = phase diagram calculations (and avPT+)\n"
    "     2 = average pressure-temperature calculations\n"
    "     3 = calculations on all reactions between end-members\n"
    "calcmode code : ";

TEST_F(CalcModeMenu, PreferencesCodeIsTakenSilently)
{
    for (int16_t code : {0, 1, 2, 3, 9}) {
        prefs.prefscalcmode = code;
        testing::consolecapture console;
        EXPECT_EQ(getcalcmode(), code);
        EXPECT_EQ(console.output(), "");
    }
}

TEST_F(CalcModeMenu, OtherCodesShowTheMenu)
{
    struct menucase {
        int16_t prefscode;
        const char* answer;
        int result;  // the code, or -1 for a refused answer
        const char* after;
    };
    const menucase cases[] = {
        {-1, "2\n", 2, "\nthis code can appear in the prefsfile (zt-prefs.txt) as\ncalcmode 2\n\n"},
        {7, " 0 extra\n", 0, "\nthis code can appear in the prefsfile (zt-prefs.txt) as\ncalcmode 0\n\n"},
        {-1, "x\n", -1, "\n-- run bombed in getcalcmode : integer needed (1), between 0 and 3\n\n"},
        {-1, "\n", -1, "\n-- run bombed in getcalcmode : integer needed (1), between 0 and 3\n\n"},
        {-1, "1.5\n", -1, "\n-- run bombed in getcalcmode : integer needed (1), between 0 and 3\n\n"},
        {-1, "9\n", -1, "\n-- run bombed in getcalcmode : integer needed (2), between 0 and 3\n\n"},
        {-1, "-1\n", -1, "\n-- run bombed in getcalcmode : integer needed (2), between 0 and 3\n\n"},
        {-1, "99999\n", -1, "\n-- run bombed in getcalcmode : integer needed (2), between 0 and 3\n\n"},
    };
    for (const menucase& c : cases) {
        SetUp();
        prefs.prefscalcmode = c.prefscode;
        testing::consolecapture console(c.answer);
        int16_t code = -1;
        const int exitcode = testing::exitcodeof([&] { code = getcalcmode(); });
        EXPECT_EQ(exitcode, c.result < 0 ? 1 : -1) << c.answer;
        if (c.result >= 0) {
            EXPECT_EQ(code, c.result) << c.answer;
        }
        EXPECT_EQ(console.output().rfind(std::string(menu) + c.after, 0), 0u) << console.output();
    }
}

TEST_F(CalcModeMenu, InputFilesThatTheRunWouldWriteAreRefused)
{
    struct namecase {
        const char* scriptsuffix;
        const char* dssuffix;
        int16_t calcmode;
        const char* script;
        const char* refused;  // the message's file and name, or "" when the run goes on
    };
    const namecase cases[] = {
        {"AFM", "62", 1, "axfile ax62\n", ""},
        // the name as the script reader takes it: continued lines, blanks, comments
        {"AFM", "62", 1, "axfile \\\n     AFM-it  % on a continuation line\n", "a-x info file \"zt-AFM-it.txt\""},
        {"AFM", "62", 3, "with g \\\n bi\naxfile \\\n\\\nAFM-o\n", ""},  // a lone "\\" ends the line
        {"AFM", "62", 2, "axfile\t\\\t% joined\n\tAFM-ql\t% the next\n", "a-x info file \"zt-AFM-ql.txt\""},
        {"AFM", "62", 1, "axfile no \\\n AFM-o\n", ""},
        {"log", "62", 1, "axfile ax62\n", "script info file \"zt-log.txt\""},
        {"ds1", "1-o", 1, "axfile ax62\n", "thermo dataset file \"zt-ds1-o.txt\""},
        {"AFM", "62", 1, "axfile log % the log\n", "a-x info file \"zt-log.txt\""},
        {"AFM", "62", 1, "with g\naxfile AFM-it\n", "a-x info file \"zt-AFM-it.txt\""},
        // the file name is cut to 22 characters after "zt-"
        {"abcdefghijklmnop", "62", 1, "axfile abcdefghijklmnop-o\n", "a-x info file \"zt-abcdefghijklmnop-o.txt\""},
        // as the script reader takes it: the last line before the end mark; "no" clears
        {"AFM", "62", 1, "axfile AFM-o\naxfile ax62\n*\naxfile log\n", ""},
        {"AFM", "62", 1, "axfile log\naxfile no\n", ""},
        // the refinement writes no zt- side files, but its log all the same
        {"AFM", "62", 9, "axfile AFM-o\n", ""},
        {"log", "62", 9, "", "script info file \"zt-log.txt\""},
    };
    for (const namecase& c : cases) {
        SetUp();
        testing::tempfolder folder;
        folder.writefile(std::string("zt-") + c.scriptsuffix + ".txt", c.script);
        prefs.scriptsuffix = c.scriptsuffix;
        prefs.dssuffix = c.dssuffix;
        prefs.prefscalcmode = c.calcmode;
        testing::consolecapture console;
        const int exitcode = testing::exitcodeof([&] { refuseinputsasoutputs(c.scriptsuffix); });
        if (*c.refused == 0) {
            EXPECT_EQ(exitcode, -1) << console.output();
            continue;
        }
        EXPECT_EQ(exitcode, 1) << c.refused;
        EXPECT_NE(console.output().find(std::string("-- run bombed in startout : the ") + c.refused +
                                        " is one of the files this run writes: use another suffix\n"),
                  std::string::npos)
            << console.output();
    }
}

TEST_F(CalcModeMenu, AnEscapingExceptionBecomesTheFatalReport)
{
    struct escapecase {
        std::function<void()> part;
        int exitcode;
        const char* report;  // "" when nothing is reported
        bool programfault;   // the report asks the user to report it
    };
    const escapecase cases[] = {
        {[] { std::vector<int>(static_cast<size_t>(-1)); }, 1, "-- run bombed in main : unexpected failure: ", true},
        // the machine's condition, not the program's fault
        {[] { throw std::bad_alloc(); }, 1, "-- run bombed in main : not enough memory for this run\n", false},
        {[] { throw 3; }, 1, "-- run bombed in main : unexpected failure\n", true},
        {[] { throw RunEnded{0}; }, 0, "", false},  // "kill" and the reporter pass through as they are
        {[] {}, -1, "", false},
    };
    for (const escapecase& c : cases) {
        SetUp();
        testing::consolecapture console;
        EXPECT_EQ(testing::exitcodeof([&] { reportescapes(c.part); }), c.exitcode) << console.output();
        if (*c.report == 0) {
            EXPECT_EQ(console.output(), "");
            continue;
        }
        EXPECT_NE(console.output().find(c.report), std::string::npos) << console.output();
        EXPECT_EQ(console.output().find("please report this to the maintainers") != std::string::npos, c.programfault)
            << console.output();
    }
}

TEST(ReportElapsed, MillisecondsBelowFiveSecondsElseWholeSeconds)
{
    struct elapsedcase {
        int64_t span;
        const char* line;
    };
    const elapsedcase cases[] = {
        {0, "elapsed = 0 msecs, n = 42\n"},
        {4999, "elapsed = 4999 msecs, n = 42\n"},
        {5000, "elapsed = 5 secs, n = 42\n"},
        {7999, "elapsed = 7 secs, n = 42\n"},
        {3600000, "elapsed = 3600 secs, n = 42\n"},
    };
    resetrunstate();
    run.gemcount = 42;
    for (const elapsedcase& c : cases) {
        clockreading now;
        now.msecs = 1000000 + c.span;
        runopening.starttime.msecs = 1000000;
        setfixedclock(&now);
        testing::consolecapture console;
        reportelapsed();
        setfixedclock(nullptr);
        EXPECT_EQ(console.output(), c.line);
    }
}

}  // namespace
}  // namespace zt
