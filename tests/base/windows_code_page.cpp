#include "windows_code_page.h"

#include <windows.h>

uint32_t WindowsAnsiCodePage() { return ::GetACP(); }
