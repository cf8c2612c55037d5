#include "ax/makeems.h"

#include <cmath>
#include <vector>

#include "ax/phaserecords.h"
#include "thermo/thermotest.h"

namespace zt {
namespace {

using namespace thermotest;

// Dataset end-members: p, q (no order terms) and od1 (a Landau term).
constexpr int ip = 1, iq = 2, iod = 3;

tdrecord odrec()
{
    tdrecord r = solidrec();
    r.tlandau = 800;
    r.smax = 0.005L;
    r.vmax = 0.12L;
    return r;
}

void made(axem& e, const char* name, int16_t divisor, std::vector<std::pair<const char*, int16_t>> parts,
          std::vector<int32_t> actions)
{
    e.name = name;
    e.nmake = static_cast<int16_t>(parts.size());
    e.makedivisor = divisor;
    for (size_t k = 1; k <= parts.size(); ++k) {
        e.makeemname[k] = parts[k - 1].first;
        e.makecoef[k] = parts[k - 1].second;
        e.makeaction[k] = actions[k - 1];
    }
}

class MakeEms : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetthermo();
        ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
        if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
        if (phases.prec0.size() != static_cast<size_t>(maxems + 1)) phases.prec0.assign(maxems + 1, emphaserec{});
        for (int k = 1; k <= 2; ++k) resetaxphase(phases.prec1[static_cast<size_t>(k)]);
        for (int i = 1; i <= 2; ++i) resetemphaserec(phases.prec0[static_cast<size_t>(i)]);

        tdrecord q = solidrec();
        q.H -= 35;
        q.S += 0.02L;
        q.V += 0.4L;
        addem("p", solidrec());
        addem("q", q);
        addem("od1", odrec());
        ws.nsite[ip] = 2;
        ws.nsite[iod] = 4;
        const real c[4][4] = {{0, 0, 0, 0}, {0, 4, 1.5L, 0.5L}, {0, 1.5L, 9, -0.7L}, {0, 0.5L, -0.7L, 2}};
        for (int i = 1; i <= 3; ++i) {
            for (int j = 1; j <= 3; ++j) ws.covat(i, j) = c[i][j];
        }

        axphase& ss = phases.prec1[1];
        ss.shortname = ss.longname = "ss";
        ss.nem = 3;
        ss.em[1].name = "p";
        made(ss.em[2], "m1", 2, {{"p", 1}, {"q", 1}}, {actnone, actnone});
        ss.em[2].dqfa = 1.5L;
        ss.em[2].dqfb = -0.002L;
        ss.em[2].dqfc = 0.04L;
        made(ss.em[3], "m2", 1, {{"q", 2}, {"p", -1}}, {actnone, actnone});
        axphase& od = phases.prec1[2];
        od.shortname = od.longname = "od";
        od.nem = 2;
        made(od.em[1], "dis", 1, {{"od1", 1}}, {actdisordered});
        made(od.em[2], "ord", 1, {{"od1", 1}}, {actordered});
        emphaserec& qm = phases.prec0[1];
        qm.name = qm.emname = "qmade";
        qm.nmake = 1;
        qm.makedivisor = 1;
        qm.makeemname[1] = "q";
        qm.makecoef[1] = 1;
        qm.makeaction[1] = actnone;
        phases.prec0[2].name = phases.prec0[2].emname = "od1";
        phases.nsolnphases = 2;
        phases.npurephases = 2;
        phases.nphases = 4;
    }
    // Each phase end-member as weights over the dataset end-members p, q, od1.
    std::vector<std::array<real, 4>> weights{{0, 0, 0, 0},       {0, 1, 0, 0},    {0, 0.5L, 0.5L, 0},
                                             {0, -1, 2, 0},      {0, 0, 0, 1},    {0, 0, 0, 1},
                                             {0, 0, 1, 0},       {0, 0, 0, 1}};
    real datasetcov[4][4] = {{0, 0, 0, 0}, {0, 4, 1.5L, 0.5L}, {0, 1.5L, 9, -0.7L}, {0, 0.5L, -0.7L, 2}};
};

TEST_F(MakeEms, CovarianceRowsAreWeightedDatasetRows)
{
    makeems();
    ASSERT_EQ(ws.nem, 7);
    EXPECT_EQ(ws.nrems, 7);
    for (int a = 1; a <= 7; ++a) {
        for (int b = 1; b <= 7; ++b) {
            real want = 0;
            for (int i = 1; i <= 3; ++i) {
                for (int j = 1; j <= 3; ++j) want += weights[a][i] * weights[b][j] * datasetcov[i][j];
            }
            EXPECT_NEAR(static_cast<double>(ws.covat(a, b)), static_cast<double>(want), 1e-12) << a << " " << b;
            EXPECT_NEAR(static_cast<double>(ws.covat(a, b)), static_cast<double>(ws.covat(b, a)), 1e-5);
        }
    }
    EXPECT_NEAR(static_cast<double>(ws.covat(2, 2)), 0.25 * (4 + 9 + 2 * 1.5), 1e-15);
    // Site counts follow the phase end-members; a made one has one site.
    const int16_t sites[] = {0, 2, 1, 1, 1, 1, 1, 4};
    for (int r = 1; r <= 7; ++r) EXPECT_EQ(ws.nsite[static_cast<size_t>(r)], sites[r]) << r;
}

