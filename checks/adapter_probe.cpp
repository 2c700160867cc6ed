#include "checks/adapter_probe.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// Calls use for the value of every probed device that has one, in device order.
void ForEachValue(AdapterSource& source, const wchar_t* valueName,
                  const std::function<void(const std::vector<uint8_t>&)>& use) {
    uint32_t flags = 0;
    std::wstring deviceKey;
    for (uint32_t index = 0; source.Device(index, flags, deviceKey); ++index) {
        RegistryPath path{};
        if (!IsProbedDevice(flags, deviceKey) || !ConvertDeviceKey(deviceKey, path)) continue;
        if (auto value = source.ReadValue(path, valueName)) use(*value);
    }
}

}  // namespace

int ProbeDisplayAdapter(AdapterSource& source, char* nameBuffer, uint32_t* length,
                        uint32_t* memory) {
    // A later device replaces what an earlier one gave.
    std::string name = "Unknown";
    ForEachValue(source, L"HardwareInformation.AdapterString",
                 [&](const std::vector<uint8_t>& value) { name = NameFromAdapterString(value); });
    uint32_t bytes = 0;
    ForEachValue(source, L"HardwareInformation.MemorySize",
                 [&](const std::vector<uint8_t>& value) { bytes = MemoryFromValue(value); });

    if (memory) *memory = bytes;
    if (!nameBuffer || !length) return kAdapterRejected;
    const size_t copied = *length == 0 ? 0 : std::min<size_t>(name.size(), *length - 1);
    if (*length > 0) {
        std::memcpy(nameBuffer, name.data(), copied);
        nameBuffer[copied] = '\0';
    }
    *length = static_cast<uint32_t>(copied);
    // The whole name is classified, so a short buffer does not change the verdict.
    return ClassifyAdapter(name.data(), name.size(), bytes);
}
