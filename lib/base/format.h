#pragma once
// printf-style formatting into a char16_t buffer.
//
// Conversions: d i u o x X c s %, flags - + space # 0, width and precision
// (digits or *), length modifiers hh h l ll I64 I32 z with Windows sizes (l
// is 32 bits, ll and I64 are 64 bits). As in the Microsoft runtime, the 0
// flag pads every conversion with zeros even with a precision, a precision
// of 0 leaves a %c character out, and %#o prefixes its 0 to values other
// than 0 only. Each argument is checked against its
// conversion at run time: a missing argument or one of the wrong kind (text
// for a number, a number for %s) leaves the directive in the output as it was
// written. The buffer is never overrun: the text is cut to capacity - 1 units
// and always terminated.

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace NFormat {

// One argument as the formatter sees it: an integer or a UTF-16 text.
class NArg {
public:
    enum class NKind { Integer, Text };

    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    NArg(T value)  // NOLINT: implicit so that callers pass plain values
        : m_eKind(NKind::Integer), m_uBits(static_cast<uint64_t>(value)) {}
    NArg(const char16_t* text) : m_eKind(NKind::Text), m_pszText(text) {}  // NOLINT
    NArg(char16_t* text) : NArg(static_cast<const char16_t*>(text)) {}     // NOLINT

    NKind Kind() const { return m_eKind; }
    uint64_t Bits() const { return m_uBits; }
    const char16_t* Text() const { return m_pszText; }

private:
    NKind m_eKind;
    uint64_t m_uBits = 0;
    const char16_t* m_pszText = nullptr;
};

// Formats into buffer (capacity in code units, terminator included) and
// returns the number of code units written before the terminator.
size_t PrintArgs(char16_t* buffer, size_t capacity, const char16_t* format, const NArg* args,
                 size_t argCount);

template <class... T>
size_t Print(char16_t* buffer, size_t capacity, const char16_t* format, const T&... args) {
    const NArg list[] = {NArg(args)..., NArg(0)};
    return PrintArgs(buffer, capacity, format, list, sizeof...(T));
}

// The same, into a string of any length.
std::u16string ToStringArgs(const char16_t* format, const NArg* args, size_t argCount);

template <class... T>
std::u16string ToString(const char16_t* format, const T&... args) {
    const NArg list[] = {NArg(args)..., NArg(0)};
    return ToStringArgs(format, list, sizeof...(T));
}

}  // namespace NFormat
