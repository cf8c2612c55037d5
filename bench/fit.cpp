// One least-squares iteration of the dataset refinement: 50 end-members with direct
// calorimetry, and 50 reactions among them with four runs each (200 runs).
#include <benchmark/benchmark.h>

#include <string>

#include "dsfit/assembly.h"
#include "dsfit/fitset.h"
#include "dsfit/lsq.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/dataset.h"

namespace {

using namespace zt;

constexpr int nems = 50;
constexpr int nreactions = 50;

void setupfit()
{
    resetchannels();
    channels.outchannels = 0;
    settings.autoexit = true;
    run.calcmode = 4;
    pd.fluidtype = 6;
    if (fit.tda.empty()) {
        testing::tempfolder folder;
        folder.writefile("ds-prefs.txt", "");
        allocatefitset();
    }
    resetfitdata();
    ds.dsmode = 6;
    ds.ntp = nems;
    fit.ntpfit = nems;
    for (int i = 1; i <= nems; ++i) {
        fitemrecord& r = fit.tda[static_cast<size_t>(i)];
        r.name = "e" + std::to_string(i);
        ds.dsnames[static_cast<size_t>(i)] = r.name;
        // A family of silicates whose entropy and volume grow with the index.
        r.H = -2500 - 2 * i;
        r.S = 0.080L + 0.0005L * i;
        r.V = 4.4L + 0.02L * i;
        r.cpa = 0.28L;
        r.cpb = -0.000007L;
        r.cpc = -1390;
        r.cpd = -2.3L;
        r.a0 = 0.000019L;
        r.k0 = 1600;
        r.k0p = 4.05L;
        r.k0pp = -r.k0p / r.k0;
        r.theta = 600;
        ++fit.nrows;
        fit.y[static_cast<size_t>(fit.nrows)] = r.H;
        fit.rowsd[static_cast<size_t>(fit.nrows)] = 2;
        fit.x[fitat(fit.nrows, i)] = 1;
        fit.b[fitat(fit.nrows, i)] = 1;
    }
    fit.ndirect = fit.ncal = fit.nrows;
    for (int e = 1; e <= nreactions; ++e) {
        fitexprec& x = fit.xp[static_cast<size_t>(e)];
        x.used = true;
        x.nrx = 2;
        x.rxem[1] = static_cast<int16_t>(e);
        x.rxem[2] = static_cast<int16_t>(e % nems + 1);
        x.rxcoef[1] = -1;
        x.rxcoef[2] = 1;
        x.nlist = 2;
        for (int k = 1; k <= 2; ++k) {
            x.rxpos[static_cast<size_t>(k)] = static_cast<int16_t>(k);
            x.listem[static_cast<size_t>(k)] = x.rxem[static_cast<size_t>(k)];
            x.listact[static_cast<size_t>(k)] = 1;
        }
        x.nbr = 4;
        x.brackets.assign(6, bracketrec{});
        for (int k = 1; k <= 4; ++k) {
            bracketrec& b = x.brackets[static_cast<size_t>(k)];
            b.p = 4 + 2 * ((k - 1) / 2);
            b.t = 900 + 50 * k;
            b.dir = k % 2 == 0;
            b.act[1] = b.act[2] = 1;
        }
    }
    fit.nexp = nreactions;
    fit.nrows = static_cast<int16_t>(fit.nrows + nreactions);
}

void BM_FitIteration(benchmark::State& state)
{
    setupfit();
    int16_t k = 0;
    for (auto _ : state) {
        k = static_cast<int16_t>(k % 1000 + 1);
        assemblelsq(k);
        qr();
        benchmark::DoNotOptimize(fit.sigfitsq);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["iterations/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FitIteration)->Unit(benchmark::kMillisecond);

}  // namespace
