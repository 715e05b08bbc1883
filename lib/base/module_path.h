#pragma once
// Module path and folder helpers. Paths are zero-terminated UTF-16 with '/'
// as the separator; bytes of a system path that are not UTF-8 stand in them
// as U+DC80..U+DCFF (see NUtf::PathToUtf16), so that they name the same file.

#include <cstdint>
#include <string>

// An address inside a loaded module; null stands for the running executable.
using NModuleHandle = const void*;

// Folder of the module's file, without the last '/'. False, with folder
// untouched, when the module's file name cannot be read or the folder and its
// terminator do not fit into capacity code units.
bool GetModuleFolder(NModuleHandle module, char16_t* folder, uint32_t capacity);

// Full file name of the module as UTF-16; empty when it cannot be read.
std::u16string GetModuleFileName(NModuleHandle module);

// What a path names: the integer that GetPathKind gives.
enum PathKind : int { kPathMissing = 0, kPathFile = 1, kPathFolder = 2 };

PathKind GetPathKind(const char16_t* path);

// Makes sure that path is a folder; a plain file in the way is removed. A
// link to a folder counts as the folder; anything else in the way (a link to
// anything else, a device, a FIFO, a socket) makes it fail.
bool MakeFolder(const char16_t* path);

// Makes sure that every folder along path, and path itself, is a folder.
void MakeFolderPath(const char16_t* path);
