#include <windows.h>

#include "checks/adapter_probe.h"

namespace {

class DisplayAdapters : public AdapterSource {
  public:
    bool Device(uint32_t index, uint32_t& stateFlags, std::wstring& deviceKey) override {
        DISPLAY_DEVICEW device{};
        device.cb = sizeof(device);
        if (!EnumDisplayDevicesW(nullptr, index, &device, 0)) return false;
        stateFlags = device.StateFlags;
        deviceKey.assign(device.DeviceKey, wcsnlen(device.DeviceKey, ARRAYSIZE(device.DeviceKey)));
        return true;
    }

    std::optional<std::vector<uint8_t>> ReadValue(const RegistryPath& path,
                                                  const wchar_t* valueName) override {
        HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(path.root));
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path.subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::vector<uint8_t> value(512);
        DWORD size = static_cast<DWORD>(value.size());
        const LONG read = RegQueryValueExW(key, valueName, nullptr, nullptr, value.data(), &size);
        RegCloseKey(key);
        if (read != ERROR_SUCCESS) return std::nullopt;
        value.resize(size);
        return value;
    }
};

}  // namespace

int ProbeDisplayAdapter(char* nameBuffer, uint32_t* length, uint32_t* memory) {
    DisplayAdapters adapters;
    return ProbeDisplayAdapter(adapters, nameBuffer, length, memory);
}
