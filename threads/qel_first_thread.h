// One-time work of the first thread object of the process.
#pragma once

namespace qel {

// Settles the multi-threading setting, creates the "MainThread" object and runs the pending
// first-thread functions, the first time it is called.
void RunFirstConstruction();

}  // namespace qel
