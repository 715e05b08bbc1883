#pragma once
// The text of a registry file: UTF-16LE after its byte-order mark, as Windows
// writes it, else UTF-8 with or without one.

#include <string>
#include <string_view>

namespace NOs {

// The file's text without its byte-order mark. An invalid UTF-8 sequence
// becomes U+FFFD; an odd last byte of UTF-16 is dropped.
std::u16string DecodeRegFile(std::string_view bytes);

}  // namespace NOs
