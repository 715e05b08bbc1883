#include "os/tick_source.h"

#include <windows.h>

#include "os/win32/procedure_address.h"

namespace NOs {
namespace {

using NTickCount64 = ULONGLONG(WINAPI*)();

// GetTickCount64 came with Vista: looked up by name, so that the program
// still starts where it is missing.
NTickCount64 FindTickCount64() {
    return FindProcedure<NTickCount64>(::GetModuleHandleW(u"kernel32.dll"), "GetTickCount64");
}

}  // namespace

uint64_t GetTickCount64() {
    static const NTickCount64 tickCount64 = FindTickCount64();
    return tickCount64 != nullptr ? tickCount64() : ::GetTickCount();
}

uint32_t GetTickCount() { return ::GetTickCount(); }

uint64_t GetCoarseMonotonicMs() { return GetTickCount64(); }

}  // namespace NOs
