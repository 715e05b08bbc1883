#pragma once
// Properties that the fuzz targets assert. A property that does not hold
// aborts the run, which libFuzzer and the replay driver both report together
// with the input that broke it.

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace NFuzz {

// Aborts with what on stderr unless condition holds.
void Require(bool condition, const char* what);

// Owns a text that the code-page converters allocated with malloc.
struct NFreeDeleter {
    void operator()(void* pData) const { std::free(pData); }
};
template <class T>
using NMallocText = std::unique_ptr<T[], NFreeDeleter>;

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Well-formed UTF-16: every surrogate in a high-low pair.
bool IsValidUtf16(std::u16string_view text);

// The text up to its first zero unit, as a zero-terminated API sees it.
template <class Unit>
std::basic_string<Unit> UpToZero(std::basic_string_view<Unit> text) {
    return std::basic_string<Unit>(text.substr(0, text.find(Unit{0})));
}

}  // namespace NFuzz
