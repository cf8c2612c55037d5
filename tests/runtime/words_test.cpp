#include "runtime/words.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/channels.h"
#include "script/settings.h"
#include "runtime/runtimefixture.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;

class WordsFatal : public QuietConsoleTest {};

TEST(String2Strings, SplitsAtEveryKindOfBlank) {
    stringlist w;
    for (int i = 1; i <= 400; ++i) w[i] = "junk";
    int16_t count = 0;
    const std::string line = std::string("\tab  ") + '\xCA' + "c";
    string2strings(line, static_cast<int16_t>(line.size()), w, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(w[1], "ab");
    EXPECT_EQ(w[2], "c");
    EXPECT_EQ(w[3], "");
    EXPECT_EQ(w[400], "");

    string2strings(" \t  ", 4, w, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(w[1], "");

    // only the first n characters count, and a word ends at position n
    string2strings("abc def", 5, w, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(w[2], "d");

    // words are cut to 22 characters without a message
    string2strings("abcdefghijklmnopqrstuvwxyz1234 x", 32, w, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(w[1], "abcdefghijklmnopqrstuv");
    EXPECT_EQ(w[2], "x");
}

TEST_F(WordsFatal, FourHundredAndFirstWordEndsTheRun) {
    std::string line;
    for (int i = 0; i < 400; ++i) line += "a ";
    stringlist w;
    int16_t count = 0;
    string2strings(line, static_cast<int16_t>(line.size()), w, count);
    EXPECT_EQ(count, 400);

    line += "z";
    consolecapture console;
    EXPECT_EQ(exitcodeof([&] { string2strings(line, static_cast<int16_t>(line.size()), w, count); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in string2strings : too many \"z\"\n"), std::string::npos);
}

TEST(Words, FindWordMatchesExactlyWithinCount) {
    stringlist list;
    list[1] = "qtz";
    list[2] = "Ab";
    list[3] = "abcdefghijklmnopqrstuv";
    list[4] = "Ab";
    int16_t index = 9;
    EXPECT_FALSE(findword("qtz", list, 0, index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(findword("Ab", list, 4, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(findword("ab", list, 4, index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(findword("abcdefghijklmnopqrstuvwxyz", list, 4, index));  // cut to 22 first
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(findword("Ab", list, 1, index));
}

TEST(Words, BlanksTrimmingAndComparing) {
    EXPECT_EQ(spaces(0), "");
    EXPECT_EQ(spaces(-3), "");
    EXPECT_EQ(spaces(250), "");
    EXPECT_EQ(spaces(249), std::string(249, ' '));
    EXPECT_EQ(spaces(1), " ");

    const std::string padded = std::string("\t x y") + '\xCA' + "  ";
    int16_t first = 0, last = 0;
    findnonblank(padded, first, last);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 5);
    findnonblank(" \t ", first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(trimblanks(padded), "x y");
    EXPECT_EQ(trimblanks("   "), "");

    EXPECT_TRUE(sametrimmed(" a b ", "a b\t"));
    EXPECT_TRUE(sametrimmed("", "  "));
    EXPECT_FALSE(sametrimmed("", "a"));
    EXPECT_FALSE(sametrimmed("ab", "a b"));
    EXPECT_FALSE(sametrimmed("A", "a"));

    EXPECT_EQ(trunc22(std::string(30, 'k')), std::string(22, 'k'));
    EXPECT_EQ(numtrunc22("12"), "12");
}

TEST(BitSets, WordSetsHoldElementsZeroToThirty) {
    wordset s = 0;
    BSet(s, 0);
    BSet(s, 3);
    BSet(s, 30);
    const wordset once = s;
    BSet(s, 3);
    EXPECT_EQ(s, once);
    EXPECT_EQ(s, 1 + 8 + (1 << 30));
    EXPECT_TRUE(BTst(s, 30));
    EXPECT_FALSE(BTst(s, 2));
    EXPECT_EQ(BAnd(9, 12), 8);
    EXPECT_EQ(BOr(9, 4), 13);
}

TEST(BitSets, Set90MapsElementsToThreeWords) {
    set90 s;
    BSet2(s, 1);
    BSet2(s, 30);
    BSet2(s, 31);
    BSet2(s, 60);
    BSet2(s, 90);
    EXPECT_EQ(s.w[1], (1u << 1) | (1u << 30));
    EXPECT_EQ(s.w[2], (1u << 1) | (1u << 30));
    EXPECT_EQ(s.w[3], 1u << 30);
    EXPECT_TRUE(BTst2(s, 31));
    EXPECT_FALSE(BTst2(s, 32));
    BClear2(s);
    EXPECT_FALSE(BTst2(s, 90));
    EXPECT_EQ(s.w[1] | s.w[2] | s.w[3], 0u);

    set90 a, b, empty;
    BSet2(a, 5);
    BSet2(a, 40);
    BSet2(b, 5);
    BSet2(b, 40);
    BSet2(b, 80);
    EXPECT_TRUE(bset2subset(a, b));
    EXPECT_FALSE(bset2subset(b, a));
    EXPECT_TRUE(bset2subset(empty, empty));
    EXPECT_TRUE(bset2subset(empty, a));
    EXPECT_FALSE(bset2subset(a, empty));
}

TEST_F(WordsFatal, OutOfRangeElementsEndTheRun) {
    const struct {
        std::function<void()> call;
        const char* routine;
    } cases[] = {
        {[] { wordset s = 0; BSet(s, 31); }, "BSet"},
        {[] { wordset s = 0; BSet(s, -1); }, "BSet"},
        {[] { set90 s; BSet2(s, 91); }, "BSet2"},
        {[] { set90 s; BTst2(s, 91); }, "BTst2"},
    };
    for (const auto& c : cases) {
        consolecapture console;
        channels.outchannels = 1;
        EXPECT_EQ(exitcodeof(c.call), 1) << c.routine;
        EXPECT_NE(console.output().find(std::string("-- run bombed in ") + c.routine + " : out of range\n"),
                  std::string::npos)
            << console.output();
    }
}

}  // namespace
}  // namespace zt
