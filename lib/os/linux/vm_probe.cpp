#include "os/vm_probe.h"

#include "os/file_reader.h"
#include "os/file_system.h"
#include "os/linux/vm_probe_testing.h"

namespace NOs {

namespace {

// A firmware string is short; a longer file is none.
constexpr size_t kMaxProbeFileBytes = 4096;

std::string ReadFirmwareFile(const std::string& path) {
    const NResult<std::string> content = ReadWholeFile(path, kMaxProbeFileBytes);
    return content ? FirmwareName(content.Value()) : std::string();
}

}  // namespace

NVmProbe ProbeVirtualMachineBelow(const std::string& rootFolder) {
    NVmProbe probe;
    ReadCpuid(probe);
    const std::string dmiFolder = rootFolder + "/sys/class/dmi/id/";
    probe.m_strSysVendor = ReadFirmwareFile(dmiFolder + "sys_vendor");
    probe.m_strProductName = ReadFirmwareFile(dmiFolder + "product_name");
    probe.m_strProductVersion = ReadFirmwareFile(dmiFolder + "product_version");
    probe.m_strBoardVendor = ReadFirmwareFile(dmiFolder + "board_vendor");
    probe.m_strBiosVendor = ReadFirmwareFile(dmiFolder + "bios_vendor");
    probe.m_bProcXen = GetPathKind(rootFolder + "/proc/xen") != NPathKind::Missing;
    probe.m_bDeviceTreeHypervisor =
        GetPathKind(rootFolder + "/proc/device-tree/hypervisor") != NPathKind::Missing;
    return probe;
}

NVmProbe ProbeVirtualMachine() { return ProbeVirtualMachineBelow(""); }

}  // namespace NOs
