#pragma once

// For tests: the probe of a prepared tree in place of the system's own.

#include <string>

#include "os/vm_probe.h"

namespace NOs {

// ProbeVirtualMachine with /sys and /proc looked up below rootFolder.
NVmProbe ProbeVirtualMachineBelow(const std::string& rootFolder);

}  // namespace NOs
