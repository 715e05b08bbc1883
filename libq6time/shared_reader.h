#pragma once
// A reader of one edition's server time record that several threads may use
// at once, behind the calls of q6time.h and q6ipc's; each call returns a
// q6time_status.
//
// The record's anchor is cached under a sequence counter (a seqlock within
// the process): a call that finds the cache checked within the current
// millisecond costs one read of the clock and a few loads, and takes no
// lock. Any other call takes the lock and looks at the slot's stamp, and
// reads the record again only when the stamp changed.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>

#include "libq6time/server_time_reader.h"

namespace NQ6Time {

class NSharedReader {
public:
    // Reads slot through the qxipcdll.dll at libraryPath.
    NSharedReader(uint32_t slot, const std::string& libraryPath);

    // Q6TIME_OK when the library is loaded with every export a reader uses.
    int OpenStatus() const;

    int Now(uint64_t* serverTime);
    int Age(int64_t* ageMs);
    // The record as UTF-8 JSON.
    int Record(std::string& text);
    int Wait(uint32_t timeoutMs);

private:
    // The record's anchor and the tick it is carried to.
    struct NCurrent {
        uint64_t nServerTime;
        uint64_t nTick;
        uint64_t nNowMs;
    };

    int Current(NCurrent& current);
    // From the cache, when it is whole and was checked within this millisecond.
    bool ReadCache(NCurrent& current) const;
    // Under m_mutex: the slot looked at, the cache brought up to date.
    int RefreshCache(NCurrent& current);
    void StoreCache(uint64_t serverTime, uint64_t tick, uint64_t checkedMs);

    static constexpr uint64_t kNotChecked = std::numeric_limits<uint64_t>::max();

    const uint32_t m_nSlot;
    std::mutex m_mutex;  // guards m_reader and every change of the cache
    NServerTimeReader m_reader;
    // The cache: m_nVersion is odd while it changes.
    std::atomic<uint32_t> m_nVersion{0};
    std::atomic<uint64_t> m_nServerTime{0};
    std::atomic<uint64_t> m_nTick{0};
    std::atomic<uint64_t> m_nCheckedMs{kNotChecked};
    // The stamp of the last record that this reader used (0: none).
    std::atomic<uint64_t> m_nSeenStamp{0};
};

}  // namespace NQ6Time
