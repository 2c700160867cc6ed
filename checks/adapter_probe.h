// Finds the primary display adapter's name and video memory and classifies the adapter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/adapter_rules.h"

// Where the probe gets its devices and their registry values from.
class AdapterSource {
  public:
    virtual ~AdapterSource() = default;
    // The index-th display device; false past the last one.
    virtual bool Device(uint32_t index, uint32_t& stateFlags, std::wstring& deviceKey) = 0;
    // The value's bytes, or nothing when the key does not open or the value cannot be read.
    virtual std::optional<std::vector<uint8_t>> ReadValue(const RegistryPath& key,
                                                          const wchar_t* valueName) = 0;
};

// nameBuffer receives at most *length - 1 characters and a zero byte; *length then holds the
// number copied. Returns kAdapterAccepted or kAdapterRejected; a missing buffer is rejected.
int ProbeDisplayAdapter(AdapterSource& source, char* nameBuffer, uint32_t* length,
                        uint32_t* memory);

// The same on this machine's display devices (Windows only).
int ProbeDisplayAdapter(char* nameBuffer, uint32_t* length, uint32_t* memory);
