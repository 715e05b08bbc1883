#pragma once
// What the readers' tests publish: records of a server time that held some
// milliseconds ago, written as root through the linked qxipcdll.dll, and the
// bounds that a reader's time must then lie within.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ipcdrv/qxipcdll.h"
#include "os/tick_source.h"
#include "tests/support/slot_text.h"
#include "tests/support/test_constants.h"

namespace NRecordPublisher {

constexpr uint64_t kUnitsPerMs = 10000;
// 100-nanosecond units since 1601 of two instants, worked out by hand.
constexpr uint64_t k20150601093000 = 130776246000000000;  // 2015-06-01 09:30:00
constexpr uint64_t k20200229235959 = 132274943990000000;  // 2020-02-29 23:59:59

inline std::string Record(const std::string& serverTime, const std::string& tick) {
    return "{\"AtGetTickCount\":\"" + tick + "\",\"ServerTime\":\"" + serverTime + "\"}";
}

inline void PublishText(const std::string& text, uint32_t slot = NTestConstants::kSlot) {
    const std::string bytes = SlotBytesOf(text);
    ASSERT_EQ(fnSetData(slot, bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
}

class NPublisher {
public:
    // Publishes serverTime as it stood elapsedMs ago.
    void Publish(const std::string& serverTime, uint64_t elapsedMs,
                 uint32_t slot = NTestConstants::kSlot) {
        m_llPublishedAt = NOs::GetTickCount64();
        PublishText(Record(serverTime, std::to_string(m_llPublishedAt - elapsedMs)), slot);
    }

    // now, read after the last publication, lies between anchor carried
    // forward by elapsedMs and by elapsedMs plus the time since then.
    void ExpectCarried(uint64_t now, uint64_t anchor, uint64_t elapsedMs) const {
        const uint64_t after = NOs::GetTickCount64();
        EXPECT_GE(now, anchor + elapsedMs * kUnitsPerMs);
        EXPECT_LE(now, anchor + (elapsedMs + after - m_llPublishedAt) * kUnitsPerMs);
    }

    uint64_t PublishedAt() const { return m_llPublishedAt; }

private:
    uint64_t m_llPublishedAt = 0;
};

}  // namespace NRecordPublisher
