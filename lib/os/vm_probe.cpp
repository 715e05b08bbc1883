#include "os/vm_probe.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <cstdint>
#include <cstring>

namespace NOs {

namespace {

constexpr uint32_t kCpuidFeatureLeaf = 1;
constexpr uint32_t kCpuidHypervisorBit = 1u << 31;
constexpr uint32_t kCpuidHypervisorLeaf = 0x40000000;
constexpr size_t kCpuidVendorBytes = 12;

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

}  // namespace

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

std::string FirmwareName(std::string_view text) {
    const std::string_view line = text.substr(0, text.find('\n'));
    const size_t begin = line.find_first_not_of(kWhiteSpace);
    if (begin == std::string_view::npos) {
        return {};
    }
    return std::string(line.substr(begin, line.find_last_not_of(kWhiteSpace) + 1 - begin));
}

}  // namespace NOs
