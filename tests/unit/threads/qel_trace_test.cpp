// The trace channel and the multi-threading setting, each configured once per process: every
// case runs the probe program with its own environment.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <thread>

#include "test_support.h"

namespace {

using qeltest::ReadFile;
using qeltest::SetEnv;

const char* const kVariables[] = {"QELThrDebug", "QELThrDebug_Host", "QELSocketDebug",
                                  "QELSysMultiThreading"};

// Messages end in "\n"; Windows' text-mode streams write it as "\r\n", the collector gets it
// as it is.
#ifdef _WIN32
const char kStreamLineEnd[] = "\r\n";
#else
const char kStreamLineEnd[] = "\n";
#endif

std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

struct ProbeOutput {
    int exitCode;
    std::string out;
    std::string err;
    std::string rawErr;
};

class TraceProbe : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kVariables) SetEnv(name, nullptr);
    }
    void TearDown() override {
        for (const char* name : kVariables) SetEnv(name, nullptr);
    }

    ProbeOutput Run(const std::string& mode) {
        const std::string base =
            qeltest::SiblingPath(std::string("probe_") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
#ifdef _WIN32
        const std::string program = qeltest::SiblingPath("qel_trace_probe.exe");
#else
        const std::string program = qeltest::SiblingPath("qel_trace_probe");
#endif
        ProbeOutput output;
        output.exitCode = qeltest::RunChild(program, mode, base + ".out", base + ".err");
        output.out = WithoutCarriageReturns(ReadFile(base + ".out"));
        output.rawErr = ReadFile(base + ".err");
        output.err = WithoutCarriageReturns(output.rawErr);
        return output;
    }

    static std::string MutexAddress(const std::string& out) {
        std::smatch match;
        return std::regex_search(out, match, std::regex("mutex=(0x[0-9a-f]+)")) ? match[1].str()
                                                                                : "";
    }
};

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// The frame around each message; the emitter is null for a thread without a thread object.
const std::regex kFramedLock(R"(\| tid=[0-9]+ \| emt=0x0+ \| evt=lockS \| m=(0x[0-9a-f]+) \n)");

TEST_F(TraceProbe, StderrTracesEachLockOnceInItsFrame) {
    SetEnv("QELThrDebug", "STDERR");
    const ProbeOutput probe = Run("lock");
    ASSERT_EQ(0, probe.exitCode);
    const std::string address = MutexAddress(probe.out);
    ASSERT_FALSE(address.empty());
    int locks = 0;
    for (std::sregex_iterator it(probe.err.begin(), probe.err.end(), kFramedLock), end; it != end;
         ++it) {
        EXPECT_EQ(address, (*it)[1].str());
        ++locks;
    }
    EXPECT_EQ(2, locks);  // Unlock and TryLock write nothing
    EXPECT_EQ(2, Count(probe.err, "evt=")) << probe.err;
    EXPECT_EQ(2, Count(probe.rawErr, address + " " + kStreamLineEnd));
    EXPECT_EQ(Count(probe.rawErr, "\n"), Count(probe.rawErr, kStreamLineEnd));
}

TEST_F(TraceProbe, LowerCaseStdoutTracesNothing) {
    SetEnv("QELThrDebug", "stdout");
    const ProbeOutput probe = Run("lock");
    ASSERT_EQ(0, probe.exitCode);
    EXPECT_EQ(0, Count(probe.out + probe.err, "evt="));
    EXPECT_FALSE(MutexAddress(probe.out).empty());
}

TEST_F(TraceProbe, SocketDebugAloneKeepsLocksSilentButShowsJoinFailure) {
    SetEnv("QELSocketDebug", "STDOUT");
    const ProbeOutput lock = Run("lock");
    EXPECT_EQ(0, Count(lock.out + lock.err, "evt="));
    const ProbeOutput join = Run("join");
    ASSERT_EQ(0, join.exitCode);
    EXPECT_TRUE(std::regex_search(
        join.out,
        std::regex(R"(^\| tid=[0-9]+ \| emt=0x[0-9A-F]+ \| null thread handle in Join \n$)")))
        << join.out;
    EXPECT_EQ("", join.err);
}

