#pragma once
// Reader of registry files in the Windows export format.

#include <cstdint>
#include <string_view>

#include "regfile/reg_tree.h"

namespace NOs {

// What reading one file found.
struct NRegFileReport {
    bool isRegFile = false;     // the file began with a known header and was applied
    uint32_t skippedLines = 0;  // entries left out: malformed, or a value outside any key
};

// Applies one .reg file to tree. The file is UTF-16LE with its byte-order
// mark, as Windows writes it, or UTF-8 with or without one; its first line
// that is not blank is "Windows Registry Editor Version 5.00" or "REGEDIT4",
// else nothing is applied. Lines:
//   [path]  [-path]            open (adding) a key / remove it with its subkeys
//   "name"=data  @=data        set a value of the open key (@: the default value)
//   "name"=-                   remove a value
//   ; comment
// Data: "text" (with \\ and \" escapes), dword:1f (up to 8 hex digits),
// hex:01,02 and hex(N):01,02 (a byte list that continues on the next line
// after a trailing '\'). A malformed entry is counted and left out; the
// values after an invalid key line are left out until the next key line.
NRegFileReport ApplyRegFile(std::string_view bytes, NRegTree& tree);

}  // namespace NOs
