#include "agent/startup.h"

#include <chrono>
#include <thread>

#include "agent/agent_state.h"
#include "agent/launch_arguments.h"
#include "agent/local_system_check.h"
#include "agent/publisher.h"
#include "agent/virtual_machine_check.h"
#include "agent/vm_opt_in.h"
#include "base/text_convert.h"
#include "ipc/global_event.h"
#include "ipc/server_time_channel.h"
#include "log/log_front.h"
#include "log/log_setup.h"
#include "os/named_mutex.h"

int32_t g_bMiniMode = 0;
std::unique_ptr<NTimeTick> g_pTimeTick;

namespace q6tsa {
namespace {

constexpr auto kPublishPause = std::chrono::milliseconds(NServerTimeChannel::kPublishPeriodMs);

int Refuse(const char16_t* message) {
    WriteLog(3, message);
    return 0;
}

bool RunsInForbiddenVirtualMachine() {
    return NVmCheck::IsVirtualMachine() && !NVmOptIn::IsVirtualMachineAllowed();
}

// Takes the single-instance mutex. False when a live agent holds it; a mutex
// that cannot be made at all does not stop start-up.
bool TakeInstanceMutex(std::unique_ptr<NOs::NNamedMutex>& mutex) {
    bool alreadyExists = false;
    NOs::NResult<std::unique_ptr<NOs::NNamedMutex>> created = NOs::NNamedMutex::CreateOwned(
        NUtf::ToUtf8(NLaunchArguments::kInstanceMutexName), &alreadyExists);
    if (alreadyExists) {
        return false;
    }
    if (created) {
        mutex = created.Take();
    }
    return true;
}

// The publish event puts its own name back when it is set; the mutex takes
// the part of it that another account may have held at start-up.
[[noreturn]] void PublishForever(NOs::NNamedMutex* instanceMutex, NOs::NNamedEvent* event) {
    for (;;) {
        if (instanceMutex != nullptr) {
            instanceMutex->KeepHeld();
        }
        Send_Time_tick(event);
        std::this_thread::sleep_for(kPublishPause);
    }
}

}  // namespace

int Main() {
    InitLog(nullptr);
    WriteLog(6, u"q6tsa::Main: START.");
    if (isRunByLoaclSystem() == 0) {
        return Refuse(u"q6tsa::Main: q6tsa.exe must be run by Local System");
    }
    if (RunsInForbiddenVirtualMachine()) {
        return Refuse(u"q6tsa::Main: q6tsa.exe must be Not run by VM Machine");
    }

    const std::vector<NString> arguments = NLaunchArguments::Read();
    if (arguments.size() < NLaunchArguments::kEntryCount) {
        return Refuse(u"q6tsa::Main:: arg. count insufficient.");
    }
    if (NLaunchArguments::IsExactly(arguments[NLaunchArguments::kModeEntry],
                                    NLaunchArguments::kMiniModeWord)) {
        g_bMiniMode = 1;
    }
    if (!NLaunchArguments::IsExactly(arguments[NLaunchArguments::kLaunchIdEntry],
                                     NLaunchArguments::kLaunchId)) {
        return Refuse(u"q6tsa::Main:: arg. id strange.");
    }

    std::unique_ptr<NOs::NNamedMutex> instanceMutex;
    if (!TakeInstanceMutex(instanceMutex)) {
        return Refuse(u"q6tsa::Main:: mutex ALREADY_EXISTS.");
    }

    const NString dateText(arguments[NLaunchArguments::kDateTimeEntry]);
    const NString tickText(arguments[NLaunchArguments::kTickEntry]);
    g_pTimeTick = std::make_unique<NTimeTick>();
    g_pTimeTick->SetServerTime(dateText.GetText(), tickText.GetText(), 0);

    const NMisc::NEventHandle event =
        NMisc::CreateGlobalEvent(NServerTimeChannel::EventNameFor(g_bMiniMode != 0), 0);
    PublishForever(instanceMutex.get(), event.get());
}

}  // namespace q6tsa
