#include "tools/q6ipc/commands.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/text_convert.h"
#include "ipc/server_time_channel.h"
#include "libq6time/q6time.h"
#include "libq6time/server_time_reader.h"
#include "libq6time/shared_reader.h"
#include "libq6time/slot_reader.h"
#include "libq6time/status_text.h"
#include "os/named_event.h"
#include "os/tick_source.h"
#include "q6tsa_version.h"
#include "time/tick_clock.h"
#include "tools/q6ipc/plugin_check.h"
#include "tools/q6ipc/publication_status.h"
#include "tools/q6ipc/status_report.h"

namespace NQ6Ipc {
namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "q6ipc: %s\n", message.c_str());
    return kExitMissing;
}

int Flushed() { return std::fflush(stdout) == 0 ? kExitOk : Fail("cannot write the output"); }

int RunHelp() {
    std::fputs(kHelp, stdout);
    return Flushed();
}

int RunVersion() {
    std::printf("q6ipc %s\n", Q6TSA_VERSION);
    return Flushed();
}

int RunTick() {
    std::printf("%llu\n", static_cast<unsigned long long>(NOs::GetTickCount64()));
    return Flushed();
}

int RunGet(const NCommand& command) {
    const NOs::NTextResult<std::string> bytes = NQ6Time::NSlotReader().Read(command.nSlot);
    if (!bytes) {
        return Fail(bytes.Error().Message());
    }
    if (command.bRaw) {
        std::fwrite(bytes.Value().data(), 1, bytes.Value().size(), stdout);
    } else {
        std::printf("%s\n", NQ6Time::SlotTextToUtf8(bytes.Value()).c_str());
    }
    return Flushed();
}

// The edition's record through the reader of libq6time, over the
// qxipcdll.dll beside q6ipc: q6ipc sees what any program sees.
NQ6Time::NSharedReader OpenReader(bool mini) {
    return NQ6Time::NSharedReader(NServerTimeChannel::SlotFor(mini),
                                  NQ6Time::IpcLibraryBesideExecutable());
}

int RunNow(const NCommand& command) {
    NQ6Time::NSharedReader reader = OpenReader(command.bMini);
    uint64_t serverTime = 0;
    int status = reader.OpenStatus();
    if (status == Q6TIME_OK) {
        status = reader.Now(&serverTime);
    }
    if (status != Q6TIME_OK) {
        return Fail(NQ6Time::StatusText(status));
    }
    const NOs::NTextResult<std::string> now = NQ6Time::ShowServerTime(serverTime, command.bKorea);
    if (!now) {
        return Fail(now.Error().Message());
    }
    std::printf("%s\n", now.Value().c_str());
    return Flushed();
}

int RunStatus(const NCommand& command) {
    const NPublicationStatus status = ObservePublication(command.bMini);
    std::fputs((command.bJson ? StatusJson(status) : StatusText(status)).c_str(), stdout);
    if (Flushed() != kExitOk) {
        return kExitMissing;
    }
    if (status.eVerdict == NVerdict::Publishing) {
        return kExitOk;
    }
    return status.eVerdict == NVerdict::ReaderMisinstalled ? kExitCannotTell : kExitMissing;
}

int RunCheck(const NCommand& command) {
    NPluginThresholds thresholds;
    thresholds.nWarningMs = command.nWarningMs.value_or(thresholds.nWarningMs);
    thresholds.nCriticalMs = command.nCriticalMs.value_or(thresholds.nCriticalMs);
    thresholds.nWarningMs = std::min(thresholds.nWarningMs, thresholds.nCriticalMs);
    const NPublicationStatus status = ObservePublication(command.bMini);
    std::fputs(PluginLine(status, thresholds).c_str(), stdout);
    if (std::fflush(stdout) != 0) {
        return static_cast<int>(NPluginState::Unknown);
    }
    return static_cast<int>(JudgeForMonitoring(status, thresholds));
}

int RunWatch(const NCommand& command) {
    NQ6Time::NSharedReader reader = OpenReader(command.bMini);
    if (const int status = reader.OpenStatus(); status != Q6TIME_OK) {
        return Fail(NQ6Time::StatusText(status));
    }
    for (uint32_t printed = 0; command.nCount == 0 || printed < command.nCount;) {
        if (reader.Wait(command.nTimeoutMs) == Q6TIME_TIMEOUT) {
            return Fail("no publication within " + std::to_string(command.nTimeoutMs) + " ms");
        }
        std::string record;
        if (const int status = reader.Record(record); status != Q6TIME_OK) {
            Fail(NQ6Time::StatusText(status));
            continue;
        }
        std::printf("%s\n", record.c_str());
        if (Flushed() != kExitOk) {
            return kExitMissing;
        }
        ++printed;
    }
    return kExitOk;
}

int RunWait(const NCommand& command) {
    const NOs::NResult<std::unique_ptr<NOs::NNamedEvent>> event =
        NOs::NNamedEvent::Open(command.strEvent);
    if (!event) {
        return Fail("no event named " + command.strEvent + ": " + event.Error().Message());
    }
    const NOs::NResult<NOs::NWaitResult> waited = event.Value()->Wait(command.nTimeoutMs);
    if (!waited) {
        return Fail("waiting for " + command.strEvent + " failed: " + waited.Error().Message());
    }
    if (waited.Value() == NOs::NWaitResult::TimedOut) {
        return Fail("timed out waiting for " + command.strEvent);
    }
    return kExitOk;
}

}  // namespace

NOs::NTextResult<std::string> CarryServerTime(const std::string& recordText, bool toKorea) {
    const NOs::NTextResult<NQ6Time::NServerTimeAnchor> anchor = NQ6Time::ReadAnchor(recordText);
    if (!anchor) {
        return anchor.Error();
    }
    return NQ6Time::ShowServerTime(
        NTimeTick::CarryForward(anchor.Value().nServerTime, anchor.Value().nTick,
                                NOs::GetTickCount64()),
        toKorea);
}

int UsageExitCode(NCommandKind kind) {
    return kind == NCommandKind::Check ? static_cast<int>(NPluginState::Unknown) : kExitUsage;
}

int RunCommand(const NCommand& command) {
    switch (command.eKind) {
        case NCommandKind::Tick:
            return RunTick();
        case NCommandKind::Get:
            return RunGet(command);
        case NCommandKind::Now:
            return RunNow(command);
        case NCommandKind::Status:
            return RunStatus(command);
        case NCommandKind::Check:
            return RunCheck(command);
        case NCommandKind::Watch:
            return RunWatch(command);
        case NCommandKind::Help:
            return RunHelp();
        case NCommandKind::Version:
            return RunVersion();
        case NCommandKind::Wait:
            break;
    }
    return RunWait(command);
}

}  // namespace NQ6Ipc
