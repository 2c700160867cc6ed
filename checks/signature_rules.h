// How a WinVerifyTrust answer is judged.
#pragma once

#include <cstdint>

inline constexpr int kSignatureValid = 1;
inline constexpr int kSignatureMissing = 2;
inline constexpr int kSignatureUntrustedChain = 4;
inline constexpr int kSignatureRefused = 8;

int SignatureCode(int32_t trustResult);

// A valid signature, or one whose chain ends in a root this machine does not trust.
bool IsAcceptedSignature(int code);