// The failed wait writes both lines whatever the switches; the error is the platform's
// (EDEADLK, ERROR_POSSIBLE_DEADLOCK), in hexadecimal and decimal.
TEST_F(TraceProbe, FailedJoinWaitIsReportedWithTheError) {
    SetEnv("QELSocketDebug", "STDOUT");
    const ProbeOutput probe = Run("selfjoin");
    ASSERT_EQ(0, probe.exitCode);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        probe.out, match,
        std::regex(R"(^\| tid=([0-9]+) \| emt=0x0*([0-9A-F]+) \| status = WAIT FAILED\n)"
                   R"(\| tid=\1 \| emt=0x0*\2 \| ERROR = 0x([0-9a-f]+) ([0-9]+)\n$)")))
        << probe.out;
    const long error = std::stol(match[4].str());
    EXPECT_NE(0, error);
    EXPECT_EQ(error, std::stol(match[3].str(), nullptr, 16));
}

TEST_F(TraceProbe, CollectorOnPortReceivesZeroTerminatedLines) {
    qeltest::LoopbackListener collector;
    ASSERT_NE(0, collector.Port());
    SetEnv("QELThrDebug", ("PORT:" + std::to_string(collector.Port())).c_str());
    const ProbeOutput probe = Run("lock");
    ASSERT_EQ(0, probe.exitCode);
    const std::string received = collector.AcceptAndReadAll();
    const std::string address = MutexAddress(probe.out);
    const std::string line = " | evt=lockS | m=" + address + " \n";
    EXPECT_EQ(2, Count(received, line + '\0')) << received;
    EXPECT_EQ(2, Count(received, std::string(1, '\0')));
    EXPECT_EQ(0, Count(probe.err, "evt="));
}

TEST_F(TraceProbe, RefusedPortReportsAndFallsBackToStderr) {
    int port;
    {
        qeltest::LoopbackListener closed;
        port = closed.Port();
    }
    ASSERT_NE(0, port);
    SetEnv("QELThrDebug", ("PORT:" + std::to_string(port)).c_str());
    const ProbeOutput probe = Run("lock");
    ASSERT_EQ(0, probe.exitCode);
    EXPECT_NE(std::string::npos, probe.err.find("thread_cnx connect: ")) << probe.err;
    EXPECT_EQ(2, Count(probe.err, "evt=lockS"));
}

// A port beyond 16 bits is not cut to one: that would reach the collector listening below it.
TEST_F(TraceProbe, PortOutOfRangeReportsAndFallsBackToStderr) {
    qeltest::LoopbackListener collector;
    ASSERT_NE(0, collector.Port());
    for (const std::string& port :
         {std::to_string(collector.Port() + 65536), std::string("0"), std::string("99999999999")}) {
        SetEnv("QELThrDebug", ("PORT:" + port).c_str());
        const ProbeOutput probe = Run("lock");
        ASSERT_EQ(0, probe.exitCode);
        EXPECT_NE(std::string::npos, probe.err.find("thread_cnx port: ")) << port << probe.err;
        EXPECT_EQ(2, Count(probe.err, "evt=lockS")) << port;
    }
}

TEST_F(TraceProbe, OverlongMessageIsCutAndKeepsItsLineEnd) {
    SetEnv("QELSocketDebug", "STDERR");
    const ProbeOutput probe = Run("long");
    ASSERT_EQ(0, probe.exitCode);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(probe.err, match, std::regex(R"(emt=0x0+ \| (x+)\n)")));
    EXPECT_EQ(998u, match[1].length());
    EXPECT_NE(std::string::npos, probe.err.find("| after\n"));
}

TEST_F(TraceProbe, MultiThreadingRefusedOnlyByUpperCaseFalse) {
    SetEnv("QELSysMultiThreading", "FALSE");
    EXPECT_EQ("allowed=0 processors=1\n", Run("multithreading").out);
    SetEnv("QELSysMultiThreading", "false");
    const std::string processors = std::to_string(std::thread::hardware_concurrency());
    EXPECT_EQ("allowed=-1 processors=" + processors + "\n", Run("multithreading").out);
    SetEnv("QELSysMultiThreading", nullptr);
    EXPECT_EQ("allowed=-1 processors=" + processors + "\n", Run("multithreading").out);
}

}  // namespace
