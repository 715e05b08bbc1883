// libq6time's calls: what each gives for a record, for none and for a bad
// one, when a reader has seen a publication, and on several threads at once.

#include <gtest/gtest.h>
#include <q6time.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ipcdrv/qxipcdll.h"
#include "os/tick_source.h"
#include "tests/libq6time/record_publisher.h"
#include "tests/support/object_namespace.h"
#include "tests/support/test_constants.h"

namespace {

using NRecordPublisher::k20150601093000;
using NRecordPublisher::PublishText;
using NTestConstants::kMiniSlot;
using NTestConstants::kSlot;

constexpr uint64_t kYear10000 = 2650467744000000000;  // 10000-01-01 00:00:00

std::string Record(const std::string& serverTime, uint64_t tick) {
    return NRecordPublisher::Record(serverTime, std::to_string(tick));
}

TEST(Q6TimeFormatTest, ShowsAServerTimeUpToTheYear9999) {
    struct NCase {
        uint64_t nServerTime;
        int nStatus;
        const char* pszText;
    };
    const std::vector<NCase> cases = {
        {0, Q6TIME_OK, "1601-01-01 00:00:00"},
        {k20150601093000 + 9999999, Q6TIME_OK, "2015-06-01 09:30:00"},
        {kYear10000 - 1, Q6TIME_OK, "9999-12-31 23:59:59"},
        {kYear10000, Q6TIME_INVALID, ""},
        {UINT64_MAX, Q6TIME_INVALID, ""},
    };
    for (const NCase& test : cases) {
        char text[20] = "";
        EXPECT_EQ(q6time_format(test.nServerTime, text), test.nStatus) << test.nServerTime;
        EXPECT_STREQ(text, test.pszText) << test.nServerTime;
    }
    EXPECT_EQ(q6time_format(0, nullptr), Q6TIME_INVALID);
}

TEST(Q6TimeStrerrorTest, EveryStatusHasATextOfItsOwn) {
    std::vector<std::string> texts;
    for (int status = Q6TIME_OK; status <= Q6TIME_TOO_SMALL; ++status) {
        const std::string text = q6time_strerror(status);
        EXPECT_NE(text, "unknown status") << status;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 0) << text;
        texts.push_back(text);
    }
    EXPECT_STREQ(q6time_strerror(-1), "unknown status");
    EXPECT_STREQ(q6time_strerror(Q6TIME_TOO_SMALL + 1), "unknown status");
}

TEST(Q6TimeOpenTest, ANullPointerOrAnEditionOutOfRangeIsInvalidForEveryCall) {
    q6time_reader* reader = nullptr;
    EXPECT_EQ(q6time_open(Q6TIME_NORMAL, nullptr), Q6TIME_INVALID);
    EXPECT_EQ(q6time_open(static_cast<q6time_edition>(2), &reader), Q6TIME_INVALID);
    EXPECT_EQ(q6time_open(static_cast<q6time_edition>(-1), &reader), Q6TIME_INVALID);
    EXPECT_EQ(reader, nullptr);
    ASSERT_EQ(q6time_open(Q6TIME_NORMAL, &reader), Q6TIME_OK);
    uint64_t now = 0;
    size_t size = 0;
    for (q6time_reader* used : {static_cast<q6time_reader*>(nullptr), reader}) {
        const bool noReader = used == nullptr;
        EXPECT_EQ(q6time_now(used, noReader ? &now : nullptr), Q6TIME_INVALID);
        EXPECT_EQ(q6time_age(used, nullptr), Q6TIME_INVALID);
        EXPECT_EQ(q6time_record(used, nullptr, noReader ? 0 : 1, &size), Q6TIME_INVALID);
    }
    EXPECT_EQ(q6time_record(reader, nullptr, 0, nullptr), Q6TIME_INVALID);
    EXPECT_EQ(q6time_wait(nullptr, 0), Q6TIME_INVALID);
    q6time_close(reader);
    q6time_close(nullptr);
}

