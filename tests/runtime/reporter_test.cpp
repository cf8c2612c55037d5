#include "runtime/reporter.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/textfile.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;
using testing::tempfolder;

const std::string block0 = "\n-- run bombed in promptdatafile : datafile needed\n\n";

class Reporter : public ::testing::Test {
protected:
    void SetUp() override {
        resetchannels();
        settings = runsettings{};
        channels.outchannels = 1;
        open(chlog, "log.txt");
    }
    void TearDown() override { resetchannels(); }

    void open(int bit, const std::string& name) {
        openforwriting(channels.files[static_cast<size_t>(bit)], name);
        channels.outchannels |= 1 << bit;
    }

    tempfolder folder;
};

TEST_F(Reporter, InputErrorBlockThenPauseAndStatusOne) {
    consolecapture console("first\nsecond\n");
    EXPECT_EQ(exitcodeof([] { bombout("promptdatafile", "datafile needed", 0); }), 1);
    // block, the line end of closeall, then the pause
    EXPECT_EQ(console.output(), block0 + "\n" + "\nhit return to exit program\n");
    EXPECT_EQ(folder.readfile("log.txt"), block0);
    EXPECT_EQ(channels.outchannels, 0);
    std::string next;
    ASSERT_TRUE(readconsoleline(next));  // the pause read exactly one line
    EXPECT_EQ(next, "second");
}

TEST_F(Reporter, InternalErrorAddsTheNotice) {
    open(chsummary, "sum.txt");
    consolecapture console("\n");
    EXPECT_EQ(exitcodeof([] { bombout("nle", "bad state", 1); }), 1);
    const std::string log = folder.readfile("log.txt");
    const std::string head = "\n-- run bombed in nle : bad state\n\n\n===This shouldn't have happened...===\n";
    const std::string tail = "\nwith full details, relevant files etc etc\n\n";
    ASSERT_EQ(log.substr(0, head.size()), head);
    ASSERT_GT(log.size(), head.size() + tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    const std::string notify = log.substr(head.size(), log.size() - head.size() - tail.size());
    EXPECT_FALSE(notify.empty());
    EXPECT_EQ(notify.find('\n'), std::string::npos);
    for (const char* contact : {"@", "http", "www", ".com", ".org"}) EXPECT_EQ(notify.find(contact), std::string::npos);
    EXPECT_EQ(folder.readfile("sum.txt"), log);
    EXPECT_EQ(console.output().substr(0, log.size()), log);
}

TEST_F(Reporter, AutoexitEndsWithoutPause) {
    settings.autoexit = true;
    consolecapture console("untouched\n");
    EXPECT_EQ(exitcodeof([] { bombout("r", "m", 0); }), 1);
    EXPECT_EQ(console.output().find("hit return"), std::string::npos);
    std::string next;
    ASSERT_TRUE(readconsoleline(next));
    EXPECT_EQ(next, "untouched");
}

TEST_F(Reporter, EndOfInputAtThePauseJustEnds) {
    consolecapture console("");
    EXPECT_EQ(exitcodeof([] { bombout("r", "m", 0); }), 1);
    EXPECT_NE(console.output().find("hit return to exit program\n"), std::string::npos);
}

TEST_F(Reporter, ReportGoesStraightToTheChannels) {
    // no console cut and no used-flag: a details file that only got the report is erased
    open(chic, "ic.txt");
    open(chit, "it.txt");
    consolecapture console;
    settings.autoexit = true;
    const std::string message(100, 'm');
    EXPECT_EQ(exitcodeof([&] { bombout("r", message, 0); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in r : " + message + "\n"), std::string::npos);
    EXPECT_FALSE(folder.exists("ic.txt"));
    EXPECT_FALSE(folder.exists("it.txt"));
    EXPECT_TRUE(folder.exists("log.txt"));
}

TEST_F(Reporter, UsedDetailsFileKeepsTheReport) {
    open(chic, "ic.txt");
    consolecapture console;
    settings.autoexit = true;
    putstr(0, "result", 1, 16);
    EXPECT_EQ(exitcodeof([] { bombout("r", "m", 0); }), 1);
    EXPECT_EQ(folder.readfile("ic.txt"), "result\n\n-- run bombed in r : m\n\n");
}

TEST_F(Reporter, KillEndsWithStatusZeroAndNoPause) {
    open(chsummary, "sum.txt");
    open(chic, "ic.txt");
    consolecapture console("untouched\n");
    putstr(0, "detail", 1, 16);
    EXPECT_EQ(exitcodeof([] { killrun(); }), 0);
    EXPECT_EQ(console.output(), "\n-- run killed --\n\n");
    EXPECT_EQ(folder.readfile("log.txt"), "\n-- run killed --\n");
    EXPECT_EQ(folder.readfile("sum.txt"), "\n-- run killed --\n");
    EXPECT_EQ(folder.readfile("ic.txt"), "detail\n");
    std::string next;
    ASSERT_TRUE(readconsoleline(next));
    EXPECT_EQ(next, "untouched");
}

TEST(IsKill, OnlyTheTrimmedWordKill) {
    const struct {
        const char* answer;
        bool kill;
    } cases[] = {{"kill", true},    {"  kill\t", true}, {"\xCAkill", true}, {"Kill", false},
                 {"kills", false},  {"kil", false},     {"kill it", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(iskill(c.answer), c.kill) << '"' << c.answer << '"';
}

}  // namespace
}  // namespace zt
