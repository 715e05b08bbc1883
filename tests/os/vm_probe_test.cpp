#include "os/vm_probe.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/cpu_flags.h"

namespace {

struct NFirmwareNameCase {
    const char* text;
    const char* name;
};

TEST(FirmwareNameTest, IsTheFirstLineWithoutSurroundingWhiteSpace) {
    const NFirmwareNameCase cases[] = {
        {"QEMU", "QEMU"},
        {"QEMU\n", "QEMU"},
        {"Standard PC (Q35 + ICH9, 2009)  \t\r\n", "Standard PC (Q35 + ICH9, 2009)"},
        {"  SeaBIOS\nsecond line\n", "SeaBIOS"},
        {"\nsecond line", ""},
        {" \t\v\f", ""},
        {"", ""},
    };
    for (const NFirmwareNameCase& test : cases) {
        EXPECT_EQ(NOs::FirmwareName(test.text), test.name) << '"' << test.text << '"';
    }
}

// The kernel reports the same CPUID bit as the "hypervisor" CPU flag.
TEST(VmProbeCpuidTest, HypervisorBitMatchesKernelFlag) {
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(NOs::ProbeVirtualMachine().m_bCpuidHypervisorBit, HasCpuFlag("hypervisor"));
#else
    GTEST_SKIP() << "CPUID is x86 only";
#endif
}

}  // namespace
