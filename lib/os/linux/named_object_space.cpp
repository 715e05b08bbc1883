#include "os/named_object_space.h"

#include <unistd.h>

#include "os/linux/object_folder.h"
#include "os/named_object_space_testing.h"
#include "os/object_error.h"

namespace NOs {

bool OwnsObjectSpace(NObjectSpace space) {
    return space == NObjectSpace::Account || ::geteuid() == 0;
}

NStatus CheckObjectSpace(NObjectSpace space) {
    const NResult<std::string> objectNamespace = GetObjectNamespace();
    if (!objectNamespace) {
        return objectNamespace.Error();
    }
    const NResult<NObjectFolder> folder = NObjectFolder::Open(space, objectNamespace.Value());
    return folder ? Ok() : NStatus(folder.Error());
}

std::string GetObjectSpacePath(NObjectSpace space, const std::string& objectNamespace) {
    return NObjectFolder::PathOf(space, objectNamespace);
}

std::string GetObjectPath(const NObjectName& name) {
    return GetObjectSpacePath(name.eSpace, name.strNamespace) + "/" + name.strEntry;
}

}  // namespace NOs
