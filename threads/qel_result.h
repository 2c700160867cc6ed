// The failure code that the thread library, the HTTP client and the setup's steps all answer.
#pragma once

// E_FAIL, as a 32-bit signed value on every platform.
constexpr long QEL_E_FAIL = static_cast<long>(static_cast<int>(0x80004005u));
