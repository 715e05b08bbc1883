#include "ipc/ipc_drv_loader.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <type_traits>

#include "base/module_path.h"
#include "base/text_convert.h"
#include "log/log_front.h"

namespace {

// Units that "%s/qxipcdll.dll" adds to the folder.
constexpr size_t kLibraryNameUnits = std::char_traits<char16_t>::length(u"/qxipcdll.dll");

}  // namespace

NIpcDrvLoader::NIpcDrvLoader() { LoadNwLib(); }

NIpcDrvLoader::~NIpcDrvLoader() = default;

template <class Visit>
void NIpcDrvLoader::ForEachExport(Visit visit) {
    visit(m_fnLoadIpcDriver, "fnLoadIpcDriver");
    visit(m_fnUnloadIpcDriver, "fnUnloadIpcDriver");
    visit(m_fnUninstallIpcDriver, "fnUninstallIpcDriver");
    visit(m_fnIsLoadedIpcDriver, "fnIsLoadedIpcDriver");
    visit(m_fnIsInstalledIpcDriver, "fnIsInstalledIpcDriver");
    visit(m_fnGetIpcDiverVersion, "fnGetIpcDiverVersion");
    visit(m_fnSetIpcDebugLevel, "fnSetIpcDebugLevel");
    visit(m_fnIpcFixDriverConfig, "fnIpcFixDriverConfig");
    visit(m_fnSetData, "fnSetData");
    visit(m_fnGetDataSize, "fnGetDataSize");
    visit(m_fnGetData, "fnGetData");
    visit(m_fnDeleteData, "fnDeleteData");
}

void NIpcDrvLoader::LoadNwLib() {
    Release();
    char16_t szLibraryPath[kLibraryPathUnits] = {};
    if (!FormatLibraryPath(szLibraryPath)) {
        return;
    }
    const std::optional<std::string> path = NUtf::Utf16ToPath(szLibraryPath);
    const NOs::NLibraryStatus opened =
        path ? m_hLib.Open(*path) : NOs::NLibraryError("the path names no file");
    if (!opened) {
        WriteLog(kLogError, u"NIpcDrvLoader::LoadNwLib driver load error. (%s)", szLibraryPath);
        WriteLog(kLogDebug, u"NIpcDrvLoader::LoadNwLib %s",
                 NUtf::ToUtf16(opened.Error().Message()).c_str());
        return;
    }
    BindExports();
}

bool NIpcDrvLoader::FormatLibraryPath(char16_t* libraryPath) {
    std::fill(std::begin(m_szModulePath), std::end(m_szModulePath), u'\0');
    // Without its folder the path would name a file at the root.
    if (!GetModuleFolder(nullptr, m_szModulePath, kModulePathUnits)) {
        WriteLog(kLogError, u"NIpcDrvLoader::LoadNwLib module folder error.");
        return false;
    }
    // A cut path would name another file.
    const size_t folderUnits = std::char_traits<char16_t>::length(m_szModulePath);
    if (folderUnits + kLibraryNameUnits >= kLibraryPathUnits) {
        WriteLog(kLogError, u"NIpcDrvLoader::LoadNwLib path too long. (%s/qxipcdll.dll)",
                 m_szModulePath);
        return false;
    }
    NFormat::Print(libraryPath, kLibraryPathUnits, u"%s/qxipcdll.dll", m_szModulePath);
    return true;
}

void NIpcDrvLoader::BindExports() {
    // Every lookup is made, so that the library is judged whole.
    bool bComplete = true;
    ForEachExport([this, &bComplete](auto& field, const char* name) {
        field =
            m_hLib.FindFunction<std::remove_reference_t<decltype(field)>>(name).ValueOr(nullptr);
        bComplete = bComplete && field != nullptr;
    });
    if (!bComplete) {
        Release();
        WriteLog(kLogError, u"NIpcDrvLoader::LoadNwLib load function error.");
        return;
    }
    // Optional: the suite's own library has no such export.
    m_fnGetIpcLastError =
        m_hLib.FindFunction<FnGetIpcLastError>("fnGetIpcLastError").ValueOr(nullptr);
}

void NIpcDrvLoader::Release() {
    m_hLib.Close();
    ForEachExport([](auto& field, const char*) { field = nullptr; });
    m_fnGetIpcLastError = nullptr;
}

std::u16string NIpcDrvLoader::LibraryReason(const char16_t* what) const {
    char reason[256] = {};
    if (m_fnGetIpcLastError == nullptr || m_fnGetIpcLastError(reason, sizeof(reason)) == 0) {
        return what;
    }
    return std::u16string(what) + u": " + NUtf::ToUtf16(reason);
}

int32_t NIpcDrvLoader::LoadDriver() { return m_hLib.IsOpen() ? m_fnLoadIpcDriver() : 0; }

int32_t NIpcDrvLoader::FixDriverConfig() { return m_hLib.IsOpen() ? m_fnIpcFixDriverConfig() : 0; }

int32_t NIpcDrvLoader::LoadDriverEx() {
    if (LoadDriver() != 0) {
        return 1;
    }
    WriteLog(kLogInfo, u"NIpcDrvLoader::LoadDriverEx LoadDriver(1) error.");
    if (FixDriverConfig() == 0) {
        WriteLog(kLogDebug, u"NIpcDrvLoader::LoadDriverEx %s",
                 LibraryReason(u"FixDriverConfig() failed").c_str());
    }
    if (LoadDriver() != 0) {
        return 1;
    }
    WriteLog(kLogError, u"NIpcDrvLoader::LoadDriverEx LoadDriver(2) error.");
    return 0;
}

int32_t NIpcDrvLoader::SetData(uint32_t id, const void* data, uint32_t size) {
    m_strLastFailure.clear();
    if (!m_hLib.IsOpen()) {
        WriteLog(kLogError, u"NIpcDrvLoader::SetData m_hLib is NULL.");
        m_strLastFailure = u"the IPC library is not loaded";
        return 0;
    }
    int32_t result = m_fnSetData(id, data, size);
    if (result != 0) {
        return result;
    }
    // The reason names the last call made: the second write, or the driver's
    // load when that failed and no second write was made.
    const bool driverLoaded = LoadDriverEx() == 1;
    if (driverLoaded) {
        result = m_fnSetData(id, data, size);
    }
    if (result == 0) {
        WriteLog(kLogError, u"NIpcDrvLoader::SetData write error. (id: 0x%08X, size: %u)", id,
                 size);
        m_strLastFailure = LibraryReason(driverLoaded ? u"the IPC library refused the write"
                                                      : u"the IPC driver cannot be loaded");
    }
    return result;
}
