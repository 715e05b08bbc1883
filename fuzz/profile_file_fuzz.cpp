// The profile-file reader over any file content and any lookup.
//
// Input: the section, the key and the default value, each up to a line feed;
// then one byte, the capacity of the caller's buffer; then the file content.
// The buffer ends where its heap block ends, so that AddressSanitizer catches
// a write one byte past it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/memory_file.h"
#include "os/profile_file.h"

namespace {

using NFuzz::Require;

// A section that the content is followed by: whatever came before, it is read.
constexpr std::string_view kProbe = "\n[fuzz probe]\nprobe key = \"probe value \"\n";

bool IsDecimalInt(std::string_view text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string WithoutTrailingSpaces(std::string_view text) {
    return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
}

// What GetString gives for a missing key: the default without its trailing
// spaces, then without one pair of quotes around it, as a value loses them.
std::string AsDefault(std::string_view defaultValue) {
    const std::string text = WithoutTrailingSpaces(defaultValue);
    const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                        text.back() == text.front();
    return quoted ? text.substr(1, text.size() - 2) : text;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// A file that starts with a UTF-16 byte order mark is read as UTF-16: its
// values are not its bytes.
bool IsReadAsUtf16(std::string_view content) {
    const std::string_view mark = content.substr(0, 2);
    return mark == "\xFF\xFE" || mark == "\xFE\xFF";
}

void CheckValue(const std::string& fileText, const std::optional<std::string>& value) {
    if (value) {
        Require(IsReadAsUtf16(fileText) || fileText.find(*value) != std::string::npos,
                "a value comes from the file");
        Require(value->find_first_of("\r\n") == std::string::npos, "a value is one line");
    }
}

void CheckInt(const NOs::NProfileFile& profile, std::string_view section, std::string_view key,
              const std::optional<std::string>& value) {
    const int first = profile.GetInt(section, key, 7);
    const int second = profile.GetInt(section, key, -7);
    const bool defaulted = !value || value->empty();
    Require(defaulted ? first == 7 && second == -7 : first == second,
            "GetInt gives the default exactly when the value is missing or empty");
    if (value && IsDecimalInt(*value)) {
        Require(first == std::stoi(*value), "GetInt reads decimal digits");
    }
}

// GetString into a buffer of capacity bytes: the text cut to capacity - 1
// bytes, never inside a UTF-8 sequence, and terminated.
void CheckBuffer(const NOs::NProfileFile& profile, std::string_view section, std::string_view key,
                 const std::string& defaultValue, const std::string& text, uint32_t capacity) {
    const auto buffer = std::make_unique<char[]>(capacity);
    const uint32_t length =
        profile.GetString(section, key, defaultValue.c_str(), buffer.get(), capacity);
    if (capacity == 0) {
        Require(length == 0, "nothing is written into a buffer of capacity 0");
        return;
    }
    Require(length < capacity && buffer[length] == '\0', "the text is cut and terminated");
    Require(text.compare(0, length, buffer.get(), length) == 0, "the text is cut at its end");
    Require(length == text.size() || length == 0 || !IsContinuationByte(text[length]),
            "the text is not cut inside a UTF-8 sequence");
    if (NFuzz::IsValidUtf8(text)) {
        Require(length + 3 >= std::min<size_t>(text.size(), capacity - 1),
                "valid UTF-8 loses at most one sequence");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NMemoryFile file;
    NFuzzInput input(data, size);
    const std::string_view section = input.TakeLine();
    const std::string_view key = input.TakeLine();
    const std::string defaultValue = NFuzz::UpToZero(input.TakeLine());
    const uint32_t capacity = input.TakeByte();
    const std::string_view content = input.TakeRest();
    const std::string fileText = std::string(content).append(kProbe);
    file.Write(fileText);

    const NOs::NProfileFile profile(file.GetPath());
    const std::optional<std::string> value = profile.FindValue(section, key);
    CheckValue(fileText, value);
    CheckInt(profile, section, key, value);
    const std::string text = profile.GetString(section, key, defaultValue);
    Require(text == value.value_or(AsDefault(defaultValue)),
            "GetString gives the value, or the default without its trailing spaces and quotes");
    CheckBuffer(profile, section, key, defaultValue, text, capacity);
    // The probe's bytes are no text in a file read as UTF-16.
    if (!IsReadAsUtf16(content) && LowerCase(content).find("probe") == std::string::npos) {
        Require(profile.FindValue(" FUZZ Probe", "PROBE KEY ") == "probe value ",
                "a section after any content is read");
    }
    return 0;
}
