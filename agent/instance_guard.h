#pragma once
// The single-instance mutex of the agent, taken at start-up and again before
// each publication: an agent publishes only while it holds it. One that
// could not be made (a full /dev/shm) is made as soon as it can be; one
// whose object was removed is taken again, unless a newcomer holds it by
// then.

#include <memory>
#include <string>

#include "agent/missing_object_report.h"
#include "os/named_mutex.h"

namespace q6tsa {

class NInstanceGuard {
public:
    enum class NHold { Held, HeldByAnother, Missing };

    explicit NInstanceGuard(std::string name);

    // Held when this agent holds the mutex now, HeldByAnother when a live
    // agent does, Missing when it cannot be made now (reported once).
    NHold Take();

private:
    NOs::NResult<bool> TakeOrMake();

    std::string m_strName;
    std::unique_ptr<NOs::NNamedMutex> m_pMutex;
    NMissingObjectReport m_report;
};

}  // namespace q6tsa
