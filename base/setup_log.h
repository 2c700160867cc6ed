// The setup log "KSTInstall.log" in the temporary folder: one line per call, each written to the
// system at once so that the log is complete even if the process is killed. The file is made
// new (a link planted at its name is removed, not followed) and held open for the run. Callable
// from any thread; callers are serialised by a lock, so no line is lost to another thread's write.
#pragma once

#include <string>

#include "base/step_protocol.h"

// Writes one stamped line. The first call of the process fixes TempPath and LogFilePath and
// starts a fresh file; later calls append. Without a temporary folder nothing is written.
void WriteLog(const wchar_t* text);

// Makes the first call append instead of truncating: used when another setup is running and
// this one is about to be refused, so that the running setup's log survives.
void KeepExistingLog();

// A step whose entry and exit lines go to the setup log; `failed` unless it chooses another.
inline StepProtocol LoggedStep(const wchar_t* entry, const wchar_t* failed) {
    return StepProtocol([](const std::wstring& line) { WriteLog(line.c_str()); }, entry, failed);
}
