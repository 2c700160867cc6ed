// The Windows checks on what Wine offers: its display adapter, MSXML 6, WinVerifyTrust, the
// Windows Installer's product list and the disk.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/win/support/win_test_support.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/adapter_probe.h"
#include "checks/installed_products.h"
#include "checks/msxml_checker.h"
#include "checks/prereqs.h"
#include "checks/requirements.h"
#include "checks/signature_rules.h"
#include "tests/win/support/installed_packages.h"
#include "tests/win/support/log_lines.h"

namespace {

std::vector<std::string> Log() { return LogLines(LogFilePath); }

class ChecksUnderWine : public testing::Test {
  protected:
    static void SetUpTestSuite() { WriteLog(L"checks suite"); }
};

// The primary adapter's registry key, found the way the probe finds it.
HKEY OpenAdapterKey() {
    DISPLAY_DEVICEW device{};
    device.cb = sizeof(device);
    for (DWORD index = 0; EnumDisplayDevicesW(nullptr, index, &device, 0); ++index) {
        RegistryPath path{};
        if (!IsProbedDevice(device.StateFlags, device.DeviceKey) ||
            !ConvertDeviceKey(device.DeviceKey, path)) {
            continue;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(path.root)),
                          path.subkey.c_str(), 0, KEY_READ | KEY_SET_VALUE,
                          &key) == ERROR_SUCCESS) {
            return key;
        }
    }
    return nullptr;
}

TEST_F(ChecksUnderWine, AdapterProbeReadsWhatTheKeyHolds) {
    HKEY key = OpenAdapterKey();
    ASSERT_NE(key, nullptr) << "Wine's adapter key did not open";
    struct Case {
        DWORD memory;
        int result;
    };
    for (const Case c : {Case{32u << 20, kAdapterRejected}, Case{64u << 20, kAdapterAccepted}}) {
        RegSetValueExW(key, L"HardwareInformation.MemorySize", 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(&c.memory), sizeof(c.memory));
        char name[1024];
        uint32_t length = sizeof(name);
        uint32_t memory = 0;
        EXPECT_EQ(ProbeDisplayAdapter(name, &length, &memory), c.result);
        EXPECT_EQ(memory, c.memory);
        EXPECT_STREQ(name, "Wine Adapter");
        EXPECT_EQ(length, 12u);
    }
    RegDeleteValueW(key, L"HardwareInformation.MemorySize");
    RegCloseKey(key);

    std::wstring message = L"untouched";
    EXPECT_TRUE(IsVideoCardOK(message));
    EXPECT_EQ(message, L"untouched");
    EXPECT_TRUE(LogHasInOrder(Log(), {"IN-> IsVideoCardOK()", "Video Card Name = Wine Adapter",
                                      "Video Memory = 0  MB", "OUT-> IsVideoCardOK() - OK "}));
}

TEST_F(ChecksUnderWine, MsxmlOfWineLacksTheSaxFeatureOnly) {
    const char* name = nullptr;
    int32_t detail = 0;
    EXPECT_EQ(QELMSXMLChecker::Check(&name, &detail), QELMSXMLChecker::kMissingKB953661);
    EXPECT_STREQ(name, "ERR_MISSING_KB953661");
    EXPECT_EQ(detail, 280);
    EXPECT_TRUE(IsPrereqMSXML());
    EXPECT_TRUE(LogHasInOrder(
        Log(), {"IN->IsPrereqMSXML ()", " Prereqs MSXML OK", "OUT->IsPrereqMSXML ()"}));
}