TEST_F(MakeEms, GibbsEnergyIsDQFPlusWeightedConstituents)
{
    makeems();
    const axem& m1 = phases.prec1[1].em[2];
    EXPECT_EQ(m1.props.H, 1.5L);
    EXPECT_EQ(m1.props.S, 0.002L);
    EXPECT_EQ(m1.props.V, 0.04L);
    EXPECT_EQ(m1.props.cpa, 0);
    EXPECT_EQ(m1.makeaction[1], actnood);

    // A working index that refers to the made end-member, as the working-set rebuild sets it.
    const int16_t w = 50;
    ws.td[w] = m1.props;
    ws.td[w].makephase = 1;
    ws.td[w].makeentry = 2;
    const int16_t w2 = 51;
    ws.td[w2] = phases.prec1[1].em[3].props;
    ws.td[w2].makephase = 1;
    ws.td[w2].makeentry = 3;
    for (real T : {500.0L, 900.0L}) {
        for (real P : {1.0L, 12.0L}) {
            const real dqf = 1.5L - 0.002L * T + 0.04L * P;
            EXPECT_NEAR(static_cast<double>(gof(w, P, T)), static_cast<double>(dqf + 0.5L * gof(ip, P, T) + 0.5L * gof(iq, P, T)), 1e-9);
            EXPECT_NEAR(static_cast<double>(gof(w2, P, T)), static_cast<double>(2 * gof(iq, P, T) - gof(ip, P, T)), 1e-9);
        }
    }
}

TEST_F(MakeEms, OrderTermsAndSlots)
{
    makeems();
    const axem& dis = phases.prec1[2].em[1];
    const axem& ord = phases.prec1[2].em[2];
    const real q = std::sqrt(1 - 298.15L / 800);
    EXPECT_NEAR(static_cast<double>(q), 0.79203, 1e-5);
    EXPECT_NEAR(static_cast<double>(dis.props.H / 0.005L), 501.13, 0.01);
    EXPECT_NEAR(static_cast<double>(dis.props.S), 0.005 * static_cast<double>(q), 1e-15);
    EXPECT_NEAR(static_cast<double>(ord.props.H), 800 * 0.005 * static_cast<double>(q * (1 - q * q / 3) - 2.0L / 3), 1e-12);
    EXPECT_NEAR(static_cast<double>(ord.props.S), 0.005 * static_cast<double>(q - 1), 1e-15);

    // The same constituent with the same action shares a slot; another action gets its own.
    const axem& m1 = phases.prec1[1].em[2];
    const axem& m2 = phases.prec1[1].em[3];
    EXPECT_EQ(m1.makeindex[2], m2.makeindex[1]);                // q
    EXPECT_EQ(m1.makeindex[1], m2.makeindex[2]);                // p
    EXPECT_EQ(phases.prec0[1].makeindex[1], m1.makeindex[2]);   // q again, from a single phase
    EXPECT_NE(dis.makeindex[1], ord.makeindex[1]);
    for (int16_t s : {m1.makeindex[1], m1.makeindex[2], dis.makeindex[1], ord.makeindex[1]}) EXPECT_GT(s, 7);
    EXPECT_EQ(ws.emname[static_cast<size_t>(dis.makeindex[1])], "od1");
    EXPECT_EQ(ws.td[static_cast<size_t>(dis.makeindex[1])].smax, 0);  // its order terms removed
    EXPECT_EQ(ws.td[static_cast<size_t>(m1.makeindex[2])].H, ws.td[iq].H);

    // A slot may not reach the working end-members, now or after the rebuild.
    ws.nem = 3;
    for (int i = 4; i <= 397; ++i) addem("f" + std::to_string(i), solidrec());
    const fatalresult r = fatalof([] { makeems(); });
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.console.find(bombline("finddep", "too many end-members")), std::string::npos) << r.console;
}

TEST_F(MakeEms, ActionsMustMatchTheConstituent)
{
    phases.prec1[1].em[2].makeaction[1] = actdisordered;
    fatalresult r = fatalof([] { makeems(); });
    EXPECT_NE(r.console.find("\nin the make for m1, problem with p\n"), std::string::npos) << r.console;
    EXPECT_NE(r.console.find(bombline("domake", "action specified for a non-od end-member")), std::string::npos);

    SetUp();
    phases.prec1[2].em[1].makeaction[1] = actnone;
    r = fatalof([] { makeems(); });
    EXPECT_NE(r.console.find(bombline("domake", "action for od end-member not specified")), std::string::npos);

    SetUp();
    phases.prec1[1].em[3].makeemname[1] = "zz";
    r = fatalof([] { makeems(); });
    EXPECT_NE(r.console.find(bombline("make emtd", "zz not found")), std::string::npos);
}

}  // namespace
}  // namespace zt
