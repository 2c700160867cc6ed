#include "threads/qel_trace_settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qel {

namespace {

// The decimal number after "PORT:", or 0 when it is no port number.
int PortNumber(const char* text) {
    errno = 0;
    const long port = std::strtol(text, nullptr, 10);
    return errno == 0 && port >= 1 && port <= 65535 ? static_cast<int>(port) : 0;
}

bool ReadPort(const char* value, TraceSettings* settings) {
    if (std::strncmp(value, "PORT:", 5) != 0) return false;
    settings->destination = kTraceCollector;
    settings->port = PortNumber(value + 5);
    return true;
}

}  // namespace

TraceSettings ReadTraceSettings(const char* threadDebug, const char* socketDebug) {
    TraceSettings settings;
    if (threadDebug) {
        settings.threadTrace = true;
        if (std::strcmp(threadDebug, "STDERR") == 0) {
            settings.destination = kTraceStderr;
        } else if (std::strcmp(threadDebug, "STDOUT") == 0) {
            settings.destination = kTraceStdout;
        } else {
            ReadPort(threadDebug, &settings);
        }
    }
    if (socketDebug) {
        settings.socketTrace = true;
        if (!settings.threadTrace && !ReadPort(socketDebug, &settings))
            settings.destination =
                std::strcmp(socketDebug, "STDOUT") == 0 ? kTraceStdout : kTraceStderr;
    }
    return settings;
}

}  // namespace qel
