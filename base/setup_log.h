// The setup log "KSTInstall.log" in the temporary folder: one line per call, the file opened and
// closed each time so that it is complete even if the process is killed. Callable from any
// thread; callers are serialised by a lock, so no line is lost to another thread's write.
#pragma once

// Writes one stamped line. The first call of the process fixes LogFilePath and starts a fresh
// file; later calls append. A line that cannot be written is dropped.
void WriteLog(const wchar_t* text);

// Makes the first call append instead of truncating: used when another setup is running and
// this one is about to be refused, so that the running setup's log survives.
void KeepExistingLog();
