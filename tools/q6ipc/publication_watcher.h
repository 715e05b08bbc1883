#pragma once
// Waits for the agent's publications: the publish event set while the slot
// came to hold a new value. A value is new when the slot's stamp changed
// (every write changes it) or, with a library that has no stamps, its bytes.
// So a set left over from before the watcher was made, or one that came
// without a write (any account may set the event), shows nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "libq6time/slot_reader.h"
#include "os/named_event.h"

namespace NQ6Ipc {

class NPublicationWatcher {
public:
    enum class NOutcome { Published, Unreadable, TimedOut, Failed };

    // Notes the slot's value now: only a later one is a publication.
    explicit NPublicationWatcher(bool mini);

    // Waits at most timeoutMs (NOs::kWaitInfinite: for ever) for the next
    // publication. Published puts its record's text into record; Unreadable
    // (a new value that cannot be read) and Failed (the publish event cannot
    // be opened) put the reason into error.
    NOutcome WaitNext(uint32_t timeoutMs, std::string& record, std::string& error);

private:
    struct NSlotValue {
        std::optional<uint64_t> nStamp;
        std::optional<std::string> strBytes;
    };

    NSlotValue ReadValue();
    // Whether value differs from the last value seen; it becomes the last.
    bool TakeIfNew(const NSlotValue& value);

    NQ6Time::NSlotReader m_reader;
    uint32_t m_nSlot;
    std::string m_strEventName;
    std::unique_ptr<NOs::NNamedEvent> m_pEvent;
    NSlotValue m_lastValue;
};

}  // namespace NQ6Ipc
