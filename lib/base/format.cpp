#include "base/format.h"

#include <algorithm>
#include <string_view>

#include "text/text_prefix.h"

namespace NFormat {
namespace {

constexpr int kUnset = -1;
// Widths and precisions beyond this are clamped; nothing needs more.
constexpr int kMaxFieldWidth = 1 << 20;

// A bounded output: keeps at most capacity - 1 units and never splits a
// surrogate pair at the cut.
class NBufferSink {
public:
    NBufferSink(char16_t* buffer, size_t capacity) : m_pBuffer(buffer), m_nCapacity(capacity) {}

    void Put(char16_t unit) {
        if (m_nSize + 1 < m_nCapacity) {
            m_pBuffer[m_nSize++] = unit;
        } else {
            m_bCut = true;
        }
    }

    size_t Finish() {
        if (m_nCapacity == 0) {
            return 0;
        }
        const bool splitPair = m_bCut && m_nSize > 0 && m_pBuffer[m_nSize - 1] >= 0xD800 &&
                               m_pBuffer[m_nSize - 1] <= 0xDBFF;
        if (splitPair) {
            --m_nSize;
        }
        m_pBuffer[m_nSize] = u'\0';
        return m_nSize;
    }

private:
    char16_t* m_pBuffer;
    size_t m_nCapacity;
    size_t m_nSize = 0;
    bool m_bCut = false;
};

class NStringSink {
public:
    void Put(char16_t unit) { m_strText += unit; }
    std::u16string Take() { return std::move(m_strText); }

private:
    std::u16string m_strText;
};

// One parsed directive: %[flags][width][.precision][length]conversion.
struct NDirective {
    bool bLeft = false;
    bool bPlus = false;
    bool bSpace = false;
    bool bAlternate = false;
    bool bZero = false;
    int nWidth = kUnset;
    int nPrecision = kUnset;
    int nBits = 32;
    char16_t chConversion = u'\0';
};

// Walks the argument list; running out or a wrong kind yields nothing.
class NArgCursor {
public:
    NArgCursor(const NArg* args, size_t count) : m_pArgs(args), m_nCount(count) {}

