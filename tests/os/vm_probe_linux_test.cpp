#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "os/linux/vm_probe_testing.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class VmProbeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_tempFolder.Path().empty()); }

    void WriteDmi(const std::string& name, const std::string& content) {
        const fs::path folder = m_tempFolder.Path() / "sys/class/dmi/id";
        fs::create_directories(folder);
        std::ofstream(folder / name) << content;
    }

    void MakeFolder(const std::string& path) { fs::create_directories(m_tempFolder.Path() / path); }

    NOs::NVmProbe Probe() const {
        return NOs::ProbeVirtualMachineBelow(m_tempFolder.Path().string());
    }

    NTempFolder m_tempFolder;
};

using NDmiStrings = std::array<std::string, 5>;

NDmiStrings DmiStrings(const NOs::NVmProbe& probe) {
    return {probe.m_strSysVendor, probe.m_strProductName, probe.m_strProductVersion,
            probe.m_strBoardVendor, probe.m_strBiosVendor};
}

TEST_F(VmProbeTest, EmptyTreeGivesNothing) {
    const NOs::NVmProbe probe = Probe();
    EXPECT_EQ(DmiStrings(probe), NDmiStrings{});
    EXPECT_FALSE(probe.m_bProcXen);
    EXPECT_FALSE(probe.m_bDeviceTreeHypervisor);
}

TEST_F(VmProbeTest, ReadsFirstLineOfEachDmiStringTrimmed) {
    WriteDmi("sys_vendor", "QEMU\n");
    WriteDmi("product_name", "Standard PC (Q35 + ICH9, 2009)  \t\n");
    WriteDmi("product_version", "pc-q35-7.2");
    WriteDmi("bios_vendor", "  SeaBIOS\nsecond line\n");
    WriteDmi("board_vendor", "\n");
    EXPECT_EQ(DmiStrings(Probe()),
              (NDmiStrings{"QEMU", "Standard PC (Q35 + ICH9, 2009)", "pc-q35-7.2", "", "SeaBIOS"}));
}

TEST_F(VmProbeTest, SeesXenAndDeviceTreeHypervisorNodes) {
    MakeFolder("proc/xen");
    MakeFolder("proc/device-tree/hypervisor");
    const NOs::NVmProbe probe = Probe();
    EXPECT_TRUE(probe.m_bProcXen);
    EXPECT_TRUE(probe.m_bDeviceTreeHypervisor);
}

}  // namespace
