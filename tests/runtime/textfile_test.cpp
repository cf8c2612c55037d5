#include "runtime/textfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/testsupport.h"

namespace zt {
namespace {

using testing::exitcodeof;
using testing::tempfolder;

TEST(TextFile, ReadsLinesWithoutTheirEnds) {
    tempfolder folder;
    folder.writefile("a.txt", "one\r\n\ntwo");
    textfile f;
    EXPECT_FALSE(openforreadingunnoted(f, "missing.txt"));
    ASSERT_TRUE(openforreadingunnoted(f, "a.txt"));
    std::string line;
    const char* expected[] = {"one", "", "two"};
    for (const char* e : expected) {
        EXPECT_FALSE(atendoffile(f));
        ASSERT_TRUE(readfileline(f, line));
        EXPECT_EQ(line, e);
    }
    EXPECT_TRUE(atendoffile(f));
    EXPECT_FALSE(readfileline(f, line));
    rewindfile(f);
    ASSERT_TRUE(readfileline(f, line));
    EXPECT_EQ(line, "one");
    EXPECT_TRUE(closetextfile(f));
    EXPECT_FALSE(f.isopen);
}

// Editors and generators often leave the last line without its end: every way of
// reading it, and the closing after it, must go as with the end there.
TEST(TextFile, LastLineWithoutItsEndReadsAsWithIt) {
    tempfolder folder;
    const char* contents[] = {"a b\n*", "a b\n*\n", "a b\r\n*", "a b\r\n*\r\n"};
    for (const char* c : contents) {
        folder.writefile("f.txt", c);
        textfile f;
        ASSERT_TRUE(openforreadingunnoted(f, "f.txt"));
        std::string line;
        ASSERT_TRUE(readfileline(f, line));
        EXPECT_EQ(line, "a b");
        EXPECT_FALSE(atendoffile(f));
        ASSERT_TRUE(readfileline(f, line));
        EXPECT_EQ(line, "*");
        EXPECT_TRUE(atendoffile(f)) << c;
        EXPECT_TRUE(atendoffile(f)) << c;
        EXPECT_FALSE(readfileline(f, line));
        EXPECT_TRUE(closetextfile(f)) << c;
    }
}

TEST(TextFile, WritesRawBytesAndErases) {
    tempfolder folder;
    textfile f;
    openforwriting(f, "out.txt");
    writefiletext(f, std::string("deg\xA1\n"));
    EXPECT_TRUE(closetextfile(f));
    EXPECT_EQ(folder.readfile("out.txt"), "deg\xA1\n");
    EXPECT_TRUE(fileexists("out.txt"));
    EXPECT_TRUE(erasefilenamed("out.txt"));
    EXPECT_FALSE(fileexists("out.txt"));
    EXPECT_FALSE(erasefilenamed("out.txt"));
}

TEST(TextFile, SameFileUnderAnyOfItsNames) {
    tempfolder folder;
    folder.writefile("a.txt", "x\n");
    folder.writefile("b.txt", "x\n");
    std::filesystem::create_symlink("a.txt", "soft.txt");
    std::filesystem::create_hard_link("a.txt", "hard.txt");
    EXPECT_TRUE(samefile("a.txt", "a.txt"));
    EXPECT_TRUE(samefile("a.txt", "./a.txt"));
    EXPECT_TRUE(samefile("soft.txt", "a.txt"));
    EXPECT_TRUE(samefile("a.txt", "hard.txt"));
    EXPECT_FALSE(samefile("a.txt", "b.txt"));  // the same contents, another file
    EXPECT_FALSE(samefile("a.txt", "missing.txt"));
    EXPECT_FALSE(samefile("missing.txt", "missing.txt"));
}

TEST(TextFile, FileThatCannotBeCreatedEndsTheProgram) {
    tempfolder folder;
    textfile f;
    const int code = exitcodeof([&] { openforwriting(f, "no-such-folder/out.txt"); });
    EXPECT_GT(code, 0);
}

}  // namespace
}  // namespace zt
