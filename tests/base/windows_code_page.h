#pragma once
// The ANSI code page that Windows reports (GetACP), apart from windows.h,
// whose macros would hide NWin's code pages (windows_code_page.cpp, built
// only on Windows).

#include <cstdint>

uint32_t WindowsAnsiCodePage();
