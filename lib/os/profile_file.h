#pragma once
// Profile (.ini) files, read as GetPrivateProfileIntA and
// GetPrivateProfileStringA read them. (On Linux: our own reader,
// profile_text.h.)

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace NOs {

class NProfileFile {
public:
    // Reads the file once. A missing or unreadable file, anything that is
    // not a plain file (a folder, for one), or one of more than
    // kMaxProfileBytes reads as an empty profile. On Linux the file must lie
    // on a trusted path (linux/trusted_path.h); a link to it is followed
    // only where it stands in a trusted folder.
    explicit NProfileFile(const std::string& path);
    ~NProfileFile();
    NProfileFile(NProfileFile&&) noexcept;
    NProfileFile& operator=(NProfileFile&&) noexcept;
    NProfileFile(const NProfileFile&) = delete;
    NProfileFile& operator=(const NProfileFile&) = delete;

    static constexpr size_t kMaxProfileBytes = 16 << 20;

    // The value of key in section, without its quotes; nothing when missing.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;

    // GetPrivateProfileIntA: defaultValue when the key is missing or its value
    // is empty; otherwise the value's first 29 UTF-16 code units read like
    // Windows reads them: leading white space, one '+' or '-', a "0x", "0o" or
    // "0b" prefix for base 16, 8 or 2, then digits up to the first other
    // character, wrapping modulo 2^32. "12abc" gives 12, "abc" gives 0, "-1"
    // gives -1.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // The text GetPrivateProfileStringA would return with an unlimited buffer:
    // the value, or, when the key is missing, defaultValue without its
    // trailing spaces and then without a matching pair of quotes.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

    // GetPrivateProfileStringA: that text, cut to capacity - 1 bytes (never
    // inside a UTF-8 sequence) and terminated. Returns the bytes copied
    // without the terminator; with capacity 0 nothing is written.
    uint32_t GetString(std::string_view section, std::string_view key, const char* defaultValue,
                       char* buffer, uint32_t capacity) const;

private:
    struct NImpl;  // the platform's reader
    std::unique_ptr<NImpl> m_pImpl;
};

}  // namespace NOs
