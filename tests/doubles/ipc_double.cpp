// A stand-in for the IPC driver library "qxipcdll.dll" that records every
// call and returns scripted results.
//
// Q6_IPC_DOUBLE_CALLS   file that receives one line per call:
//                       "fnSetData <id in hex> <size> <data in hex>" or the
//                       export's name
// Q6_IPC_DOUBLE_<name>  results of the successive calls of fnLoadIpcDriver,
//                       fnIpcFixDriverConfig or fnSetData, comma-separated
//                       ("0,7"); the last one repeats; 1 when unset
//
// Q6_IPC_DOUBLE_LAST_ERROR  the text of fnGetIpcLastError, which our own
//                       library adds to the twelve; none when unset
//
// The doubles that lack one export are this code linked with that export
// left out of the exported names. Built with Q6_DOUBLE_UNRESOLVED defined,
// it has every export but one of them calls a function that no library
// defines.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Record(const std::string& line) {
    const char* path = std::getenv("Q6_IPC_DOUBLE_CALLS");
    if (path == nullptr) {
        return;
    }
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

// The result of call number callIndex (from 0) of the export.
int32_t ScriptedResult(const char* exportName, unsigned callIndex) {
    const char* script = std::getenv((std::string("Q6_IPC_DOUBLE_") + exportName).c_str());
    if (script == nullptr) {
        return 1;
    }
    const char* item = script;
    for (unsigned i = 0; i < callIndex; ++i) {
        const char* comma = std::strchr(item, ',');
        if (comma == nullptr) {
            break;
        }
        item = comma + 1;
    }
    return static_cast<int32_t>(std::strtol(item, nullptr, 0));
}

// Records the call and returns its scripted result.
int32_t Answer(const char* exportName, unsigned& callCount) {
    Record(exportName);
    return ScriptedResult(exportName, callCount++);
}

std::string ToHex(const void* data, uint32_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (uint32_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace

// int32_t(void): the shape of fnLoadIpcDriver and fnIpcFixDriverConfig. The
// other exports never called by the loader take it too; only their names
// matter.
#define Q6_RECORDING_EXPORT(name)        \
    extern "C" int32_t name(void) {      \
        static unsigned callCount = 0;   \
        return Answer(#name, callCount); \
    }

Q6_RECORDING_EXPORT(fnLoadIpcDriver)
Q6_RECORDING_EXPORT(fnUnloadIpcDriver)
Q6_RECORDING_EXPORT(fnUninstallIpcDriver)
Q6_RECORDING_EXPORT(fnIsLoadedIpcDriver)
Q6_RECORDING_EXPORT(fnIsInstalledIpcDriver)
Q6_RECORDING_EXPORT(fnGetIpcDiverVersion)
Q6_RECORDING_EXPORT(fnSetIpcDebugLevel)
Q6_RECORDING_EXPORT(fnIpcFixDriverConfig)

extern "C" int32_t fnSetData(uint32_t id, const void* data, uint32_t size) {
    static unsigned callCount = 0;
    char head[64];
    std::snprintf(head, sizeof(head), "fnSetData 0x%08x %u ", id, size);
    Record(head + ToHex(data, size));
    return ScriptedResult("fnSetData", callCount++);
}

Q6_RECORDING_EXPORT(fnGetDataSize)
Q6_RECORDING_EXPORT(fnGetData)
Q6_RECORDING_EXPORT(fnDeleteData)

extern "C" uint32_t fnGetIpcLastError(char* buffer, uint32_t capacity) {
    const char* text = std::getenv("Q6_IPC_DOUBLE_LAST_ERROR");
    if (text == nullptr || capacity == 0) {
        return 0;
    }
    const size_t length = std::min<size_t>(std::strlen(text), capacity - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

#ifdef Q6_DOUBLE_UNRESOLVED
extern "C" int32_t q6_double_undefined_function(void);
extern "C" int32_t q6_double_calls_undefined(void) { return q6_double_undefined_function(); }
#endif
