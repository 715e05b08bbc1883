#pragma once
// Why an operation of the operating-system layer failed: an error number of
// the system, or one of the named-object errors below.

#include <cstdint>
#include <string>
#include <system_error>

namespace NOs {

enum class NObjectError {
    NotRegular = 1,  // not a plain file: a folder, a link, a FIFO, a socket or a device
    OtherKind,       // a sound object, but of another kind (an event's name holding a mutex)
    WrongOwner,      // an object of an account other than the space's owner
    WrongSize,       // not the size that objects of its kind have
    Damaged,         // the right kind, but its content does not hold together
    UnsafeFolder,    // a folder on the way can be changed by other accounts
    NotPermitted,    // only the space's owner creates, replaces or removes objects
    BadName,         // empty, too long, or in an invalid namespace
    Busy,            // writers kept changing the object during every attempt
    Untrusted,       // a file that accounts other than the trusted ones can change
    NotWhole,        // a shared object cut short, or no shared object at all
    Locked,          // another process kept the object locked past the time allowed
    NoDescriptor,    // the security descriptor of an object open to everyone cannot be made
    NoNullDacl,      // that descriptor's null DACL cannot be set
};

// A small value type rather than std::error_code: an error category of our
// own would cost every process that loads the IPC library a dozen more
// symbols to bind at each load.
class NError {
public:
    NError() = default;  // no error
    NError(std::errc code)
        : m_eSource(NSource::System), m_nCode(static_cast<int>(code)) {}  // NOLINT
    NError(NObjectError code)
        : m_eSource(NSource::Object), m_nCode(static_cast<int>(code)) {}  // NOLINT
    // With the platform's own code of the failed call (a Win32 error code).
    NError(NObjectError code, uint32_t platformCode)
        : m_eSource(NSource::Object),
          m_nCode(static_cast<int>(code)),
          m_nPlatformCode(platformCode) {}

    // The system's error number (On Linux: errno).
    static NError FromErrno(int code) { return NError(static_cast<std::errc>(code)); }

    explicit operator bool() const { return m_eSource != NSource::None; }

    // An error number of the system rather than one of the objects' own.
    bool IsSystemError() const { return m_eSource == NSource::System; }

    // The platform's code when one was given, else 0. Not part of the
    // comparison: it tells more of the same reason.
    uint32_t PlatformCode() const { return m_nPlatformCode; }

    bool operator==(const NError& other) const {
        return m_eSource == other.m_eSource && m_nCode == other.m_nCode;
    }
    bool operator!=(const NError& other) const { return !(*this == other); }

    // For people: the system's text, or ours.
    std::string Message() const;

private:
    enum class NSource : uint8_t { None, System, Object };

    NSource m_eSource = NSource::None;
    int m_nCode = 0;
    uint32_t m_nPlatformCode = 0;
};

}  // namespace NOs
