// Speed of start-up: the allocation of the program's heap arrays alone, and a whole run
// of the example folder (the mode-3 example: preferences, dataset, a-x file and script),
// in runs per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/heaparrays.h"
#include "app/mainloop.h"
#include "runtime/prefs.h"
#include "support/testsupport.h"

namespace zt {
namespace {

void BM_HeapArrays(benchmark::State& state) {
    testing::consolecapture console;
    resetprefs();
    for (auto _ : state) {
        initglobals();
        freeglobals();
    }
    state.counters["runs"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HeapArrays)->Unit(benchmark::kMillisecond);

std::string examplefile(const std::filesystem::path& name) {
    return testing::filetext((std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / name).string());
}

void BM_ExampleRun(benchmark::State& state) {
    testing::tempfolder folder;
    for (const char* name : {"zt-prefs.txt", "zt-alsi.txt", "zt-ds62ex.txt", "zt-ex.txt"}) {
        const std::string text = examplefile(name);
        if (text.empty()) {
            state.SkipWithError("the example folder cannot be read");
            return;
        }
        folder.writefile(name, text);
    }
    for (auto _ : state) {
        testing::consolecapture console;
        if (testing::exitcodeof([] { runprogram(); }) != -1) {
            state.SkipWithError("the example run did not end normally");
            return;
        }
    }
    state.counters["runs"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExampleRun)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt
