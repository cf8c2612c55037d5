#include "runtime/runfiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <utility>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/reporter.h"
#include "runtime/prefs.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt {
namespace {

// The start of a calculation run: its script, then its side files.
void startcalcrun()
{
    openscriptfile();
    opensidefiles();
}

class RunFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        resetprefs();
        resetrunfiles();
        resetrunstate();
        settings = runsettings{};
        settings.autoexit = true;
        run.calcmode = 1;
        runopening.progname = "ZELTRAM 3.51";
        runopening.datetimestamp = "9.05 on Wed 9 Dec,2026";
        channels.outchannels = 1 << chconsole;
    }
    void TearDown() override
    {
        resetchannels();
        resetrunfiles();
    }
    testing::tempfolder folder;
};

TEST_F(RunFiles, CloseallKeepsSummaryLogAndUsedSideFilesOnly)
{
    testing::consolecapture console;
    for (int bit = chsummary; bit <= chsvg; ++bit) {
        if (bit == chps) continue;
        std::string name;
        openoutfile("zt-", "x" + std::to_string(bit) + ".txt", channels.files[static_cast<size_t>(bit)], name);
        channels.outchannels |= 1 << bit;
    }
    putstr(0, "drawing", 1, 1 << chql);
    putstr(0, "second csv", 1, 1 << chcsv2);
    closeall();

    EXPECT_EQ(channels.outchannels, 0);
    EXPECT_TRUE(folder.exists("zt-x2.txt"));  // summary, empty but kept
    EXPECT_TRUE(folder.exists("zt-x3.txt"));  // log
    EXPECT_EQ(folder.readfile("zt-x6.txt"), "drawing\n");
    EXPECT_EQ(folder.readfile("zt-x8.txt"), "second csv\n");
    for (const char* gone : {"zt-x4.txt", "zt-x5.txt", "zt-x7.txt", "zt-x10.txt"}) EXPECT_FALSE(folder.exists(gone)) << gone;
    EXPECT_EQ(console.output(), "\n");
}

TEST_F(RunFiles, OpenoutfileCutsTheSuffixTo22)
{
    std::string name;
    textfile f;
    openoutfile("zt-", "abcdefghijklmnopqrstuvwxyz", f, name);
    EXPECT_EQ(name, "zt-abcdefghijklmnopqrstuv");
    closetextfile(f);
    EXPECT_TRUE(folder.exists(name));
}

TEST_F(RunFiles, StartcalcfilesAsksForTheSuffixAndOpensTheFilesInOrder)
{
    folder.writefile("zt-AFM.txt", "axfile x\n");
    testing::consolecapture console("AFM\n");
    startcalcrun();
    EXPECT_EQ(runfiles.datafilenamesuffix, "AFM");
    EXPECT_EQ(runfiles.scriptfilename, "zt-AFM.txt");
    EXPECT_EQ(runfiles.curfilename, "zt-AFM-o.txt");
    EXPECT_EQ(console.output(),
              "suffix to name for script info datafile : "
              "summary output in the file, \"zt-AFM-o.txt\"\n"
              "other (eg quillet) output in the file, \"zt-AFM-ql.txt\"\n"
              "a-x info in the file, \"zt-AFM-it.txt\"\n"
              "details of calc results in the file, \"zt-AFM-ic.txt\"\n"
              "info in csv format in the files, \"zt-AFM.csv\" and \"zt-AFM-2.csv\"\n"
              "graphics info in the files, \"zt-AFM.svg\"\n\n"
              "these may not all be populated, depending on the calcs;\n"
              "zeltram should delete empty files at the end of each run\n");
    closeall();
    EXPECT_TRUE(folder.exists("zt-AFM-o.txt"));
    EXPECT_FALSE(folder.exists("zt-AFM.svg"));
}

