#include "os/named_event.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "os/posix/named_object.h"

namespace NOs {

namespace {

constexpr long kNanosecondsPerSecond = 1000000000L;

long Futex(std::atomic<uint32_t>* word, int operation, uint32_t value, const timespec* deadline) {
    return ::syscall(SYS_futex, static_cast<void*>(word), operation, value, deadline, nullptr,
                     FUTEX_BITSET_MATCH_ANY);
}

timespec DeadlineAfter(uint32_t timeoutMs) {
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= kNanosecondsPerSecond) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= kNanosecondsPerSecond;
    }
    return deadline;
}

// Creates the event, non-signalled, or opens the existing one.
std::unique_ptr<NSharedMemory> CreateEventObject(const std::string& name, bool manualReset,
                                                 NObjectAccess access, bool* existed) {
    const auto init = [manualReset](void* data) {
        auto* event = static_cast<NEventObject*>(data);
        event->nManualReset = manualReset ? 1 : 0;
        event->nSignalled.store(0);
        return true;
    };
    return NNamedObject::Create(name, NObjectKind::Event, sizeof(NEventObject), access, init,
                                existed);
}

}  // namespace

NNamedEvent::NNamedEvent(std::unique_ptr<NSharedMemory> memory, std::string name,
                         NObjectAccess access)
    : m_pMemory(std::move(memory)),
      m_pEvent(static_cast<NEventObject*>(m_pMemory->GetData())),
      m_strName(std::move(name)),
      m_eAccess(access) {}

NNamedEvent::~NNamedEvent() = default;

std::unique_ptr<NNamedEvent> NNamedEvent::Create(const std::string& name, bool manualReset,
                                                 NObjectAccess access, bool* existed) {
    bool opened = false;
    std::unique_ptr<NSharedMemory> memory = CreateEventObject(name, manualReset, access, &opened);
    if (!memory) {
        return nullptr;
    }
    if (existed != nullptr) {
        *existed = opened;
    }
    return std::unique_ptr<NNamedEvent>(new NNamedEvent(std::move(memory), name, access));
}

std::unique_ptr<NNamedEvent> NNamedEvent::Open(const std::string& name) {
    std::unique_ptr<NSharedMemory> memory =
        NNamedObject::Open(name, NObjectKind::Event, sizeof(NEventObject));
    return memory ? std::unique_ptr<NNamedEvent>(
                        new NNamedEvent(std::move(memory), name, NObjectAccess::Default))
                  : nullptr;
}

bool NNamedEvent::IsManualReset() const { return m_pEvent->nManualReset != 0; }

void NNamedEvent::Set() {
    Signal();
    // Waiters on the nameless event have had their wake; newcomers open the name.
    if (!m_pMemory->IsNamed() && Reattach()) {
        Signal();
    }
}

void NNamedEvent::Signal() {
    m_pEvent->nSignalled.store(1, std::memory_order_release);
    Futex(&m_pEvent->nSignalled, FUTEX_WAKE, IsManualReset() ? INT_MAX : 1, nullptr);
}

bool NNamedEvent::Reattach() {
    bool existed = false;
    std::unique_ptr<NSharedMemory> memory =
        CreateEventObject(m_strName, IsManualReset(), m_eAccess, &existed);
    if (!memory) {
        return false;
    }
    m_pMemory = std::move(memory);
    m_pEvent = static_cast<NEventObject*>(m_pMemory->GetData());
    return true;
}

void NNamedEvent::Reset() { m_pEvent->nSignalled.store(0, std::memory_order_release); }

bool NNamedEvent::TryConsume() {
    if (IsManualReset()) {
        return m_pEvent->nSignalled.load(std::memory_order_acquire) != 0;
    }
    return m_pEvent->nSignalled.exchange(0, std::memory_order_acq_rel) != 0;
}

NWaitResult NNamedEvent::Wait(uint32_t timeoutMs) {
    const bool infinite = timeoutMs == kWaitInfinite;
    const timespec deadline = infinite ? timespec{} : DeadlineAfter(timeoutMs);
    for (;;) {
        if (TryConsume()) {
            return NWaitResult::Signalled;
        }
        if (timeoutMs == 0) {
            return NWaitResult::TimedOut;
        }
        // Sleeps only while the word is still 0; a set in between wakes it.
        if (Futex(&m_pEvent->nSignalled, FUTEX_WAIT_BITSET, 0, infinite ? nullptr : &deadline) !=
            0) {
            if (errno == ETIMEDOUT) {
                return TryConsume() ? NWaitResult::Signalled : NWaitResult::TimedOut;
            }
            if (errno != EAGAIN && errno != EINTR) {
                return NWaitResult::Failed;
            }
        }
    }
}

}  // namespace NOs
