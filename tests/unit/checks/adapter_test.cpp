#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "checks/adapter_probe.h"
#include "checks/adapter_rules.h"

namespace {

std::vector<uint8_t> Utf16Value(const std::wstring& text) {
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<uint8_t> LittleEndian(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

struct FakeDevice {
    uint32_t flags;
    std::wstring key;
};

// Devices and a registry of values by upper-case subkey.
class FakeAdapters : public AdapterSource {
  public:
    std::vector<FakeDevice> devices;
    std::map<std::wstring, std::map<std::wstring, std::vector<uint8_t>>> values;
    std::vector<std::wstring> opened;

    bool Device(uint32_t index, uint32_t& flags, std::wstring& key) override {
        if (index >= devices.size()) return false;
        flags = devices[index].flags;
        key = devices[index].key;
        return true;
    }
    std::optional<std::vector<uint8_t>> ReadValue(const RegistryPath& path,
                                                  const wchar_t* name) override {
        opened.push_back(path.subkey);
        if (path.root != RegistryRoot::kLocalMachine) return std::nullopt;
        auto key = values.find(path.subkey);
        if (key == values.end()) return std::nullopt;
        auto value = key->second.find(name);
        if (value == key->second.end()) return std::nullopt;
        return value->second;
    }

    void Add(uint32_t flags, const std::wstring& subkey, const std::wstring& name,
             std::optional<uint32_t> memory) {
        devices.push_back({flags, L"\\Registry\\Machine\\" + subkey});
        std::wstring upper;
        for (wchar_t c : subkey) upper += static_cast<wchar_t>(towupper(c));
        if (!name.empty()) values[upper][L"HardwareInformation.AdapterString"] = Utf16Value(name);
        if (memory) values[upper][L"HardwareInformation.MemorySize"] = LittleEndian(*memory);
    }
};

constexpr uint32_t kPrimary = kAttachedToDesktop | kPrimaryDevice;

struct Probe {
    int result;
    std::string name;
    uint32_t length;
    uint32_t memory;
};

Probe RunProbe(FakeAdapters& adapters, uint32_t capacity = 1024) {
    std::vector<char> buffer(capacity + 1, '#');
    Probe probe{0, "", capacity, 12345};
    probe.result = ProbeDisplayAdapter(adapters, buffer.data(), &probe.length, &probe.memory);
    probe.name = buffer.data();
    return probe;
}

TEST(AdapterProbe, NoPrimaryAttachedDeviceKeepsTheDefaults) {
    FakeAdapters adapters;
    adapters.Add(kAttachedToDesktop, L"System\\A", L"S3 Trio", 256u << 20);
    adapters.Add(kPrimaryDevice, L"System\\B", L"S3 Trio", 256u << 20);
    adapters.Add(kPrimary | kMirroringDriver, L"System\\C", L"S3 Trio", 256u << 20);
    adapters.devices.push_back({kPrimary, L""});
    const Probe probe = RunProbe(adapters);
    EXPECT_EQ(probe.result, kAdapterAccepted);
    EXPECT_EQ(probe.name, "Unknown");
    EXPECT_EQ(probe.length, 7u);
    EXPECT_EQ(probe.memory, 0u);
}

TEST(AdapterProbe, FamilyAndMemoryDecide) {
    struct Row {
        std::wstring name;
        std::optional<uint32_t> memory;
        int result;
    };
    const Row rows[] = {
        {L"S3 Graphics ProSavage", 256u << 20, kAdapterRejected},
        {L"Fast XGI Volari", 512u << 20, kAdapterRejected},
        {L"Radeon", 33554432, kAdapterRejected},
        {L"Radeon", 67108863, kAdapterRejected},
        {L"Radeon", 67108864, kAdapterAccepted},
        {L"Radeon", 2, kAdapterRejected},
        {L"Radeon", 1, kAdapterAccepted},
        {L"Radeon", std::nullopt, kAdapterAccepted},
        {L"Unknown S3 card", 2, kAdapterAccepted},
        {L"s3 lower case", 128u << 20, kAdapterAccepted},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name.begin(), row.name.end()));
        FakeAdapters adapters;
        adapters.Add(kPrimary, L"System\\Video\\0000", row.name, row.memory);
        const Probe probe = RunProbe(adapters);
        EXPECT_EQ(probe.result, row.result);
        EXPECT_EQ(probe.name, std::string(row.name.begin(), row.name.end()));
        EXPECT_EQ(probe.memory, row.memory.value_or(0));
    }
}

TEST(AdapterProbe, LongNameIsCutToTheBuffer) {
    FakeAdapters adapters;
    adapters.Add(kPrimary, L"System\\Video\\0000", L"ABCDEFGHIJKLMNOP", 128u << 20);
    const Probe probe = RunProbe(adapters, 8);
    EXPECT_EQ(probe.name, "ABCDEFG");
    EXPECT_EQ(probe.length, 7u);
}

TEST(AdapterProbe, MissingBufferIsRejectedAndEmptyBufferStaysUntouched) {
    FakeAdapters adapters;
    uint32_t length = 16;
    uint32_t memory = 0;
    EXPECT_EQ(ProbeDisplayAdapter(adapters, nullptr, &length, &memory), kAdapterRejected);
    char byte = '#';
    length = 0;
    EXPECT_EQ(ProbeDisplayAdapter(adapters, &byte, &length, &memory), kAdapterAccepted);
    EXPECT_EQ(byte, '#');
    EXPECT_EQ(length, 0u);
}

TEST(AdapterProbe, LaterDeviceReplacesEarlierAndUnreadableKeysAreSkipped) {
    FakeAdapters adapters;
    adapters.Add(kPrimary, L"System\\Video\\0000", L"First", 128u << 20);
    adapters.devices.push_back({kPrimary, L"\\Registry\\Machine\\System\\Missing"});
    adapters.devices.push_back({kPrimary, L"NoRootAtAll\\Key"});
    adapters.Add(kPrimary, L"System\\Video\\0001", L"Second", std::nullopt);
    const Probe probe = RunProbe(adapters);
    EXPECT_EQ(probe.name, "Second");
    EXPECT_EQ(probe.memory, 128u << 20);
    // Two passes over the three keys that name a root.
    EXPECT_EQ(adapters.opened.size(), 6u);
}

TEST(AdapterRules, DeviceKeyConversion) {
    RegistryPath path{};
    ASSERT_TRUE(ConvertDeviceKey(
        L"\\Registry\\Machine\\System\\CurrentControlSet\\Video\\{X}\\0000", path));
    EXPECT_EQ(path.root, RegistryRoot::kLocalMachine);
    EXPECT_EQ(path.subkey, L"SYSTEM\\CURRENTCONTROLSET\\VIDEO\\{X}\\0000");

    struct Row {
        const wchar_t* key;
        RegistryRoot root;
        const wchar_t* subkey;
    };
    const Row rows[] = {
        {L"hkey_classes_root\\A", RegistryRoot::kClassesRoot, L"A"},
        {L"HKEY_CURRENT_CONFIG\\B", RegistryRoot::kCurrentConfig, L"B"},
        {L"HKEY_CURRENT_USER\\C", RegistryRoot::kCurrentUser, L"C"},
        {L"HKEY_LOCAL_MACHINE\\D", RegistryRoot::kLocalMachine, L"D"},
        {L"HKEY_USERS\\E", RegistryRoot::kUsers, L"E"},
        {L"HKEY_PERFORMANCE_DATA\\F", RegistryRoot::kPerformanceData, L"F"},
        {L"HKEY_DYN_DATA\\G", RegistryRoot::kDynData, L"G"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(ConvertDeviceKey(row.key, path));
        EXPECT_EQ(path.root, row.root);
        EXPECT_EQ(path.subkey, row.subkey);
    }
    EXPECT_FALSE(ConvertDeviceKey(L"\\Device\\Video0", path));
    EXPECT_FALSE(ConvertDeviceKey(L"HKEY_LOCAL_MACHINE", path));
}

TEST(AdapterRules, PatternSearchBounds) {
    EXPECT_TRUE(ContainsPattern("abXGI", 5, "XGI"));
    EXPECT_FALSE(ContainsPattern("abXGI", 4, "XGI"));  // limited to the given length
    EXPECT_TRUE(ContainsPattern("XGI", 3, "XGI"));
    EXPECT_FALSE(ContainsPattern("XG", 2, "XGI"));
    EXPECT_FALSE(ContainsPattern("abc", 0, "a"));
    EXPECT_FALSE(ContainsPattern("abc", 3, ""));
    EXPECT_FALSE(ContainsPattern(nullptr, 3, "a"));
    EXPECT_FALSE(ContainsPattern("xgi", 3, "XGI"));
}

TEST(AdapterRules, ValuesFromBytes) {
    EXPECT_EQ(NameFromAdapterString(Utf16Value(L"Wine \x0141")), std::string("Wine A"));
    EXPECT_EQ(NameFromAdapterString({'A', 0, 'B', 0}), "AB");  // no terminator: nothing lost
    EXPECT_EQ(NameFromAdapterString({}), "");
    EXPECT_EQ(NameFromAdapterString({'A'}), "");
    EXPECT_EQ(MemoryFromValue({0x00, 0x00, 0x00, 0x04, 0xFF}), 0x04000000u);
    EXPECT_EQ(MemoryFromValue({0x34, 0x12}), 0x1234u);
    EXPECT_EQ(MemoryFromValue({}), 0u);
}

}  // namespace
