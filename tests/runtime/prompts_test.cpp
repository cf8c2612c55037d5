#include "runtime/prompts.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/textfile.h"
#include "script/settings.h"
#include "runtime/runtimefixture.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;
using testing::tempfolder;

// Console and log open; each test feeds the console its answers.
class Prompts : public QuietConsoleTest {
protected:
    void SetUp() override {
        QuietConsoleTest::SetUp();
        openforwriting(channels.files[chlog], "log.txt");
        channels.outchannels = 1 + 8;
    }

    std::string logtext() {
        flushall();
        return folder.readfile("log.txt");
    }
    static std::string rest() {
        std::string line;
        return readconsoleline(line) ? line : "<end>";
    }

    tempfolder folder;
};

TEST_F(Prompts, PromptStringsEchoesTheAnswerToTheLog) {
    const struct {
        const char* typed;
        int16_t count;
        const char* logline;
    } cases[] = {{"a b c", 3, "p :  a b c \n"}, {"  word  ", 1, "p : word\n"}, {"", 0, "p : (nothing input)\n"}};
    for (const auto& c : cases) {
        resetchannels();
        openforwriting(channels.files[chlog], "log.txt");
        channels.outchannels = 1 + 8;
        consolecapture console(std::string(c.typed) + "\n");
        stringlist words;
        int16_t count = -1;
        promptstrings("p", words, count);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(console.output(), "p : ");
        EXPECT_EQ(logtext(), c.logline);
    }
}

