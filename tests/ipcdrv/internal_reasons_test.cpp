// The library's own calls say why they fail: the control block in use, a
// slot's name and its stamp.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "ipcdrv/control_block.h"
#include "ipcdrv/data_slot.h"
#include "ipcdrv/shm_layout.h"
#include "os/linux/shared_memory.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

namespace {

using NTestConstants::kSlot;

class InternalReasonTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root makes the driver's objects";
        }
    }

    // Overwrites the magic number at the start of a shared object.
    static void DamageMagic(const NOs::NObjectName& name, size_t size) {
        const auto memory = NOs::NSharedMemory::Open(name, size, true);
        ASSERT_TRUE(memory) << memory.Error().Message();
        *static_cast<uint32_t*>(memory.Value()->GetData()) = 0xDEADBEEF;
    }

    NObjectNamespace m_namespace;
};

TEST_F(InternalReasonTest, TheControlBlockInUseOrWhyThereIsNone) {
    EXPECT_EQ(NControlBlock::InUse().Error(), std::errc::no_such_file_or_directory);
    ASSERT_TRUE(NControlBlock::Load());
    ASSERT_TRUE(NControlBlock::InUse());
    DamageMagic(NObjectNamespace::Object(NOs::NObjectSpace::Machine, NIpcShm::kScope,
                                         NIpcShm::kControlName),
                sizeof(NIpcShm::NControlObject));
    EXPECT_EQ(NControlBlock::InUse().Error(), NOs::NObjectError::Damaged);
}

TEST_F(InternalReasonTest, ASlotsStampOrWhyThereIsNone) {
    ASSERT_TRUE(NControlBlock::Load());
    const NOs::NResult<NControlBlock::NInUse> control = NControlBlock::InUse();
    ASSERT_TRUE(control);
    EXPECT_EQ(NDataSlot::Stamp(kSlot, control.Value()).Error(),
              std::errc::no_such_file_or_directory);
    ASSERT_TRUE(NDataSlot::Write(kSlot, "x", 1, control.Value()));
    EXPECT_TRUE(NDataSlot::Stamp(kSlot, control.Value()));
    DamageMagic(NDataSlot::GetObjectName(kSlot).Value(), sizeof(NIpcShm::NSlotObject));
    EXPECT_EQ(NDataSlot::Stamp(kSlot, control.Value()).Error(), NOs::NObjectError::Damaged);
}

TEST(InternalNameTest, AnInvalidNamespaceNamesNoSlot) {
    const NObjectNamespace space;
    ASSERT_TRUE(NDataSlot::GetObjectName(kSlot));
    ::setenv(NOs::kObjectNamespaceVariable, "a/b", 1);
    EXPECT_EQ(NDataSlot::GetObjectName(kSlot).Error(), NOs::NObjectError::BadName);
}

}  // namespace
