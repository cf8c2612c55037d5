#include "phasediagram/guessreports.h"

#include "pdfixture.h"

namespace zt {
namespace {

TEST(GuessReports, ListWhereGuessesCameFrom) {
    {
        pdtest::pdworld w;
        pdtest::addbinary("g", "py", {1}, "alm", {2}).guessesfromscript = true;
        pdtest::addbinary("bi", "phl", {1}, "ann", {2});
        listxyzguesses();
        EXPECT_EQ(w.out(), "\nspecification of xyz starting guesses of phases\n"
                           "in the scriptfile: g; not in the scriptfile: bi\n");
        w.console.clearoutput();
        warnaxguesses();
        EXPECT_EQ(w.out(), "");
    }
    {
        pdtest::pdworld w;
        pdtest::addbinary("g", "py", {1}, "alm", {2});
        pdtest::addbinary("bi", "phl", {1}, "ann", {2});
        listxyzguesses();
        EXPECT_TRUE(w.has("in the scriptfile:none; not in the scriptfile: g bi\n")) << w.out();
        w.console.clearoutput();
        warnaxguesses();
        EXPECT_TRUE(w.has("your calculation relied just on starting guesses provided in the axfile")) << w.out();
        EXPECT_TRUE(w.has("paste into your scriptfile."));
    }
    {
        pdtest::pdworld w;
        pdtest::addbinary("g", "py", {1}, "alm", {2}).coding = 2;
        listxyzguesses();
        EXPECT_EQ(w.out(), "");
    }
}

TEST(GuessReports, StartGuessTable) {
    pdtest::pdworld w;
    axphase& g = pdtest::addbinary("g", "py", {1}, "alm", {2});
    g.nvars = 3;
    g.vars[1].name = "x(g)";
    g.vars[1].value = 0.8L;
    g.vars[2].name = "z(g)";
    g.vars[2].value = 0.12346L;
    g.vars[3].name = "m(g)";
    g.vars[3].value = 0;
    settings.pnow = 8;
    settings.tnow = 873.15L;
    showstartguess(1);
    EXPECT_EQ(w.out(), " P(kbar)    T(C)      x(g)      z(g)      m(g)\n"
                       "     8.0     600    0.8000    0.1235    0.0000\n");
    w.console.clearoutput();
    settings.pnow = 0.001L;
    showstartguess(1);
    EXPECT_TRUE(w.has("\n   0.001     600")) << w.out();
}

}  // namespace
}  // namespace zt
