// The package download's way of fetching (512 KiB range requests over one kept-alive socket
// connection) against curl fetching the same file in one request from the same nginx, and the
// probe's peak memory while it writes each piece to disk. Run through run_bench.sh.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "http/socket_driver.h"

extern char** environ;

namespace {

const int32_t kPiece = 512 * 1024;

std::string Env(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

std::string FileUrl() { return Env("QEL_PEERS_URL") + "/files/blob.bin"; }

double CpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs a program to its end with its output discarded; its exit status.
int Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Peak resident memory of the probe in KiB, measured by time(1): a child spawned from here
// would inherit this process's high-water mark. -1 when the probe failed.
long ProbePeak(std::vector<std::string> args) {
    std::string report = Env("QEL_PEERS_WORK") + "/probe.rss";
    args.insert(args.begin(), {"/usr/bin/time", "-o", report, "-f", "%M", QEL_HTTP_PROBE});
    if (Run(args) != 0) return -1;
    FILE* file = fopen(report.c_str(), "r");
    long kib = -1;
    if (file && fscanf(file, "%ld", &kib) != 1) kib = -1;
    if (file) fclose(file);
    return kib;
}

void SocketDriverRangePieces(benchmark::State& state) {
    int64_t size = std::stoll(Env("QEL_PEERS_SIZE"));
    double cpu = 0;
    for (auto _ : state) {
        double before = CpuSeconds();
        QELHttpSocketDriver driver(nullptr, 1, 1);
        for (int64_t from = 0; from < size; from += kPiece) {
            char* body = nullptr;
            int32_t length = 0;
            int32_t result =
                driver.GetRange(FileUrl().c_str(), kHttpFlagKeepAlive, 0,
                                static_cast<int32_t>(from), kPiece, &body, &length, nullptr);
            free(body);
            if (result != kHttpOk) {
                state.SkipWithError("range request failed");
                return;
            }
        }
        cpu += CpuSeconds() - before;
    }
    state.counters["cpu_s_per_file"] = cpu / state.iterations();
    state.SetBytesProcessed(state.iterations() * size);
}

void CurlWholeFile(benchmark::State& state) {
    int64_t size = std::stoll(Env("QEL_PEERS_SIZE"));
    for (auto _ : state) {
        if (Run({"curl", "-s", "-f", "-o", "/dev/null", FileUrl()}) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * size);
}

// Peak memory of the probe fetching the file in pieces to disk, less its peak for one byte.
void ProbePeakMemory(benchmark::State& state) {
    std::string out = Env("QEL_PEERS_WORK") + "/probe.bin";
    long small = 0;
    long whole = 0;
    for (auto _ : state) {
        small = ProbePeak({"--range", "0", "1", "--out", out, FileUrl()});
        whole = ProbePeak({"--pieces", std::to_string(kPiece), "--out", out, FileUrl()});
        if (small < 0 || whole < 0) {
            state.SkipWithError("probe failed");
            return;
        }
    }
    state.counters["peak_KiB"] = whole;
    state.counters["extra_KiB"] = whole - small;
    state.counters["limit_KiB"] = 3 * kPiece / 1024;
}

BENCHMARK(SocketDriverRangePieces)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(CurlWholeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ProbePeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// Prints as usual and keeps the wall times, for the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    if (Env("QEL_PEERS_URL").empty() || Env("QEL_PEERS_SIZE").empty()) {
        fprintf(stderr, "run through bench/http/run_bench.sh\n");
        return 2;
    }
    setenv("HTTPDriver", "1", 1);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double ours = reporter.seconds["SocketDriverRangePieces/iterations:5/real_time"];
    double curl = reporter.seconds["CurlWholeFile/iterations:5/real_time"];
    if (ours > 0 && curl > 0)
        printf("wall time, 512 KiB pieces / curl one request: %.2f (goal: at most 1.25)\n",
               ours / curl);
    return 0;
}
