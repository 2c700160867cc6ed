// Free space the installation needs on the Program Files volume.
#pragma once

#include <cstdint>

struct DiskThreshold {
    uint64_t bytes;
    int megabytes;  // the figure the message names
};

// An upgrade replaces files in place and needs less room than a new installation.
DiskThreshold RequiredDiskSpace(bool upgrade);

bool IsEnoughSpace(uint64_t freeBytes, bool upgrade);
