#include "bench/ipc_exports.h"

#include "os/module_file.h"

namespace NBench {
namespace {

std::string LibraryPath() {
    const std::string executable = NOs::GetModuleFilePath(nullptr);
    return executable.substr(0, executable.rfind('/') + 1) + "qxipcdll.dll";
}

}  // namespace

NIpcExports::NIpcExports() {
    const std::string path = LibraryPath();
    if (!m_library.Open(path)) {
        m_strError = "cannot load " + path + ": " + m_library.GetError();
        return;
    }
    const auto fnLoadIpcDriver = m_library.FindFunction<PFN_IPC_VOID>("fnLoadIpcDriver");
    m_fnSetData = m_library.FindFunction<PFN_IPC_SET_DATA>("fnSetData");
    m_fnGetData = m_library.FindFunction<PFN_IPC_GET_DATA>("fnGetData");
    if (fnLoadIpcDriver == nullptr || m_fnSetData == nullptr || m_fnGetData == nullptr) {
        m_strError = "missing export in " + path;
    } else if (fnLoadIpcDriver() == 0) {
        m_strError = "the IPC driver does not load";
    }
}

}  // namespace NBench
