#pragma once
// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when
// the object goes away.

#include <cstdlib>
#include <filesystem>
#include <string>

class NTempFolder {
public:
    NTempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/q6test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            // Canonical, as the running process reports its own path.
            m_path = std::filesystem::canonical(pattern);
        }
    }

    ~NTempFolder() {
        std::error_code error;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, error);
        }
    }

    NTempFolder(const NTempFolder&) = delete;
    NTempFolder& operator=(const NTempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
