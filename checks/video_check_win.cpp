#include <windows.h>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/adapter_probe.h"
#include "checks/catalog_text_win.h"
#include "checks/requirements.h"
#include "resources/resource_ids.h"

bool IsVideoCardOK(std::wstring& message) {
    WriteLog(L"IN-> IsVideoCardOK()");
    char name[1024] = {};
    uint32_t length = sizeof(name);
    uint32_t memory = 0;
    const int result = ProbeDisplayAdapter(name, &length, &memory);

    wchar_t wideName[1024] = {};
    MultiByteToWideChar(CP_ACP, 0, name, static_cast<int>(length), wideName, 1023);
    WriteLog(CatalogText(IDS_VIDEO_CARD_NAME, {wideName}).c_str());
    WriteLog(CatalogText(IDS_VIDEO_MEMORY, {std::to_wstring(memory / 1048576)}).c_str());

    if (result == kAdapterRejected) {
        AfxFormatString1(message, IDS_HARDWARE_TOO_WEAK, kProductName);
        WriteLog(L"OUT-> IsVideoCardOK() - KO");
        return false;
    }
    WriteLog(L"OUT-> IsVideoCardOK() - OK ");
    return true;
}
