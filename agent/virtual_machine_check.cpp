#include "agent/virtual_machine_check.h"

#include <string>
#include <string_view>

#include "text/text_prefix.h"

namespace NVmCheck {

namespace {

// Signatures in CPUID leaf 0x40000000, trailing NULs dropped.
constexpr std::string_view kCpuidVendors[] = {
    "KVMKVMKVM",    "Linux KVM Hv", "TCGTCGTCGTCG", "VMwareVMware", "VBoxVBoxVBox", "Microsoft Hv",
    "XenVMMXenVMM", "bhyve bhyve ", " lrpepyh  vr", "ACRNACRNACRN", "QNXQVMBSQG",
};

// Beginnings of DMI vendor and product strings of virtual platforms. Amazon
// EC2 is left out: its bare-metal instances report it too, and its virtual
// ones set the CPUID hypervisor bit.
constexpr std::string_view kDmiPrefixes[] = {
    "KVM",
    "OpenStack",
    "KubeVirt",
    "QEMU",
    "VMware",
    "VMW",
    "innotek GmbH",
    "VirtualBox",
    "Xen",
    "Bochs",
    "Parallels",
    "BHYVE",
    "Hyper-V",
    "Apple Virtualization",
    "Google Compute Engine",
};

bool IsKnownCpuidVendor(std::string_view vendor) {
    for (std::string_view known : kCpuidVendors) {
        if (vendor == known) {
            return true;
        }
    }
    return false;
}

bool IsVirtualPlatformName(std::string_view name) {
    for (std::string_view prefix : kDmiPrefixes) {
        if (NOs::StartsWith(name, prefix)) {
            return true;
        }
    }
    return false;
}

// Hyper-V names itself only by the pair: Microsoft also sells bare metal.
bool IsHyperVPlatform(const NOs::NVmProbe& probe) {
    return NOs::StartsWith(probe.m_strSysVendor, "Microsoft Corporation") &&
           probe.m_strProductName == "Virtual Machine";
}

bool ShowsVirtualPlatform(const NOs::NVmProbe& probe) {
    for (const std::string* name :
         {&probe.m_strSysVendor, &probe.m_strProductName, &probe.m_strProductVersion,
          &probe.m_strBoardVendor, &probe.m_strBiosVendor}) {
        if (IsVirtualPlatformName(*name)) {
            return true;
        }
    }
    return IsHyperVPlatform(probe);
}

}  // namespace

bool Detect(const NOs::NVmProbe& probe) {
    return probe.m_bCpuidHypervisorBit || IsKnownCpuidVendor(probe.m_strCpuidVendor) ||
           ShowsVirtualPlatform(probe) || probe.m_bProcXen || probe.m_bDeviceTreeHypervisor;
}

bool IsVirtualMachine() { return Detect(NOs::ProbeVirtualMachine()); }

}  // namespace NVmCheck
