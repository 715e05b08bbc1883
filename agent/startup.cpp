#include "agent/startup.h"

#include <chrono>
#include <thread>

#include "agent/agent_state.h"
#include "agent/instance_guard.h"
#include "agent/launch_arguments.h"
#include "agent/local_system_check.h"
#include "agent/publish_event.h"
#include "agent/publisher.h"
#include "agent/virtual_machine_check.h"
#include "agent/vm_opt_in.h"
#include "base/text_convert.h"
#include "ipc/server_time_channel.h"
#include "log/log_front.h"
#include "log/log_setup.h"
#include "os/broken_pipe.h"

int32_t g_bMiniMode = 0;
std::unique_ptr<NTimeTick> g_pTimeTick;

namespace q6tsa {
namespace {

int Refuse(const char16_t* message) {
    WriteLog(kLogError, message);
    return 0;
}

bool RunsInForbiddenVirtualMachine() {
    return NVmCheck::IsVirtualMachine() && !NVmOptIn::IsVirtualMachineAllowed();
}

int RefuseSecondInstance() { return Refuse(u"q6tsa::Main:: mutex ALREADY_EXISTS."); }

// Publishes while this agent holds the instance mutex, making the mutex and
// the event again whenever they are missing; ends as a second instance does
// once another agent holds the mutex.
int PublishWhileSoleInstance(NInstanceGuard& guard, NPublishEvent& event,
                             std::chrono::milliseconds pause) {
    for (;;) {
        switch (guard.Take()) {
            case NInstanceGuard::NHold::HeldByAnother:
                return RefuseSecondInstance();
            case NInstanceGuard::NHold::Held:
                Send_Time_tick(event.Heal());
                break;
            case NInstanceGuard::NHold::Missing:
                break;  // no publication without the mutex
        }
        std::this_thread::sleep_for(pause);
    }
}

}  // namespace

int Main(std::chrono::milliseconds publishPause) {
    NOs::IgnoreBrokenPipes();
    InitLog(nullptr);
    WriteLog(kLogInfo, u"q6tsa::Main: START.");
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

    // A mutex that cannot be made yet does not stop start-up: it is taken
    // before the first publication, or the agent does not publish.
    NInstanceGuard guard(NUtf::ToUtf8(NServerTimeChannel::kInstanceMutexName));
    if (guard.Take() == NInstanceGuard::NHold::HeldByAnother) {
        return RefuseSecondInstance();
    }

    const NString& dateText = arguments[NLaunchArguments::kDateTimeEntry];
    const NString& tickText = arguments[NLaunchArguments::kTickEntry];
    g_pTimeTick = std::make_unique<NTimeTick>();
    g_pTimeTick->SetServerTime(dateText.GetText(), tickText.GetText(), 0);

    NPublishEvent event(g_bMiniMode != 0);
    return PublishWhileSoleInstance(guard, event, publishPause);
}

}  // namespace q6tsa
