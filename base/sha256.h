// SHA-256, for the publisher's key fingerprint: the oldest Windows the setup accepts has no
// SHA-256 in its cryptographic provider.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The digest of the bytes as 64 lowercase hexadecimal digits.
std::string Sha256Hex(const uint8_t* data, size_t size);
