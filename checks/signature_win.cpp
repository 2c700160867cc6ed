#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <optional>
#include <vector>

#include "base/sha256.h"
#include "base/setup_log.h"
#include "checks/proc_address_win.h"
#include "checks/requirements.h"
#include "checks/signature_rules.h"
#include "sysdll/system_library_win.h"

// The records as the oldest supported systems know them, in the 32-bit setup.
#ifndef _WIN64
static_assert(sizeof(WINTRUST_FILE_INFO) == 16, "file record of 16 bytes");
static_assert(sizeof(WINTRUST_DATA) == 48, "trust record of 48 bytes");
#endif

namespace {

// wintrust.dll and crypt32.dll are not imported: they are loaded from the system folder.
struct TrustFunctions {
    decltype(&::WinVerifyTrust) verify = nullptr;
    decltype(&::WTHelperProvDataFromStateData) providerData = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) signer = nullptr;
    decltype(&::WTHelperGetProvCertFromChain) certificate = nullptr;
    decltype(&::CertGetNameStringW) name = nullptr;
    decltype(&::CryptEncodeObject) encode = nullptr;
};

const TrustFunctions& Trust() {
    static const TrustFunctions functions = [] {
        TrustFunctions f;
        const HMODULE wintrust = LoadSystemLibrary(L"wintrust.dll");
        const HMODULE crypt32 = LoadSystemLibrary(L"crypt32.dll");
        f.verify = ProcAddress<decltype(f.verify)>(wintrust, "WinVerifyTrust");
        f.providerData =
            ProcAddress<decltype(f.providerData)>(wintrust, "WTHelperProvDataFromStateData");
        f.signer = ProcAddress<decltype(f.signer)>(wintrust, "WTHelperGetProvSignerFromChain");
        f.certificate = ProcAddress<decltype(f.certificate)>(wintrust, "WTHelperGetProvCertFromChain");
        f.name = ProcAddress<decltype(f.name)>(crypt32, "CertGetNameStringW");
        f.encode = ProcAddress<decltype(f.encode)>(crypt32, "CryptEncodeObject");
        return f;
    }();
    return functions;
}

std::wstring CertificateName(PCCERT_CONTEXT certificate, DWORD type, const char* attribute) {
    const TrustFunctions& f = Trust();
    void* typeParameter = const_cast<char*>(attribute);
    const DWORD size = f.name(certificate, type, 0, typeParameter, nullptr, 0);
    if (size <= 1) return {};
    std::wstring name(size, L'\0');
    f.name(certificate, type, 0, typeParameter, name.data(), size);
    name.resize(size - 1);
    return name;
}

// The SHA-256 of the certificate's SubjectPublicKeyInfo, as DER; empty when it cannot be encoded.
std::string PublicKeyHash(PCCERT_CONTEXT certificate) {
    const TrustFunctions& f = Trust();
    CERT_PUBLIC_KEY_INFO* key = &certificate->pCertInfo->SubjectPublicKeyInfo;
    DWORD size = 0;
    if (!f.encode(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, nullptr, &size)) return {};
    std::vector<BYTE> der(size);
    if (!f.encode(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, der.data(), &size)) return {};
    return Sha256Hex(der.data(), size);
}

// The signer's certificate of a verification whose state was kept.
std::optional<Signer> SignerOf(HANDLE state) {
    const TrustFunctions& f = Trust();
    if (!state || !f.providerData || !f.signer || !f.certificate || !f.name || !f.encode)
        return std::nullopt;
    CRYPT_PROVIDER_DATA* data = f.providerData(state);
    CRYPT_PROVIDER_SGNR* signer = data ? f.signer(data, 0, FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* leaf = signer ? f.certificate(signer, 0) : nullptr;
    if (!leaf || !leaf->pCert) return std::nullopt;
    Signer who;
    who.subject = CertificateName(leaf->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, nullptr);
    who.organization = CertificateName(leaf->pCert, CERT_NAME_ATTR_TYPE, szOID_ORGANIZATION_NAME);
    who.keyHash = PublicKeyHash(leaf->pCert);
    return who;
}

struct Verification {
    int32_t status = 0;
    std::optional<Signer> signer;
};

// The file is read through `file` when it is given, so the bytes checked are the ones held.
Verification Verify(const wchar_t* path, HANDLE file) {
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = path;
    fileInfo.hFile = file;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_DATA trust{};
    trust.cbStruct = sizeof(trust);
    trust.dwUIChoice = WTD_UI_NONE;
    trust.fdwRevocationChecks = WTD_REVOKE_NONE;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &fileInfo;
    trust.dwStateAction = WTD_STATEACTION_VERIFY;
    trust.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    // Without the verifier nothing is accepted.
    Verification result{HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), std::nullopt};
    if (const auto verify = Trust().verify) {
        if (file) SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        result.status = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
        result.signer = SignerOf(trust.hWVTStateData);
        // Releases what the verification kept.
        trust.dwStateAction = WTD_STATEACTION_CLOSE;
        verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    }
    return result;
}

// Read once at start-up from the setup's own signature.
std::optional<Signer> publisher;

bool SkipRequested() {
    // An empty value counts too; its query can answer 0 without an error.
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableW(L"NO_CHECK_PACKAGE_SIGNED", nullptr, 0) > 0 ||
           GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

void LogSystemText(int32_t status) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length > 0 && text) WriteLog(text);
    if (text) LocalFree(text);
}

}  // namespace

int VerifyEmbeddedSignature(const wchar_t* path, int32_t* status) {
    const Verification verification = Verify(path, nullptr);
    if (status) *status = verification.status;
    return SignatureCode(verification.status);
}

void PinPublisher() {
    wchar_t self[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    const Verification own = length > 0 && length <= MAX_PATH
                                 ? Verify(self, nullptr)
                                 : Verification{static_cast<int32_t>(0x800B0100), std::nullopt};
    if (SignatureCode(own.status) == kSignatureMissing) {
        publisher.reset();
        WriteLog(L"Publisher: none, the setup is not signed: packages are checked without a "
                 L"publisher");
        return;
    }
    // A signature whose signer cannot be read pins a key that no package has.
    publisher = own.signer.value_or(Signer{L"(unreadable)", L"", ""});
    WriteLog((L"Publisher: " + SignerText(*publisher)).c_str());
}

bool IsPackageSigned(const wchar_t* path) { return IsPackageSigned(path, nullptr, false); }

bool IsPackageSigned(const wchar_t* path, void* file, bool microsoftPackage) {
    StepProtocol step = LoggedStep(L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() KO");
    if (SkipRequested()) {
        if (!publisher) {
            WriteLog(L"VerifyEmbeddedSignature is skipped");
            return step.Leave(L"OUT-> IsPackageSigned() OK", true);
        }
        WriteLog(L"NO_CHECK_PACKAGE_SIGNED is ignored: the setup is signed");
    }
    const Verification verification = Verify(path, file);
    const PackageSignature package{SignatureCode(verification.status), verification.signer,
                                   microsoftPackage};
    if (IsTrustedPackage(package, publisher))
        return step.Leave(L"OUT-> IsPackageSigned() OK", true);
    if (IsAcceptedSignature(package.code)) {
        const std::wstring who =
            verification.signer ? SignerText(*verification.signer) : L"(unreadable)";
        WriteLog((L"Package signer refused: " + who).c_str());
    } else {
        LogSystemText(verification.status);
    }
    return false;
}
