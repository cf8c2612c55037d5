#include "ax/phaserecords.h"

#include <gtest/gtest.h>

#include <memory>

namespace zt {
namespace {

// A record scribbled over in the fields whose resting values matter to later readers.
TEST(PhaseRecords, ResetRestoresRestingValuesOfASolutionPhase) {
    auto ph = std::make_unique<axphase>();
    ph->shortname = "g";
    ph->nem = 15;
    ph->modestart = 0.3L;
    ph->modeparam1 = 0;
    ph->em[15].dqfkind = 2;
    ph->em[15].makedivisor = 6;
    ph->em[15].cov[400] = 1.5L;
    ph->em[15].props.bwfac = 7;
    ph->vars[14].filelower = 0.2L;
    ph->vars[14].fixed = true;
    ph->sf[30].term[24].factor[4].itemvar[12] = 9;
    ph->p[15].term[24].coef = 0;
    ph->limrownum[22][15] = 3;
    ph->verbatim[100] = "line";

    resetaxphase(*ph);

    EXPECT_EQ(ph->shortname, "");
    EXPECT_EQ(ph->nem, 0);
    EXPECT_EQ(ph->modestart, -1);
    EXPECT_EQ(ph->modeparam1, 0.6666667L);
    EXPECT_EQ(ph->modeparam2, 0.1666667L);
    EXPECT_EQ(ph->em[15].dqfkind, -1);
    EXPECT_EQ(ph->em[15].makedivisor, 1);
    EXPECT_EQ(ph->em[15].cov[400], 0);
    EXPECT_EQ(ph->em[15].props.bwfac, 1);
    EXPECT_EQ(ph->vars[14].filelower, 11);
    EXPECT_EQ(ph->vars[14].fileupper, -11);
    EXPECT_FALSE(ph->vars[14].fixed);
    EXPECT_EQ(ph->sf[30].term[24].factor[4].itemvar[12], 0);
    EXPECT_EQ(ph->p[15].term[24].coef, 1);
    EXPECT_EQ(ph->limrownum[22][15], 0);
    EXPECT_EQ(ph->verbatim[100], "");
}

TEST(PhaseRecords, ResetRestoresRestingValuesOfPartsAndPurePhases) {
    axexpr e;
    e.nterms = 24;
    e.term[1].factor[1].c0den = 5;
    resetaxexpr(e);
    EXPECT_EQ(e.nterms, 0);
    EXPECT_EQ(e.term[1].factor[1].c0den, 1);

    axem em;
    em.excluded = true;
    em.maxpower = 4;
    em.dqfvaried[3] = true;
    resetaxem(em);
    EXPECT_FALSE(em.excluded);
    EXPECT_EQ(em.maxpower, 1);
    EXPECT_FALSE(em.dqfvaried[3]);

    auto v = std::make_unique<axvar>();
    v->tol = 5;
    v->upperkind = 4;
    resetaxvar(*v);
    EXPECT_EQ(v->tol, 0.0001L);
    EXPECT_EQ(v->upperkind, 1);

    emphaserec pure;
    pure.activity = 0.3L;
    pure.dqfkind = 0;
    pure.nmake = -1;
    pure.cov[1] = 2;
    resetemphaserec(pure);
    EXPECT_EQ(pure.activity, 1);
    EXPECT_EQ(pure.dqfkind, -1);
    EXPECT_EQ(pure.nmake, 0);
    EXPECT_EQ(pure.cov[1], 0);
}

// The pre-reading clear marks every allocated record and leaves the rest of it alone.
TEST(PhaseRecords, ClearMarksEveryRecordUnset) {
    phases.prec0.assign(maxpurephases + 1, emphaserec{});
    phases.prec1.resize(3);
    phases.prec0[400].name = "q";
    phases.prec0[400].emname = "q";
    phases.prec0[400].activity = 0.5L;
    phases.prec0[400].sd = 0.1L;
    phases.prec0[400].nmake = 2;
    phases.prec0[400].dqfa = 3;
    phases.prec1[2].shortname = "bi";
    phases.prec1[2].nem = 4;
    phases.prec1[2].longname = "bi_x";

    clearpurephases();
    clearsolnphases();

    const emphaserec& pure = phases.prec0[400];
    EXPECT_EQ(pure.name, "unset");
    EXPECT_EQ(pure.emname, "");
    EXPECT_EQ(pure.activity, 1);
    EXPECT_EQ(pure.sd, 0);
    EXPECT_EQ(pure.nmake, 0);
    EXPECT_EQ(pure.dqfa, 3);
    EXPECT_EQ(phases.prec0[1].name, "unset");
    EXPECT_EQ(phases.prec1[2].shortname, "unset");
    EXPECT_EQ(phases.prec1[2].nem, 0);
    EXPECT_EQ(phases.prec1[2].longname, "bi_x");
    EXPECT_EQ(phases.prec1[1].shortname, "unset");

    phases.prec0.clear();
    phases.prec1.clear();
}

}  // namespace
}  // namespace zt
