#include "os/object_error.h"

namespace NOs {
namespace {

const char* ObjectErrorText(NObjectError error) {
    switch (error) {
        case NObjectError::NotRegular:
            return "the name holds something that is not a plain file";
        case NObjectError::OtherKind:
            return "the name holds an object of another kind";
        case NObjectError::WrongOwner:
            return "the object belongs to another account";
        case NObjectError::WrongSize:
            return "the object has the wrong size";
        case NObjectError::Damaged:
            return "the object is damaged";
        case NObjectError::UnsafeFolder:
            return "a folder on the way can be changed by other accounts";
        case NObjectError::NotPermitted:
            return "only the owner of the object space may change it";
        case NObjectError::BadName:
            return "the name cannot be used";
        case NObjectError::Busy:
            return "the object kept changing";
        case NObjectError::Untrusted:
            return "the file can be changed by an account other than root and the program's owner";
        case NObjectError::NotWhole:
            return "the file is not a whole shared object";
        case NObjectError::Locked:
            return "another process kept the object locked";
        case NObjectError::NoDescriptor:
            return "the security descriptor cannot be initialised";
        case NObjectError::NoNullDacl:
            return "the security descriptor's null DACL cannot be set";
    }
    return "unknown error";
}

}  // namespace

std::string NError::Message() const {
    switch (m_eSource) {
        case NSource::None:
            return "no error";
        case NSource::System:
            return std::system_category().message(m_nCode);
        case NSource::Object:
            break;
    }
    return ObjectErrorText(static_cast<NObjectError>(m_nCode));
}

}  // namespace NOs
