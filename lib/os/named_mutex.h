#pragma once
// Named mutexes (object_name.h), used to let one process of a kind run at a
// time.
//
// A mutex counts as taken only while a live process holds it: when its holder
// ends without releasing it, crash or not, the next process takes it over.
// No other account can take it from under its holder, nor hold it against
// the holder's account: no other account can even open it. Unlike a Windows
// mutex, the object that stands for it can be removed by its own account
// (root, say): the holder sees that at its next Retake.
// Ownership belongs to the thread that took it and ends with the object,
// which must go away on that thread.

#include <memory>
#include <string>

#include "os/result.h"

namespace NOs {

class NNamedMutex {
public:
    ~NNamedMutex();
    NNamedMutex(const NNamedMutex&) = delete;
    NNamedMutex& operator=(const NNamedMutex&) = delete;

    // Creates or opens the mutex and takes it when no live process holds it.
    // When one does (this process included), the mutex is returned without
    // ownership and *alreadyExists is true. Fails when the name cannot be
    // used, holds an object of another kind, or the mutex cannot be made.
    static NResult<std::unique_ptr<NNamedMutex>> CreateOwned(const std::string& name,
                                                             bool* alreadyExists);

    // Takes the mutex again when this object does not hold it, or holds one
    // that no longer stands under the name: true when it holds the mutex
    // under the name now, false when a live process (another object
    // included) does; the reason when it cannot be made. Holders call it
    // before each thing that only one of them may do.
    NResult<bool> Retake();

    // What the platform keeps for the mutex; opaque here.
    struct NState;

private:
    explicit NNamedMutex(std::unique_ptr<NState> state);

    friend bool IsOwned(const NNamedMutex& mutex);  // named_mutex_testing.h

    std::unique_ptr<NState> m_pState;
};

}  // namespace NOs
