#pragma once
// The one codec between UTF-8 and UTF-16, for text and for paths.

#include <optional>
#include <string>
#include <string_view>

namespace NUtf {

// Text: what is malformed becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);

// File-system paths round-trip exactly: each byte of a path that is not
// UTF-8 stands as one of the lone surrogates U+DC80..U+DCFF, and turns back
// into that byte. A path that holds any other lone surrogate names no file:
// nothing. Text meant for people, such as the log, goes through ToUtf8 and
// shows U+FFFD.
std::u16string PathToUtf16(std::string_view path);
std::optional<std::string> Utf16ToPath(std::u16string_view path);

}  // namespace NUtf
