// The package download through the link server (a 302 before every piece, as the real server
// answers) against curl -L fetching the same file in one request, and the download's peak
// memory above an idle process. Run through run_bench.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/run_program.h"
#include "engine/package_download.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string LinkUrl() { return "http://" + Env("LINKSERVER_HOST") + "/fwlink/?LinkId=136707"; }
std::string Target() { return Env("BENCH_WORK") + "/downloaded.bin"; }

// Peak resident memory in KiB of the probe run with the arguments, by time(1); -1 on failure.
long PeakKiB(std::vector<std::string> args) {
    const std::string report = Env("BENCH_WORK") + "/peak.txt";
    args.insert(args.begin(), {"/usr/bin/time", "-o", report, "-f", "%M", ENGINE_DOWNLOAD_PROBE});
    if (RunProgram(args) != 0) return -1;
    long kib = -1;
    std::ifstream(report) >> kib;
    return kib;
}

void PackageDownload(benchmark::State& state) {
    for (auto _ : state) {
        if (RunProgram({ENGINE_DOWNLOAD_PROBE, LinkUrl(), Target()}) != 0)
            state.SkipWithError("download failed");
    }
}

void CurlOneRequest(benchmark::State& state) {
    for (auto _ : state) {
        if (RunProgram({"curl", "-sfL", "-o", Target(), LinkUrl()}) != 0)
            state.SkipWithError("curl failed");
    }
}

// Both are whole processes, so both pay a process start.
BENCHMARK(PackageDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(CurlOneRequest)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

// Keeps the median real time of each benchmark for the summary.
class Summary : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    const double download = summary.medians["PackageDownload"];
    const double curl = summary.medians["CurlOneRequest"];
    if (download > 0 && curl > 0)
        std::printf("\nwall time, download / curl -L: %.2fx (goal <= 1.25x)\n", download / curl);
    // With every page of the libraries mapped first in both, the difference is what the
    // download allocated; without, it also holds the shared library code only a download runs.
    const long idle = PeakKiB({"--resident", "--idle"});
    const long peak = PeakKiB({"--resident", LinkUrl(), Target()});
    const long idleCode = PeakKiB({"--idle"});
    const long peakCode = PeakKiB({LinkUrl(), Target()});
    if (idle > 0 && peak > 0 && idleCode > 0 && peakCode > 0)
        std::printf(
            "peak memory above an idle process: %ld KiB (goal <= %d KiB: a piece more than the "
            "%d in flight); with the library code only the download ran: %ld KiB\n",
            peak - idle, (kDefaultConnections + 1) * 512, kDefaultConnections, peakCode - idleCode);
    return 0;
}
