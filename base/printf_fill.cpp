#include "base/printf_fill.h"

#include <array>

namespace {

constexpr std::array<std::wstring_view, 5> kConversions = {L"%I64d", L"%s", L"%d", L"%u", L"%ls"};

}  // namespace

std::wstring FillConversions(std::wstring_view text,
                             std::initializer_list<std::wstring_view> args) {
    std::wstring result;
    auto next = args.begin();
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] != L'%') {
            result += text[pos++];
            continue;
        }
        if (text.substr(pos, 2) == L"%%") {
            result += L'%';
            pos += 2;
            continue;
        }
        bool matched = false;
        for (std::wstring_view conversion : kConversions) {
            if (text.substr(pos, conversion.size()) != conversion) continue;
            if (next != args.end()) result += *next++;
            pos += conversion.size();
            matched = true;
            break;
        }
        if (!matched) result += text[pos++];
    }
    return result;
}