    const NArg* Next() { return m_nNext < m_nCount ? &m_pArgs[m_nNext++] : nullptr; }

private:
    const NArg* m_pArgs;
    size_t m_nCount;
    size_t m_nNext = 0;
};

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

int ReadNumber(const char16_t*& cursor) {
    int value = 0;
    while (IsDigit(*cursor)) {
        value = std::min(value * 10 + (*cursor - u'0'), kMaxFieldWidth);
        ++cursor;
    }
    return value;
}

// A '*' field takes its value from the next argument, which must be an integer.
bool ReadStarField(NArgCursor& args, int& value) {
    const NArg* arg = args.Next();
    if (arg == nullptr || arg->Kind() != NArg::NKind::Integer) {
        return false;
    }
    const auto signedValue = static_cast<int32_t>(arg->Bits());
    value = std::clamp(signedValue, -kMaxFieldWidth, kMaxFieldWidth);
    return true;
}

void ReadFlags(const char16_t*& cursor, NDirective& directive) {
    for (;; ++cursor) {
        switch (*cursor) {
            case u'-':
                directive.bLeft = true;
                break;
            case u'+':
                directive.bPlus = true;
                break;
            case u' ':
                directive.bSpace = true;
                break;
            case u'#':
                directive.bAlternate = true;
                break;
            case u'0':
                directive.bZero = true;
                break;
            default:
                return;
        }
    }
}

bool ReadWidth(const char16_t*& cursor, NArgCursor& args, NDirective& directive) {
    if (*cursor != u'*') {
        directive.nWidth = IsDigit(*cursor) ? ReadNumber(cursor) : kUnset;
        return true;
    }
    ++cursor;
    int width = 0;
    if (!ReadStarField(args, width)) {
        return false;
    }
    directive.bLeft = directive.bLeft || width < 0;
    directive.nWidth = width < 0 ? -width : width;
    return true;
}

bool ReadPrecision(const char16_t*& cursor, NArgCursor& args, NDirective& directive) {
    if (*cursor != u'.') {
        return true;
    }
    ++cursor;
    if (*cursor != u'*') {
        directive.nPrecision = ReadNumber(cursor);
        return true;
    }
    ++cursor;
    int precision = 0;
    if (!ReadStarField(args, precision)) {
        return false;
    }
    directive.nPrecision = precision < 0 ? kUnset : precision;
    return true;
}

// Length modifiers with the sizes of Windows: l is 32 bits. hh is 8 bits as
// the Microsoft documentation gives it; Wine's runtime reads it as h.
void ReadLength(const char16_t*& cursor, NDirective& directive) {
    struct NModifier {
        std::u16string_view text;
        int nBits;
    };
    static const NModifier kModifiers[] = {
        {u"hh", 8}, {u"h", 16}, {u"ll", 64}, {u"l", 32}, {u"I64", 64}, {u"I32", 32}, {u"z", 64},
    };
    for (const NModifier& modifier : kModifiers) {
        if (NOs::StartsWith(cursor, modifier.text)) {
            cursor += modifier.text.size();
            directive.nBits = modifier.nBits;
            return;
        }
    }
}

template <class Sink>
void PutText(Sink& sink, const char16_t* text, size_t length) {
    for (size_t index = 0; index < length; ++index) {
        sink.Put(text[index]);
    }
}

template <class Sink>
void PutRepeated(Sink& sink, char16_t unit, int count) {
    for (int index = 0; index < count; ++index) {
        sink.Put(unit);
    }
}

// One field: its prefix (sign or 0x), the zeros that a precision asks for,
// and its body. None of them is copied.
struct NField {
    std::u16string_view strPrefix;
    int nZeros;
    std::u16string_view strBody;
};

// Writes the field, padded to the directive's width. As in the Microsoft
// runtime, the '0' flag pads texts and characters with zeros too.
template <class Sink>
void PutPadded(Sink& sink, const NDirective& directive, const NField& field) {
    const int length =
        static_cast<int>(field.strPrefix.size() + field.strBody.size()) + field.nZeros;
    const int padding = std::max(directive.nWidth - length, 0);
    const bool zeroPad = directive.bZero && !directive.bLeft;
    if (!directive.bLeft && !zeroPad) {
        PutRepeated(sink, u' ', padding);
    }
    PutText(sink, field.strPrefix.data(), field.strPrefix.size());
    if (zeroPad) {
        PutRepeated(sink, u'0', padding);
    }
    PutRepeated(sink, u'0', field.nZeros);
    PutText(sink, field.strBody.data(), field.strBody.size());
    if (directive.bLeft) {
        PutRepeated(sink, u' ', padding);
    }
}

bool IsSignedConversion(char16_t conversion) { return conversion == u'd' || conversion == u'i'; }

// The argument's bits cut to the directive's size; signed conversions
// sign-extend them.
void SplitValue(uint64_t bits, const NDirective& directive, bool& negative, uint64_t& magnitude) {
    const int shift = 64 - directive.nBits;
    const uint64_t cut = (bits << shift) >> shift;
    negative = false;
    magnitude = cut;
    if (IsSignedConversion(directive.chConversion)) {
        const int64_t value = static_cast<int64_t>(cut << shift) >> shift;
        negative = value < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    }
}

// Room for the 22 octal digits of the largest 64-bit value.
constexpr size_t kMaxDigits = 22;

// The digits of magnitude, without leading zeros (none for 0), written
// backwards into buffer.
std::u16string_view Digits(uint64_t magnitude, char16_t conversion,
                           char16_t (&buffer)[kMaxDigits]) {
    const unsigned base = conversion == u'o'                           ? 8
                          : (conversion == u'x' || conversion == u'X') ? 16
                                                                       : 10;
    const char16_t* alphabet = conversion == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
    size_t start = kMaxDigits;
    for (; magnitude != 0; magnitude /= base) {
        buffer[--start] = alphabet[magnitude % base];
    }
    return std::u16string_view(buffer + start, kMaxDigits - start);
}

std::u16string_view IntegerPrefix(const NDirective& directive, bool negative, uint64_t magnitude) {
    if (negative) {
        return u"-";
    }
    if (IsSignedConversion(directive.chConversion)) {
        if (directive.bPlus) {
            return u"+";
        }
        if (directive.bSpace) {
            return u" ";
        }
    }
    if (directive.bAlternate && magnitude != 0) {
        if (directive.chConversion == u'x') {
            return u"0x";
        }
        if (directive.chConversion == u'X') {
            return u"0X";
        }
    }
    return u"";
}

template <class Sink>
void PutInteger(Sink& sink, const NDirective& directive, uint64_t bits) {
    bool negative = false;
    uint64_t magnitude = 0;
    SplitValue(bits, directive, negative, magnitude);
    char16_t buffer[kMaxDigits];
    const std::u16string_view digits = Digits(magnitude, directive.chConversion, buffer);
    // At least one digit, unless the precision is 0.
    const int wanted = directive.nPrecision == kUnset ? 1 : directive.nPrecision;
    int zeros = std::max(wanted - static_cast<int>(digits.size()), 0);
    // The alternate octal form always starts with a 0, also for 0 with a
    // precision of 0 (the digits never start with one). Wine writes nothing
    // there; Windows and C write "0".
    if (directive.chConversion == u'o' && directive.bAlternate && zeros == 0) {
        zeros = 1;
    }
    // A precision drops the '0' flag of an integer conversion, in C and in
    // the Microsoft runtime alike (Wine keeps it).
    NDirective padding = directive;
    padding.bZero = directive.bZero && directive.nPrecision == kUnset;
    PutPadded(sink, padding, NField{IntegerPrefix(directive, negative, magnitude), zeros, digits});
}

template <class Sink>
void PutString(Sink& sink, const NDirective& directive, const char16_t* text) {
    const char16_t* shown = text != nullptr ? text : u"(null)";
    size_t length = 0;
    const auto limit =
        directive.nPrecision == kUnset ? SIZE_MAX : static_cast<size_t>(directive.nPrecision);
    while (length < limit && shown[length] != u'\0') {
        ++length;
    }
    PutPadded(sink, directive, NField{u"", 0, std::u16string_view(shown, length)});
}

// Writes one converted argument; false when the argument is missing or of
// the wrong kind for the conversion.
template <class Sink>
bool PutConversion(Sink& sink, const NDirective& directive, NArgCursor& args) {
    const char16_t conversion = directive.chConversion;
    if (conversion == u'%') {
        sink.Put(u'%');
        return true;
    }
    const bool wantsText = conversion == u's';
    const bool wantsInteger =
        std::u16string_view(u"diuoxXc").find(conversion) != std::u16string_view::npos;
    const NArg* arg = (wantsText || wantsInteger) ? args.Next() : nullptr;
    if (arg == nullptr) {
        return false;
    }
    if (wantsText != (arg->Kind() == NArg::NKind::Text)) {
        return false;
    }
    if (wantsText) {
        PutString(sink, directive, arg->Text());
    } else if (conversion == u'c') {
        // The Microsoft runtime ignores a precision here (Wine applies it).
        const char16_t unit = static_cast<char16_t>(arg->Bits());
        PutPadded(sink, directive, NField{u"", 0, std::u16string_view(&unit, 1)});
    } else {
        PutInteger(sink, directive, arg->Bits());
    }
    return true;
}

// Handles the directive that starts at cursor (just after '%') and returns
// the position after it.
template <class Sink>
const char16_t* PutDirective(Sink& sink, const char16_t* start, NArgCursor& args) {
    const char16_t* cursor = start;
    NDirective directive;
    ReadFlags(cursor, directive);
    bool fieldsRead = ReadWidth(cursor, args, directive);
    fieldsRead = fieldsRead && ReadPrecision(cursor, args, directive);
    ReadLength(cursor, directive);
    directive.chConversion = *cursor;
    if (*cursor != u'\0') {
        ++cursor;
    }
    if (!fieldsRead || !PutConversion(sink, directive, args)) {
        sink.Put(u'%');
        PutText(sink, start, static_cast<size_t>(cursor - start));
    }
    return cursor;
}

template <class Sink>
void FormatInto(Sink& sink, const char16_t* format, const NArg* args, size_t argCount) {
    if (format == nullptr) {
        return;
    }
    NArgCursor cursor(args, argCount);
    for (const char16_t* at = format; *at != u'\0';) {
        if (*at == u'%') {
            at = PutDirective(sink, at + 1, cursor);
        } else {
            sink.Put(*at++);
        }
    }
}

}  // namespace

size_t PrintArgs(char16_t* buffer, size_t capacity, const char16_t* format, const NArg* args,
                 size_t argCount) {
    NBufferSink sink(buffer, capacity);
    FormatInto(sink, format, args, argCount);
    return sink.Finish();
}

std::u16string ToStringArgs(const char16_t* format, const NArg* args, size_t argCount) {
    NStringSink sink;
    FormatInto(sink, format, args, argCount);
    return sink.Take();
}

}  // namespace NFormat
