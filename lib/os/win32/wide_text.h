#pragma once

// UTF-8 texts and paths of the portable layer as the wide texts that the
// Win32 calls take (WCHAR is char16_t in this build).

#include <optional>
#include <string>

#include "os/utf_codec.h"

namespace NOs {

inline std::u16string ToWide(const std::string& text) { return NUtf::ToUtf16(text); }

// A path goes through the path codec, so that bytes that are not UTF-8 name
// the same file both ways.
inline std::u16string PathToWide(const std::string& path) { return NUtf::PathToUtf16(path); }

inline const WCHAR* WidePointer(const std::u16string& text) {
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

}  // namespace NOs
