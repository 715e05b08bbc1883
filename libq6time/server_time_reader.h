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

#include "libq6time/slot_reader.h"

namespace NQ6Time {

// A record's server time and the tick at which it held.
struct NServerTimeAnchor {
    uint64_t nServerTime;  // 100-nanosecond units since 1601-01-01 00:00:00
    uint64_t nTick;
};

// The anchor of a record's JSON text; nothing, with the reason in error, for
// a text that does not hold a server time and tick.
std::optional<NServerTimeAnchor> ReadAnchor(const std::string& recordText, std::string& error);

// The server time (100-nanosecond units since 1601) as YYYY-MM-DD hh:mm:ss,
// in Korea Standard Time when toKorea; nothing, with the reason in error, when
// it cannot be shown.
std::optional<std::string> ShowServerTime(uint64_t serverTime, bool toKorea, std::string& error);

// What a look at the slot found.
enum class NRecordState { Read, Missing, Invalid };

class NServerTimeReader {
public:
    // Reads through the qxipcdll.dll at libraryPath (see slot_reader.h).
    explicit NServerTimeReader(uint32_t slot,
                               const std::string& libraryPath = IpcLibraryBesideExecutable())
        : m_reader(libraryPath), m_nSlot(slot) {}

    // The server time now (100-nanosecond units since 1601); nothing, with
    // the reason in error, when the slot or its record cannot be read.
    std::optional<uint64_t> Now(std::string& error);

    // Brings Anchor up to the slot's record: kept while the stamp says that
    // the value is unchanged, else read anew. Read when Anchor holds it;
    // else the reason is in error.
    NRecordState Refresh(std::string& error);
    const NServerTimeAnchor& Anchor() const { return m_anchor; }
    // The stamp of the value that Anchor came from; nothing when it is not
    // known (no stamps, or writes kept coming while it was read).
    std::optional<uint64_t> AnchorStamp() const { return m_stamp; }

    const NSlotReader& Slots() const { return m_reader; }
    NSlotReader& Slots() { return m_reader; }

private:
    // Reads and parses the record, and the stamp it belongs to.
    NRecordState Reload(std::string& error);
    NRecordState ReadAnchorOnce(std::string& error);

    NSlotReader m_reader;
    uint32_t m_nSlot;
    std::optional<uint64_t> m_stamp;  // of the record that m_anchor comes from
    NServerTimeAnchor m_anchor{};
};

}  // namespace NQ6Time
