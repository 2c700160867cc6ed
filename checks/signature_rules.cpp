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
