#include "ax/axreader.h"

#include <gtest/gtest.h>

#include "axfixture.h"
#include "runtime/bytes.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::pure;
using axtest::soln;

TEST(AxReader, SingleEndMemberPhasesInEveryForm) {
    axworld w;
    ASSERT_EQ(w.readax("ky\nq 0.8 0\nsill 0.5 0.02\nmag 1 mt 0.9 0.01\nand\n"), -1) << w.out();
    ASSERT_EQ(phases.npurephases, 5);
    EXPECT_EQ(phases.nsolnphases, 0);
    EXPECT_EQ(phases.nphases, 5);
    EXPECT_EQ(pure(1).name, "ky");
    EXPECT_EQ(pure(1).emname, "ky");
    EXPECT_EQ(pure(1).activity, 1);
    EXPECT_NEAR(pure(2).activity, 0.8L, 1e-18L);
    EXPECT_EQ(pure(2).sd, 0);
    EXPECT_EQ(pure(3).activity, 0.5L);
    EXPECT_NEAR(pure(3).sd, 0.02L, 1e-18L);
    EXPECT_EQ(pure(4).name, "mag");
    EXPECT_EQ(pure(4).name2, "mag");
    EXPECT_EQ(pure(4).emname, "mt");
    EXPECT_NEAR(pure(4).activity, 0.9L, 1e-18L);
    EXPECT_NEAR(pure(4).sd, 0.01L, 1e-18L);
    EXPECT_EQ(pure(4).dqfkind, -1);
    EXPECT_EQ(pure(4).modestart, -1);
    EXPECT_EQ(pure(5).name, "and");
}

TEST(AxReader, BannerAndProgressLine) {
    axworld w;
    ds.dstitle = "ds test 1";
    runfiles.scriptfilename = "zt-s.txt";
    std::string text;
    for (const char* n : {"py", "alm", "gr", "q", "ky", "sill", "and", "ab", "an", "mt", "hem", "ru", "fo", "fa",
                          "en", "fs", "cor", "H2O", "CO2", "CH4", "CO", "H2", "O2", "hem", "ky"}) {
        text += n;
        text += "\n";
    }
    ASSERT_EQ(w.readax(text), -1) << w.out();
    const std::string want = std::string(60, '^') + "\n\nzeltram running at 10.30 on Mon 3 Mar,2025\nusing ds test 1\n"
                             "with axfile zt-t.txt and scriptfile zt-s.txt\n\n"
                             "reading ax: py alm gr q ky sill and ab an mt hem ru fo fa en fs cor H2O CO2 CH4 CO H2 O2 hem \n"
                             "            ky \n";
    EXPECT_EQ(w.out(), want);
    EXPECT_EQ(axreader.runinfo[3], "with axfile zt-t.txt and scriptfile zt-s.txt");
}

TEST(AxReader, AOneAfterADatasetNameAsksWhatItMeans) {
    {
        axworld w("y\n");
        ASSERT_EQ(w.readax("q 1 0\nky\n"), -1) << w.out();
        EXPECT_NE(w.out().find("\n\ndatafile appears to be ambiguous: a 1 immediately follows q;\n"
                               "this means either an activity of 1, or it's a 1 end-member phase.\n"
                               "the '1' its activity ? "),
                  std::string::npos)
            << w.out();
        ASSERT_EQ(phases.npurephases, 2);
        EXPECT_EQ(pure(1).activity, 1);
        EXPECT_EQ(pure(1).emname, "q");
    }
    {
        axworld w("n\n");
        ASSERT_EQ(w.readax("q 1 cor 0.7\nky\n"), -1) << w.out();
        ASSERT_EQ(phases.npurephases, 2);
        EXPECT_EQ(pure(1).emname, "cor");
        EXPECT_NEAR(pure(1).activity, 0.7L, 1e-18L);
    }
    {
        axworld w;  // not a dataset name: no question
        ASSERT_EQ(w.readax("qtz 1 q\n"), -1) << w.out();
        EXPECT_EQ(w.out().find("ambiguous"), std::string::npos);
        EXPECT_EQ(pure(1).emname, "q");
    }
}

