// The printf-style formatter with a fuzzed format, fuzzed arguments and a
// fuzzed buffer capacity. The buffer ends where its heap block ends, so that
// AddressSanitizer catches a write one unit past it.
//
// Input: capacity (2 bytes, at most kMaxCapacity), argument count (1 byte, at
// most kMaxArguments), the arguments, then the format as UTF-16LE code units.
// Each argument is a kind byte: 0 an integer (8 bytes), 1 a text (a length
// byte, then that many UTF-16LE code units), 2 a null text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/format.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

using NFuzz::Require;

constexpr size_t kMaxCapacity = 1024;
constexpr size_t kMaxArguments = 8;
constexpr char16_t kUntouched = 0xA5A5;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The arguments and the texts they point to.
class NArguments {
public:
    explicit NArguments(NFuzzInput& input) {
        const size_t count = input.TakeByte() % (kMaxArguments + 1);
        m_vecTexts.reserve(count);  // the arguments point into these texts
        for (size_t index = 0; index < count; ++index) {
            Take(input);
        }
    }

    const NFormat::NArg* Data() const { return m_vecArgs.data(); }
    size_t Count() const { return m_vecArgs.size(); }

private:
    void Take(NFuzzInput& input) {
        switch (input.TakeByte() % 3) {
            case 0:
                m_vecArgs.emplace_back(input.TakeInteger(8));
                break;
            case 1:
                m_vecTexts.push_back(input.TakeUtf16(input.TakeByte()));
                m_vecArgs.emplace_back(m_vecTexts.back().c_str());
                break;
            default:
                m_vecArgs.emplace_back(static_cast<const char16_t*>(nullptr));
                break;
        }
    }

    std::vector<std::u16string> m_vecTexts;
    std::vector<NFormat::NArg> m_vecArgs;
};

// Print into exactly capacity units: the result is the longest prefix of the
// whole text that fits (less a high surrogate whose pair was cut off),
// terminated, and nothing after the terminator is touched.
void CheckPrint(const std::u16string& format, const NArguments& args, size_t capacity,
                const std::u16string& whole) {
    const auto buffer = std::make_unique<char16_t[]>(capacity);
    std::fill_n(buffer.get(), capacity, kUntouched);
    const size_t length =
        NFormat::PrintArgs(buffer.get(), capacity, format.c_str(), args.Data(), args.Count());
    if (capacity == 0) {
        Require(length == 0, "nothing is written into a buffer of capacity 0");
        return;
    }
    Require(length < capacity, "the text leaves room for its terminator");
    Require(buffer[length] == u'\0', "the text is terminated");
    Require(std::all_of(buffer.get() + length + 1, buffer.get() + capacity,
                        [](char16_t unit) { return unit == kUntouched; }),
            "nothing after the terminator is written");
    Require(whole.compare(0, length, buffer.get(), length) == 0,
            "the printed text is a prefix of the whole text");
    const size_t fitting = std::min(whole.size(), capacity - 1);
    const bool pairCut =
        length + 1 == fitting && fitting < whole.size() && IsHighSurrogate(whole[length]);
    Require(length == fitting || pairCut, "as much of the text as fits is printed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NFuzzInput input(data, size);
    const size_t capacity = input.TakeInteger(2) % (kMaxCapacity + 1);
    const NArguments args(input);
    const std::u16string format = NFuzz::UpToZero<char16_t>(input.TakeRestUtf16());

    const std::u16string whole = NFormat::ToStringArgs(format.c_str(), args.Data(), args.Count());
    if (format.find(u'%') == std::u16string::npos) {
        Require(whole == format, "a format without directives is its own text");
    }
    CheckPrint(format, args, capacity, whole);
    return 0;
}
