// Whole mode-3 runs per second after the set-up: the search for all reactions among 20
// end-members of six components in a P-T window, the reaction table and the
// intersections with their Schreinemakers analysis. Output channels are closed.
// BM_mode3run takes H2O from the older (CORK) fluid equations; BM_mode3run_sp takes the
// Sterner-Pitzer equations that every newer dataset selects, with 16 end-members in a
// wide window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "reactions/intersections.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "reactions/reactionfixture.h"

namespace zt {
namespace {

using namespace reactiontest;

struct emdata {
    const char* name;
    int mgo, feo, al2o3, sio2, h2o, cao;
    real dh, ds, dv;  // departures from the sum of the oxides
};

// MgO, FeO, Al2O3, SiO2, H2O, CaO: H (kJ), S (kJ/K), V (J/bar)
const real oxh[7] = {0, -601.6L, -272.0L, -1675.7L, -910.7L, -285.8L, -635.1L};
const real oxs[7] = {0, 0.0269L, 0.0600L, 0.0509L, 0.0415L, 0.0700L, 0.0380L};
const real oxatoms[7] = {0, 2, 2, 5, 3, 3, 2};
const real oxv[7] = {0, 1.125L, 1.200L, 2.558L, 2.269L, 1.800L, 1.676L};

const emdata ems[] = {
    {"fo", 2, 0, 0, 1, 0, 0, -58.2L, 0.002L, 0.12L},   {"fa", 0, 2, 0, 1, 0, 0, -33.1L, 0.010L, 0.30L},
    {"en", 2, 0, 0, 2, 0, 0, -71.9L, 0.004L, 0.38L},   {"fs", 0, 2, 0, 2, 0, 0, -39.4L, 0.012L, 0.28L},
    {"py", 3, 0, 1, 3, 0, 0, -141.0L, -0.003L, -0.29L}, {"alm", 0, 3, 1, 3, 0, 0, -98.7L, 0.015L, -0.41L},
    {"gr", 0, 0, 1, 3, 0, 3, -318.5L, 0.004L, -0.18L},  {"q", 0, 0, 0, 1, 0, 0, 0, 0, 0},
    {"ky", 0, 0, 1, 1, 0, 0, -6.6L, -0.0094L, -0.413L}, {"sil", 0, 0, 1, 1, 0, 0, 0.6L, 0.0031L, 0.159L},
    {"and", 0, 0, 1, 1, 0, 0, -2.3L, 0.0006L, 0.326L},  {"sp", 1, 0, 1, 0, 0, 0, -22.0L, -0.0003L, 0.29L},
    {"herc", 0, 1, 1, 0, 0, 0, -5.9L, 0.0020L, 0.32L},  {"cor", 0, 0, 1, 0, 0, 0, 0, 0, 0},
    {"per", 1, 0, 0, 0, 0, 0, 0, 0, 0},                 {"br", 1, 0, 0, 0, 1, 0, -37.5L, -0.034L, 0.35L},
    {"ta", 3, 0, 0, 4, 1, 0, -138.3L, 0.021L, 0.85L},   {"an", 0, 0, 2, 2, 0, 1, -103.7L, 0.045L, 0.98L},
    {"di", 1, 0, 0, 2, 0, 1, -143.4L, 0.013L, 0.38L},
    // hydrous phases, taken only where named
    {"atg", 3, 0, 0, 2, 2, 0, -90.0L, -0.010L, 0.45L},  {"dsp", 0, 0, 1, 0, 1, 0, -20.0L, -0.030L, -0.15L},
    {"fcar", 0, 1, 1, 2, 2, 0, -70.0L, -0.030L, 0.40L}, {"mcar", 1, 0, 1, 2, 2, 0, -80.0L, -0.030L, 0.40L},
};
constexpr int ntable = 19;  // the part of the table that BM_mode3run takes

// The solids of the table (all, or those named in only) and H2O.
void setup(const std::vector<std::string>& only = {}) {
    resetall(3);
    resetsearch();
    setcomponents({"MgO", "FeO", "Al2O3", "SiO2", "H2O", "CaO"});
    for (int k = 0; k < static_cast<int>(std::size(ems)); ++k) {
        const emdata& e = ems[k];
        if (only.empty() ? k >= ntable : std::find(only.begin(), only.end(), e.name) == only.end()) continue;
        const int n[7] = {0, e.mgo, e.feo, e.al2o3, e.sio2, e.h2o, e.cao};
        real h = e.dh, s = e.ds, v = e.dv, atoms = 0;
        for (int i = 1; i <= 6; ++i) {
            h += n[i] * oxh[i];
            s += n[i] * oxs[i];
            v += n[i] * oxv[i];
            atoms += n[i] * oxatoms[i];
        }
        // heat capacities in proportion to the atoms (the template is a 20-atom garnet)
        tdrecord rec = solid(h, s, v);
        rec.cpa *= atoms / 20;
        rec.cpb *= atoms / 20;
        rec.cpc *= atoms / 20;
        rec.cpd *= atoms / 20;
        addem(e.name, rec, {e.mgo, e.feo, e.al2o3, e.sio2, e.h2o, e.cao});
    }
    ws.ih2o = addem("H2O", thermotest::fluidrec(-241.81L, 0.188799L, 0.0401L), {0, 0, 0, 0, 1, 0});
    for (int j = 1; j <= ws.nem; ++j) ws.covat(j, j) = 0.25L;
    settings.diagrammode = 0;
    settings.calcvariable = 1;
    settings.othervariable = 0;
    m3.calcrangetype = 0;
    settings.calcprange = {0, 2, 12};
    settings.calctrange = {0, 673.15L, 1073.15L};
    settings.nplist = 21;
    for (int j = 1; j <= 21; ++j) settings.plist[at(j)] = 2 + 0.5L * (j - 1);
    settings.pnow = 7;
    settings.tnow = 873.15L;
    settings.xh2ofluid = 1;
    reactions.allreactions = false;
    channels.outchannels = getenv("BENCHSHOW") ? 1 : 0;
}

void runmode3(benchmark::State& state) {
    int reacs = 0, points = 0;
    for (auto _ : state) {
        reactions.nomitted = 0;
        search.nexcluded = 0;
        bool found;
        calcre(found);
        if (reactions.nreac > 0) ptxtable();
        if (reactions.nreac > 2) intersections();
        reacs = reactions.nreac;
        points = m3.npoints;
    }
    state.counters["reactions"] = reacs;
    state.counters["points"] = points;
    state.counters["runs/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_mode3run(benchmark::State& state) {
    setup();
    runmode3(state);
}
BENCHMARK(BM_mode3run)->Unit(benchmark::kMillisecond);

void BM_mode3run_sp(benchmark::State& state) {
    // 15 solids, six of them hydrous, and H2O: 146 reactions between 1 and 20 kbar and
    // 200 and 1200 C
    setup({"br", "mcar", "ta", "atg", "fcar", "dsp", "ky", "and", "cor", "alm", "fa", "fs", "sil", "q", "en"});
    for (int j = 1; j <= ws.nem; ++j) preparetd(ws.td[at(j)]);  // as the dataset reader leaves them
    ds.spswitch = true;
    settings.calcprange = {0, 1, 20};
    settings.calctrange = {0, 473.15L, 1473.15L};
    settings.nplist = 20;
    for (int j = 1; j <= 20; ++j) settings.plist[at(j)] = j;
    settings.pnow = 10;
    runmode3(state);
    ds.spswitch = false;
}
BENCHMARK(BM_mode3run_sp)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt
