#pragma once
// The administrator's opt-in that lets the agent run in a virtual machine:
// allowVirtualMachine=1 in section [agent] of q6agent.properties beside the
// executable. Without it the agent refuses to run in one.

namespace NVmOptIn {

bool IsVirtualMachineAllowed();

}  // namespace NVmOptIn
