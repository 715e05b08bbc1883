#include "os/profile_file.h"

#include <windows.h>

#include <vector>

// Windows reads the file at each call, as GetPrivateProfileStringA always
// does; the object keeps only its path.
namespace NOs {

struct NProfileFile::NImpl {
    std::string path;
};

namespace {

// GetPrivateProfileStringA with a buffer that grows until the text fits
// (the function cuts it to capacity - 1 bytes).
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const char* defaultValue) {
    for (DWORD capacity = 256;; capacity *= 2) {
        std::vector<char> buffer(capacity);
        const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue,
                                                        buffer.data(), capacity, path.c_str());
        if (length + 1 < capacity || capacity >= NProfileFile::kMaxProfileBytes) {
            return std::string(buffer.data(), length);
        }
    }
}

}  // namespace

NProfileFile::NProfileFile(const std::string& path)
    : m_pImpl(std::make_unique<NImpl>(NImpl{path})) {}

NProfileFile::~NProfileFile() = default;
NProfileFile::NProfileFile(NProfileFile&&) noexcept = default;
NProfileFile& NProfileFile::operator=(NProfileFile&&) noexcept = default;

// Windows tells no missing key from a value equal to the default: a key
// that gives back two different defaults is missing.
std::optional<std::string> NProfileFile::FindValue(std::string_view section,
                                                   std::string_view key) const {
    const std::string sectionName(section);
    const std::string keyName(key);
    const std::string first = ReadProfileString(m_pImpl->path, sectionName, keyName, "\x01");
    if (first != "\x01") {
        return first;
    }
    const std::string second = ReadProfileString(m_pImpl->path, sectionName, keyName, "\x02");
    return second == "\x02" ? std::nullopt : std::optional<std::string>(first);
}

int NProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    return static_cast<int>(::GetPrivateProfileIntA(std::string(section).c_str(),
                                                    std::string(key).c_str(), defaultValue,
                                                    m_pImpl->path.c_str()));
}

std::string NProfileFile::GetString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    return ReadProfileString(m_pImpl->path, std::string(section), std::string(key),
                             std::string(defaultValue).c_str());
}

uint32_t NProfileFile::GetString(std::string_view section, std::string_view key,
                                 const char* defaultValue, char* buffer, uint32_t capacity) const {
    if (capacity == 0) {
        return 0;
    }
    return ::GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                      defaultValue == nullptr ? "" : defaultValue, buffer, capacity,
                                      m_pImpl->path.c_str());
}

}  // namespace NOs
