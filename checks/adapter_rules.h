// Rules of the display adapter probe: which devices count, where their registry key lives, and
// whether the adapter is good enough.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The predefined registry roots by their Windows handle values.
enum class RegistryRoot : uint32_t {
    kClassesRoot = 0x80000000,
    kCurrentUser = 0x80000001,
    kLocalMachine = 0x80000002,
    kUsers = 0x80000003,
    kPerformanceData = 0x80000004,
    kCurrentConfig = 0x80000005,
    kDynData = 0x80000006,
};

struct RegistryPath {
    RegistryRoot root;
    std::wstring subkey;
};

inline constexpr uint32_t kAttachedToDesktop = 0x1;
inline constexpr uint32_t kPrimaryDevice = 0x4;
inline constexpr uint32_t kMirroringDriver = 0x8;

// The primary, attached, non-mirroring device with a key.
bool IsProbedDevice(uint32_t stateFlags, std::wstring_view deviceKey);

// Turns the key the system reports (often "\Registry\Machine\...") into a root and subkey;
// false when the key names none of the known roots.
bool ConvertDeviceKey(std::wstring_view deviceKey, RegistryPath& path);

// Case-sensitive search of pattern in the first length bytes of text.
bool ContainsPattern(const char* text, size_t length, const char* pattern);

// The adapter name from its UTF-16 registry value, one byte per unit (the low byte), without the
// value's terminating zero.
std::string NameFromAdapterString(const std::vector<uint8_t>& value);

// The first four bytes of the value as a little-endian number; a shorter value fills only its
// own bytes.
uint32_t MemoryFromValue(const std::vector<uint8_t>& value);

inline constexpr int kAdapterAccepted = 1;
inline constexpr int kAdapterRejected = 2;

// Known weak families are refused; so is memory that is reported but under 64 MB.
int ClassifyAdapter(const char* name, size_t length, uint32_t memory);
