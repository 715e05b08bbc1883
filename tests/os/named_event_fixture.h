#pragma once
// What the tests of named events share: the event's name, making and opening
// it, and a fixture that gives each test an object namespace of its own.

#include <memory>
#include <string>

#include "os/named_event.h"
#include "tests/support/object_namespace.h"

using NOs::NNamedEvent;
using NOs::NObjectAccess;
using NOs::NWaitResult;

constexpr char kEventTestName[] = "Global\\q6pt_event01";
// Long enough never to end a wait that a set is meant to end.
constexpr uint32_t kReleaseTimeoutMs = 60000;

inline std::unique_ptr<NNamedEvent> CreateEvent(const std::string& name, bool manualReset,
                                                bool* existed = nullptr,
                                                NObjectAccess access = NObjectAccess::Everyone) {
    auto event = NNamedEvent::Create(name, manualReset, access, existed);
    return event ? event.Take() : nullptr;
}

inline std::unique_ptr<NNamedEvent> OpenEvent(const std::string& name) {
    auto event = NNamedEvent::Open(name);
    return event ? event.Take() : nullptr;
}

class NamedEventTest : public NMachineSpaceTest {};