TEST_F(Prompts, LinesAreCutAndBackspacesApplied) {
    consolecapture console(std::string("abc\bd  \bx\n") + std::string(250, ' ') + "abcdefghij\n\bq\n");
    stringlist words;
    int16_t count = 0;
    prstrings(words, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(words[1], "abd");
    EXPECT_EQ(words[2], "x");
    prstrings(words, count);  // only the first 255 characters of a line count
    ASSERT_EQ(count, 1);
    EXPECT_EQ(words[1], "abcde");
    prstrings(words, count);  // a backspace at the start removes nothing
    ASSERT_EQ(count, 1);
    EXPECT_EQ(words[1], "q");
}

TEST_F(Prompts, KillAnswers) {
    const struct {
        const char* typed;
        int code;
    } single[] = {{"kill", 0}, {"  kill ", 0}, {"Kill", -1}, {"kills", -1}, {"kill it", -1}};
    for (const auto& c : single) {
        channels.outchannels = 1;
        consolecapture console(std::string(c.typed) + "\n");
        stringlist words;
        int16_t count = 0;
        EXPECT_EQ(exitcodeof([&] { promptstrings("p", words, count); }), c.code) << c.typed;
    }
    const struct {
        const char* typed;
        std::function<void()> call;
    } others[] = {
        {"kill it\n", [] { real x; promptreal("t", x); }},
        {"kill 3\n", [] { int16_t n; promptinteger("n", n); }},
        {"1 kill\n", [] { listreals v; int16_t n = 2; promptreals("v", v, n); }},
        {"1 2 kill\n", [] { listreals v; int16_t n = 0; promptreals("v", v, n); }},
        {"x\nkill now\n", [] { real x; promptreal("t", x); }},
        {"kill\n", [] { query("q"); }},
        {" kill\n", [] { int32_t sw = 2; promptcontrol("q", sw); }},
        {"kill\n", [] { pausequery("all done - hit return to exit"); }},
    };
    for (const auto& c : others) {
        channels.outchannels = 1;
        consolecapture console(c.typed);
        EXPECT_EQ(exitcodeof(c.call), 0) << c.typed;
        EXPECT_NE(console.output().find("-- run killed --"), std::string::npos) << c.typed;
    }
}

TEST_F(Prompts, PromptRealAsksAgainWithTheErrorText) {
    consolecapture console("x\n\n2.5 junk\n");
    real x = 0;
    promptreal("temperature", x);
    EXPECT_EQ(x, 2.5L);
    EXPECT_EQ(console.output(), "temperature : x not a real: replace with :   : ");
    EXPECT_EQ(logtext(), "temperature : x\nx not a real: replace with : (nothing input)\n  :  2.5 junk \n");

    console.clearoutput();
    consolecapture again("1e70\n");
    promptreal("p", x);
    EXPECT_NEAR(static_cast<double>(x / 1e70L), 1.0, 1e-15);
}

TEST_F(Prompts, PromptIntegerAsksUntilAWholeNumber) {
    consolecapture console("2.5\n40000\n-7\n");
    int16_t n = 0;
    promptinteger("count", n);
    EXPECT_EQ(n, -7);
    EXPECT_EQ(console.output(),
              "count : 2.5 not an integer: replace with : 40000 too large: replace with : ");
}

TEST_F(Prompts, PromptRealsGathersAnswers) {
    {
        consolecapture console("1 2\n3 4 5\n");
        listreals v{};
        int16_t n = 4;
        promptreals("values", v, n);
        EXPECT_EQ(n, 4);
        EXPECT_EQ(v[1], 1);
        EXPECT_EQ(v[4], 4);
        EXPECT_EQ(v[5], 0);
        EXPECT_EQ(console.output(), "values :   : ");
    }
    {
        consolecapture console("1.5 -2 3/4\n0.75\n");
        listreals v{};
        int16_t n = 0;
        promptreals("values", v, n);
        EXPECT_EQ(n, 3);
        EXPECT_EQ(v[2], -2);
        EXPECT_EQ(v[3], 0.75L);  // replaced after the error text
        EXPECT_EQ(console.output(), "values : 3/4 not a real: replace with : ");
    }
    {
        consolecapture console("\nnext\n");
        listreals v{};
        int16_t n = 0;
        promptreals("values", v, n);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(rest(), "next");
    }
}

TEST_F(Prompts, PromptRealsStaysWithinItsList) {
    std::string line;
    for (int i = 0; i < 101; ++i) line += "1 ";
    consolecapture console(line + "\n" + line + "\nnext\n");
    listreals v{};
    int16_t n = 300;
    promptreals("values", v, n);
    EXPECT_EQ(n, maxlist);
    EXPECT_EQ(v[maxlist], 1);
    EXPECT_EQ(rest(), "next");
}

TEST_F(Prompts, QueryAnswers) {
    const struct {
        const char* typed;
        bool yes;
    } cases[] = {{"", true},   {"1", true},   {"yes", true},  {"y", true}, {"Y", true},    {"  y ", true},
                 {"ok", false}, {"no", false}, {"n", false},   {"YES", false}, {"?\ny", true}, {"?\n?", false}};
    for (const auto& c : cases) {
        consolecapture console(std::string(c.typed) + "\n");
        EXPECT_EQ(query("more"), c.yes) << c.typed;
        const bool asked = std::string(c.typed).rfind('?', 0) == 0;
        EXPECT_EQ(console.output(),
                  asked ? "more ? \nsorry, you are on your own...\n\nmore ? " : "more ? ")
            << c.typed;
    }
    resetchannels();
    openforwriting(channels.files[chlog], "log.txt");
    channels.outchannels = 9;
    consolecapture console("Y\nnope\n");
    query("first");
    query("second");
    EXPECT_EQ(logtext(), "first ? yes\nsecond ? no\n");
}

TEST_F(Prompts, PromptControlAnswers) {
    const struct {
        const char* typed;
        int32_t sw;
    } cases[] = {{"", 0}, {"ok", 0}, {"yes", 0}, {"y", 0}, {"1", 0}, {"Y", 1}, {"?", 1}, {"no", 1}};
    for (const auto& c : cases) {
        consolecapture console(std::string(c.typed) + "\n");
        int32_t sw = 2;
        promptcontrol("use it", sw);
        EXPECT_EQ(sw, c.sw) << c.typed;
    }
    resetchannels();
    openforwriting(channels.files[chlog], "log.txt");
    channels.outchannels = 9;
    consolecapture console("ok\nnext\n");
    int32_t sw = 2;
    promptcontrol("use it", sw);
    promptcontrol("use it", sw);  // settled: not asked again
    int32_t fixedno = 1;
    promptcontrol("other", fixedno);
    EXPECT_EQ(sw, 0);
    EXPECT_EQ(fixedno, 1);
    EXPECT_EQ(console.output(), "use it ? ");
    EXPECT_EQ(logtext(), "use it ? yes\n");
    EXPECT_EQ(rest(), "next");
}

TEST_F(Prompts, EndOfInputIsAReadFailure) {
    // re-asking prompts first take empty answers, then meet the end
    const struct {
        const char* typed;
        std::function<void()> call;
    } cases[] = {
        {"", [] { stringlist w; int16_t c; prstrings(w, c); }},
        {"\n\n", [] { real x; promptreal("t", x); }},
        {"\nx\n", [] { int16_t n; promptinteger("n", n); }},
        {"1\n\n", [] { listreals v; int16_t n = 3; promptreals("v", v, n); }},
        {"", [] { query("q"); }},
        {"?\n", [] { query("q"); }},
        {"", [] { int32_t sw = 2; promptcontrol("q", sw); }},
    };
    for (const auto& c : cases) {
        channels.outchannels = 1;
        consolecapture console(c.typed);
        EXPECT_EQ(exitcodeof(c.call), 1);
        EXPECT_NE(console.output().find("-- run bombed in read in prstrings : problems reading\n"),
                  std::string::npos)
            << console.output();
    }
}

TEST_F(Prompts, PauseQueryContinuesAtEndOfInput) {
    consolecapture console("");
    EXPECT_EQ(exitcodeof([] { pausequery("all done - hit return to exit"); }), -1);
    EXPECT_EQ(console.output(), "all done - hit return to exit ? ");
}

TEST_F(Prompts, ReadWordsDropsComments) {
    folder.writefile("in.txt", "with g bi % comment here\r\na%b c %x\n");
    textfile f;
    ASSERT_TRUE(openforreadingunnoted(f, "in.txt"));
    stringlist words;
    int16_t count = 0;
    readwords(f, words, count, true);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(words[3], "bi");
    EXPECT_EQ(words[4], "");
    readwords(f, words, count, false);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(words[1], "a%b");
    EXPECT_EQ(words[3], "%x");
    rewindfile(f);
    readwords(f, words, count, false);
    EXPECT_EQ(count, 6);
    closetextfile(f);
}

// A line of a file is read whole: a word past the 255th character still counts (the
// console keeps its cut, above).
TEST_F(Prompts, LinesOfAFileAreReadWhole) {
    folder.writefile("in.txt", "with g" + std::string(250, ' ') + "bi 1.25 % comment\n");
    textfile f;
    ASSERT_TRUE(openforreadingunnoted(f, "in.txt"));
    stringlist words;
    int16_t count = 0;
    readwords(f, words, count, true);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(words[4], "1.25");
    closetextfile(f);
}

TEST_F(Prompts, ReadingPastTheEndOfAFileEndsTheRun) {
    folder.writefile("in.txt", "one\n");
    textfile f;
    ASSERT_TRUE(openforreadingunnoted(f, "in.txt"));
    stringlist words;
    int16_t count = 0;
    rstrings(f, words, count);
    consolecapture console;
    EXPECT_EQ(exitcodeof([&] { rstrings(f, words, count); }), 1);
    EXPECT_EQ(console.output().rfind("\"\"\n\n-- run bombed in read in rstrings : problems reading\n", 0), 0u);
    closetextfile(f);
}

}  // namespace
}  // namespace zt
