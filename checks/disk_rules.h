// Free space the installation needs on the Program Files volume.
#pragma once

#include <cstdint>

#include "checks/check_outcome.h"

struct DiskThreshold {
    uint64_t bytes;
    int megabytes;  // the figure the message names
};

// An upgrade replaces files in place and needs less room than a new installation.
DiskThreshold RequiredDiskSpace(bool upgrade);

bool IsEnoughSpace(uint64_t freeBytes, bool upgrade);

// What the volume query gave: the bytes free to the caller, or the error of a failed query.
struct DiskMeasure {
    bool measured = false;
    uint32_t error = 0;
    uint64_t freeBytes = 0;
};

// The disk check: a failed query refuses with IDS_DISK_SIZE_ERROR and logs IDS_FUNCTION_FAILED;
// otherwise the free bytes (IDS_BYTES) are logged and kept as the message, and too few refuse
// with IDS_DISK_SPACE_REQUIRED naming the threshold in megabytes.
CheckOutcome DecideDiskSpace(const DiskMeasure& measure, bool upgrade,
                             const CatalogLookup& catalog);
