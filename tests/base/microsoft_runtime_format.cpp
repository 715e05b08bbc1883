#include "microsoft_runtime_format.h"

#include <windows.h>

#include <array>
#include <cstdint>

namespace {

// A Win32 variadic function: every argument takes one 64-bit slot, so an
// integer and a text pointer pass alike.
using NSnwprintf = int(__attribute__((ms_abi)) *)(char16_t*, size_t, const char16_t*, ...);

constexpr size_t kMaxArguments = 6;

NSnwprintf FindSnwprintf() {
    const HMODULE runtime = ::LoadLibraryW(u"msvcrt.dll");
    using NGeneric = void (*)();
    return runtime == nullptr ? nullptr
                              : reinterpret_cast<NSnwprintf>(reinterpret_cast<NGeneric>(
                                    ::GetProcAddress(runtime, "_snwprintf")));
}

}  // namespace

std::u16string MicrosoftRuntimeFormat(const char16_t* format,
                                      const std::vector<NFormat::NArg>& args) {
    static const NSnwprintf snwprintf = FindSnwprintf();
    if (snwprintf == nullptr || args.size() > kMaxArguments) {
        return u"<no msvcrt>";
    }
    std::array<uint64_t, kMaxArguments> slots{};
    for (size_t i = 0; i < args.size(); ++i) {
        slots[i] = args[i].Kind() == NFormat::NArg::NKind::Text
                       ? reinterpret_cast<uintptr_t>(args[i].Text())
                       : args[i].Bits();
    }
    char16_t buffer[512] = {};
    snwprintf(buffer, 511, format, slots[0], slots[1], slots[2], slots[3], slots[4], slots[5]);
    return buffer;
}
