#include "libq6time/shared_reader.h"

#include "libq6time/q6time.h"
#include "os/tick_source.h"
#include "time/tick_clock.h"

namespace NQ6Time {
namespace {

int StatusOf(const NRecordError& error) {
    return error.Kind() == NRecordError::NKind::Invalid ? Q6TIME_BAD_RECORD : Q6TIME_NO_RECORD;
}

}  // namespace

NSharedReader::NSharedReader(uint32_t slot, const std::string& libraryPath)
    : m_nSlot(slot),
      m_reader(slot, libraryPath),
      m_nSeenStamp(m_reader.Slots().Stamp(slot).ValueOr(0)) {}

int NSharedReader::OpenStatus() const {
    const NSlotReader& slots = m_reader.Slots();
    if (slots.Loaded() && slots.CanWait()) {
        return Q6TIME_OK;
    }
    const bool outOfResources = !slots.Loaded() && slots.Loaded().Error().IsOutOfResources();
    return outOfResources ? Q6TIME_SYSTEM : Q6TIME_NO_LIBRARY;
}

int NSharedReader::Now(uint64_t* serverTime) {
    NCurrent current{};
    const int status = Current(current);
    if (status == Q6TIME_OK) {
        *serverTime = NTimeTick::CarryForward(current.nServerTime, current.nTick, current.nNowMs);
    }
    return status;
}

int NSharedReader::Age(int64_t* ageMs) {
    NCurrent current{};
    const int status = Current(current);
    if (status == Q6TIME_OK) {
        *ageMs = static_cast<int64_t>(current.nNowMs - current.nTick);
    }
    return status;
}

int NSharedReader::Record(std::string& text) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const NSlotReader& slots = m_reader.Slots();
    const NOs::NTextResult<uint64_t> stamp = slots.Stamp(m_nSlot);
    const NOs::NTextResult<std::string> bytes = slots.Read(m_nSlot);
    if (!bytes) {
        return Q6TIME_NO_RECORD;
    }
    text = SlotTextToUtf8(bytes.Value());
    if (!ReadAnchor(text)) {
        return Q6TIME_BAD_RECORD;
    }
    // A write between the stamp and the read leaves an older stamp as seen:
    // the next wait then returns at once, for the record already read.
    m_nSeenStamp.store(stamp.ValueOr(0));
    return Q6TIME_OK;
}

int NSharedReader::Wait(uint32_t timeoutMs) {
    if (!m_reader.Slots().WaitForNewer(m_nSlot, m_nSeenStamp.load(), timeoutMs)) {
        return Q6TIME_TIMEOUT;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    NCurrent current{};
    if (RefreshCache(current) != Q6TIME_OK) {
        // A publication that holds no record is seen all the same.
        m_nSeenStamp.store(m_reader.Slots().Stamp(m_nSlot).ValueOr(0));
    }
    return Q6TIME_OK;
}

int NSharedReader::Current(NCurrent& current) {
    if (ReadCache(current)) {
        return Q6TIME_OK;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    return RefreshCache(current);
}

bool NSharedReader::ReadCache(NCurrent& current) const {
    const uint32_t version = m_nVersion.load(std::memory_order_acquire);
    if ((version & 1u) != 0) {
        return false;
    }
    current.nServerTime = m_nServerTime.load(std::memory_order_relaxed);
    current.nTick = m_nTick.load(std::memory_order_relaxed);
    const uint64_t checkedMs = m_nCheckedMs.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (m_nVersion.load(std::memory_order_relaxed) != version) {
        return false;
    }
    current.nNowMs = NOs::GetTickCount64();
    return current.nNowMs == checkedMs;
}

int NSharedReader::RefreshCache(NCurrent& current) {
    const NRecordStatus refreshed = m_reader.Refresh();
    current.nNowMs = NOs::GetTickCount64();
    if (!refreshed) {
        StoreCache(0, 0, kNotChecked);
        return StatusOf(refreshed.Error());
    }
    const NServerTimeAnchor& anchor = m_reader.Anchor();
    current.nServerTime = anchor.nServerTime;
    current.nTick = anchor.nTick;
    const std::optional<uint64_t> stamp = m_reader.AnchorStamp();
    if (stamp) {
        m_nSeenStamp.store(*stamp);
    }
    // Without a stamp the record is not known to stay: no call may skip the look.
    StoreCache(anchor.nServerTime, anchor.nTick, stamp ? current.nNowMs : kNotChecked);
    return Q6TIME_OK;
}

void NSharedReader::StoreCache(uint64_t serverTime, uint64_t tick, uint64_t checkedMs) {
    const uint32_t version = m_nVersion.load(std::memory_order_relaxed);
    m_nVersion.store(version + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_nServerTime.store(serverTime, std::memory_order_relaxed);
    m_nTick.store(tick, std::memory_order_relaxed);
    m_nCheckedMs.store(checkedMs, std::memory_order_relaxed);
    m_nVersion.store(version + 2, std::memory_order_release);
}

}  // namespace NQ6Time
