#include "os/win32/kernel_object_name.h"

#include <windows.h>

#include "os/win32/windows_error.h"
#include "text/utf_codec.h"

namespace NOs {

std::u16string KernelObjectName(const NObjectName& name) {
    const size_t dot = name.strEntry.find('.');
    std::string kernelName = name.strEntry.substr(0, dot) + "\\";
    if (!name.strNamespace.empty()) {
        kernelName += "q6ns-" + name.strNamespace + ".";
    }
    kernelName += name.strEntry.substr(dot + 1);
    return NUtf::ToUtf16(kernelName);
}

NResult<std::u16string> KernelObjectName(const std::string& name) {
    const NResult<NObjectName> objectName = GetNamedObjectName(name);
    if (!objectName) {
        return objectName.Error();
    }
    return KernelObjectName(objectName.Value());
}

NError NamedObjectError() {
    const DWORD code = ::GetLastError();
    return code == ERROR_INVALID_HANDLE ? NError(NObjectError::OtherKind) : FromWindowsError(code);
}

}  // namespace NOs
