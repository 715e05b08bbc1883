#include "os/named_object_space.h"

#include "os/named_object_space_testing.h"
#include "os/win32/kernel_object_name.h"
#include "text/utf_codec.h"

// The object manager keeps events and mutexes: no folder to make or check,
// and an object goes with its last handle, so that its name cannot be
// removed while it is open. Who may make a "Global\" object is Windows'
// decision (SeCreateGlobalPrivilege), taken when it is made.
namespace NOs {

bool OwnsObjectSpace(NObjectSpace /*space*/) { return true; }

NStatus CheckObjectSpace(NObjectSpace /*space*/) {
    return GetObjectNamespace() ? Ok() : NStatus(NObjectError::BadName);
}

std::string GetObjectSpacePath(NObjectSpace space, const std::string& objectNamespace) {
    std::string path = space == NObjectSpace::Machine ? "Global" : "Local";
    if (!objectNamespace.empty()) {
        path += "\\q6ns-" + objectNamespace;
    }
    return path;
}

std::string GetObjectPath(const NObjectName& name) { return NUtf::ToUtf8(KernelObjectName(name)); }

NStatus RemoveNamedObject(const std::string& name) {
    return KernelObjectName(name) ? Ok() : NStatus(NObjectError::BadName);
}

NStatus RemoveObjectNamespace(const std::string& objectNamespace) {
    return IsValidObjectNamespace(objectNamespace) ? Ok() : NStatus(NObjectError::BadName);
}

}  // namespace NOs
