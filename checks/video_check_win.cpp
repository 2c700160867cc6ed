#include <windows.h>

#include "checks/adapter_probe.h"
#include "checks/check_outcome_win.h"
#include "checks/requirements.h"
#include "checks/video_rules.h"

bool IsVideoCardOK(std::wstring& message) {
    char name[1024] = {};
    uint32_t length = sizeof(name);
    uint32_t memory = 0;
    const int result = ProbeDisplayAdapter(name, &length, &memory);
    wchar_t wideName[1024] = {};
    MultiByteToWideChar(CP_ACP, 0, name, static_cast<int>(length), wideName, 1023);
    return ApplyOutcome(DecideVideoCard(result, wideName, memory, ResourceCatalog), message);
}
