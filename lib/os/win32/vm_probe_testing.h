#pragma once

// For tests: the firmware strings read from a prepared key in place of the
// system's own.

#include <windows.h>

#include <string>

#include "os/vm_probe.h"

namespace NOs {

// ProbeVirtualMachine with the firmware values read from subKey under root.
NVmProbe ProbeVirtualMachineFromKey(HKEY root, const std::u16string& subKey);

}  // namespace NOs
