#include "MaximalProject.h"

#include "compiler/BankWriters.h"
#include "compiler/CompileProject.h"
#include "compiler/DeviceImage.h"
#include "core/Clock.h"
#include "core/MessageSink.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

namespace ordane::bench {
namespace {

namespace fs = std::filesystem;

class SilentSink : public MessageSink {
public:
    void info(const std::string&) override {}
    void error(const std::string&) override {}
};

// The maximal project in a temporary folder, written once for all benchmarks. Held by a
// pointer that is never freed, so the clean-up at exit can still read it.
const fs::path* gProject = nullptr;

const fs::path& maximalProject() {
    if (!gProject) {
        std::string pattern = (fs::temp_directory_path() / "ordane-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::cerr << "cannot create a temporary folder\n";
            std::exit(1);
        }
        gProject = new fs::path(fs::path(pattern) / "Maximal");
        writeMaximalProject(*gProject);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(gProject->parent_path(), ec);
        });
    }
    return *gProject;
}

void compileMaximalProject(benchmark::State& state) {
    SilentSink messages;
    const FixedClock clock{LocalDateTime{2026, 12, 9, 1, 8, 30}};
    DeviceImage image;
    for (auto _ : state) {
        compileProject(maximalProject(), image, messages, clock);
        benchmark::DoNotOptimize(image.bytes().data());
    }
}
BENCHMARK(compileMaximalProject)->Unit(benchmark::kMicrosecond);

void writeBankFilesAndSource(benchmark::State& state) {
    SilentSink messages;
    const FixedClock clock{LocalDateTime{2026, 12, 9, 1, 8, 30}};
    DeviceImage image;
    compileProject(maximalProject(), image, messages, clock);
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeBankFilesAndSource(image, maximalProject()));
    }
}
BENCHMARK(writeBankFilesAndSource)->Unit(benchmark::kMicrosecond);

void formatBankSource(benchmark::State& state) {
    DeviceImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(bankSourceText(image));
}
BENCHMARK(formatBankSource)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace ordane::bench

// `ordane_bench --write-project DIR` only writes the maximal project (for bench/compile.sh);
// any other arguments go to Google Benchmark.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-project") == 0) {
        ordane::bench::writeMaximalProject(argv[2]);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
