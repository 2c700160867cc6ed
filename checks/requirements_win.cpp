#include "base/setup_state.h"
#include "checks/need_install.h"
#include "checks/requirements.h"

bool CheckRequirements() {
    // Each check runs only when the ones before it passed.
    ChecksPassed = IsOSAuthorized(CheckMessage) && IsVideoCardOK(CheckMessage) &&
                   CheckNeedInstall(CheckMessage) && IsEnoughDiskSpace(CheckMessage);
    return ChecksPassed;
}
