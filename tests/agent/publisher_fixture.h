#pragma once
// What the publisher tests share: the process-wide clock on a tick that the
// test sets, anchored at 2015-06-01 09:30:00, a publish event and an object
// namespace of the test's own, and the lines the publisher logs.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "agent/agent_state.h"
#include "ipc/global_event.h"
#include "tests/support/log_capture.h"
#include "tests/support/object_namespace.h"

class NPublisherFixture : public ::testing::Test {
protected:
    // 2015-06-01 09:30:00 in 100-nanosecond units since 1601.
    static constexpr uint64_t kServerTime = (1433151000ull + 11644473600ull) * 10000000ull;

    void SetUp() override {
        g_pTimeTick = std::make_unique<NTimeTick>([this] { return m_llTick; }, false);
        g_pTimeTick->SetBase(kServerTime, m_llTick);
        m_pEvent = NMisc::CreateGlobalEvent(u"Global\\publisher_test", 0);
        ASSERT_NE(m_pEvent, nullptr);
    }
    void TearDown() override {
        g_pTimeTick.reset();
        g_bMiniMode = 0;
    }

    bool IsSignalled() { return m_pEvent->Wait(0) == NOs::NWaitResult::Signalled; }

    NObjectNamespace m_namespace;
    uint64_t m_llTick = 0;
    NMisc::NEventHandle m_pEvent;
    NLogCapture m_log;
};
