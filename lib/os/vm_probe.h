#pragma once
// What the machine tells about the hardware under it: the inputs of the
// virtual machine check, gathered in one place so that the decision can be
// made (and tested) apart from the reading. The CPUID fields hold on every
// platform; the others are what a platform offers (On Linux: the files
// named below; elsewhere they stay empty or false).

#include <string>

namespace NOs {

struct NVmProbe {
    // CPUID leaf 1, ECX bit 31: set by every hypervisor for its guests.
    bool m_bCpuidHypervisorBit = false;
    // CPUID leaf 0x40000000, EBX ECX EDX as 12 characters, trailing NULs
    // dropped ("KVMKVMKVM", "VMwareVMware"). Empty where there is no CPUID.
    std::string m_strCpuidVendor;
    // Under /sys/class/dmi/id, the first line without surrounding white space;
    // empty when the file is missing or unreadable.
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

// Reads the probe. Files are looked up below rootFolder ("" for the real
// root), so that a prepared tree can stand in for the system's own.
NVmProbe ProbeVirtualMachine(const std::string& rootFolder = "");

}  // namespace NOs
