#include "runtime/channels.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "runtime/bytes.h"
#include "runtime/textfile.h"
#include "script/settings.h"
#include "runtime/runtimefixture.h"
#include "support/linecases.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;
using testing::tempfolder;

// Console and log open, the other channel files created but attached only on request.
class Channels : public QuietConsoleTest {
protected:
    void SetUp() override {
        QuietConsoleTest::SetUp();
        open(chlog, "log.txt");
        channels.outchannels = 1 + 8;
    }

    void open(int bit, const std::string& name) {
        openforwriting(channels.files[static_cast<size_t>(bit)], name);
        channels.outchannels |= 1 << bit;
    }
    std::string logtext() {
        flushall();
        return folder.readfile("log.txt");
    }

    tempfolder folder;
    consolecapture console;
};

TEST_F(Channels, WritesLineEndsBeforeAndAfter) {
    open(chsummary, "sum.txt");
    putstr(1, "abc", 2, 9);
    EXPECT_EQ(console.output(), "\nabc\n\n");
    EXPECT_EQ(logtext(), "\nabc\n\n");
    EXPECT_EQ(folder.readfile("sum.txt"), "");

    console.clearoutput();
    putstr(-1, "x", 5, 1);
    putstr(0, "y", 0, 1);
    putstr(0, "z", 1, 1);
    EXPECT_EQ(console.output(), "\n\nx\n\nyz\n");
}

TEST_F(Channels, QuestionAndAnswerShareOneLogLine) {
    putstr(0, "suffix : ", 0, 9);
    putstr(0, "AFM", 1, 8);
    EXPECT_EQ(console.output(), "suffix : ");
    EXPECT_EQ(logtext(), "suffix : AFM\n");
}

TEST_F(Channels, ConsoleCopyIsCutAtPageWidth) {
    const std::string hundred(100, 'h');
    putstr(0, hundred, 1, 9);
    EXPECT_EQ(console.output(), std::string(78, 'h') + "#\n");
    EXPECT_EQ(logtext(), hundred + "\n");

    console.clearoutput();
    putstr(0, std::string(78, 'e'), 0, 1);
    EXPECT_EQ(console.output(), std::string(78, 'e'));

    console.clearoutput();
    channels.pagewidth = 100;
    putstr(0, hundred, 0, 1);
    EXPECT_EQ(console.output(), std::string(98, 'h') + "#");

    console.clearoutput();
    channels.dontwrap = false;
    putstr(0, hundred, 0, 1);
    EXPECT_EQ(console.output(), hundred);
}

TEST_F(Channels, TextIsCopiedUpTo255Bytes) {
    const std::string text = std::string(250, 'a') + std::string(10, '\xA1');
    putstr(0, text, 1, 8);
    EXPECT_EQ(logtext(), text.substr(0, 255) + "\n");
}

TEST_F(Channels, OnlyOpenChannelsAreWrittenAndMarkedUsed) {
    openforwriting(channels.files[chic], "ic.txt");  // created but not attached
    putstr(0, "detail", 1, 16);
    EXPECT_FALSE(channels.fileused[chic]);
    channels.outchannels |= 16;
    putstr(0, "detail", 1, 16 + 1);
    EXPECT_TRUE(channels.fileused[chic]);
    flushall();
    EXPECT_EQ(folder.readfile("ic.txt"), "detail\n");
    EXPECT_EQ(console.output(), "detail\n");
    // summary and log carry no used-flag
    putstr(0, "x", 1, 8);
    EXPECT_FALSE(channels.fileused[chlog]);
}

TEST(AddField, JustifiesInTheColumnWidth) {
    const struct {
        const char* start;
        const char* text;
        int16_t width;
        const char* result;
    } cases[] = {{"", "12", 5, "   12"},  {"", "12", -5, "12   "}, {"", "12", 1, "12"},
                 {"", "12", 0, "12"},     {"", "12", 2, "12"},     {"ab", "12", 5, "ab   12"},
                 {"ab", "12", -3, "ab12 "}, {"ab", "123456", 3, "ab123456"}};
    for (const auto& c : cases) {
        std::string line = c.start;
        addfield(c.text, c.width, line);
        EXPECT_EQ(line, c.result) << c.text << " width " << c.width;
    }
    std::string line;
    addreal(3, false, 8, 2.5L, line);
    addwhole(4, line, 2.5L);
    addreal(2, true, -6, -0.001L, line);
    EXPECT_EQ(line, "    2.50   2-0.00 ");
}

