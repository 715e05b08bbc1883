// The firmware strings come from the key's values (built only on Windows).
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>

#include "os/win32/vm_probe_testing.h"
#include "os/win32/wide_text.h"

namespace {

const std::u16string kTestKey = u"Software\\q6tsa-tests\\VmProbe";

class WindowsVmProbeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, NOs::WidePointer(kTestKey), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(m_hKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, NOs::WidePointer(kTestKey));
    }

    void SetValue(const std::u16string& name, const std::u16string& text) {
        ASSERT_EQ(::RegSetValueExW(m_hKey, NOs::WidePointer(name), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
                  ERROR_SUCCESS);
    }

    HKEY m_hKey = nullptr;
};

using NFirmwareNames = std::array<std::string, 5>;

NFirmwareNames FirmwareNames(const NOs::NVmProbe& probe) {
    return {probe.m_strSysVendor, probe.m_strProductName, probe.m_strProductVersion,
            probe.m_strBoardVendor, probe.m_strBiosVendor};
}

TEST_F(WindowsVmProbeTest, ReadsEachFirmwareValueTrimmed) {
    SetValue(u"SystemManufacturer", u"QEMU");
    SetValue(u"SystemProductName", u"Standard PC (Q35 + ICH9, 2009)  ");
    SetValue(u"SystemVersion", u"pc-q35-7.2");
    SetValue(u"BaseBoardManufacturer", u"Board Maker");
    SetValue(u"BIOSVendor", u"  SeaBIOS");
    const NOs::NVmProbe probe = NOs::ProbeVirtualMachineFromKey(HKEY_CURRENT_USER, kTestKey);
    EXPECT_EQ(FirmwareNames(probe), (NFirmwareNames{"QEMU", "Standard PC (Q35 + ICH9, 2009)",
                                                    "pc-q35-7.2", "Board Maker", "SeaBIOS"}));
    EXPECT_FALSE(probe.m_bProcXen);
    EXPECT_FALSE(probe.m_bDeviceTreeHypervisor);
}

TEST_F(WindowsVmProbeTest, MissingOrNonTextValuesGiveNothing) {
    const DWORD number = 1;
    ASSERT_EQ(::RegSetValueExW(m_hKey, NOs::WidePointer(u"SystemManufacturer"), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&number), sizeof(number)),
              ERROR_SUCCESS);
    const NOs::NVmProbe probe = NOs::ProbeVirtualMachineFromKey(HKEY_CURRENT_USER, kTestKey);
    EXPECT_EQ(FirmwareNames(probe), NFirmwareNames{});
}

TEST_F(WindowsVmProbeTest, AMissingKeyGivesNothing) {
    const NOs::NVmProbe probe =
        NOs::ProbeVirtualMachineFromKey(HKEY_CURRENT_USER, kTestKey + u"\\Missing");
    EXPECT_EQ(FirmwareNames(probe), NFirmwareNames{});
}

}  // namespace
