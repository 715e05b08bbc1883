#pragma once
// A whole file as bytes, and a file made of bytes: what tests put into the
// code's files and read back from them.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace NFileText {

// Empty when the file cannot be read.
inline std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

inline void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace NFileText
