#include "runtime/runopen.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"
#include "support/testsupport.h"

namespace zt {
namespace {

clockreading reading(int hour, int minute, int weekday, int day, int month, int year)
{
    clockreading r;
    r.hour = hour;
    r.minute = minute;
    r.weekday = weekday;
    r.day = day;
    r.month = month;
    r.year = year;
    return r;
}

class fixedclock {
public:
    explicit fixedclock(const clockreading& r) { setfixedclock(&r); }
    ~fixedclock() { setfixedclock(nullptr); }
};

TEST(DateStamp, FormatsHourMinuteDayAndMonth)
{
    struct stampcase {
        clockreading when;
        const char* stamp;
    };
    const stampcase cases[] = {
        {reading(9, 5, 4, 9, 12, 2026), "9.05 on Wed 9 Dec,2026"},
        {reading(14, 30, 1, 1, 1, 2023), "14.30 on Sun 1 Jan,2023"},
        {reading(8, 0, 7, 31, 10, 1999), "8.00 on Sat 31 Oct,1999"},
        {reading(0, 59, 2, 29, 2, 2000), "0.59 on Mon 29 Feb,2000"},
        {reading(23, 10, 0, 5, 13, 2024), "23.10noday? 5nomonth?2024"},
    };
    for (const stampcase& c : cases) {
        fixedclock clock(c.when);
        datestamp();
        EXPECT_EQ(runopening.datetimestamp, c.stamp);
        EXPECT_EQ(runopening.starttime.hour, c.when.hour);
    }
}

class RunOpening : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        resetprefs();
        resetrunfiles();
    }
    void TearDown() override { resetchannels(); }
    testing::tempfolder folder;
};

TEST_F(RunOpening, FillsTablesOpensLogAndStamps)
{
    folder.writefile("zt-prefs.txt", "dsfile 62\nscriptfile AFM\n");
    testing::consolecapture console;
    fixedclock clock(reading(14, 30, 3, 10, 3, 2026));
    openrun("ZELTRAM 3.51");
    EXPECT_EQ(channels.outchannels, 1 << chconsole);
    EXPECT_FALSE(folder.exists("zt-log.txt"));
    openlog();

    EXPECT_EQ(runopening.macheps, std::ldexp(1.0L, -64));
    const std::pair<int, const char*> ordinals[] = {
        {1, "1st"}, {2, "2nd"}, {3, "3rd"}, {4, "4th"}, {12, "12th"}, {21, "21th"}, {22, "22th"}, {400, "400th"}};
    for (const auto& [i, word] : ordinals) EXPECT_EQ(runopening.ordinals[static_cast<size_t>(i)], word) << i;
    EXPECT_EQ(runopening.masks[0], 1);
    EXPECT_EQ(runopening.masks[30], 1 << 30);
    EXPECT_EQ(runopening.progname, "ZELTRAM 3.51");
    EXPECT_EQ(runopening.datetimestamp, "14.30 on Tue 10 Mar,2026");
    EXPECT_EQ(runfiles.curfilename, "zt-log.txt");
    EXPECT_EQ(channels.outchannels, (1 << chconsole) | (1 << chlog));

    // The banner is on the console alone; the log starts with its own heading.
    EXPECT_EQ(console.output().rfind("\nZELTRAM 3.51 ", 0), 0u);
    closeall();
    EXPECT_EQ(folder.readfile("zt-log.txt"), "[display/print with fixed width font (eg Monaco)]\n\n\n");
}

}  // namespace
}  // namespace zt
