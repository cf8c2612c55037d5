#include "script/scriptreader.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/bytes.h"
#include "runtime/reporter.h"
#include "scriptfixture.h"

namespace zt {
namespace {

using ScriptReader = ScriptTest;

std::string repeated(const std::string& line, int n)
{
    std::string text;
    for (int i = 0; i < n; ++i) text += line;
    return text;
}

TEST_F(ScriptReader, LineSyntaxContinuationCommentsEndMarkAndWordLength)
{
    const std::string script = std::string(mandatorylines) +
                               "calcT 400 \\\n"
                               "   600 % a comment 50\n"
                               "with g bi \\\n"
                               "\\\n"
                               "mu\n"  // a lone "\" ends the line, so mu is a keyword of its own
                               "rockname abcdefghijklmnopqrstuvwxyz\n"
                               "*end\n"
                               "unknownkeyword\n";
    ASSERT_EQ(read(script, "no\n"), -1) << output;
    EXPECT_EQ(settings.calcT, 0);
    EXPECT_EQ(settings.calctrange[1], 400 + 273.15L);
    EXPECT_EQ(settings.calctrange[2], 600 + 273.15L);
    EXPECT_EQ(settings.tinterval, 0);
    EXPECT_EQ(settings.nwith, 2);
    EXPECT_EQ(settings.nmu, 0);  // "mu" alone names no component
    EXPECT_EQ(settings.rockname, "abcdefghijklmnopqrstuv");
    EXPECT_EQ(settings.nscriptproblems, 0);
    EXPECT_FALSE(said("unknownkeyword"));
    EXPECT_FALSE(runfiles.datafile.isopen);
}

TEST_F(ScriptReader, UnknownKeywordsAreCountedAndLeadToTheQuestion)
{
    const std::string script = std::string(mandatorylines) + "NEGP\nfoo 1 2\n";
    ASSERT_EQ(read(script, "no\n"), -1);
    EXPECT_TRUE(said("\nthe script, \"NEGP\", is unrecognised (or discontinued)\n"));
    EXPECT_TRUE(said("the script, \"foo\", is unrecognised (or discontinued)"));
    EXPECT_EQ(settings.nscriptproblems, 2);
    EXPECT_TRUE(said("there are script problems listed immediately above:\nexit, and correct the scriptfile ? "));
    // An empty answer is yes: the run is killed.
    EXPECT_EQ(read(script, "\n"), 0);
    EXPECT_TRUE(said("-- run killed --"));
}

TEST_F(ScriptReader, LongLogicalLinesAndTooManyValuesEndTheRun)
{
    // The keyword and 40 values over 41 physical lines.
    const std::string head = std::string(mandatorylines) + "with g \\\n";
    EXPECT_EQ(read(head + repeated("bi \\\n", 38) + "q\n"), -1) << output;
    EXPECT_EQ(settings.nwith, 40);
    EXPECT_EQ(read(head + repeated("bi \\\n", 39) + "q\n"), 1);
    EXPECT_TRUE(said("-- run bombed in reading script for with : too much info"));
    // A 50th physical line ends the run even when it does not continue.
    EXPECT_EQ(read(head + repeated("bi \\\n", 48) + "q\n"), 1);
    EXPECT_TRUE(said("-- run bombed in readcontrol : multiline gone berko"));
    EXPECT_EQ(read(std::string(mandatorylines) + "with" + repeated(repeated(" g", 100) + " \\\n", 4) + " q\n"), 1);
    EXPECT_TRUE(said("readcontrol : too many strings in a multiline"));
}

TEST_F(ScriptReader, NumbersTheReaderRefusesAreValueProblems)
{
    ASSERT_EQ(read(std::string(mandatorylines) + "setfluid 1e+5\n", "no\n"), -1) << output;
    EXPECT_TRUE(said("for setfluid, info given is \"1e+5\", not a readable number"));
    EXPECT_EQ(settings.setfluid, 1);
    EXPECT_EQ(settings.xco2fluid, 0);
    EXPECT_GE(settings.nscriptproblems, 1);
    EXPECT_FALSE(said("shouldn't have happened"));

    EXPECT_EQ(read("strictscripting\n" + std::string(mandatorylines) + "calcP 0/3 5\n"), 1);
    EXPECT_TRUE(said("-- run bombed in reading script for calcP : number is not a number"));
    EXPECT_FALSE(said("shouldn't have happened"));
}

TEST_F(ScriptReader, StrictScriptingMakesValueProblemsFatal)
{
    const std::string script = "strictscripting\n" + std::string(mandatorylines) + "debuglevel 9\n";
    EXPECT_EQ(read(script), 1);
    EXPECT_TRUE(said("for debuglevel, info given is \"9\", but limits are 0 to 6"));
    EXPECT_TRUE(said("-- run bombed in reading script for debuglevel : integer inappropriate"));
    // Without it the level stays 1 and the run goes on.
    ASSERT_EQ(read(std::string(mandatorylines) + "debuglevel 3\ndebuglevel 9\n", "n\n"), -1);
    EXPECT_EQ(settings.debuglevel, 1);
    EXPECT_TRUE(said("an integer will be prompted for"));
}

TEST_F(ScriptReader, MissingMandatoryKeywordsAreNumberedNotes)
{
    EXPECT_EQ(read("*\naxfile tc\n"), 1);
    EXPECT_TRUE(said("\n1) new in zt350, the \"axfile\" script is mandatory, followed by the suffix to \nthe name "));
    EXPECT_TRUE(said("\n2) new in zt350, the \"with\" script is mandatory,"));
    EXPECT_TRUE(said("Plow, Phigh, Tlow, Thigh, in kbar and " + std::string(1, degreebyte) + "C."));
    EXPECT_TRUE(said("\n4) new in zt350, the \"pseudosection\" script is mandatory,"));
    EXPECT_TRUE(said("-- run bombed in reading scripts : add mandatory scripts to scriptfile"));
    EXPECT_FALSE(said("in addition"));
    EXPECT_FALSE(said("exit, and correct"));
    EXPECT_EQ(settings.nmissingscripts, 4);

    // Two missing and one other problem: the plural note, no question.
    EXPECT_EQ(read("axfile tc\npseudosection\nfoo\n"), 1);
    EXPECT_TRUE(said("2) new in zt350, the \"diagramPT\""));
    EXPECT_TRUE(said("\nin addition to the absence of the indicated mandatory scripts, there are other"));
    EXPECT_FALSE(said("exit, and correct"));

    // A calculation mode taken from the menu does not need pseudosection; mode 9 needs nothing.
    mode(1, -1);
    EXPECT_EQ(read("axfile tc\nwith g\ndiagramPT 1 10 400 700\n"), -1) << output;
    mode(4);
    EXPECT_EQ(read(""), -1) << output;
    EXPECT_EQ(settings.nmissingscripts, 0);
}

TEST_F(ScriptReader, RefusedKeywordsEndTheRunWithTheirOwnTexts)
{
    struct refusal {
        const char* line;
        int code;
        const char* text;
    };
    const refusal cases[] = {
        {"fract\n", 0, "\nfractcalcs are currently untested - what state are they in??\n"},
        {"fractionation ask\n", 0, "-- run killed --"},
        {"exbuff\n", 1, "the script, exbuff, is superceded: use instead\n\"figure T-x(CO2)\" or \"figure P-x(CO2)\""},
        {"exbuff\n", 1, "-- run bombed in reading scripts : exit, and use one of the new scripts"},
        {"mccorr\n", 1, "\"mccorr\" has been cut - remove from the scriptfile"},
        {"mccorr\n", 1, "-- run bombed in reading scripts : mccorr no longer exists"},
        {"figure Q-x\n", 1, "-- run bombed in reading scripts : Q-x not recognised (remove from scriptfile)"},
    };
    for (const refusal& c : cases) {
            EXPECT_EQ(read(std::string(mandatorylines) + c.line), c.code) << c.line;
        EXPECT_TRUE(said(c.text)) << c.line << output;
    }
    ASSERT_EQ(read(std::string(mandatorylines) + "fract no\ncalcsdnle\nconvert 1 2\n"), -1);
    EXPECT_TRUE(said("fractionation info input attempted, but failed\n"));
    EXPECT_TRUE(said("calcsdnle not available in zt351\n"));
    EXPECT_EQ(settings.fract, 1);
    EXPECT_EQ(settings.nscriptproblems, 0);
}

TEST_F(ScriptReader, EveryReadingStartsFromTheDefaults)
{
    prefs.scriptsuffix = "t";
    const std::string first = std::string(mandatorylines) +
                              "autoexit\ndebuglevel 3\nmoreprec\ncalcT 400 600\nnegP\nisopleth x(g) 0.2\n"
                              "setfluid 0.3\ninexcess q\nrgb g 1 2 3\nbulk no\nxyzguess x(g) 0.3\n";
    ASSERT_EQ(read(first), -1) << output;
    EXPECT_TRUE(settings.autoexit);
    EXPECT_EQ(settings.nexcesslist, 1);
    EXPECT_EQ(settings.pmin, -50);

    // A second repetition reopens the named script without asking.
    run.runcount = 2;
    mode(4);  // no mandatory keywords, so the window is left at its default
    folder.writefile("zt-t.txt", "rockname again\n");
    testing::consolecapture console;
    ASSERT_EQ(testing::exitcodeof([] { readcontrol(); }), -1) << console.output();
    EXPECT_EQ(console.output().find("use same script file"), std::string::npos);
    EXPECT_FALSE(settings.autoexit);
    EXPECT_EQ(settings.debuglevel, 1);
    EXPECT_EQ(settings.moreprec, 1);
    EXPECT_EQ(settings.calcT, 1);
    EXPECT_EQ(settings.isopleth, 1);
    EXPECT_EQ(settings.isoplethinfo[1].name, "");
    EXPECT_EQ(settings.xco2fluid, 0);
    EXPECT_EQ(settings.xh2ofluid, 1);
    EXPECT_EQ(settings.inexcesson, 1);
    EXPECT_EQ(settings.nexcesslist, 0);
    EXPECT_EQ(settings.nrgb, -1);
    EXPECT_EQ(settings.bulk, 1);
    EXPECT_EQ(settings.nxyzguess, -1);
    EXPECT_EQ(settings.nbulks, -3);
    EXPECT_EQ(settings.nscriptproblems, 0);
    // The lowest pressure keeps "negP" until the program ends, and the window starts there.
    EXPECT_EQ(settings.pmin, -50);
    EXPECT_EQ(settings.pwindow[1], -50);
    EXPECT_EQ(settings.pwindow[2], 1500);
    EXPECT_EQ(settings.diagramPT, 1);
    EXPECT_EQ(settings.axfile, "");
    EXPECT_EQ(runfiles.scriptfilename, "zt-t.txt");
}

TEST_F(ScriptReader, LaterRunsAskForTheScriptWhenThePreferencesNamedNone)
{
    folder.writefile("zt-other.txt", std::string(mandatorylines) + "rockname other\n");
    run.runcount = 2;
    const std::string answers[] = {"\n", "n\nother\n"};
    const char* const expected[] = {"first", "other"};
    for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(read(std::string(mandatorylines) + "rockname first\n", answers[i]), -1) << output;
        EXPECT_TRUE(said("use same script file? : ")) << output;
        EXPECT_EQ(settings.rockname, expected[i]);
    }
    EXPECT_TRUE(said("suffix to name for script info datafile : "));
}

TEST_F(ScriptReader, AutoexitFromTheScriptEndsWithoutAnyPause)
{
    ASSERT_EQ(read("autoexit\n" + std::string(mandatorylines)), -1);
    EXPECT_TRUE(settings.autoexit);
    // A later fatal report ends the run without "hit return".
    testing::consolecapture console;
    EXPECT_EQ(testing::exitcodeof([] { bombout("somewhere", "something", 0); }), 1);
    EXPECT_EQ(console.output().find("hit return"), std::string::npos);
    EXPECT_NE(console.output().find("-- run bombed in somewhere : something"), std::string::npos);
}

TEST_F(ScriptReader, ShiftinfoDropsLeadingValuesButNeverAll)
{
    stringlist w;
    w[1] = "kw";
    w[2] = "a";
    w[3] = "2";
    w[4] = "3.5";
    scriptinfo.ninfo = 3;
    storeinfo("kw", w, 4, 1);
    shiftinfo(3);
    EXPECT_EQ(scriptinfo.ninfo, 3);
    EXPECT_EQ(scriptinfo.infoword[1], "a");
    shiftinfo(1);
    EXPECT_EQ(scriptinfo.ninfo, 2);
    EXPECT_EQ(scriptinfo.infoint[1], 2);
    EXPECT_EQ(scriptinfo.inforeal[2], 3.5L);
    EXPECT_EQ(scriptinfo.infokind[3], 0);
    EXPECT_EQ(scriptinfo.infoword[3], "");
}

}  // namespace
}  // namespace zt
