// The package download's way of fetching (512 KiB range requests over kept-alive socket
// connections) against curl fetching the same file in one request from the same nginx: straight
// from the file server, and through the link server's 302 to a file server on another port for
// every piece (curl -L follows it once); with the TCP connections each run opened, from nginx's
// log. Also the probe's peak memory while it writes each piece to disk. Run through
// run_bench.sh.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/run_program.h"
#include "http/socket_driver.h"

namespace {

const int32_t kPiece = 512 * 1024;

std::string Env(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

std::string FileUrl() { return Env("QEL_PEERS_URL") + "/files/blob.bin"; }
// The link that nginx answers with a 302 to the file on its second server.
std::string LinkUrl() { return Env("QEL_PEERS_URL") + "/otherlink/?LinkId=1001"; }

// The distinct TCP connections (server port and connection number) that nginx logged for
// requests sent with this user agent.
size_t ConnectionsOf(const std::string& agent) {
    std::ifstream log(Env("QEL_PEERS_LOG"));
    std::set<std::string> connections;
    for (std::string line; std::getline(log, line);) {
        if (line.find("\"" + agent + "\"") == std::string::npos) continue;
        const size_t port = line.find(' ');
        connections.insert(line.substr(0, line.find(' ', port + 1)));
    }
    return connections.size();
}

double CpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Peak resident memory of the probe in KiB, measured by time(1): a child spawned from here
// would inherit this process's high-water mark. -1 when the probe failed.
long ProbePeak(std::vector<std::string> args) {
    std::string report = Env("QEL_PEERS_WORK") + "/probe.rss";
    args.insert(args.begin(), {"/usr/bin/time", "-o", report, "-f", "%M", QEL_HTTP_PROBE});
    if (RunProgram(args) != 0) return -1;
    FILE* file = fopen(report.c_str(), "r");
    long kib = -1;
    if (file && fscanf(file, "%ld", &kib) != 1) kib = -1;
    if (file) fclose(file);
    return kib;
}

// A user agent of its own for each run, by which nginx's log tells its connections apart.
std::string RunAgent(const char* kind) {
    static int runs = 0;
    return std::string(kind) + "-" + std::to_string(++runs);
}

// Fetches the file in pieces from `url` as the package download does, with a fresh driver per
// iteration; the nginx-logged connections per iteration go into the counters.
void FetchInPieces(benchmark::State& state, const std::string& url, const char* kind) {
    int64_t size = std::stoll(Env("QEL_PEERS_SIZE"));
    const std::string agent = RunAgent(kind);
    const std::string agentLine = agent + "\r\n";
    double cpu = 0;
    for (auto _ : state) {
        double before = CpuSeconds();
        QELHttpSocketDriver driver(agentLine.c_str(), 1, 1);
        for (int64_t from = 0; from < size; from += kPiece) {
            char* body = nullptr;
            int32_t length = 0;
            int32_t result =
                driver.GetRange(url.c_str(), kHttpFlagKeepAlive, 0, static_cast<int32_t>(from),
                                kPiece, &body, &length, nullptr);
            free(body);
            if (result != kHttpOk) {
                state.SkipWithError("range request failed");
                return;
            }
        }
        cpu += CpuSeconds() - before;
    }
    state.counters["cpu_s_per_file"] = cpu / state.iterations();
    state.counters["connections"] =
        static_cast<double>(ConnectionsOf(agent)) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * size);
}

void SocketDriverRangePieces(benchmark::State& state) {
    FetchInPieces(state, FileUrl(), "qel-bench-direct");
}

void SocketDriverRedirectedPieces(benchmark::State& state) {
    FetchInPieces(state, LinkUrl(), "qel-bench-redirected");
}

void Curl(benchmark::State& state, std::vector<std::string> args, const char* kind) {
    int64_t size = std::stoll(Env("QEL_PEERS_SIZE"));
    const std::string agent = RunAgent(kind);
    args.insert(args.begin(), {"curl", "-s", "-f", "-A", agent, "-o", "/dev/null"});
    for (auto _ : state) {
        if (RunProgram(args) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    state.counters["connections"] =
        static_cast<double>(ConnectionsOf(agent)) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * size);
}

void CurlWholeFile(benchmark::State& state) { Curl(state, {FileUrl()}, "curl-direct"); }

// curl doing the download's own work: the same 512 KiB ranges of the link, each through its
// 302, in one run that keeps its connections. Against this the round trips cost both the same.
void CurlSameRedirectedPieces(benchmark::State& state) {
    const int64_t size = std::stoll(Env("QEL_PEERS_SIZE"));
    std::vector<std::string> args;
    for (int64_t from = 0; from < size; from += kPiece) {
        const int64_t to = std::min<int64_t>(from + kPiece, size) - 1;
        if (from > 0) args.insert(args.end(), {"--next", "-s", "-f", "-o", "/dev/null"});
        args.insert(args.end(),
                    {"-L", "-r", std::to_string(from) + "-" + std::to_string(to), LinkUrl()});
    }
    Curl(state, args, "curl-redirected-pieces");
}

void CurlFollowingTheRedirect(benchmark::State& state) {
    Curl(state, {"-L", LinkUrl()}, "curl-redirected");
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

// Five fetches a run, five runs; the ratios compare medians, so that a run disturbed by
// another process on the machine (or the first one's cold caches) does not decide.
#define QEL_TIMED_FETCH(name) \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(5)
QEL_TIMED_FETCH(SocketDriverRangePieces);
QEL_TIMED_FETCH(CurlWholeFile);
QEL_TIMED_FETCH(SocketDriverRedirectedPieces);
QEL_TIMED_FETCH(CurlFollowingTheRedirect);
QEL_TIMED_FETCH(CurlSameRedirectedPieces);
BENCHMARK(ProbePeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// Prints as usual and keeps the median wall time of each benchmark, for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
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
    const struct {
        const char* what;
        const char* ours;
        const char* curl;
        const char* goal;
    } ratios[] = {
        {"512 KiB pieces / curl one request", "SocketDriverRangePieces", "CurlWholeFile",
         "goal: at most 1.25"},
        {"512 KiB pieces, each through a 302 to another server / curl -L",
         "SocketDriverRedirectedPieces", "CurlFollowingTheRedirect", "goal: at most 1.25"},
        {"the same / curl fetching the same redirected pieces", "SocketDriverRedirectedPieces",
         "CurlSameRedirectedPieces", "for comparison: the same requests"},
    };
    for (const auto& ratio : ratios) {
        double ours = reporter.seconds[ratio.ours];
        double curl = reporter.seconds[ratio.curl];
        if (ours > 0 && curl > 0)
            printf("median wall time, %s: %.2f (%s)\n", ratio.what, ours / curl, ratio.goal);
    }
    return 0;
}
