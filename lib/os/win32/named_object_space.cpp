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
    const NResult<std::string> objectNamespace = GetObjectNamespace();
    return objectNamespace ? Ok() : NStatus(objectNamespace.Error());
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
    const NResult<std::u16string> kernelName = KernelObjectName(name);
    return kernelName ? Ok() : NStatus(kernelName.Error());
}

NStatus RemoveObjectNamespace(const std::string& objectNamespace) {
    return IsValidObjectNamespace(objectNamespace) ? Ok() : NStatus(NObjectError::BadName);
}

}  // namespace NOs