TEST_F(RunFiles, StartcalcfilesRefusesSuffixesWhoseOutputNamesWouldClash)
{
    const std::string nineteen = "abcdefghijklmnopqrs";
    folder.writefile("zt-" + nineteen + ".txt", "");
    prefs.scriptsuffix = nineteen;
    {
        testing::consolecapture console;
        EXPECT_EQ(testing::exitcodeof(startcalcrun), -1);
    }
    // The cut leaves seven distinct names.
    for (const char* end : {"-o.", "-ql", "-it", "-ic", ".cs", "-2.", ".sv"})
        EXPECT_TRUE(folder.exists("zt-" + nineteen + end)) << end;
    closeall();

    SetUp();
    const std::string twenty = nineteen + "t";
    folder.writefile("zt-" + twenty + ".txt", "");
    prefs.scriptsuffix = twenty;
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof(startcalcrun), 1);
    EXPECT_NE(console.output().find("-- run bombed in startout : "), std::string::npos);
    EXPECT_NE(console.output().find("at most 19 characters"), std::string::npos);
    EXPECT_FALSE(folder.exists("zt-" + twenty + "-o"));
    EXPECT_FALSE(folder.exists("zt-" + twenty + "-i"));
}

TEST_F(RunFiles, MissingInputFileIsReported)
{
    struct missingcase {
        std::string suffix;
        std::string input;
        std::string message;
    };
    const missingcase cases[] = {
        {"KFMASH", "", "cannot locate file \"zt-KFMASH.txt\"\n"},
        {"", "\n", "-- run bombed in promptdatafile : expecting a suffix for data filename"},
    };
    for (const missingcase& c : cases) {
        SetUp();
        prefs.scriptsuffix = c.suffix;
        testing::consolecapture console(c.input);
        EXPECT_EQ(testing::exitcodeof(startcalcrun), 1);
        EXPECT_NE(console.output().find(c.message), std::string::npos) << console.output();
        EXPECT_FALSE(folder.exists("zt-" + c.suffix + "-o.txt"));
    }
}

TEST_F(RunFiles, ATypedSuffixNamingAnOpenOutputIsRefusedBeforeItIsRead)
{
    std::string name;
    openoutfile("zt-log", ".txt", channels.files[chlog], name);
    channels.outchannels |= 1 << chlog;
    putstr(0, "the run's own log", 1, 1 << chlog);
    testing::consolecapture console("log\n");
    EXPECT_EQ(testing::exitcodeof(openscriptfile), 1);
    EXPECT_NE(console.output().find("-- run bombed in promptdatafile : the script info file \"zt-log.txt\" is one of "
                                    "the files this run writes: use another suffix"),
              std::string::npos)
        << console.output();
    EXPECT_FALSE(runfiles.datafile.isopen);
}

TEST_F(RunFiles, HeldOutputsReachTheDiskOnlyWhenReleasedOrClosed)
{
    testing::consolecapture console;
    holdoutputs();
    std::string name;
    openoutfile("zt-log", ".txt", channels.files[chlog], name);
    channels.outchannels |= 1 << chlog;
    putstr(0, "first line", 1, 1 << chlog);
    EXPECT_FALSE(folder.exists("zt-log.txt"));
    releaseoutputs();
    putstr(0, "second line", 1, 1 << chlog);
    closeall();
    EXPECT_EQ(folder.readfile("zt-log.txt"), "first line\nsecond line\n");

    // a run that ends while its log is held still leaves the log
    SetUp();
    holdoutputs();
    openoutfile("zt-log", ".txt", channels.files[chlog], name);
    channels.outchannels |= 1 << chlog;
    putstr(0, "only line", 1, 1 << chlog);
    closeall();
    EXPECT_EQ(folder.readfile("zt-log.txt"), "only line\n");
}

// The log is held until the script is named; a script that the log reaches under
// another name is refused, and neither file is written.
TEST_F(RunFiles, AnInputReachedByAHeldOutputIsRefusedAndNothingIsWritten)
{
    for (const char* kind : {"symbolic", "hard"}) {
        SetUp();
        testing::tempfolder here;
        here.writefile("zt-AFM.txt", "axfile ex\n");
        if (std::string(kind) == "symbolic") std::filesystem::create_symlink("zt-AFM.txt", "zt-log.txt");
        else std::filesystem::create_hard_link("zt-AFM.txt", "zt-log.txt");
        holdoutputs();
        std::string name;
        openoutfile("zt-log", ".txt", channels.files[chlog], name);
        channels.outchannels |= 1 << chlog;
        putstr(0, "the log's first line", 1, 1 << chlog);
        testing::consolecapture console("AFM\n");
        EXPECT_EQ(testing::exitcodeof(openscriptfile), 1) << kind;
        EXPECT_NE(console.output().find("-- run bombed in promptdatafile : the script info file \"zt-AFM.txt\" is one "
                                        "of the files this run writes, through its other name \"zt-log.txt\": remove "
                                        "that name or use another suffix"),
                  std::string::npos)
            << console.output();
        EXPECT_EQ(here.readfile("zt-AFM.txt"), "axfile ex\n") << kind;
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status("zt-log.txt"))) << kind;
    }
}

