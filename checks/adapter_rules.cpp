#include "checks/adapter_rules.h"

#include <cstring>

namespace {

struct RootPrefix {
    std::wstring_view prefix;
    RegistryRoot root;
};

// Searched in this order; the first that occurs anywhere in the path wins.
constexpr RootPrefix kRoots[] = {
    {L"HKEY_CLASSES_ROOT\\", RegistryRoot::kClassesRoot},
    {L"HKEY_CURRENT_CONFIG\\", RegistryRoot::kCurrentConfig},
    {L"HKEY_CURRENT_USER\\", RegistryRoot::kCurrentUser},
    {L"HKEY_LOCAL_MACHINE\\", RegistryRoot::kLocalMachine},
    {L"HKEY_USERS\\", RegistryRoot::kUsers},
    {L"HKEY_PERFORMANCE_DATA\\", RegistryRoot::kPerformanceData},
    {L"HKEY_DYN_DATA\\", RegistryRoot::kDynData},
};

constexpr std::wstring_view kKernelMachine = L"\\REGISTRY\\MACHINE";

}  // namespace

bool IsProbedDevice(uint32_t stateFlags, std::wstring_view deviceKey) {
    const uint32_t wanted = kAttachedToDesktop | kPrimaryDevice;
    return (stateFlags & wanted) == wanted && !(stateFlags & kMirroringDriver) &&
           !deviceKey.empty();
}

bool ConvertDeviceKey(std::wstring_view deviceKey, RegistryPath& path) {
    std::wstring key(deviceKey);
    for (wchar_t& c : key) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    // The prefix is dropped from the front whatever position it was found at, as the system
    // always reports it first.
    if (key.find(kKernelMachine) != std::wstring::npos) {
        key = L"HKEY_LOCAL_MACHINE" + key.substr(kKernelMachine.size());
    }
    for (const RootPrefix& entry : kRoots) {
        if (key.find(entry.prefix) == std::wstring::npos) continue;
        path.root = entry.root;
        path.subkey = key.size() > entry.prefix.size() ? key.substr(entry.prefix.size()) : L"";
        return true;
    }
    return false;
}

bool ContainsPattern(const char* text, size_t length, const char* pattern) {
    if (!text || !pattern) return false;
    const size_t patternLength = std::strlen(pattern);
    if (length == 0 || patternLength == 0 || patternLength > length) return false;
    for (size_t start = 0; start + patternLength <= length; ++start) {
        if (std::memcmp(text + start, pattern, patternLength) == 0) return true;
    }
    return false;
}

std::string NameFromAdapterString(const std::vector<uint8_t>& value) {
    size_t units = value.size() / 2;
    if (units > 0 && value[2 * (units - 1)] == 0 && value[2 * (units - 1) + 1] == 0) --units;
    std::string name(units, '\0');
    for (size_t i = 0; i < units; ++i) name[i] = static_cast<char>(value[2 * i]);
    return name;
}

uint32_t MemoryFromValue(const std::vector<uint8_t>& value) {
    uint32_t memory = 0;
    for (size_t i = 0; i < value.size() && i < 4; ++i) memory |= uint32_t{value[i]} << (8 * i);
    return memory;
}

int ClassifyAdapter(const char* name, size_t length, uint32_t memory) {
    if (!name) return kAdapterRejected;
    if (ContainsPattern(name, length, "Unknown")) return kAdapterAccepted;
    if (ContainsPattern(name, length, "S3")) return kAdapterRejected;
    if (ContainsPattern(name, length, "XGI")) return kAdapterRejected;
    if (memory >= 2 && memory <= 0x3FFFFFF) return kAdapterRejected;
    return kAdapterAccepted;
}
