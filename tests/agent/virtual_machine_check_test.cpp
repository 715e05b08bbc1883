#include "agent/virtual_machine_check.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/cpu_flags.h"

namespace {

using NOs::NVmProbe;

// Fields: CPUID hypervisor bit, CPUID vendor, sys_vendor, product_name,
// product_version, board_vendor, bios_vendor, /proc/xen, device-tree node.
const NVmProbe kDellServer{false,       "",    "Dell Inc.", "PowerEdge R740", "", "Dell Inc.",
                           "Dell Inc.", false, false};

struct NSignature {
    const char* pszName;
    NVmProbe probe;
    bool bVirtual;
};

class VmDetectTest : public testing::TestWithParam<NSignature> {};

TEST_P(VmDetectTest, Detects) {
    EXPECT_EQ(NVmCheck::Detect(GetParam().probe), GetParam().bVirtual);
}

// Whole machines, as they present themselves.
INSTANTIATE_TEST_SUITE_P(
    Machines, VmDetectTest,
    testing::Values(
        NSignature{"Kvm",
                   {true, "KVMKVMKVM", "QEMU", "Standard PC (i440FX + PIIX, 1996)", "pc-i440fx-7.2",
                    "", "SeaBIOS", false, false},
                   true},
        NSignature{"VMware",
                   {true, "VMwareVMware", "VMware, Inc.", "VMware Virtual Platform", "None",
                    "Intel Corporation", "Phoenix Technologies LTD", false, false},
                   true},
        NSignature{"VirtualBox",
                   {true, "VBoxVBoxVBox", "innotek GmbH", "VirtualBox", "1.2", "Oracle Corporation",
                    "innotek GmbH", false, false},
                   true},
        NSignature{"HyperV",
                   {true, "Microsoft Hv", "Microsoft Corporation", "Virtual Machine",
                    "Hyper-V UEFI Release v4.1", "Microsoft Corporation", "Microsoft Corporation",
                    false, false},
                   true},
        NSignature{"XenHvm",
                   {true, "XenVMMXenVMM", "Xen", "HVM domU", "4.11.amazon", "", "Xen", true, false},
                   true},
        NSignature{"XenPv", {false, "", "", "", "", "", "", true, false}, true},
        NSignature{"QemuTcg",
                   {true, "TCGTCGTCGTCG", "QEMU", "Standard PC (Q35 + ICH9, 2009)", "pc-q35-7.2",
                    "", "EFI Development Kit II / OVMF", false, false},
                   true},
        NSignature{"ArmGuest", {false, "", "", "", "", "", "", false, true}, true},
        NSignature{"BareMetalDell", kDellServer, false},
        NSignature{"BareMetalSurface",
                   {false, "", "Microsoft Corporation", "Surface Pro 7", "",
                    "Microsoft Corporation", "Microsoft Corporation", false, false},
                   false},
        NSignature{
            "BareMetalEc2",
            {false, "", "Amazon EC2", "i3.metal", "", "Amazon EC2", "Amazon EC2", false, false},
            false},
        NSignature{"BareMetalNoDmi", {false, "", "", "", "", "", "", false, false}, false},
        NSignature{"BareMetalLeafNoise",
                   {false, "\x01\x02\x03", "Dell Inc.", "PowerEdge R740", "", "Dell Inc.",
                    "Dell Inc.", false, false},
                   false}),
    [](const testing::TestParamInfo<NSignature>& caseInfo) { return caseInfo.param.pszName; });

// Each input is a sign of its own: the bare-metal server with one text input
// set.
struct NTextSign {
    const char* pszName;
    std::string NVmProbe::*pField;
    const char* pszValue;
    bool bVirtual;
};

class VmTextSignTest : public testing::TestWithParam<NTextSign> {};

TEST_P(VmTextSignTest, Detects) {
    NVmProbe probe = kDellServer;
    probe.*GetParam().pField = GetParam().pszValue;
    EXPECT_EQ(NVmCheck::Detect(probe), GetParam().bVirtual);
}

INSTANTIATE_TEST_SUITE_P(
    SingleSigns, VmTextSignTest,
    testing::Values(NTextSign{"KvmVendor", &NVmProbe::m_strCpuidVendor, "KVMKVMKVM", true},
                    NTextSign{"VMwareVendor", &NVmProbe::m_strCpuidVendor, "VMwareVMware", true},
                    NTextSign{"VirtualBoxVendor", &NVmProbe::m_strCpuidVendor, "VBoxVBoxVBox",
                              true},
                    NTextSign{"HyperVVendor", &NVmProbe::m_strCpuidVendor, "Microsoft Hv", true},
                    NTextSign{"XenVendor", &NVmProbe::m_strCpuidVendor, "XenVMMXenVMM", true},
                    NTextSign{"QemuVendor", &NVmProbe::m_strCpuidVendor, "TCGTCGTCGTCG", true},
                    NTextSign{"KvmProduct", &NVmProbe::m_strProductName, "KVM", true},
                    NTextSign{"QemuSysVendor", &NVmProbe::m_strSysVendor, "QEMU", true},
                    NTextSign{"VMwareSysVendor", &NVmProbe::m_strSysVendor, "VMware, Inc.", true},
                    NTextSign{"VirtualBoxBios", &NVmProbe::m_strBiosVendor, "innotek GmbH", true},
                    NTextSign{"XenBoardVendor", &NVmProbe::m_strBoardVendor, "Xen", true},
                    NTextSign{"HyperVVersion", &NVmProbe::m_strProductVersion,
                              "Hyper-V UEFI Release v4.1", true},
                    NTextSign{"MicrosoftVendorAlone", &NVmProbe::m_strSysVendor,
                              "Microsoft Corporation", false},
                    NTextSign{"VirtualMachineProductAlone", &NVmProbe::m_strProductName,
                              "Virtual Machine", false}),
    [](const testing::TestParamInfo<NTextSign>& caseInfo) { return caseInfo.param.pszName; });

TEST(VmFlagSignTest, EachFlagAloneDetects) {
    for (bool NVmProbe::*pFlag : {&NVmProbe::m_bCpuidHypervisorBit, &NVmProbe::m_bProcXen,
                                  &NVmProbe::m_bDeviceTreeHypervisor}) {
        NVmProbe probe = kDellServer;
        probe.*pFlag = true;
        EXPECT_TRUE(NVmCheck::Detect(probe));
    }
}

TEST(VmDmiPairTest, HyperVNeedsMicrosoftVirtualMachine) {
    NVmProbe probe = kDellServer;
    probe.m_strSysVendor = "Microsoft Corporation";
    probe.m_strProductName = "Virtual Machine";
    EXPECT_TRUE(NVmCheck::Detect(probe));
}

// Where the kernel saw a hypervisor, the check must see one too.
TEST(IsVirtualMachineTest, AgreesWithKernelHypervisorFlag) {
    if (!HasCpuFlag("hypervisor")) {
        GTEST_SKIP() << "the kernel reports no hypervisor here";
    }
    EXPECT_TRUE(NVmCheck::IsVirtualMachine());
}

}  // namespace
