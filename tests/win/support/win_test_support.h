// Small Win32 helpers shared by the Windows suites and the end-to-end runs.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// UTF-8 and back, for comparing with log lines and for messages.
std::string Narrow(const std::wstring& text);
std::wstring Wide(const std::string& text);
// The Windows path under which Wine shows a Unix path (CMake gives the Unix ones).
std::wstring WinePath(const std::wstring& unixPath);
// The Unix folder named by the variable, as Wine shows it; empty when unset.
std::wstring WinePathFromVariable(const char* name);

// The folder of the running test program, with its final backslash.
std::wstring TestProgramFolder();
// A fresh empty folder below the temporary folder; the name may carry any characters.
std::wstring MakeFreshFolder(const std::wstring& name);
// Runs a program of the test folder with the arguments and waits; returns its exit code.
DWORD RunTestProgram(const std::wstring& program, const std::wstring& arguments);
// The whole content of a file, or "<missing>".
std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& content);
// The setup log's lines. A line without the "MM/DD/YY - HH:MM:SS: " frame (the rest of a text
// that held a line feed) is kept whole with an empty stamp.
struct LogLine {
    std::string stamp;
    std::string text;
};
std::vector<LogLine> ReadLogLines(const std::wstring& path);
// Index of the first line at or after `from` whose text is exactly `text`, or -1.
int FindLine(const std::vector<LogLine>& lines, const std::string& text, int from = 0);

// Sets the Windows version Wine reports to processes started from now on in this prefix;
// empty: Wine's default.
bool SetWineVersion(const wchar_t* version);
// Polls condition until it holds or the timeout passes.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
