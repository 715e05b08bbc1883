#pragma once

// Paths of the portable layer as the wide texts that the Win32 calls take.

#include <windows.h>

#include <string>

#include "text/utf_codec.h"

namespace NOs {

// A path goes through the path codec, so that bytes that are not UTF-8 name
// the same file both ways.
inline std::u16string PathToWide(const std::string& path) { return NUtf::PathToUtf16(path); }

// WCHAR is char16_t in a Winelib build and wchar_t in a native one; both
// are UTF-16.
inline const WCHAR* WidePointer(const std::u16string& text) {
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

}  // namespace NOs
