#pragma once
// Names of the objects that processes share: events, mutexes and the IPC
// driver's shared memory.
//
// An object lives in one of two spaces: the machine's, which holds every
// machine-wide object ("Global\" names, the IPC driver), or the calling
// account's own (the other names, the counterpart of a Windows session's
// local names). Within its space an object is named "SCOPE.NAME".
//
// The environment variable Q6_SHM_NAMESPACE (1 to 32 letters, digits, '-' or
// '_'; empty counts as unset) gives a process and its children spaces of
// their own, apart from the machine's objects: tests use it. An invalid value
// makes every name fail rather than fall back to the machine's objects.

#include <cstddef>
#include <string>

#include "os/result.h"

namespace NOs {

constexpr char kObjectNamespaceVariable[] = "Q6_SHM_NAMESPACE";

// Longest name of an object within its space, in bytes.
constexpr size_t kMaxObjectEntryName = 255;

enum class NObjectSpace { Machine, Account };

struct NObjectName {
    NObjectSpace eSpace = NObjectSpace::Machine;
    std::string strNamespace;  // empty: the machine's own objects
    std::string strEntry;      // "SCOPE.NAME" within the space
};

// The namespace of this process: empty when unset, BadName when invalid.
NResult<std::string> GetObjectNamespace();

// 1 to 32 letters, digits, '-' or '_'.
bool IsValidObjectNamespace(const std::string& objectNamespace);

// name within scope, '%', '/' and '\' in name written as "%25", "%2F" and
// "%5C". BadName when name is empty or holds a zero byte, the result is
// longer than kMaxObjectEntryName, or the namespace is invalid.
NResult<NObjectName> MakeObjectName(NObjectSpace space, const std::string& scope,
                                    const std::string& name);

// The same within objectNamespace (which must be valid, or empty for the
// machine's own objects) instead of the process's.
NResult<NObjectName> MakeObjectName(const std::string& objectNamespace, NObjectSpace space,
                                    const std::string& scope, const std::string& name);

// The name of a named event or mutex: "Global\NAME" is machine-wide (scope
// "Global"); any other name, with or without "Local\", lives in the calling
// account's space (scope "Local"). Names are case-sensitive. BadName as
// MakeObjectName.
NResult<NObjectName> GetNamedObjectName(const std::string& name);

}  // namespace NOs
