// The C calls of libq6time. Nothing thrown inside crosses the C boundary: an
// exception (memory, most likely) counts as a failure of the system.

#include "libq6time/q6time.h"

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "ipc/server_time_channel.h"
#include "libq6time/server_time_reader.h"
#include "libq6time/shared_reader.h"
#include "libq6time/status_text.h"
#include "os/module_file.h"
#include "text/path_text.h"

struct q6time_reader {
    q6time_reader(uint32_t slot, const std::string& libraryPath) : reader(slot, libraryPath) {}

    NQ6Time::NSharedReader reader;
};

namespace {

constexpr size_t kFormattedLength = 19;

// The qxipcdll.dll of this library's installation: in the folder above the
// library's own (prefix/lib/ beside prefix/qxipcdll.dll, and in the build
// tree build/bin/lib/ beside build/bin/qxipcdll.dll). Empty when this
// library's file cannot be told.
std::string InstalledIpcLibrary() {
    const NOs::NResult<std::string> folder =
        NOs::GetModuleFolder(reinterpret_cast<const void*>(&q6time_open));
    return folder ? NOs::JoinPath(NOs::ParentFolder(folder.Value()), "qxipcdll.dll")
                  : std::string();
}

// body(), or Q6TIME_SYSTEM when it throws.
template <class Body>
int Guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return Q6TIME_SYSTEM;
    }
}

// body(reader), once reader and out are not null.
template <class Out, class Body>
int WithReader(q6time_reader* reader, Out* out, Body body) noexcept {
    if (reader == nullptr || out == nullptr) {
        return Q6TIME_INVALID;
    }
    return Guarded([&] { return body(reader->reader); });
}

// The edition as the caller's number: a C caller may pass any int, which
// C++ may not load as the enumeration itself.
int EditionNumber(const enum q6time_edition& edition) {
    static_assert(sizeof(edition) == sizeof(int), "a C enumeration is an int");
    int number = 0;
    std::memcpy(&number, &edition, sizeof(number));
    return number;
}

}  // namespace

extern "C" {

int q6time_open(enum q6time_edition edition, q6time_reader** reader) {
    const int number = EditionNumber(edition);
    if (reader == nullptr || (number != Q6TIME_NORMAL && number != Q6TIME_MINI)) {
        return Q6TIME_INVALID;
    }
    *reader = nullptr;
    return Guarded([&] {
        auto opened = std::make_unique<q6time_reader>(
            NServerTimeChannel::SlotFor(number == Q6TIME_MINI), InstalledIpcLibrary());
        const int status = opened->reader.OpenStatus();
        if (status == Q6TIME_OK) {
            *reader = opened.release();
        }
        return status;
    });
}

void q6time_close(q6time_reader* reader) { delete reader; }

int q6time_now(q6time_reader* reader, uint64_t* server_time) {
    return WithReader(reader, server_time,
                      [&](NQ6Time::NSharedReader& shared) { return shared.Now(server_time); });
}

int q6time_age(q6time_reader* reader, int64_t* age_ms) {
    return WithReader(reader, age_ms,
                      [&](NQ6Time::NSharedReader& shared) { return shared.Age(age_ms); });
}

int q6time_format(uint64_t server_time, char text[20]) {
    if (text == nullptr) {
        return Q6TIME_INVALID;
    }
    return Guarded([&] {
        const NOs::NTextResult<std::string> shown = NQ6Time::ShowServerTime(server_time, false);
        // Past the year 9999 the year takes more than four digits.
        if (!shown || shown.Value().size() != kFormattedLength) {
            return Q6TIME_INVALID;
        }
        std::memcpy(text, shown.Value().c_str(), kFormattedLength + 1);
        return Q6TIME_OK;
    });
}

int q6time_record(q6time_reader* reader, char* buffer, size_t capacity, size_t* size) {
    if (buffer == nullptr && capacity != 0) {
        return Q6TIME_INVALID;
    }
    return WithReader(reader, size, [&](NQ6Time::NSharedReader& shared) {
        std::string text;
        const int status = shared.Record(text);
        if (status != Q6TIME_OK) {
            return status;
        }
        *size = text.size() + 1;
        if (capacity < *size) {
            return static_cast<int>(Q6TIME_TOO_SMALL);
        }
        std::memcpy(buffer, text.c_str(), *size);
        return static_cast<int>(Q6TIME_OK);
    });
}

int q6time_wait(q6time_reader* reader, uint32_t timeout_ms) {
    if (reader == nullptr) {
        return Q6TIME_INVALID;
    }
    return Guarded([&] { return reader->reader.Wait(timeout_ms); });
}

const char* q6time_strerror(int status) { return NQ6Time::StatusText(status); }

}  // extern "C"
