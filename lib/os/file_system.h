#pragma once
// File system services: the kind of a path, folders, file removal.
// Paths are UTF-8.

#include <string>

namespace NOs {

enum class NFileKind { Missing, File, Folder };

// Follows symbolic links; anything that is not a folder counts as a file.
NFileKind GetFileKind(const std::string& path);

// Creates one folder with mode 0755 (less the umask).
bool CreateFolder(const std::string& path);

bool RemoveFile(const std::string& path);

}  // namespace NOs
