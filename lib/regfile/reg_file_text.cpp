#include "regfile/reg_file_text.h"

#include <string>

#include "text/utf16le_bytes.h"
#include "text/utf_codec.h"

namespace NOs {
namespace {

constexpr std::string_view kBomUtf16Le = "\xFF\xFE";
constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";

}  // namespace

std::u16string DecodeRegFile(std::string_view bytes) {
    if (bytes.substr(0, kBomUtf16Le.size()) == kBomUtf16Le) {
        return DecodeUtf16Le(bytes.substr(kBomUtf16Le.size()));
    }
    if (bytes.substr(0, kBomUtf8.size()) == kBomUtf8) {
        bytes.remove_prefix(kBomUtf8.size());
    }
    return NUtf::ToUtf16(bytes);
}

}  // namespace NOs
