#include "checks/disk_rules.h"

#include <string>

#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "resources/resource_ids.h"

DiskThreshold RequiredDiskSpace(bool upgrade) {
    if (upgrade) return {125829120, 120};
    return {262144000, 250};
}

bool IsEnoughSpace(uint64_t freeBytes, bool upgrade) {
    return freeBytes >= RequiredDiskSpace(upgrade).bytes;
}

CheckOutcome DecideDiskSpace(const DiskMeasure& measure, bool upgrade,
                             const CatalogLookup& catalog) {
    CheckOutcome outcome;
    {
        CheckStep step(outcome, L"IN-> IsEnoughDiskSpace()", L"OUT-> IsEnoughDiskSpace() - KO");
        if (!measure.measured) {
            outcome.log.push_back(
                FillConversions(catalog(IDS_FUNCTION_FAILED),
                                {L"GetDiskSpaceEx", std::to_wstring(measure.error)}));
            outcome.message = catalog(IDS_DISK_SIZE_ERROR);
        } else {
            const std::wstring bytes =
                FillConversions(catalog(IDS_BYTES), {std::to_wstring(measure.freeBytes)});
            outcome.log.push_back(bytes);
            outcome.passed = IsEnoughSpace(measure.freeBytes, upgrade);
            if (outcome.passed) {
                outcome.message = bytes;
                step.ExitWith(L"OUT-> IsEnoughDiskSpace() - OK ");
            } else {
                outcome.message = FillConversions(
                    catalog(IDS_DISK_SPACE_REQUIRED),
                    {kProductName, std::to_wstring(RequiredDiskSpace(upgrade).megabytes)});
            }
        }
    }
    return outcome;
}
