#include "framework/format_string.h"

namespace {

std::wstring Replace(std::wstring_view text, const std::wstring_view* args, size_t argCount) {
    std::wstring result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size()) {
            const size_t index = static_cast<size_t>(text[i + 1] - L'1');
            if (text[i + 1] >= L'1' && index < argCount) {
                result.append(args[index]);
                ++i;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

}  // namespace

std::wstring ReplacePlaceholders(std::wstring_view text, std::wstring_view arg1) {
    return Replace(text, &arg1, 1);
}

std::wstring ReplacePlaceholders(std::wstring_view text, std::wstring_view arg1,
                                 std::wstring_view arg2) {
    const std::wstring_view args[] = {arg1, arg2};
    return Replace(text, args, 2);
}
