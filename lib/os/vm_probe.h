#pragma once
// What the machine tells about the hardware under it: the inputs of the
// virtual machine check, gathered in one place so that the decision can be
// made (and tested) apart from the reading. The CPUID fields hold on every
// platform; the firmware strings are the machine's SMBIOS names as the
// platform hands them out; the two nodes exist only on Linux.

#include <string>
#include <string_view>

namespace NOs {

struct NVmProbe {
    // CPUID leaf 1, ECX bit 31: set by every hypervisor for its guests.
    bool m_bCpuidHypervisorBit = false;
    // CPUID leaf 0x40000000, EBX ECX EDX as 12 characters, trailing NULs
    // dropped ("KVMKVMKVM", "VMwareVMware"). Empty where there is no CPUID.
    std::string m_strCpuidVendor;
    // The firmware's system, board and BIOS names (FirmwareName of each);
    // empty when the platform does not tell.
    std::string m_strSysVendor;
    std::string m_strProductName;
    std::string m_strProductVersion;
    std::string m_strBoardVendor;
    std::string m_strBiosVendor;
    // /proc/xen exists (a Xen domain).
    bool m_bProcXen = false;
    // /proc/device-tree/hypervisor exists (a guest on a device-tree platform).
    bool m_bDeviceTreeHypervisor = false;
};

// This machine's probe.
NVmProbe ProbeVirtualMachine();

// Fills the CPUID fields of probe; leaves them as they are where there is no
// CPUID.
void ReadCpuid(NVmProbe& probe);

// A firmware string as the probe keeps it: its first line without
// surrounding white space.
std::string FirmwareName(std::string_view text);

}  // namespace NOs
