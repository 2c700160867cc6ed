#include "checks/video_rules.h"

#include <string>

#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "checks/adapter_rules.h"
#include "framework/format_string.h"
#include "resources/resource_ids.h"

CheckOutcome DecideVideoCard(int probeResult, std::wstring_view adapterName, uint32_t memoryBytes,
                             const CatalogLookup& catalog) {
    CheckOutcome outcome;
    {
        CheckStep step(outcome, L"IN-> IsVideoCardOK()", L"OUT-> IsVideoCardOK() - KO");
        outcome.log.push_back(FillConversions(catalog(IDS_VIDEO_CARD_NAME), {adapterName}));
        outcome.log.push_back(
            FillConversions(catalog(IDS_VIDEO_MEMORY), {std::to_wstring(memoryBytes / 1048576)}));
        outcome.passed = probeResult != kAdapterRejected;
        if (outcome.passed)
            step.ExitWith(L"OUT-> IsVideoCardOK() - OK ");
        else
            outcome.message = ReplacePlaceholders(catalog(IDS_HARDWARE_TOO_WEAK), kProductName);
    }
    return outcome;
}
