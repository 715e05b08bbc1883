#pragma once
// Tells the log once that a machine-wide object the agent needs is missing,
// and once that it is back, however many cycles either lasts.

#include "os/object_error.h"

namespace q6tsa {

class NMissingObjectReport {
public:
    // what: the object as a log line names it, "the publish event" say.
    explicit NMissingObjectReport(const char16_t* what) : m_pwszWhat(what) {}

    // The object could not be had, for reason.
    void Missing(const NOs::NError& reason);
    // The object is there.
    void Present();

private:
    const char16_t* m_pwszWhat;
    bool m_bMissing = false;
};

}  // namespace q6tsa
