// The thread-trace switch, tested by every traced operation.
#pragma once

namespace qel {

// Written once while the channel is configured, before a second thread exists.
extern int threadTraceSwitch;

inline bool ThreadTraceOn() { return threadTraceSwitch != 0; }

}  // namespace qel
