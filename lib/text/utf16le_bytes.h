#pragma once
// UTF-16LE byte blocks, as the data slots and Windows files hold them.

#include <string>
#include <string_view>

namespace NOs {

// The code units of bytes read two at a time, little-endian; an odd last
// byte is left out.
std::u16string DecodeUtf16Le(std::string_view bytes);

}  // namespace NOs
