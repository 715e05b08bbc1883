#pragma once
// Named mutexes of the named-object space (named_object_space.h), used to
// let one process of a kind run at a time.
//
// A mutex counts as taken only while a live process holds it: when its holder
// ends without releasing it, crash or not, the next process takes it over.
// Ownership belongs to the thread that took it and ends with the object,
// which must go away on that thread.

#include <memory>
#include <string>

#include "os/named_object_space.h"

namespace NOs {

class NSharedMemory;
struct NMutexObject;

class NNamedMutex {
public:
    ~NNamedMutex();
    NNamedMutex(const NNamedMutex&) = delete;
    NNamedMutex& operator=(const NNamedMutex&) = delete;

    // Creates or opens the mutex and takes it when no live process holds it.
    // When one does (this process included), the mutex is returned without
    // ownership and *alreadyExists is true. Null when the name cannot be used,
    // holds an object of another kind, or the mutex cannot be made.
    static std::unique_ptr<NNamedMutex> CreateOwned(const std::string& name, NObjectAccess access,
                                                    bool* alreadyExists);

    bool IsOwned() const { return m_bOwned; }

    // Unlike a Windows name, a name in /dev/shm can be removed while the mutex
    // is held, and the next process would then take a new mutex of that name.
    // An owner calls this now and then to put its mutex back: when the name
    // no longer refers to the owned mutex and no live process holds a mutex
    // under it, a fresh one is taken there in its place. True when the name
    // refers to a mutex this object owns afterwards.
    bool KeepName();

private:
    NNamedMutex(std::unique_ptr<NSharedMemory> memory, bool owned, std::string name,
                NObjectAccess access);

    std::unique_ptr<NSharedMemory> m_pMemory;
    NMutexObject* m_pMutex;
    bool m_bOwned;
    std::string m_strName;
    NObjectAccess m_eAccess;
};

}  // namespace NOs
