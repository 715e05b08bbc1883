#include "os/version_source.h"

#include <windows.h>

#include "os/win32/procedure_address.h"

namespace NOs {
namespace {

using NRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);

}  // namespace

// RtlGetVersion tells the true release: GetVersionEx answers with the
// release that the program's manifest names.
NPlatformVersion GetPlatformVersion() {
    OSVERSIONINFOEXW info{};  // the extended record, 284 bytes
    info.dwOSVersionInfoSize = sizeof(info);
    const auto rtlGetVersion =
        FindProcedure<NRtlGetVersion>(::GetModuleHandleW(u"ntdll.dll"), "RtlGetVersion");
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) {
        return NPlatformVersion{0, 0, 0, 0};  // no NT release: every question says no
    }
    return NPlatformVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                            info.dwBuildNumber};
}

}  // namespace NOs
