#include "agent/vm_opt_in.h"

#include "log/log_properties.h"

namespace NVmOptIn {

bool IsVirtualMachineAllowed() {
    const std::optional<NAgentProperties>& properties = GetAgentProperties();
    return properties && properties->bAllowVirtualMachine;
}

}  // namespace NVmOptIn
