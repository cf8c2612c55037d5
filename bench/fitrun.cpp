// Speed of the dataset refinement: a whole mode-9 run (reading, two iterations, the
// report and the new dataset) of 512 experiments on eight end-members: 128 reactions
// among end-members, 256 divariant garnet-plagioclase equilibria with the garnet
// composition given, and 128 univariant equilibria whose compositions are calculated.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/mainloop.h"
#include "support/testsupport.h"

namespace zt {
namespace {

// The end-members, the garnet model and the preferences are those of an end-to-end case
// of the refinement.
std::string casefile(const std::string& name) {
    return testing::filetext(
        (std::filesystem::path(__FILE__).parent_path().parent_path() / "tests" / "e2e" / "mode9-unknown-comps" / name).string());
}

std::string fixed(double x, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
    return buf;
}

// 512 experiments in turn: a reaction, two divariant equilibria, a univariant one, with
// runs spread a little in P, T and composition.
std::string experiments() {
    std::string t =
        "% direct calorimetry\n"
        "1  ky    -2593.10  1.00\n1  sill  -2585.70  1.00\n1  and   -2588.80  1.00\n1  q      -910.70  0.40\n"
        "1  an    -4232.70  1.50\n1  gr    -6643.00  3.00\n1  py    -6281.90  3.00\n1  en    -1500.50  2.00\n0\n"
        "% oxide calorimetry\n0\n% experiments\n";
    for (int i = 0; i < 512; ++i) {
        const int j = i / 4;
        const std::string n = std::to_string(i);
        switch (i % 4) {
            case 0: {
                const std::string p = fixed(5.0 + 0.1 * (j % 20), 1);
                t += "1 ky sill\n -1 1  1\n1 1  ky-sill " + n + "\n0  " + p + "  " + std::to_string(690 - j % 7) + "  0\n1  " + p +
                     "  " + std::to_string(815 + j % 5) + "  0\n-1\n";
                break;
            }
            case 1:
            case 2: {
                const std::string x = fixed(0.6 + 0.01 * (j % 20), 2), T = std::to_string(700 + j % 11);
                t += "1 g an ky q divariant\n 1 1  garnet-plagioclase " + n + "\nan gr ky q\n -3 1 2 1\n0  " +
                     fixed(7.0 - 0.05 * (j % 10), 1) + "  " + T + "  0  " + x + "\n1  " + fixed(8.0 + 0.05 * (j % 10), 1) + "  " +
                     T + "  0  " + x + "\n-1\n";
                break;
            }
            default: {
                const std::string p = fixed(4.8 + 0.02 * (j % 20), 2);
                t += "1 g an ky q en univariant unknowncomps\n 2 1  gasp-en " + n + "\nan gr ky q\n -3 1 2 1\npy q en ky\n -1 -1 3 1\n0  " +
                     p + "  " + std::to_string(730 + j % 5) + "  0\n1  " + p + "  " + std::to_string(685 - j % 5) + "  0\n-1\n";
            }
        }
    }
    return t + "0\n";
}

void BM_Fit512(benchmark::State& state) {
    testing::tempfolder folder;
    for (const char* name : {"ds-ax62.txt", "ds-em62.txt", "ds-prefs.txt", "ds-scr62.txt", "zt-AFM.txt", "zt-prefs.txt"}) {
        const std::string text = casefile(name);
        if (text.empty()) {
            state.SkipWithError("the refinement's files cannot be read");
            return;
        }
        folder.writefile(name, text);
    }
    folder.writefile("ds-xp62.txt", experiments());
    for (auto _ : state) {
        testing::consolecapture console("2\n");
        if (testing::exitcodeof([] { runprogram(); }) != -1 || !folder.exists("zt-ds62.txt")) {
            state.SkipWithError("the refinement did not end with a new dataset");
            return;
        }
    }
    state.counters["experiments"] = benchmark::Counter(512.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Fit512)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt
