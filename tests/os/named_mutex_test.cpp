// What named mutexes do on every platform, within one process.
#include <gtest/gtest.h>

#include "named_mutex_fixture.h"
#include "os/named_event.h"
#include "os/named_mutex_testing.h"
#include "os/object_error.h"

namespace {

TEST_F(NamedMutexTest, TheFirstCreatorOwnsTheMutexAndASecondFindsItTaken) {
    bool alreadyExists = true;
    const auto first = CreateOwned(&alreadyExists);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(alreadyExists);
    EXPECT_TRUE(NOs::IsOwned(*first));

    const auto second = CreateOwned(&alreadyExists);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(alreadyExists);
    EXPECT_FALSE(NOs::IsOwned(*second));
}

TEST_F(NamedMutexTest, AReleasedMutexCanBeTakenAgain) {
    bool alreadyExists = true;
    ASSERT_NE(CreateOwned(&alreadyExists), nullptr);
    ExpectFree();
}

TEST_F(NamedMutexTest, ANameOfAnotherKindGivesNull) {
    const auto event = NOs::NNamedEvent::Create(kMutexTestName, false, NObjectAccess::Everyone);
    ASSERT_TRUE(event);
    bool alreadyExists = true;
    EXPECT_EQ(NNamedMutex::CreateOwned(kMutexTestName, &alreadyExists).Error(),
              NOs::NObjectError::OtherKind);
    EXPECT_EQ(NNamedMutex::CreateOwned("", &alreadyExists).Error(), NOs::NObjectError::BadName);
}

}  // namespace
