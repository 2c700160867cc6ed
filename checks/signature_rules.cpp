#include "checks/signature_rules.h"

int SignatureCode(int32_t trustResult) {
    switch (static_cast<uint32_t>(trustResult)) {
        case 0:
            return kSignatureValid;
        case 0x800B0100:  // TRUST_E_NOSIGNATURE
            return kSignatureMissing;
        case 0x800B0109:  // CERT_E_UNTRUSTEDROOT
        case 0x800B010A:  // CERT_E_CHAINING
        case 0x800B010D:  // CERT_E_UNTRUSTEDTESTROOT
            return kSignatureUntrustedChain;
        default:
            return kSignatureRefused;
    }
}

bool IsAcceptedSignature(int code) {
    return code == kSignatureValid || code == kSignatureUntrustedChain;
}

bool IsTrustedPackage(const PackageSignature& package, const std::optional<Signer>& publisher) {
    if (!publisher) return IsAcceptedSignature(package.code);
    if (!package.signer) return false;
    // The publisher's own key needs no trusted root: the pin is the trust.
    if (IsAcceptedSignature(package.code) && !publisher->keyHash.empty() &&
        package.signer->keyHash == publisher->keyHash)
        return true;
    return package.microsoftPackage && package.code == kSignatureValid &&
           package.signer->organization == kMicrosoftOrganization;
}

std::wstring SignerText(const Signer& signer) {
    return signer.subject + L" " + std::wstring(signer.keyHash.begin(), signer.keyHash.end());
}
