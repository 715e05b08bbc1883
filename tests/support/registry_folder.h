#pragma once
// A temporary registry folder that $Q6_REGISTRY_DIR names while the object
// lives, and the byte forms of .reg files.

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"

// A file as Windows writes it: UTF-16LE after the byte-order mark.
inline std::string Utf16LeFile(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// $Q6_REGISTRY_DIR names folder while the object lives.
class NRegistryVariable {
public:
    static constexpr const char* kVariable = "Q6_REGISTRY_DIR";

    explicit NRegistryVariable(const std::string& folder) {
        if (const char* previous = std::getenv(kVariable)) {
            m_previous = previous;
        }
        ::setenv(kVariable, folder.c_str(), 1);
    }

    ~NRegistryVariable() {
        if (m_previous) {
            ::setenv(kVariable, m_previous->c_str(), 1);
        } else {
            ::unsetenv(kVariable);
        }
    }

    NRegistryVariable(const NRegistryVariable&) = delete;
    NRegistryVariable& operator=(const NRegistryVariable&) = delete;

private:
    std::optional<std::string> m_previous;
};

// A fresh, empty registry folder.
class NRegistryFolder {
public:
    NRegistryFolder() : m_variable(m_folder.Path().string()) {}

    const std::filesystem::path& Path() const { return m_folder.Path(); }

    void WriteFile(const std::string& name, std::string_view bytes) const {
        std::ofstream file(m_folder.Path() / name, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // A UTF-8 file: the version 5 header, then text.
    void WriteRegFile(const std::string& name, std::string_view text) const {
        WriteFile(name, "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(text));
    }

private:
    NTempFolder m_folder;
    NRegistryVariable m_variable;
};
