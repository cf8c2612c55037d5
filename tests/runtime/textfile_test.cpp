#include "runtime/textfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
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
    EXPECT_EQ(exitcodeof([&] { openforwriting(f, "no-such-folder/out.txt"); }), platformfailurestatus);
    std::filesystem::create_directory("out.txt");
    EXPECT_EQ(exitcodeof([&] { openforwriting(f, "out.txt"); }), platformfailurestatus);
    EXPECT_TRUE(std::filesystem::is_directory("out.txt"));
}

// An output is a file of its own name alone: a name that is a link to another file, or one
// of several names of a file, is replaced by a new file, so that a file the run reads only
// later is never written through it. A plain earlier file is written over in place.
TEST(TextFile, OutputsAreNeverWrittenThroughAnotherName) {
    tempfolder folder;
    folder.writefile("input.txt", "the user's data\n");
    folder.writefile("earlier.txt", "an earlier run's output\n");
    std::filesystem::create_symlink("input.txt", "soft.txt");
    std::filesystem::create_hard_link("input.txt", "hard.txt");
    std::filesystem::create_symlink("no-such-folder/x.txt", "dangling.txt");
    const auto inode = [](const char* name) {
        struct stat st {};
        return ::stat(name, &st) == 0 ? st.st_ino : 0;
    };
    const auto earlier = inode("earlier.txt");
    for (const char* name : {"soft.txt", "hard.txt", "dangling.txt", "earlier.txt"}) {
        textfile f;
        openforwriting(f, name);
        writefiletext(f, std::string("written as ") + name + "\n");
        EXPECT_TRUE(closetextfile(f)) << name;
        EXPECT_EQ(folder.readfile(name), std::string("written as ") + name + "\n");
        EXPECT_FALSE(std::filesystem::is_symlink(name)) << name;
    }
    EXPECT_EQ(folder.readfile("input.txt"), "the user's data\n");
    EXPECT_EQ(std::filesystem::hard_link_count("input.txt"), 1u);
    EXPECT_FALSE(samefile("hard.txt", "input.txt"));
    EXPECT_EQ(inode("earlier.txt"), earlier);
}

// A write that fails on the way to the disk (here a device that is always full) ends the
// program when the text is flushed, and shows at the closing when it is not.
TEST(TextFile, WritesThatFailAreReportedWithTheirCause) {
    textfile f;
    openforwriting(f, "/dev/full");
    writefiletext(f, "text\n");
    EXPECT_EQ(exitcodeof([&] { flushfile(f); }), platformfailurestatus);
    writefiletext(f, "more text\n");
    EXPECT_FALSE(closetextfile(f));
    EXPECT_EQ(f.error, ENOSPC);
}

}  // namespace
}  // namespace zt
