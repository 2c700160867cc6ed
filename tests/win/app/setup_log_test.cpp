#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "tests/win/support/win_test_support.h"

namespace {

// Each case runs the log writer in a process of its own with TMP and TEMP pointing to a fresh
// folder, since the log's first call is once per process.
class SetupLogTest : public ::testing::Test {
  protected:
    void UseTemporaryFolder(const std::wstring& name) {
        folder = MakeFreshFolder(name);
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
        logPath = folder + L"KSTInstall.log";
    }
    void SetUp() override {
        savedTmp = Read(L"TMP");
        savedTemp = Read(L"TEMP");
        UseTemporaryFolder(L"setup_log");
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TMP", savedTmp.c_str());
        SetEnvironmentVariableW(L"TEMP", savedTemp.c_str());
    }
    static std::wstring Read(const wchar_t* name) {
        wchar_t value[1024];
        const DWORD length = GetEnvironmentVariableW(name, value, 1024);
        return std::wstring(value, length < 1024 ? length : 0);
    }
    void Write(const std::wstring& arguments) {
        ASSERT_EQ(RunTestProgram(L"log_writer.exe", arguments), 0u);
    }
    // The log without its stamps, after checking that every line has one.
    std::string Texts() {
        const std::string content = ReadWholeFile(logPath);
        static const std::regex stamped(R"((\d\d/\d\d/\d\d - \d\d:\d\d:\d\d): ([^\r]*)\r\n)");
        std::string texts;
        size_t consumed = 0;
        for (auto it = std::sregex_iterator(content.begin(), content.end(), stamped);
             it != std::sregex_iterator(); ++it) {
            if (static_cast<size_t>(it->position()) != consumed) break;
            texts += (*it)[2].str() + "|";
            consumed += it->length();
        }
        // What follows the stamped lines: empty lines from texts ending in a line feed.
        for (; consumed + 1 < content.size() && content.compare(consumed, 2, "\r\n") == 0;
             consumed += 2)
            texts += "|";
        EXPECT_EQ(consumed, content.size()) << "unexpected log content: " << content;
        return texts;
    }

    std::wstring folder, logPath, savedTmp, savedTemp;
};

}  // namespace

TEST_F(SetupLogTest, FirstLineOfARunTruncatesLaterLinesAppend) {
    WriteWholeFile(logPath, "an older run\r\n");
    Write(L"\"Begin bootstrap setup for Tellura installation\" \"Version 06-26-2009.09.50\"");
    EXPECT_EQ(Texts(), "Begin bootstrap setup for Tellura installation|Version 06-26-2009.09.50|");

    // The next run starts a fresh log again.
    Write(L"second");
    EXPECT_EQ(Texts(), "second|");
}

TEST_F(SetupLogTest, LockedFileLosesTheLineAndIsNotTruncatedLater) {
    WriteWholeFile(logPath, "");
    HANDLE lock = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(lock, "kept\r\n", 6, &written, nullptr);

    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"setup_log_test_ready");
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, L"setup_log_test_go");
    std::thread writer(
        [this] { Write(L"lost <signal:setup_log_test_ready> <wait:setup_log_test_go> appended"); });
    EXPECT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);
    CloseHandle(lock);
    SetEvent(go);
    writer.join();
    CloseHandle(ready);
    CloseHandle(go);

    const std::string content = ReadWholeFile(logPath);
    ASSERT_EQ(content.rfind("kept\r\n", 0), 0u) << content;
    EXPECT_EQ(content.find("lost"), std::string::npos);
    EXPECT_NE(content.find(": appended\r\n"), std::string::npos) << content;
}

TEST_F(SetupLogTest, TrailingLineFeedGivesAnEmptyLine) {
    Write(L"\"ends with a break\\n\"");
    EXPECT_EQ(Texts(), "ends with a break||");
}

TEST_F(SetupLogTest, TemporaryFolderWithNonAsciiCharacters) {
    UseTemporaryFolder(L"Journ\u00e9e \u65e5\u672c");
    Write(L"found");
    EXPECT_EQ(Texts(), "found|");
}

TEST_F(SetupLogTest, KeptLogIsAppendedToFromTheFirstLine) {
    WriteWholeFile(logPath, "");
    Write(L"running");
    Write(L"<keep> \"refused one\"");
    EXPECT_EQ(Texts(), "running|refused one|");
}