TEST_F(ChecksUnderWine, UnwritableTemporaryFolderFailsTheDtdProbe) {
    wchar_t saved[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    wchar_t savedTemp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", L"C:\\no such folder\\");
    SetEnvironmentVariableW(L"TEMP", L"C:\\no such folder\\");
    int32_t detail = 0;
    const int code = QELMSXMLChecker::Check(nullptr, &detail);
    SetEnvironmentVariableW(L"TMP", *saved ? saved : nullptr);
    SetEnvironmentVariableW(L"TEMP", *savedTemp ? savedTemp : nullptr);
    EXPECT_EQ(code, QELMSXMLChecker::kMissingKB941180);
    EXPECT_EQ(detail, 248);
}

TEST_F(ChecksUnderWine, NothingRegisteredMeansNothingInstalled) {
    EXPECT_FALSE(IsWow64());  // a 32-bit prefix
    EXPECT_FALSE(IsInstalled());
    EXPECT_TRUE(LogHasInOrder(
        Log(), {"IN->IsInstalled ()", "Tellura Installer failed. Consult Ventrola.msi.log file", "",
                "OUT ->IsInstalled ()"}));
    CheckAllPrereqs();
    EXPECT_TRUE(NeedVC8Prereq);
    EXPECT_FALSE(NeedMSXMLPrereq);
    EXPECT_TRUE(LogHasInOrder(
        Log(),
        {"IN->CheckAllPrereqs ()", "IN->IsPrereqVC8 ()", "VC8 prerequisites are not installed",
         "OUT->IsPrereqVC8  VC8 Prerequistes need to be installed", "IN->IsPrereqMSXML ()",
         "OUT->IsPrereqMSXML ()", "OUT->CheckAllPrereqs ()"}));
}

TEST_F(ChecksUnderWine, DiskSpaceOfTheProgramFilesVolume) {
    UpgradeNeeded = false;
    std::wstring message;
    EXPECT_TRUE(IsEnoughDiskSpace(message));
    wchar_t folder[MAX_PATH] = {};
    ULARGE_INTEGER available{};
    ASSERT_TRUE(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder) == S_OK &&
                GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr));
    // The volume may change a little between the two queries.
    EXPECT_EQ(message.substr(message.size() - 6), L" bytes");
    EXPECT_NEAR(std::stod(message), static_cast<double>(available.QuadPart), 64.0 * 1048576);
    EXPECT_TRUE(
        LogHasInOrder(Log(), {"IN-> IsEnoughDiskSpace()", "OUT-> IsEnoughDiskSpace() - OK "}));
}

TEST_F(ChecksUnderWine, UnsignedFileIsRefusedUnlessTheCheckIsSkipped) {
    const std::wstring self = TestProgramFolder() + L"requirements_probe.exe";
    int32_t status = 0;
    EXPECT_EQ(VerifyEmbeddedSignature(self.c_str(), &status), kSignatureMissing);
    EXPECT_EQ(static_cast<uint32_t>(status), 0x800B0100u);
    EXPECT_FALSE(IsPackageSigned(self.c_str()));
    EXPECT_EQ(Log().back(), "OUT-> IsPackageSigned() KO");

    SetEnvironmentVariableW(L"NO_CHECK_PACKAGE_SIGNED", L"");
    const bool skipped = IsPackageSigned(self.c_str());
    SetEnvironmentVariableW(L"NO_CHECK_PACKAGE_SIGNED", nullptr);
    EXPECT_TRUE(skipped);
    EXPECT_TRUE(
        LogHasInOrder(Log(), {"IN-> IsPackageSigned()", "VerifyEmbeddedSignature is skipped",
                              "OUT-> IsPackageSigned() OK"}));
}

// Files signed at test time with a throw-away certificate (see sign_packages.sh).
TEST_F(ChecksUnderWine, SignedFilesAsWineJudgesThem) {
    const std::wstring folder = WinePathFromVariable("CHECKS_SIGNED_DIR");
    ASSERT_FALSE(folder.empty()) << "CHECKS_SIGNED_DIR not set";
    struct Case {
        const wchar_t* file;
        uint32_t status;  // what Wine answers
        bool accepted;
    };
    // Windows answers CERT_E_UNTRUSTEDROOT for the self-signed ones (code 4, accepted too).
    const Case cases[] = {
        {L"\\signed.exe", 0, true},
        {L"\\signed.msi", 0, true},
        {L"\\tampered.exe", 0x80096010, false},
        {L"\\tampered_signature.msi", 0x80096002, false},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder + c.file;
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
        int32_t status = 0;
        VerifyEmbeddedSignature(path.c_str(), &status);
        EXPECT_EQ(static_cast<uint32_t>(status), c.status);
        EXPECT_EQ(IsPackageSigned(path.c_str()), c.accepted);
    }
}

}  // namespace
