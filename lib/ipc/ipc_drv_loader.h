#pragma once
// NIpcDrvLoader: loads the suite's IPC driver library "qxipcdll.dll" from the
// executable's folder, binds its twelve exports and writes data slots through
// it, loading the IPC driver (with one configuration repair) and retrying once
// when a write fails.

#include <cstdint>
#include <string>

#include "os/dynamic_library.h"

class NIpcDrvLoader {
public:
    // The calling shapes of the three exports that are called.
    using FnLoadIpcDriver = int32_t (*)();
    using FnIpcFixDriverConfig = int32_t (*)();
    using FnSetData = int32_t (*)(uint32_t id, const void* data, uint32_t size);
    // Our library's account of its last failure; the suite's has none.
    using FnGetIpcLastError = uint32_t (*)(char* buffer, uint32_t capacity);
    // An export that is bound only to check that the library is complete.
    using NExportAddress = void*;

    static constexpr uint32_t kModulePathUnits = 1024;
    // The library's full path, terminator included.
    static constexpr uint32_t kLibraryPathUnits = 256;

    // Loads the library. Never fails: the outcome shows in later results and
    // in the log.
    NIpcDrvLoader();
    // Releases the library; the driver is left loaded.
    virtual ~NIpcDrvLoader();
    NIpcDrvLoader(const NIpcDrvLoader&) = delete;
    NIpcDrvLoader& operator=(const NIpcDrvLoader&) = delete;

    // (Re)loads the library from the executable's folder and binds all twelve
    // exports, or keeps none of them.
    void LoadNwLib();

    // 0 when the library is not loaded, otherwise the export's result.
    int32_t LoadDriver();
    int32_t FixDriverConfig();

    // 1 when the driver loaded, at the first attempt or after one repair.
    int32_t LoadDriverEx();

    // Writes size bytes at data into slot id, with one driver load and retry
    // when the first write fails. The library's own result of the last write,
    // non-zero for success, or 0.
    int32_t SetData(uint32_t id, const void* data, uint32_t size);

    // Why the last SetData failed, for the log; empty after a success.
    const std::u16string& GetLastFailure() const { return m_strLastFailure; }

private:
    // Calls visit(field, exportName) for the twelve exports in binding order.
    template <class Visit>
    void ForEachExport(Visit visit);

    // Fills m_szModulePath and libraryPath (kLibraryPathUnits); false, logged,
    // when the folder cannot be read or the path would not fit.
    bool FormatLibraryPath(char16_t* libraryPath);
    void BindExports();
    void Release();
    // "what: the library's reason", or "what" when it gives none.
    std::u16string LibraryReason(const char16_t* what) const;

    char16_t m_szModulePath[kModulePathUnits] = {};
    NOs::NDynamicLibrary m_hLib;
    FnLoadIpcDriver m_fnLoadIpcDriver = nullptr;
    NExportAddress m_fnUnloadIpcDriver = nullptr;
    NExportAddress m_fnUninstallIpcDriver = nullptr;
    NExportAddress m_fnIsLoadedIpcDriver = nullptr;
    NExportAddress m_fnIsInstalledIpcDriver = nullptr;
    NExportAddress m_fnGetIpcDiverVersion = nullptr;
    NExportAddress m_fnSetIpcDebugLevel = nullptr;
    FnIpcFixDriverConfig m_fnIpcFixDriverConfig = nullptr;
    FnSetData m_fnSetData = nullptr;
    NExportAddress m_fnGetDataSize = nullptr;
    NExportAddress m_fnGetData = nullptr;
    NExportAddress m_fnDeleteData = nullptr;
    FnGetIpcLastError m_fnGetIpcLastError = nullptr;
    std::u16string m_strLastFailure;
};