TEST_F(RunFiles, AnOutputOpenedLaterIsCheckedAgainstEveryInputNotedBefore)
{
    folder.writefile("ds-em62.txt", "the user's end-members\n");
    std::filesystem::create_symlink("ds-em62.txt", "ds-em62-i.txt");
    noteinput("readxy", "ds-em62.txt", "thermo");
    textfile f;
    std::string name;
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof([&] { openoutfile("ds-em", "62-i.txt", f, name); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in openoutfile : the thermo file \"ds-em62.txt\" is one of the files "
                                    "this run writes, through its other name \"ds-em62-i.txt\""),
              std::string::npos)
        << console.output();
    EXPECT_EQ(folder.readfile("ds-em62.txt"), "the user's end-members\n");
}

// Whatever reads a file opens it through the one routine that notes it, so an output
// named like it, or another name of it, is refused; an empty name names no file.
TEST_F(RunFiles, EveryFileOpenedForReadingIsNotedAsAnInput)
{
    folder.writefile("ds-prefs.txt", "ztdssuffix 62\n");
    std::filesystem::create_symlink("ds-prefs.txt", "zt-AFM.csv");
    textfile f;
    EXPECT_TRUE(openforreading(f, "ds-prefs.txt", "prefs info", "readprefs"));
    closetextfile(f);
    EXPECT_FALSE(openforreading(f, "", "thermo dataset", "startout"));
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof([] { refuseclashes("startout", runoutputnames("AFM")); }), 1);
    EXPECT_NE(console.output().find("-- run bombed in startout : the prefs info file \"ds-prefs.txt\" is one of the "
                                    "files this run writes, through its other name \"zt-AFM.csv\""),
              std::string::npos)
        << console.output();
    EXPECT_EQ(runfiles.inputs.size(), 1u);
    EXPECT_EQ(folder.readfile("ds-prefs.txt"), "ztdssuffix 62\n");
}

// A file that cannot be created ends the run with the platform's status; the side files
// opened before it, still empty, are erased as at a normal end, and the name that could
// not be created is left as the user made it.
TEST_F(RunFiles, AFileThatCannotBeCreatedLeavesNoEmptySideFiles)
{
    testing::consolecapture console;
    std::filesystem::create_directory("zt-t-ic.txt");
    runfiles.datafilenamesuffix = "t";
    EXPECT_EQ(testing::exitcodeof(opensidefiles), platformfailurestatus);
    abandonfiles();
    EXPECT_EQ(channels.outchannels, 0);
    EXPECT_TRUE(folder.exists("zt-t-o.txt"));  // the summary is always kept
    for (const char* gone : {"zt-t-ql.txt", "zt-t-it.txt"}) EXPECT_FALSE(folder.exists(gone)) << gone;
    EXPECT_TRUE(std::filesystem::is_directory("zt-t-ic.txt"));

    // when the first held output fails on release, the held log still gets this run's text
    SetUp();
    holdoutputs();
    std::string name;
    const std::pair<int, const char*> held[] = {{chsummary, "ds-o62.txt"}, {chlog, "zt-log.txt"}, {chic, "ds-ic62.txt"}};
    for (const auto& [bit, file] : held) {
        openoutfile(file, "", channels.files[static_cast<size_t>(bit)], name);
        channels.outchannels |= 1 << bit;
    }
    putstr(0, "this run's first line", 1, 1 << chlog);
    std::filesystem::create_directory("ds-o62.txt");
    EXPECT_EQ(testing::exitcodeof(releaseoutputs), platformfailurestatus);
    abandonfiles();
    EXPECT_EQ(folder.readfile("zt-log.txt"), "this run's first line\n");
    EXPECT_FALSE(folder.exists("ds-ic62.txt"));
    EXPECT_TRUE(std::filesystem::is_directory("ds-o62.txt"));
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

// A console that ends the run by a signal as soon as the fatal report reaches it.
class signalatreport : public std::stringbuf {
protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        if (std::string(s, static_cast<size_t>(n)).find("run bombed") != std::string::npos) std::raise(SIGTERM);
        return std::stringbuf::xsputn(s, n);
    }
};

