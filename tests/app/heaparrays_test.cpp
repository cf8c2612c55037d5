#include "app/heaparrays.h"

#include <gtest/gtest.h>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/heap.h"
#include "runtime/prefs.h"
#include "support/testsupport.h"
#include "thermo/workingset.h"

namespace zt {
namespace {

class Heap : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetprefs();
        heap.heaptotal = 0;
    }
};

TEST_F(Heap, MonitorReportsEveryAllocationAndRelease)
{
    prefs.monitorheap = true;
    testing::consolecapture console;
    initglobals();
    EXPECT_EQ(console.output(),
              "space allocated for c is 20k; , heap now 20k\n"
              "space allocated for cov is 1562k; , heap now 1583k\n"
              "space allocated for r is 117k; , heap now 1700k\n"
              "space allocated for prec0 is 1875k; , heap now 3575k\n"
              "space allocated for prec1 is 57791k; , heap now 61366k\n"
              "space allocated for td is 121k; , heap now 61487k\n"
              "space allocated for compdx is 1523k; , heap now 63011k\n");
    console.clearoutput();
    freeglobals();
    EXPECT_EQ(console.output(),
              "space disposed for cov; heap size now 61448k\n"
              "space disposed for c; heap size now 61428k\n"
              "space disposed for r; heap size now 61311k\n"
              "space disposed for prec0; heap size now 59436k\n"
              "space disposed for prec1; heap size now 1645k\n"
              "space disposed for td; heap size now 1523k\n"
              "space disposed for compdx; heap size now 0k\n");
    EXPECT_EQ(heap.heaptotal, 0);
    EXPECT_TRUE(ws.c.empty());
    EXPECT_TRUE(eq.compdx.empty());
}

TEST_F(Heap, QuietWithoutMonitorAndArraysReachTheirLastIndex)
{
    testing::consolecapture console;
    initglobals();
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(heap.heaptotal, 64523040);
    ws.c[maxcomps][maxems] = 7;
    ws.covat(maxems, maxems) = 1;
    reactions.r[maxreactions][maxems] = -1;
    ws.td[maxems] = tdrecord{};
    eq.compdxat(maxems, maxcomps, 15) = 2;
    freeglobals();
    // A second allocation may get the same memory back: it still starts at zero.
    initglobals();
    EXPECT_EQ(ws.covat(maxems, maxems), 0);
    EXPECT_EQ(eq.compdxat(maxems, maxcomps, 15), 0);
    EXPECT_EQ(ws.covat(1, 1), 0);
    freeglobals();
}

// The phase records are built as a run takes them, each where the start-up allocation
// put it: a solution phase blank and "unset" like a cleaned record, a single-end-member
// phase blank as at the start.
TEST_F(Heap, PhaseRecordsAreBuiltAsTheyAreTaken)
{
    testing::consolecapture console;
    initglobals();
    EXPECT_EQ(phases.prec1.size(), 1u);
    EXPECT_GE(phases.prec1.capacity(), static_cast<size_t>(maxsolnphases + 1));
    const axphase* first = phases.prec1.data();
    phases.nsolnphases = 3;
    notephasestaken();
    ASSERT_EQ(phases.prec1.size(), 4u);
    phases.prec1[3].nem = 5;
    phases.nsolnphases = maxsolnphases;
    EXPECT_EQ(phases.prec0.size(), 1u);
    EXPECT_GE(phases.prec0.capacity(), static_cast<size_t>(maxpurephases + 1));
    const emphaserec* firstpure = phases.prec0.data();
    phases.npurephases = maxpurephases;
    notephasestaken();
    ASSERT_EQ(phases.prec0.size(), static_cast<size_t>(maxpurephases + 1));
    EXPECT_EQ(phases.prec0.data(), firstpure);
    const emphaserec& lastpure = phases.prec0[maxpurephases];
    EXPECT_EQ(lastpure.name, "");
    EXPECT_EQ(lastpure.activity, 1);
    EXPECT_EQ(lastpure.dqfkind, -1);
    EXPECT_EQ(lastpure.modestart, -1);
    ASSERT_EQ(phases.prec1.size(), static_cast<size_t>(maxsolnphases + 1));
    EXPECT_EQ(phases.prec1.data(), first);
    EXPECT_EQ(phases.prec1[3].nem, 5);
    const axphase& last = phases.prec1[maxsolnphases];
    EXPECT_EQ(last.shortname, "unset");
    EXPECT_EQ(last.nem, 0);
    EXPECT_EQ(last.modestart, -1);
    EXPECT_EQ(last.em[maxphaseems].props.bwfac, 1);
    EXPECT_EQ(phases.prec1[0].shortname, "");
    phases.nsolnphases = phases.npurephases = 0;
    freeglobals();
}

TEST_F(Heap, InitialValues)
{
    testing::consolecapture console;
    pd.inbulk.fill(false);
    ws.nsite.fill(0);
    reactions.var = 0;
    eq.nleconvtag = "x";
    initglobals();
    // The solver's scales map 283..3000 K and pmin..1500 kbar onto 0..1.
    EXPECT_NEAR(static_cast<double>(283 * eq.tscale + eq.toffset), 0, 1e-15);
    EXPECT_NEAR(static_cast<double>(3000 * eq.tscale + eq.toffset), 1, 1e-15);
    EXPECT_NEAR(static_cast<double>(0.0009L * eq.pscale + eq.poffset), 0, 1e-15);
    EXPECT_NEAR(static_cast<double>(1500 * eq.pscale + eq.poffset), 1, 1e-15);
    EXPECT_TRUE(pd.inbulk[1] && pd.inbulk[maxcomps]);
    EXPECT_EQ(ws.nsite[1], 1);
    EXPECT_EQ(ws.nsite[maxems], 1);
    EXPECT_EQ(reactions.var, 1);
    EXPECT_EQ(eq.nleconvtag, "-");
    EXPECT_EQ(ws.c[1][1], 0);

    // Oxygen and the pseudo-component O2- keep their element indices of the dataset.
    EXPECT_EQ(oxides.oxideelement[10], "O");
    EXPECT_EQ(oxides.oxideformula[10], "O");
    EXPECT_EQ(oxides.oxidecations[10], 0);
    EXPECT_EQ(oxides.oxideoxygens[10], 1);
    EXPECT_EQ(oxides.oxideelement[14], "e");
    EXPECT_EQ(oxides.oxideformula[14], "O2-");
    EXPECT_EQ(oxides.oxidemass[3], 101.96128L);
    EXPECT_EQ(oxides.oxorder[11], 1);
    freeglobals();
}

}  // namespace
}  // namespace zt
