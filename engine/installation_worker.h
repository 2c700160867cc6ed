// The installation worker: downloads, verifies and installs on a thread of its own.
#pragma once

struct WorkerParam;

// Starts the worker with the dialog's record; the worker owns and finally frees it.
void BeginInstallationWorker(WorkerParam* param);
