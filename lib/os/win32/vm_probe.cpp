#include "os/vm_probe.h"

#include <windows.h>

#include <string>

#include "os/win32/vm_probe_testing.h"
#include "os/win32/wide_text.h"
#include "text/utf_codec.h"

namespace NOs {

namespace {

// Where Windows keeps the firmware's SMBIOS strings.
constexpr char16_t kFirmwareKey[] = u"HARDWARE\\DESCRIPTION\\System\\BIOS";

// A firmware string is short; a longer value is none.
constexpr DWORD kMaxValueUnits = 2048;

std::string ReadFirmwareValue(HKEY root, const std::u16string& subKey, const std::u16string& name) {
    std::u16string value(kMaxValueUnits, u'\0');
    DWORD bytes = kMaxValueUnits * sizeof(char16_t);
    if (::RegGetValueW(root, WidePointer(subKey), WidePointer(name), RRF_RT_REG_SZ, nullptr,
                       value.data(), &bytes) != ERROR_SUCCESS) {
        return {};
    }
    // RegGetValueW ends the text with a NUL.
    value.resize(std::char_traits<char16_t>::length(value.c_str()));
    return FirmwareName(NUtf::ToUtf8(value));
}

}  // namespace

NVmProbe ProbeVirtualMachineFromKey(HKEY root, const std::u16string& subKey) {
    NVmProbe probe;
    ReadCpuid(probe);
    probe.m_strSysVendor = ReadFirmwareValue(root, subKey, u"SystemManufacturer");
    probe.m_strProductName = ReadFirmwareValue(root, subKey, u"SystemProductName");
    probe.m_strProductVersion = ReadFirmwareValue(root, subKey, u"SystemVersion");
    probe.m_strBoardVendor = ReadFirmwareValue(root, subKey, u"BaseBoardManufacturer");
    probe.m_strBiosVendor = ReadFirmwareValue(root, subKey, u"BIOSVendor");
    return probe;
}

NVmProbe ProbeVirtualMachine() {
    return ProbeVirtualMachineFromKey(HKEY_LOCAL_MACHINE, kFirmwareKey);
}

}  // namespace NOs
