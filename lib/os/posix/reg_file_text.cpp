#include "os/reg_file_text.h"

#include <iconv.h>

#include <memory>
#include <string>

#include "os/utf16le_bytes.h"

namespace NOs {
namespace {

constexpr std::string_view kBomUtf16Le = "\xFF\xFE";
constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr char16_t kReplacement = 0xFFFD;

struct NIconvCloser {
    void operator()(void* handle) const { ::iconv_close(static_cast<iconv_t>(handle)); }
};
using NIconvHandle = std::unique_ptr<void, NIconvCloser>;

// UTF-8 through the C library's converter; an invalid or cut sequence
// becomes U+FFFD.
std::u16string DecodeUtf8(std::string_view bytes) {
    const iconv_t opened = ::iconv_open("UTF-16LE", "UTF-8");
    if (opened == reinterpret_cast<iconv_t>(-1)) {
        return {};  // both are built into the C library; an empty text has no header
    }
    const NIconvHandle converter(opened);
    std::u16string text;
    // Every UTF-8 byte gives at most one UTF-16 code unit.
    std::string units(bytes.size() * 2, '\0');
    char* in = const_cast<char*>(bytes.data());  // iconv does not write its input
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* out = units.data();
        size_t outLeft = units.size();
        const size_t result = ::iconv(opened, &in, &inLeft, &out, &outLeft);
        text += DecodeUtf16Le(std::string_view(units.data(), units.size() - outLeft));
        if (result == static_cast<size_t>(-1)) {
            text += kReplacement;
            ++in;
            --inLeft;
        }
    }
    return text;
}

}  // namespace

std::u16string DecodeRegFile(std::string_view bytes) {
    if (bytes.substr(0, kBomUtf16Le.size()) == kBomUtf16Le) {
        return DecodeUtf16Le(bytes.substr(kBomUtf16Le.size()));
    }
    if (bytes.substr(0, kBomUtf8.size()) == kBomUtf8) {
        bytes.remove_prefix(kBomUtf8.size());
    }
    return DecodeUtf8(bytes);
}

}  // namespace NOs
