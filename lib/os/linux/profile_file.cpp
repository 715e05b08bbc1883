#include "os/profile_file.h"

#include "os/file_reader.h"
#include "os/linux/trusted_path.h"
#include "profile/profile_text.h"

namespace NOs {

struct NProfileFile::NImpl {
    NProfileText text;
};

namespace {

// Settings may come through a link, as a package's link from the program's
// folder to its file under /etc: followed only where it stands in a trusted
// folder and leads along a trusted path to a plain file.
std::string ReadProfileBytes(const std::string& path) {
    const NResult<std::string> target = ResolveTrustedPath(path, NLastLink::Follow);
    if (!target) {
        return std::string();
    }
    NResult<std::string> bytes = ReadTrustedFile(target.Value(), NProfileFile::kMaxProfileBytes);
    return bytes ? bytes.Take() : std::string();
}

}  // namespace

NProfileFile::NProfileFile(const std::string& path)
    : m_pImpl(std::make_unique<NImpl>(NImpl{NProfileText(ReadProfileBytes(path))})) {}

NProfileFile::~NProfileFile() = default;
NProfileFile::NProfileFile(NProfileFile&&) noexcept = default;
NProfileFile& NProfileFile::operator=(NProfileFile&&) noexcept = default;

std::optional<std::string> NProfileFile::FindValue(std::string_view section,
                                                   std::string_view key) const {
    return m_pImpl->text.FindValue(section, key);
}

int NProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    return ReadProfileInt(FindValue(section, key), defaultValue);
}

std::string NProfileFile::GetString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    return ReadProfileString(FindValue(section, key), defaultValue);
}

uint32_t NProfileFile::GetString(std::string_view section, std::string_view key,
                                 const char* defaultValue, char* buffer, uint32_t capacity) const {
    const std::string text = GetString(section, key, defaultValue == nullptr ? "" : defaultValue);
    return CopyProfileString(text, buffer, capacity);
}

}  // namespace NOs
