// Process-wide debugging trace of the thread library, configured once from the environment
// ("QELThrDebug", "QELThrDebug_Host", "QELSocketDebug").
#pragma once

#include "threads/qel_export.h"

// Configures the channel on the first call; 1 when thread tracing is on, else 0.
QEL_EXPORT int QELThrTraceInit();
// Writes one line "| tid=... | emt=0x... | message". Messages longer than 999 characters are cut
// to 998 and ended with a line end.
QEL_EXPORT void QELThrTraceLine(const char* format, ...);
// Writes only when thread tracing is on.
QEL_EXPORT void QELThrTrace(const char* format, ...);
// Writes whatever the switches.
QEL_EXPORT void QELThrTraceAlways(const char* format, ...);
// Connects to the trace collector (host null: 127.0.0.1); 0, or 1 / -1 on failure.
QEL_EXPORT int thread_cnx(const char* host, int port);
