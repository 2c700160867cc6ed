// Writes each argument as one setup-log line, in a process of its own so that the log's
// first-call behaviour can be observed. "<keep>" asks to keep an existing log,
// "<signal:NAME>" sets the named event and "<wait:NAME>" waits for it.
#include <windows.h>

#include <string>

#include "base/setup_log.h"

namespace {

bool Starts(const std::wstring& text, const wchar_t* prefix, std::wstring& rest) {
    const std::wstring start(prefix);
    if (text.compare(0, start.size(), start) != 0 || text.back() != L'>') return false;
    rest = text.substr(start.size(), text.size() - start.size() - 1);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        std::wstring name;
        if (argument == L"<keep>") {
            KeepExistingLog();
        } else if (Starts(argument, L"<signal:", name)) {
            HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
            SetEvent(event);
            CloseHandle(event);
        } else if (Starts(argument, L"<wait:", name)) {
            HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
            if (WaitForSingleObject(event, 20000) != WAIT_OBJECT_0) return 2;
            CloseHandle(event);
        } else {
            // Arguments cannot carry a line feed; "\n" stands for one.
            std::wstring text = argument;
            for (size_t at; (at = text.find(L"\\n")) != std::wstring::npos;)
                text.replace(at, 2, L"\n");
            WriteLog(text.c_str());
        }
    }
    return 0;
}
