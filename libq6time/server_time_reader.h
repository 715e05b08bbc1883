#pragma once
// The current server time from the agent's record, carried forward with this
// machine's tick, for readers that ask again and again.
//
// While the slot's stamp (fnGetDataStamp) says that its value is unchanged,
// the record is not read or parsed again: a call is one consistent read of
// the stamp, one tick and one addition. A library without stamps is read on
// every call.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "libq6time/slot_reader.h"
#include "os/result.h"

namespace NQ6Time {

// A record's server time and the tick at which it held.
struct NServerTimeAnchor {
    uint64_t nServerTime;  // 100-nanosecond units since 1601-01-01 00:00:00
    uint64_t nTick;
};

// The anchor of a record's JSON text, or why the text does not hold a server
// time and tick.
NOs::NTextResult<NServerTimeAnchor> ReadAnchor(const std::string& recordText);

// The server time (100-nanosecond units since 1601) as YYYY-MM-DD hh:mm:ss,
// in Korea Standard Time when toKorea, or why it cannot be shown.
NOs::NTextResult<std::string> ShowServerTime(uint64_t serverTime, bool toKorea);

// Why a look at the slot found no record: none to read (Missing), or one
// that holds no server time and tick (Invalid).
class NRecordError {
public:
    enum class NKind { Missing, Invalid };

    NRecordError() = default;  // no error
    NRecordError(NKind kind, NOs::NReason reason) : m_eKind(kind), m_reason(std::move(reason)) {}

    NKind Kind() const { return m_eKind; }
    const std::string& Message() const { return m_reason.Message(); }

private:
    NKind m_eKind = NKind::Missing;
    NOs::NReason m_reason;
};

using NRecordStatus = NOs::NResult<std::monostate, NRecordError>;

class NServerTimeReader {
public:
    // Reads through the qxipcdll.dll at libraryPath (see slot_reader.h).
    explicit NServerTimeReader(uint32_t slot,
                               const std::string& libraryPath = IpcLibraryBesideExecutable())
        : m_reader(libraryPath), m_nSlot(slot) {}

    // The server time now (100-nanosecond units since 1601), or why the slot
    // or its record cannot be read.
    NOs::NTextResult<uint64_t> Now();

    // Brings Anchor up to the slot's record: kept while the stamp says that
    // the value is unchanged, else read anew. Success when Anchor holds it.
    NRecordStatus Refresh();
    const NServerTimeAnchor& Anchor() const { return m_anchor; }
    // The stamp of the value that Anchor came from; nothing when it is not
    // known (no stamps, or writes kept coming while it was read).
    std::optional<uint64_t> AnchorStamp() const { return m_stamp; }

    const NSlotReader& Slots() const { return m_reader; }

private:
    // Reads and parses the record, and the stamp it belongs to.
    NRecordStatus Reload();
    NRecordStatus ReadAnchorOnce();

    NSlotReader m_reader;
    uint32_t m_nSlot;
    std::optional<uint64_t> m_stamp;  // of the record that m_anchor comes from
    NServerTimeAnchor m_anchor{};
};

}  // namespace NQ6Time
