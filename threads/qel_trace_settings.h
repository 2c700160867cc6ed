// What the trace variables ask for, read from their values ("QELThrDebug", "QELSocketDebug";
// null when unset), before anything is opened.
#pragma once

namespace qel {

enum TraceDestination { kTraceNone, kTraceStdout, kTraceStderr, kTraceCollector };

struct TraceSettings {
    bool threadTrace = false;
    bool socketTrace = false;
    TraceDestination destination = kTraceNone;
    // For the collector: the port after "PORT:", 0 when it is no port number (1 to 65535).
    int port = 0;
};

TraceSettings ReadTraceSettings(const char* threadDebug, const char* socketDebug);

}  // namespace qel
