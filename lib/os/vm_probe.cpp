#include "os/vm_probe.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <cstdint>
#include <cstring>

#include "os/file_reader.h"
#include "os/file_system.h"

namespace NOs {

namespace {

constexpr uint32_t kCpuidFeatureLeaf = 1;
constexpr uint32_t kCpuidHypervisorBit = 1u << 31;
constexpr uint32_t kCpuidHypervisorLeaf = 0x40000000;
constexpr size_t kCpuidVendorBytes = 12;

void ReadCpuid(NVmProbe& probe) {
#if defined(__x86_64__) || defined(__i386__)
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(kCpuidFeatureLeaf, &eax, &ebx, &ecx, &edx) != 0) {
        probe.m_bCpuidHypervisorBit = (ecx & kCpuidHypervisorBit) != 0;
    }
    // Leaves from 0x40000000 up belong to the hypervisor; __get_cpuid would
    // refuse them as beyond the basic range.
    __cpuid(kCpuidHypervisorLeaf, eax, ebx, ecx, edx);
    char vendor[kCpuidVendorBytes] = {};
    std::memcpy(vendor, &ebx, sizeof(ebx));
    std::memcpy(vendor + 4, &ecx, sizeof(ecx));
    std::memcpy(vendor + 8, &edx, sizeof(edx));
    probe.m_strCpuidVendor.assign(vendor, strnlen(vendor, kCpuidVendorBytes));
#else
    (void)probe;
#endif
}

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

// A firmware string is short; a longer file is none.
constexpr size_t kMaxProbeFileBytes = 4096;

std::string ReadFirstLine(const std::string& path) {
    const NResult<std::string> content = ReadWholeFile(path, kMaxProbeFileBytes);
    if (!content) {
        return {};
    }
    const std::string line = content.Value().substr(0, content.Value().find('\n'));
    const size_t begin = line.find_first_not_of(kWhiteSpace);
    if (begin == std::string::npos) {
        return {};
    }
    return line.substr(begin, line.find_last_not_of(kWhiteSpace) + 1 - begin);
}

}  // namespace

NVmProbe ProbeVirtualMachine(const std::string& rootFolder) {
    NVmProbe probe;
    ReadCpuid(probe);
    const std::string dmiFolder = rootFolder + "/sys/class/dmi/id/";
    probe.m_strSysVendor = ReadFirstLine(dmiFolder + "sys_vendor");
    probe.m_strProductName = ReadFirstLine(dmiFolder + "product_name");
    probe.m_strProductVersion = ReadFirstLine(dmiFolder + "product_version");
    probe.m_strBoardVendor = ReadFirstLine(dmiFolder + "board_vendor");
    probe.m_strBiosVendor = ReadFirstLine(dmiFolder + "bios_vendor");
    probe.m_bProcXen = GetPathKind(rootFolder + "/proc/xen") != kPathMissing;
    probe.m_bDeviceTreeHypervisor =
        GetPathKind(rootFolder + "/proc/device-tree/hypervisor") != kPathMissing;
    return probe;
}

}  // namespace NOs