class Q6TimeReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root publishes";
        }
        ASSERT_EQ(fnLoadIpcDriver(), 1);
        ASSERT_EQ(q6time_open(Q6TIME_NORMAL, &m_pReader), Q6TIME_OK);
    }
    void TearDown() override { q6time_close(m_pReader); }

    void Publish(const std::string& serverTime, uint64_t elapsedMs, uint32_t slot = kSlot) {
        m_publisher.Publish(serverTime, elapsedMs, slot);
    }

    void ExpectNow(uint64_t anchor, uint64_t elapsedMs) const {
        uint64_t now = 0;
        ASSERT_EQ(q6time_now(m_pReader, &now), Q6TIME_OK);
        m_publisher.ExpectCarried(now, anchor, elapsedMs);
    }

    std::string ReadRecord() const {
        char text[256] = "";
        size_t size = 0;
        const int status = q6time_record(m_pReader, text, sizeof(text), &size);
        return status == Q6TIME_OK ? text : q6time_strerror(status);
    }

    // The cache of q6time_now counts a record from the next millisecond on.
    static void LetAMillisecondPass() {
        const uint64_t start = NOs::GetTickCount64();
        while (NOs::GetTickCount64() == start) {
            std::this_thread::yield();
        }
    }

    NObjectNamespace m_namespace;
    q6time_reader* m_pReader = nullptr;
    NRecordPublisher::NPublisher m_publisher;
};

TEST_F(Q6TimeReaderTest, OpensBeforeAnythingIsPublishedAndSaysSo) {
    uint64_t now = 0;
    int64_t age = 0;
    size_t size = 0;
    EXPECT_EQ(q6time_now(m_pReader, &now), Q6TIME_NO_RECORD);
    EXPECT_EQ(q6time_age(m_pReader, &age), Q6TIME_NO_RECORD);
    EXPECT_EQ(q6time_record(m_pReader, nullptr, 0, &size), Q6TIME_NO_RECORD);
    EXPECT_EQ(q6time_wait(m_pReader, 0), Q6TIME_TIMEOUT);
}

TEST_F(Q6TimeReaderTest, CarriesEachNewRecordForwardAndTellsItsAge) {
    Publish("2015-06-01 09:30:00", 5000);
    ExpectNow(k20150601093000, 5000);
    ExpectNow(k20150601093000, 5000);
    int64_t age = 0;
    ASSERT_EQ(q6time_age(m_pReader, &age), Q6TIME_OK);
    EXPECT_GE(age, 5000);
    EXPECT_LE(static_cast<uint64_t>(age), 5000 + NOs::GetTickCount64() - m_publisher.PublishedAt());

    Publish("2015-06-01 09:30:00", 70000);
    LetAMillisecondPass();
    ExpectNow(k20150601093000, 70000);
    // A record whose tick lies ahead of this machine's is younger than new.
    PublishText(Record("2015-06-01 09:30:00", NOs::GetTickCount64() + 60000));
    LetAMillisecondPass();
    ASSERT_EQ(q6time_age(m_pReader, &age), Q6TIME_OK);
    EXPECT_LT(age, 0);
}

TEST_F(Q6TimeReaderTest, ASlotWithoutAValidRecordIsABadRecord) {
    for (const std::string text : {"{}", "not json", R"({"AtGetTickCount":"1","ServerTime":""})"}) {
        PublishText(text);
        LetAMillisecondPass();
        uint64_t now = 0;
        size_t size = 0;
        EXPECT_EQ(q6time_now(m_pReader, &now), Q6TIME_BAD_RECORD) << text;
        EXPECT_EQ(q6time_record(m_pReader, nullptr, 0, &size), Q6TIME_BAD_RECORD) << text;
    }
}

