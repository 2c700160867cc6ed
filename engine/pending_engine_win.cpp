// Stand-ins until the installation engine is built: Install downloads nothing (the dialog stays
// in its installing state until closed from outside) and no product is launched.
#include "base/worker_messages.h"
#include "engine/installation_worker.h"
#include "engine/launch_product.h"

void BeginInstallationWorker(WorkerParam* param) { delete param; }

bool LaunchProduct() { return false; }
