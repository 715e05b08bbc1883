// A missing machine-wide object is reported once when found missing and once
// when back, however many cycles either lasts.

#include "agent/missing_object_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/log_capture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(MissingObjectReportTest, EachChangeIsLoggedOnceWithItsReason) {
    NLogCapture log;
    q6tsa::NMissingObjectReport report(u"the publish event");
    report.Present();
    EXPECT_THAT(log.TakeLines(), IsEmpty());

    const NOs::NError full(std::errc::no_space_on_device);
    report.Missing(full);
    report.Missing(full);
    report.Present();
    report.Present();
    report.Missing(NOs::NObjectError::NotPermitted);
    EXPECT_THAT(log.TakeLines(),
                ElementsAre("[ERROR] q6tsa::Main: the publish event is missing: " + full.Message(),
                            "[INFO] q6tsa::Main: the publish event is back.",
                            "[ERROR] q6tsa::Main: the publish event is missing: " +
                                NOs::NError(NOs::NObjectError::NotPermitted).Message()));
}

}  // namespace
