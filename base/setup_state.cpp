#include "base/setup_state.h"

std::atomic<int32_t> CancelRequests{0};
std::atomic<int32_t> ProgressEnabled{1};
std::atomic<int32_t> ProgressStep{0};
std::atomic<bool> AskBeforeCancel{true};
std::atomic<bool> AskBeforeCancelExpand{true};

// Until the checks have run nothing is known to be wrong.
bool ChecksPassed = true;
std::wstring CheckMessage;
bool IsVersion60 = false;
bool UpgradeNeeded = false;
std::wstring UpgradeVersion;
bool NeedVC8Prereq = false;
bool NeedMSXMLPrereq = false;

std::wstring LogFilePath;
std::wstring TempPath;
std::wstring DownloadFolder;
