// How a WinVerifyTrust answer and the package's signer are judged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

inline constexpr int kSignatureValid = 1;
inline constexpr int kSignatureMissing = 2;
inline constexpr int kSignatureUntrustedChain = 4;
inline constexpr int kSignatureRefused = 8;

int SignatureCode(int32_t trustResult);

// A valid signature, or one whose chain ends in a root this machine does not trust.
bool IsAcceptedSignature(int code);

// Who signed a file: the signing certificate's subject and organisation, and the SHA-256 of
// its public key (SubjectPublicKeyInfo) in hexadecimal.
struct Signer {
    std::wstring subject;
    std::wstring organization;
    std::string keyHash;
};

inline constexpr const wchar_t* kMicrosoftOrganization = L"Microsoft Corporation";

// What decides whether a package may be installed as administrator.
struct PackageSignature {
    int code = kSignatureRefused;
    std::optional<Signer> signer;
    bool microsoftPackage = false;  // MSXML and its hot fix come from Microsoft itself
};

// A signed setup pins its own signer as the publisher: a package must carry the publisher's
// key, or, for Microsoft's packages, a fully trusted signature of Microsoft's. An unsigned
// (development) setup has no publisher and takes any accepted signature.
bool IsTrustedPackage(const PackageSignature& package, const std::optional<Signer>& publisher);

// "<subject> <key hash>", as the log names a signer.
std::wstring SignerText(const Signer& signer);
