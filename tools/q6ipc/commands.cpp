#include "tools/q6ipc/commands.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "base/text_convert.h"
#include "ipc/server_time_channel.h"
#include "os/tick_source.h"
#include "time/tick_clock.h"
#include "tools/q6ipc/server_time_reader.h"
#include "tools/q6ipc/slot_reader.h"

namespace NQ6Ipc {
namespace {

constexpr auto kReopenPause = std::chrono::seconds(1);

int Fail(const std::string& message) {
    std::fprintf(stderr, "q6ipc: %s\n", message.c_str());
    return kExitMissing;
}

int Flushed() { return std::fflush(stdout) == 0 ? kExitOk : Fail("cannot write the output"); }

int RunTick() {
    std::printf("%llu\n", static_cast<unsigned long long>(NOs::GetTickCount64()));
    return Flushed();
}

int RunGet(const NCommand& command) {
    NSlotReader reader;
    const std::optional<std::string> bytes = reader.Read(command.nSlot);
    if (!bytes) {
        return Fail(reader.GetError());
    }
    if (command.bRaw) {
        std::fwrite(bytes->data(), 1, bytes->size(), stdout);
    } else {
        std::printf("%s\n", SlotTextToUtf8(*bytes).c_str());
    }
    return Flushed();
}

int RunNow(const NCommand& command) {
    NServerTimeReader reader(NServerTimeChannel::SlotFor(command.bMini));
    std::string error;
    const std::optional<uint64_t> serverTime = reader.Now(error);
    const std::optional<std::string> now =
        serverTime ? ShowServerTime(*serverTime, command.bKorea, error) : std::nullopt;
    if (!now) {
        return Fail(error);
    }
    std::printf("%s\n", now->c_str());
    return Flushed();
}

// Prints the record of one publication; false when standard output fails.
bool PrintPublication(NSlotReader& reader, bool mini) {
    const std::optional<std::string> bytes = reader.Read(NServerTimeChannel::SlotFor(mini));
    if (!bytes) {
        Fail(reader.GetError());
        return true;
    }
    std::printf("%s\n", SlotTextToUtf8(*bytes).c_str());
    return Flushed() == kExitOk;
}

// The publish event, created when missing as the agent does, so that the
// watcher may start first. An account that may not create it waits for the
// agent to, as it does for an event removed under it, which comes back with
// the agent's next set; a name that holds another kind of object ends it.
NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> OpenPublishEvent(const std::string& name) {
    for (;;) {
        NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> event =
            NOs::NNamedEvent::Create(name, false, NOs::NObjectAccess::Everyone);
        if (event || event.Error() == NOs::NObjectError::OtherKind ||
            event.Error() == NOs::NObjectError::BadName) {
            return event;
        }
        std::this_thread::sleep_for(kReopenPause);
    }
}

int RunWatch(const NCommand& command) {
    const std::string name = NUtf::ToUtf8(NServerTimeChannel::EventNameFor(command.bMini));
    NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> event = OpenPublishEvent(name);
    NSlotReader reader;
    while (event) {
        if (event.Value()->Wait(NOs::kWaitInfinite) != NOs::NWaitResult::Signalled) {
            event = OpenPublishEvent(name);
        } else if (!PrintPublication(reader, command.bMini)) {
            return kExitMissing;
        }
    }
    return Fail("cannot open the publish event " + name + ": " + event.Error().Message());
}

int RunWait(const NCommand& command) {
    const NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> event =
        NOs::NNamedEvent::Open(command.strEvent);
    if (!event) {
        return Fail("no event named " + command.strEvent + ": " + event.Error().Message());
    }
    switch (event.Value()->Wait(command.nTimeoutMs)) {
        case NOs::NWaitResult::Signalled:
            return kExitOk;
        case NOs::NWaitResult::TimedOut:
            return Fail("timed out waiting for " + command.strEvent);
        case NOs::NWaitResult::Failed:
            break;
    }
    return Fail("waiting for " + command.strEvent + " failed");
}

}  // namespace

std::optional<std::string> ShowServerTime(uint64_t serverTime, bool toKorea, std::string& error) {
    NString text;
    if (NTime::FormatServerTime(serverTime, toKorea, NTime::kCodeDateTime, text) !=
        NTime::NFormatTimeResult::Ok) {
        error = toKorea ? "the rule of Korea Standard Time cannot be read or applied"
                        : "the server time cannot be shown";
        return std::nullopt;
    }
    return NUtf::ToUtf8(text.GetText());
}

std::optional<std::string> CarryServerTime(const std::string& recordText, bool toKorea,
                                           std::string& error) {
    const std::optional<NServerTimeAnchor> anchor = ReadAnchor(recordText, error);
    if (!anchor) {
        return std::nullopt;
    }
    return ShowServerTime(
        NTimeTick::CarryForward(anchor->nServerTime, anchor->nTick, NOs::GetTickCount64()), toKorea,
        error);
}

int RunCommand(const NCommand& command) {
    switch (command.eKind) {
        case NCommandKind::Tick:
            return RunTick();
        case NCommandKind::Get:
            return RunGet(command);
        case NCommandKind::Now:
            return RunNow(command);
        case NCommandKind::Watch:
            return RunWatch(command);
        case NCommandKind::Wait:
            break;
    }
    return RunWait(command);
}

}  // namespace NQ6Ipc
