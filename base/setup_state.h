// Process-wide state of one setup run. Start-up and the checks write most of it before the
// dialog exists; afterwards the dialog and the worker only read it, except for the counters.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Cancel presses while the worker runs, less the ones the user took back.
extern std::atomic<int32_t> CancelRequests;
// Whether Cancel was pressed since the last answer: two presses before a step looks get one
// question, not none.
inline bool CancelPressed() { return CancelRequests.load() >= 1; }
// After the question: a No takes back every press it answered. A Yes leaves one, which tells the
// dialog that a cancel is under way.
inline void CancelAnswered(bool confirmed) { CancelRequests = confirmed ? 1 : 0; }
// 1 while the progress bar may move; the texture step lowers it while its question is open.
extern std::atomic<int32_t> ProgressEnabled;
// Position counter shared by the progress senders; each step sets its own start value.
extern std::atomic<int32_t> ProgressStep;

// Whether a cancel must be confirmed while the product installs or its textures are expanded.
extern std::atomic<bool> AskBeforeCancel;
extern std::atomic<bool> AskBeforeCancelExpand;

// Results of the start-up checks.
extern bool ChecksPassed;
extern std::wstring CheckMessage;
extern bool IsVersion60;
extern bool UpgradeNeeded;
// The version the server announced, when UpgradeNeeded: the one an upgrade must leave installed.
extern std::wstring UpgradeVersion;
extern bool NeedVC8Prereq;
extern bool NeedMSXMLPrereq;

// The log file, fixed by the first log write.
extern std::wstring LogFilePath;
// The temporary folder (with its final backslash) and the run's download folder.
extern std::wstring TempPath;
extern std::wstring DownloadFolder;

// The product's display name, the %1 of most catalogue texts.
inline constexpr const wchar_t* kProductName = L"Tellura";