// A number's field keeps one blank from a non-blank before it whatever the number's size;
// one that fits its column, and any text field, is appended as addfield makes it.
TEST(AddNumber, ANumberThatFillsItsColumnStaysApartFromTheTextBefore) {
    testing::expectlines({
        {"addfixed fits", "ab", [](std::string& l) { addfixed(2, 9, -1234.5L, l); }, "ab -1234.50"},
        {"addfixed fills", "ab", [](std::string& l) { addfixed(2, 8, -1234.5L, l); }, "ab -1234.50"},
        {"addfixed overflows", "ab", [](std::string& l) { addfixed(2, 5, -1234.5L, l); }, "ab -1234.50"},
        {"addreal fits", "x", [](std::string& l) { addreal(2, true, 9, 1234.5L, l); }, "x  1234.50"},
        {"addreal fills", "x", [](std::string& l) { addreal(2, true, 7, 1234.5L, l); }, "x 1234.50"},
        {"addreal overflows", "x", [](std::string& l) { addreal(2, true, 3, 1234.5L, l); }, "x 1234.50"},
        {"addwhole fits", "1.5", [](std::string& l) { addwhole(4, l, -12); }, "1.5 -12"},
        {"addwhole fills", "1.5", [](std::string& l) { addwhole(3, l, -12); }, "1.5 -12"},
        {"addwhole overflows", "1.5", [](std::string& l) { addwhole(2, l, -12); }, "1.5 -12"},
        {"addnumber fits", "7", [](std::string& l) { addnumber("42", 3, l); }, "7 42"},
        {"addnumber fills", "7", [](std::string& l) { addnumber("42", 2, l); }, "7 42"},
        {"addnumber overflows", "7", [](std::string& l) { addnumber("42", 1, l); }, "7 42"},
        // left-justified: one that fits is appended as before, one that fills is kept apart
        {"left, fits", "@", [](std::string& l) { addwhole(-4, l, 123); }, "@123 "},
        {"left, fills", "@", [](std::string& l) { addwhole(-3, l, 123); }, "@ 123"},
        // nothing to touch: an empty line, a blank before, a text of blanks (too large a number)
        {"at the start", "", [](std::string& l) { addfixed(2, 8, -1234.5L, l); }, "-1234.50"},
        {"after a blank", "ab ", [](std::string& l) { addfixed(2, 8, -1234.5L, l); }, "ab -1234.50"},
        {"blank text", "x", [](std::string& l) { addreal(4, false, 10, 1e25L, l); }, "x                   "},
        // width 0 asks for the text itself, right after the line
        {"width 0", "3/", [](std::string& l) { addwhole(0, l, 4); }, "3/4"},
        {"text field", "ab", [](std::string& l) { addfield("cd", 2, l); }, "abcd"},
    });
    // a closed row stays closed
    std::string closed = std::string(3, 'r') + overflowbyte;
    addfixed(2, 4, 12.5L, closed);
    EXPECT_EQ(closed, std::string(3, 'r') + overflowbyte);
}

TEST(AddField, OverflowMarkClosesTheRow) {
    std::string line(245, 'r');
    addfield("sixsix", 0, line);
    ASSERT_EQ(line.size(), 246u);
    EXPECT_EQ(line.back(), overflowbyte);
    addfield("x", 0, line);
    addfield("", 3, line);
    EXPECT_EQ(line.size(), 246u);

    std::string full(244, 'r');
    addfield("sixsix", 0, full);
    EXPECT_EQ(full, std::string(244, 'r') + "sixsix");

    // the width does not count for the check, but the buffer holds 255 at most
    std::string wide(240, 'r');
    addfield("ab", 30, wide);
    EXPECT_EQ(wide.size(), 255u);

    // an empty row takes any field without a check
    std::string empty;
    addfield(std::string(252, 'q'), 0, empty);
    EXPECT_EQ(empty.size(), 252u);
}

TEST_F(Channels, FormatTextReflowsToSeventyEightColumns) {
    channels.msglines[1] = "a";
    channels.msglines[2] = "b";
    channels.msglines[3] = "";
    channels.msglines[4] = "never shown";
    formattext(channels.msglines);
    EXPECT_EQ(console.output(), "\na b \n");
    EXPECT_EQ(logtext(), "\na b \n");

    console.clearoutput();
    const std::string word12 = "wwwwwwwwwwww";
    std::string six;
    for (int i = 0; i < 6; ++i) six += word12 + " ";
    channels.msglines[1] = six + "  " + word12;  // runs of blanks collapse
    channels.msglines[2] = word12 + " " + word12 + std::string(30, 'z');
    channels.msglines[3] = "";
    formattext(channels.msglines);
    // six words of 12 fill 78 columns; a long word shows cut to 22
    EXPECT_EQ(console.output(), "\n" + six + "\n" + word12 + " " + word12 + " " + word12 +
                                    std::string(10, 'z') + " \n");
}

TEST_F(Channels, FormatTextRefusesMoreThan400Words) {
    std::string line;
    for (int i = 0; i < 34; ++i) line += "w ";
    for (int i = 1; i <= maxmsglines; ++i) channels.msglines[static_cast<size_t>(i)] = line;  // 408 words
    EXPECT_EQ(exitcodeof([] { formattext(channels.msglines); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in format text : too many words in lines\n"), std::string::npos);
}

TEST_F(Channels, ResetClosesFilesWithoutErasing) {
    open(chic, "ic.txt");
    putstr(0, "kept", 1, 16);
    resetchannels();
    EXPECT_EQ(channels.outchannels, 0);
    EXPECT_FALSE(channels.files[chic].isopen);
    EXPECT_FALSE(channels.fileused[chic]);
    EXPECT_EQ(folder.readfile("ic.txt"), "kept\n");
    EXPECT_EQ(channelhandlename(chcsv2), "csv2file");
    EXPECT_EQ(channelhandlename(chsvg), "svgsfile");
}

}  // namespace
}  // namespace zt
