// Removing named events and mutexes: an event's semaphore goes with it.

#include "os/linux/event_semaphore.h"
#include "os/linux/named_object.h"
#include "os/linux/object_folder.h"
#include "os/named_object_space_testing.h"
#include "os/object_error.h"

namespace NOs {
namespace {

// An event leaves its semaphore behind unless it is removed with it.
void RemoveEventSemaphore(const NObjectFolder& folder, const std::string& entry) {
    NEventRecord record{};
    if (!NNamedObject::OpenRecord(folder, entry, NObjectKind::Event, &record, sizeof(record),
                                  false)) {
        return;
    }
    const NResult<NEventSemaphore> semaphore =
        NEventSemaphore::Open(record.nSemaphoreKey, record.nSemaphoreId, folder.Owner());
    if (semaphore) {
        semaphore.Value().Remove();
    }
}

}  // namespace

NStatus RemoveNamedObject(const std::string& name) {
    const NResult<NObjectName> objectName = GetNamedObjectName(name);
    if (!objectName) {
        return objectName.Error();
    }
    const NObjectName& found = objectName.Value();
    const NResult<NObjectFolder> folder = NObjectFolder::OpenOwn(found.eSpace, found.strNamespace);
    if (!folder) {
        return folder.Error();
    }
    RemoveEventSemaphore(folder.Value(), found.strEntry);
    return folder.Value().RemoveEntry(found.strEntry);
}

NStatus RemoveObjectNamespace(const std::string& objectNamespace) {
    if (objectNamespace.empty() || !IsValidObjectNamespace(objectNamespace)) {
        return NObjectError::BadName;
    }
    // For root the account's space is the machine's.
    const NResult<NObjectFolder> folder =
        NObjectFolder::OpenOwn(NObjectSpace::Account, objectNamespace);
    if (!folder) {
        return folder.Error();
    }
    return folder.Value().RemoveSelf(
        [&folder](const std::string& entry) { RemoveEventSemaphore(folder.Value(), entry); });
}

}  // namespace NOs
