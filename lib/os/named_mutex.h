#pragma once
// Named mutexes (object_name.h), used to let one process of a kind run at a
// time.
//
// A mutex counts as taken only while a live process holds it: when its holder
// ends without releasing it, crash or not, the next process takes it over.
// Nobody can take it from under its holder: no other account can even open
// it, and removing the object that stands for it does not free it.
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

    bool IsOwned() const;

    // Another account may take, before the owner does, a name that the mutex
    // uses to stay held when the objects that stand for it are removed: an
    // owner calls this now and then, and takes the name once it is free.
    // Does nothing while the owner holds all it needs; the reason while the
    // name stays taken.
    NStatus KeepHeld();

    // What the platform keeps for the mutex; opaque here.
    struct NState;

private:
    explicit NNamedMutex(std::unique_ptr<NState> state);

    std::unique_ptr<NState> m_pState;
};

}  // namespace NOs
