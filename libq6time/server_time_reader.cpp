#include "libq6time/server_time_reader.h"

#include <json/json.h>

#include <memory>

#include "base/text_convert.h"
#include "ipc/ipc_data_server_dt.h"
#include "os/tick_source.h"
#include "time/date_time_parse.h"
#include "time/tick_clock.h"
#include "time/time_text.h"

namespace NQ6Time {
namespace {

// A read whose stamp changed meanwhile is made again, this many times.
constexpr int kReadAttempts = 8;

bool IsDigits(const std::u16string& text) {
    return !text.empty() && text.find_first_not_of(u"0123456789") == std::u16string::npos;
}

bool ParseRecord(const std::string& recordText, QR6::TS::LIB::NIpcData_ServerDT& record) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    if (!reader->parse(recordText.data(), recordText.data() + recordText.size(), &value, &errors) ||
        !value.isObject()) {
        return false;
    }
    return record.Deserialize(value) != 0;
}

}  // namespace

NOs::NTextResult<NServerTimeAnchor> ReadAnchor(const std::string& recordText) {
    QR6::TS::LIB::NIpcData_ServerDT record;
    if (!ParseRecord(recordText, record)) {
        return NOs::NReason("the slot does not hold a server time record");
    }
    const std::u16string serverTime = record.ServerTime.GetText();
    if (NTime::ParseDateTime(serverTime) == NTime::kInvalidDateTime ||
        !IsDigits(record.AtGetTickCount.GetText())) {
        return NOs::NReason("the record holds no valid server time and tick");
    }
    // A clock whose tick never moves holds the pair as the record gives it.
    NTimeTick anchor([] { return uint64_t{0}; }, false);
    anchor.SetServerTime(serverTime.c_str(), record.AtGetTickCount.GetText(), 0);
    return NServerTimeAnchor{anchor.GetServerTime(), anchor.GetTick()};
}

NOs::NTextResult<std::string> ShowServerTime(uint64_t serverTime, bool toKorea) {
    NString text;
    if (NTime::FormatServerTime(serverTime, toKorea, NTime::kCodeDateTime, text) !=
        NTime::NFormatTimeResult::Ok) {
        return NOs::NReason(toKorea ? "the rule of Korea Standard Time cannot be read or applied"
                                    : "the server time cannot be shown");
    }
    return NUtf::ToUtf8(text.GetText());
}

NOs::NTextResult<uint64_t> NServerTimeReader::Now() {
    const NRecordStatus refreshed = Refresh();
    if (!refreshed) {
        return NOs::NReason(refreshed.Error().Message());
    }
    return NTimeTick::CarryForward(m_anchor.nServerTime, m_anchor.nTick, NOs::GetTickCount64());
}

NRecordStatus NServerTimeReader::Refresh() {
    const NOs::NTextResult<uint64_t> stamp = m_reader.Stamp(m_nSlot);
    return stamp && stamp.Value() == m_stamp ? NOs::Ok<NRecordError>() : Reload();
}

NRecordStatus NServerTimeReader::Reload() {
    m_stamp.reset();
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const NOs::NTextResult<uint64_t> before = m_reader.Stamp(m_nSlot);
        NRecordStatus read = ReadAnchorOnce();
        if (!read || !before) {
            return read;  // without a stamp the value read stands, unkept
        }
        // The value read belongs to the stamp only when no write came between.
        const NOs::NTextResult<uint64_t> after = m_reader.Stamp(m_nSlot);
        if (after && after.Value() == before.Value()) {
            m_stamp = before.Value();
            return read;
        }
    }
    return NOs::Ok<NRecordError>();  // the last value read stands, though it is not kept
}

NRecordStatus NServerTimeReader::ReadAnchorOnce() {
    const NOs::NTextResult<std::string> bytes = m_reader.Read(m_nSlot);
    if (!bytes) {
        return NRecordError(NRecordError::NKind::Missing, bytes.Error());
    }
    const NOs::NTextResult<NServerTimeAnchor> anchor = ReadAnchor(SlotTextToUtf8(bytes.Value()));
    if (!anchor) {
        return NRecordError(NRecordError::NKind::Invalid, anchor.Error());
    }
    m_anchor = anchor.Value();
    return NOs::Ok<NRecordError>();
}

}  // namespace NQ6Time