TEST_F(Q6TimeReaderTest, GivesTheRecordAndTheSizeItNeeds) {
    const std::string record = Record("2015-06-01 09:30:00", 123456789);
    PublishText(record);
    EXPECT_EQ(ReadRecord(), record);
    size_t size = 0;
    EXPECT_EQ(q6time_record(m_pReader, nullptr, 0, &size), Q6TIME_TOO_SMALL);
    EXPECT_EQ(size, record.size() + 1);
    std::string exact(record.size() + 1, 'x');
    EXPECT_EQ(q6time_record(m_pReader, exact.data(), exact.size(), &size), Q6TIME_OK);
    EXPECT_EQ(exact, record + '\0');
}

TEST_F(Q6TimeReaderTest, TheMiniEditionReadsItsOwnSlot) {
    q6time_reader* mini = nullptr;
    ASSERT_EQ(q6time_open(Q6TIME_MINI, &mini), Q6TIME_OK);
    Publish("2015-06-01 09:30:00", 0, kMiniSlot);
    uint64_t now = 0;
    EXPECT_EQ(q6time_now(mini, &now), Q6TIME_OK);
    EXPECT_EQ(q6time_now(m_pReader, &now), Q6TIME_NO_RECORD);
    q6time_close(mini);
}

TEST_F(Q6TimeReaderTest, AWaitReturnsOnlyForARecordTheReaderHasNotSeen) {
    Publish("2015-06-01 09:30:00", 0);
    // Opened on this record, a reader has seen it.
    q6time_reader* opened = nullptr;
    ASSERT_EQ(q6time_open(Q6TIME_NORMAL, &opened), Q6TIME_OK);
    EXPECT_EQ(q6time_wait(opened, 10), Q6TIME_TIMEOUT);
    q6time_close(opened);

    // Published before the wait began, and not used: the wait returns at once.
    EXPECT_EQ(q6time_wait(m_pReader, 0), Q6TIME_OK);
    EXPECT_EQ(q6time_wait(m_pReader, 10), Q6TIME_TIMEOUT);

    // A record that q6time_now or q6time_record used has been seen.
    Publish("2015-06-01 09:30:01", 0);
    LetAMillisecondPass();
    uint64_t now = 0;
    ASSERT_EQ(q6time_now(m_pReader, &now), Q6TIME_OK);
    EXPECT_EQ(q6time_wait(m_pReader, 10), Q6TIME_TIMEOUT);
    Publish("2015-06-01 09:30:02", 0);
    EXPECT_NE(ReadRecord().find("09:30:02"), std::string::npos);
    EXPECT_EQ(q6time_wait(m_pReader, 10), Q6TIME_TIMEOUT);
}

TEST_F(Q6TimeReaderTest, AWaitOfAnotherThreadReturnsForAPublication) {
    Publish("2015-06-01 09:30:00", 0);
    uint64_t now = 0;
    ASSERT_EQ(q6time_now(m_pReader, &now), Q6TIME_OK);
    std::atomic<int> waited{-1};
    std::thread waiter([&] { waited.store(q6time_wait(m_pReader, Q6TIME_FOREVER)); });
    Publish("2015-06-01 09:30:01", 0);
    waiter.join();
    EXPECT_EQ(waited.load(), Q6TIME_OK);
    // The wait used the new record.
    EXPECT_EQ(q6time_wait(m_pReader, 0), Q6TIME_TIMEOUT);
}

TEST_F(Q6TimeReaderTest, ThreadsShareOneReaderWhileRecordsArePublished) {
    constexpr int kThreads = 4;
    constexpr int kCalls = 20000;
    Publish("2015-06-01 09:30:00", 0);
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            for (int call = 0; call < kCalls; ++call) {
                uint64_t now = 0;
                int64_t age = 0;
                // Both records carry 2015-06-01 09:30:00 forward from now on.
                if (q6time_now(m_pReader, &now) != Q6TIME_OK || now < k20150601093000 ||
                    q6time_age(m_pReader, &age) != Q6TIME_OK) {
                    failed.fetch_add(1);
                }
            }
        });
    }
    for (int publication = 0; publication < 50; ++publication) {
        Publish("2015-06-01 09:30:00", 0);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failed.load(), 0);
}

}  // namespace
