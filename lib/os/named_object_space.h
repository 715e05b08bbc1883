#pragma once
// Where named objects live (object_name.h) and who may change them; tests
// remove them with named_object_space_testing.h.
//
// Only the owner of a space creates, replaces or removes its objects: root
// for the machine's space, the account itself for its own. Every account may
// open the objects of the machine's space as each object's access allows.
// For root the two spaces are one. An entry of the wrong kind or owner found
// under an object's name is replaced by the space's owner and refused by
// everyone else.
//
// On Linux: the machine's space is the folder /dev/shm/q6tsa (for a
// namespace NS, /dev/shm/q6tsa/ns-NS), owned by root with mode 0755; another
// account's space is /dev/shm/q6tsa.UID (and ns-NS below it), owned by it
// with mode 0700. The shared-memory file system is emptied at every boot, and
// its sticky bit keeps other accounts from moving or removing a folder that
// is not theirs. A folder is opened without following any symbolic link and
// used only with exactly its owner and mode; every object in it is reached
// from the open folder. What stands in a folder's place when it is made (a
// link, a file, a folder of another account) its owner moves aside, whole.

#include <string>

#include "os/object_name.h"
#include "os/result.h"

namespace NOs {

// Who may open a new event: the owner as any new file of the process allows
// (the umask applies), or every account (a null DACL).
enum class NObjectAccess { Default, Everyone };

// True when the calling account owns the space and so may change it.
bool OwnsObjectSpace(NObjectSpace space);

// Opens the space's folder (for its owner, makes it) and checks it.
NStatus CheckObjectSpace(NObjectSpace space);

// Where an object stands, for diagnostics.
std::string GetObjectPath(const NObjectName& name);

}  // namespace NOs
