#pragma once
// Whether a text begins with a prefix, in any code unit.

#include <string_view>

namespace NOs {

template <class Char>
bool StartsWith(std::basic_string_view<Char> text, std::basic_string_view<Char> prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// For a zero-terminated text: looks no further than its end.
template <class Char>
bool StartsWith(const Char* text, std::basic_string_view<Char> prefix) {
    for (const Char unit : prefix) {
        if (*text != unit) {
            return false;
        }
        ++text;
    }
    return true;
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return StartsWith<char>(text, prefix);
}

}  // namespace NOs