TEST(AxReader, MalformedFilesEndTheRunWithTheirMessages) {
    struct row {
        const char* text;
        const char* message;
    };
    const std::string geq(1, geqbyte);
    const std::string notactivity = "activity for q not 0 > a " + geq + " 1";
    const row rows[] = {
        {"% nothing\n", "not enough in file"},
        {"q 0.8 1\nky\n", "expecting a name; got: 1 - name for 2nd phase"},
        {"q 0.0\n", notactivity.c_str()},
        {"q 1.2\n", notactivity.c_str()},
        {"qz 1 qz\n", "names: phase, qz, and end-member, qz, must be different"},
        {"qz 1\n", "unexpected end of input"},
        {"zzz\n", "zzz not in \"zt-dstest.txt\""},
        {"nacl 1 Na+\n", "charged species not allowed as end-members"},
        {"ky 0\n", "less than 2 end-members in ky"},
        {"g 16\n", "too many end-members in g (max = 15) "},
        {"k2 1 ky check 1\n", "wrong code for additional info for ky"},
        {"k2 1 ky 6\n", "wrong code for additional info for ky"},
        {"b1 1 buffer\nb2 1 buffer\nb3 1 buffer\nb4 1 buffer\nb5 1 buffer\nb6 1 buffer\n", "too many buffers"},
    };
    for (const row& r : rows) {
        axworld w("y\n");
        EXPECT_EQ(w.readax(r.text), 1) << r.text;
        EXPECT_TRUE(w.bombedwith(r.message)) << r.text << "\n" << w.out();
    }
}

TEST(AxReader, OneActivityIsAcceptedExactly) {
    axworld w("y\n");
    ASSERT_EQ(w.readax("q 1.0\n"), -1) << w.out();
    EXPECT_EQ(pure(1).activity, 1);
}

TEST(AxReader, ThePhaseLimitsAreChecked) {
    axworld w;
    std::string text;
    for (int i = 1; i <= 81; ++i) {
        text += "s" + std::to_string(i) +
                " 2 1\n x(s" + std::to_string(i) + ") 0.5\n p(py) 1 1 1 1 -1 x\n p(alm) 1 1 0 1 1 x\n ideal\n 2\n"
                " a 1 1 1 1 -1 x\n b 1 1 0 1 1 x\n py 1 1 a 1\n alm 1 1 b 1\n";
    }
    EXPECT_EQ(w.readax(text), 1);
    EXPECT_TRUE(w.bombedwith("too many ss phases (max = 80) ")) << w.out().substr(w.out().size() - 300);
}

TEST(AxReader, FourHundredPhasesAtMost) {
    axworld w;
    std::string text;
    for (int i = 0; i < 401; ++i) text += "q\n";
    EXPECT_EQ(w.readax(text), 1);
    EXPECT_TRUE(w.bombedwith("too many phases (max = 400) "));
}

TEST(AxReader, BufferOfTheScriptMustBeInTheFile) {
    axworld w;
    settings.buffername = "bb";
    EXPECT_EQ(w.readax("b1 1 buffer\n"), 1);
    EXPECT_TRUE(w.bombedwith("script, \"bb\", not in axfile"));
}

TEST(AxReader, EveryRecordAReadingReachedIsBlankBeforeTheNextReading) {
    const std::string fluid =
        "fluid 2 1\n x(fluid) 0.4\n p(H2O) 1 1 1 1 -1 x\n p(CO2) 1 1 0 1 1 x\n ideal\n 2\n"
        " h 1 1 1 1 -1 x\n c 1 1 0 1 1 x\n H2O 1 1 h 1\n CO2 1 1 c 1\n";
    axworld w;
    // Newly allocated records are all cleaned: blank ones are not yet "unset".
    phases.prec1.assign(maxsolnphases + 1, axphase{});
    phases.prec0.assign(maxems + 1, emphaserec{});
    ASSERT_EQ(w.readax(axtest::garnetmodel("ga") + axtest::garnetmodel("gb") + "ky\nq\nsill\nand\nmt\nhem\nru\n"), -1)
        << w.out();
    EXPECT_EQ(soln(maxsolnphases).shortname, "unset");
    EXPECT_EQ(pure(maxems).name, "unset");
    // Later code marks the records the reading filled, and lowers the counts below them.
    soln(1).aq = true;
    soln(1).em[3].excluded = true;
    soln(2).hascolour = true;
    pure(7).dqfkind = 3;
    phases.nsolnphases = 1;
    phases.npurephases = 0;
    ASSERT_EQ(w.readax(fluid), -1) << w.out();
    EXPECT_TRUE(soln(1).fluid);
    EXPECT_FALSE(soln(1).aq);
    EXPECT_FALSE(soln(1).em[3].excluded);
    EXPECT_EQ(soln(2).shortname, "unset");
    EXPECT_FALSE(soln(2).hascolour);
    EXPECT_EQ(soln(2).nem, 0);
    EXPECT_EQ(pure(7).dqfkind, -1);
    EXPECT_EQ(pure(7).name, "unset");
    EXPECT_EQ(pure(7).emname, "");
}

}  // namespace
}  // namespace zt
