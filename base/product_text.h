// Catalogue texts whose %1 is the product's name, as most of the setup's texts are.
#pragma once

#include <string>

#include "base/setup_state.h"
#include "framework/afx_strings.h"

inline std::wstring ProductText(UINT id) {
    std::wstring text;
    AfxFormatString1(text, id, kProductName);
    return text;
}
