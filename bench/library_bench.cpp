// Loading and releasing qxipcdll.dll with the checks the agent makes first,
// as every publishing cycle does: the library's own share of a cycle.

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "bench/bench_check.h"
#include "os/dynamic_library.h"
#include "os/environment.h"
#include "os/module_file.h"
#include "text/path_text.h"

namespace {

using NBench::Fail;

// Q6_BENCH_LIBRARY names another build of the library to measure, so that
// two builds are timed by the same code; else the one beside the executable.
std::string LibraryToMeasure() {
    if (std::optional<std::string> chosen = NOs::GetEnvironment("Q6_BENCH_LIBRARY")) {
        return *chosen;
    }
    const NOs::NResult<std::string> folder = NOs::GetModuleFolder(nullptr);
    return folder ? NOs::JoinPath(folder.Value(), "qxipcdll.dll") : std::string();
}

void BM_LibraryLoadRelease(benchmark::State& state) {
    const std::string path = LibraryToMeasure();
    NOs::NDynamicLibrary library;
    for (auto _ : state) {
        if (const NOs::NLibraryStatus opened = library.Open(path); !opened) {
            Fail(state, opened.Error().Message());
            break;
        }
        library.Close();
    }
}
BENCHMARK(BM_LibraryLoadRelease)->Unit(benchmark::kMicrosecond);

}  // namespace
