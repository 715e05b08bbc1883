// The UTF-8/UTF-16 converters. The input is taken both as UTF-8 bytes and as
// UTF-16LE code units. Valid text makes the round trip exactly; invalid text
// comes out valid, with at least one U+FFFD, and converts back and forth
// stably; the zero-terminated functions agree with the string functions.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/code_page.h"
#include "base/text_convert.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "text/utf16le_bytes.h"

namespace {

using NFuzz::Require;

// What the checks need to know of the encoding on each side.
template <class Unit>
struct NEncoding;

template <>
struct NEncoding<char> {
    using NOther = char16_t;
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    static std::u16string Convert(std::string_view text) { return NUtf::ToUtf16(text); }
    static char16_t* ConvertTerminated(const char* text, uint32_t codePage) {
        return MultiToWide(text, codePage);
    }
    static bool IsValid(std::string_view text) { return NFuzz::IsValidUtf8(text); }
};

template <>
struct NEncoding<char16_t> {
    using NOther = char;
    static constexpr std::u16string_view kReplacement = u"\uFFFD";
    static std::string Convert(std::u16string_view text) { return NUtf::ToUtf8(text); }
    static char* ConvertTerminated(const char16_t* text, uint32_t codePage) {
        return WideToMulti(text, codePage);
    }
    static bool IsValid(std::u16string_view text) { return NFuzz::IsValidUtf16(text); }
};

template <class Unit>
void CheckTerminatedConversion(std::basic_string_view<Unit> text) {
    using NFrom = NEncoding<Unit>;
    const std::basic_string<Unit> terminated = NFuzz::UpToZero(text);
    const auto expected = NFrom::Convert(terminated);
    for (const uint32_t codePage : {NWin::CP_UTF8, NWin::CP_ACP}) {
        const NFuzz::NMallocText<typename NFrom::NOther> converted(
            NFrom::ConvertTerminated(terminated.c_str(), codePage));
        Require(converted != nullptr, "a zero-terminated conversion gives a text");
        Require(converted.get() == expected, "zero-terminated and string conversions agree");
    }
}

template <class Unit>
void CheckConversion(std::basic_string_view<Unit> text) {
    using NFrom = NEncoding<Unit>;
    using NTo = NEncoding<typename NFrom::NOther>;
    const auto converted = NFrom::Convert(text);
    Require(NTo::IsValid(converted), "a conversion always gives valid text");
    const auto back = NTo::Convert(converted);
    if (NFrom::IsValid(text)) {
        Require(back == text, "valid text makes the round trip exactly");
    } else {
        Require(converted.find(NTo::kReplacement) != converted.npos,
                "invalid text leaves a replacement character");
    }
    Require(NFrom::Convert(back) == converted, "converted text converts back and forth stably");
    CheckTerminatedConversion(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckConversion(bytes);
    const std::u16string units = NOs::DecodeUtf16Le(bytes);
    CheckConversion(std::u16string_view(units));
    return 0;
}
