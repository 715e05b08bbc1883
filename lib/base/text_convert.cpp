#include "base/text_convert.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/code_page.h"

namespace {

using NWin::CP_ACP;
using NWin::CP_UTF8;

bool IsKnownCodePage(uint32_t codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

// Copies a converted text into a malloc'ed buffer; null when memory is out.
template <class Unit, class Convert>
Unit* ConvertToMalloc(Convert convert) try {
    const std::basic_string<Unit> text = convert();
    const size_t bytes = (text.size() + 1) * sizeof(Unit);
    auto* copy = static_cast<Unit*>(std::malloc(bytes));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), bytes);
    }
    return copy;
} catch (const std::bad_alloc&) {
    return nullptr;
}

}  // namespace

char* WideToMulti(const char16_t* text, uint32_t codePage) {
    if (text == nullptr || !IsKnownCodePage(codePage)) {
        return nullptr;
    }
    return ConvertToMalloc<char>([text] { return NUtf::ToUtf8(text); });
}

char16_t* MultiToWide(const char* text, uint32_t codePage) {
    if (text == nullptr || !IsKnownCodePage(codePage)) {
        return nullptr;
    }
    return ConvertToMalloc<char16_t>([text] { return NUtf::ToUtf16(text); });
}
