#pragma once
// The virtual machine check of start-up.

#include "os/vm_probe.h"

namespace NVmCheck {

// True when any input shows a hypervisor: the CPUID hypervisor bit, a known
// hypervisor signature in CPUID leaf 0x40000000, a DMI string of a known
// virtual platform, /proc/xen, or a device-tree hypervisor node.
bool Detect(const NOs::NVmProbe& probe);

// Detect over this machine's probe.
bool IsVirtualMachine();

}  // namespace NVmCheck
