// The video check over the adapter probe's answer.
#pragma once

#include <cstdint>
#include <string_view>

#include "checks/check_outcome.h"

// The adapter's name and its memory in whole megabytes go to the log; a rejected adapter
// refuses the installation with IDS_HARDWARE_TOO_WEAK.
CheckOutcome DecideVideoCard(int probeResult, std::wstring_view adapterName, uint32_t memoryBytes,
                             const CatalogLookup& catalog);