void holdlog(const std::string& text)
{
    holdoutputs();
    std::string name;
    openoutfile("zt-log", ".txt", channels.files[chlog], name);
    channels.outchannels |= 1 << chlog;
    putstr(0, text, 1, 1 << chlog);
}

// A signal removes only the names the run holds for itself: not the input it is refusing
// to write over while it reports the refusal, and not a log already released.
TEST_F(RunFiles, ASignalRemovesOnlyWhatTheRunHoldsForItself)
{
    folder.writefile("zt-log.txt", "the user's script\n");
    EXPECT_EXIT(
        {
            holdlog("the log's first line");
            std::istringstream answers("log\n");
            signalatreport console;
            std::ostream out(&console);
            setconsolestreams(&answers, &out);
            openscriptfile();
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(folder.readfile("zt-log.txt"), "the user's script\n");

    folder.writefile("zt-log.txt", "the log of an earlier run\n");
    EXPECT_EXIT(
        {
            testing::consolecapture console;
            holdlog("this run's first line");
            releaseoutputs();
            std::raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(folder.readfile("zt-log.txt"), "this run's first line\n");

    // still held: the earlier log goes rather than pass for this run's
    EXPECT_EXIT(
        {
            testing::consolecapture console;
            holdlog("this run's first line");
            std::raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_FALSE(folder.exists("zt-log.txt"));
}

// An end before the log is opened leaves no earlier run's log, but never removes an input
// that has the log's name, nor another name of one.
TEST_F(RunFiles, AnEndBeforeTheLogOpensLeavesNoEarlierLog)
{
    testing::consolecapture console;
    folder.writefile("zt-log.txt", "the log of an earlier run\n");
    expectlog();
    EXPECT_EQ(testing::exitcodeof([] { bombout("readprefs", "can't open", 0); }), 1);
    EXPECT_FALSE(folder.exists("zt-log.txt"));

    folder.writefile("zt-AFM.txt", "the user's script\n");
    for (const char* kind : {"same name", "symbolic", "hard"}) {
        SetUp();
        std::filesystem::remove("zt-log.txt");
        if (std::string(kind) == "same name") folder.writefile("zt-log.txt", "the user's script\n");
        else if (std::string(kind) == "symbolic") std::filesystem::create_symlink("zt-AFM.txt", "zt-log.txt");
        else std::filesystem::create_hard_link("zt-AFM.txt", "zt-log.txt");
        expectlog();
        noteinput("startout", std::string(kind) == "same name" ? "zt-log.txt" : "zt-AFM.txt", "script info");
        EXPECT_EQ(testing::exitcodeof(killrun), 0) << kind;
        EXPECT_EQ(folder.readfile("zt-log.txt"), "the user's script\n") << kind;
    }
}

// A file that cannot be written at its closing is reported on the console as a problem in
// closing, with the platform's message on standard error, and the run counts as failed.
TEST_F(RunFiles, AFileThatCannotBeWrittenAtItsClosingFailsTheRun)
{
    testing::consolecapture console;
    openforwriting(channels.files[chlog], "/dev/full");
    channels.outchannels |= 1 << chlog;
    putstr(0, "a line that cannot be written", 1, 1 << chlog);
    ::testing::internal::CaptureStderr();
    closeall();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "/dev/full: No space left on device\n");
    EXPECT_EQ(console.output(), "\nproblem closing logfile\n");
    EXPECT_TRUE(runfiles.writefailed);
}

}  // namespace
}  // namespace zt
