#include "threads/qel_trace.h"

#include <cerrno>
#include <cstdarg>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "threads/qel_platform.h"
#include "threads/qel_thread_annotations.h"
#include "threads/qel_threads.h"
#include "threads/qel_trace_settings.h"
#include "threads/qel_trace_switch.h"

namespace qel {
int threadTraceSwitch = 0;
}

namespace {

constexpr size_t kMessageSize = 1000;
constexpr size_t kLineSize = 1500;

// The switches and the destination are set while the channel is configured, before a second
// thread exists; the collector's socket can come later (thread_cnx).
struct Channel {
    qel::PlatformLock* mutex = nullptr;
    qel::TraceDestination destination = qel::kTraceNone;
    int socketTrace = 0;
    qel::TraceSocket* socket QEL_GUARDED_BY(mutex) = nullptr;
};

Channel channel;

int Configure() {
    channel.mutex = qel::LockCreate();
    const qel::TraceSettings settings =
        qel::ReadTraceSettings(std::getenv("QELThrDebug"), std::getenv("QELSocketDebug"));
    qel::threadTraceSwitch = settings.threadTrace ? -1 : 0;
    channel.socketTrace = settings.socketTrace ? -1 : 0;
    if (settings.destination != qel::kTraceCollector) {
        channel.destination = settings.destination;
    } else {
        // A collector that cannot be reached leaves the trace on standard error.
        const bool connected = thread_cnx(std::getenv("QELThrDebug_Host"), settings.port) == 0;
        channel.destination = connected ? qel::kTraceCollector : qel::kTraceStderr;
    }
    return qel::threadTraceSwitch ? 1 : 0;
}

// Under the channel's lock where it has one: thread_cnx may come before the channel is
// configured, and a failed creation leaves it none. The analysis cannot follow a lock taken
// only where it exists.
void StoreSocket(qel::TraceSocket* socket) QEL_NO_THREAD_SAFETY_ANALYSIS {
    if (channel.mutex) qel::LockEnter(channel.mutex);
    channel.socket = socket;
    if (channel.mutex) qel::LockLeave(channel.mutex);
}

// A message that does not fit is cut, keeping its line end so that lines stay apart.
void FormatMessage(char (&message)[kMessageSize], const char* format, va_list args) {
    const int length = std::vsnprintf(message, sizeof message, format, args);
    if (length < 0) {
        message[0] = '\0';
    } else if (static_cast<size_t>(length) >= sizeof message) {
        message[sizeof message - 2] = '\n';
    }
}

void WriteLine(const char* message) {
    if (channel.destination == qel::kTraceNone || !channel.mutex) return;
    qel::NoCancelScope noCancel;
    qel::LockEnter(channel.mutex);
    char line[kLineSize];
    const int length = std::snprintf(
        line, sizeof line, "| tid=%d | emt=0x%0*" PRIXPTR " | %s",
        static_cast<int>(QELThreads::GetCurrentThreadId()), static_cast<int>(2 * sizeof(void*)),
        reinterpret_cast<uintptr_t>(QELThreads::GetCurrentThread()), message);
    if (length >= 0) {
        if (channel.destination == qel::kTraceCollector) {
            const size_t size =
                static_cast<size_t>(length) < sizeof line ? length : sizeof line - 1;
            qel::TraceSend(channel.socket, line, size + 1);  // with its terminating zero
        } else {
            std::fprintf(channel.destination == qel::kTraceStdout ? stdout : stderr, "%s", line);
        }
    }
    qel::LockLeave(channel.mutex);
}

}  // namespace

int QELThrTraceInit() {
    static const int answer = Configure();
    return answer;
}

int thread_cnx(const char* host, int port) {
    if (port < 1 || port > 65535) {
        errno = EINVAL;
        std::perror("thread_cnx port");
        return 1;
    }
    qel::TraceSocket* socket = nullptr;
    const int result = qel::TraceConnect(host, port, &socket);
    if (result == 0) StoreSocket(socket);
    return result;
}

void QELThrTraceLine(const char* format, ...) {
    QELThrTraceInit();
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    FormatMessage(message, format, args);
    va_end(args);
    WriteLine(message);
}

void QELThrTrace(const char* format, ...) {
    if (!qel::ThreadTraceOn()) return;
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    FormatMessage(message, format, args);
    va_end(args);
    QELThrTraceLine("%s", message);
}

void QELThrTraceAlways(const char* format, ...) {
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    FormatMessage(message, format, args);
    va_end(args);
    QELThrTraceLine("%s", message);
}
