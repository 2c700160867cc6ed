#include "checks/disk_rules.h"

DiskThreshold RequiredDiskSpace(bool upgrade) {
    if (upgrade) return {125829120, 120};
    return {262144000, 250};
}

bool IsEnoughSpace(uint64_t freeBytes, bool upgrade) {
    return freeBytes >= RequiredDiskSpace(upgrade).bytes;
}
