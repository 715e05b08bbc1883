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

std::optional<NServerTimeAnchor> ReadAnchor(const std::string& recordText, std::string& error) {
    QR6::TS::LIB::NIpcData_ServerDT record;
    if (!ParseRecord(recordText, record)) {
        error = "the slot does not hold a server time record";
        return std::nullopt;
    }
    const std::u16string serverTime = record.ServerTime.GetText();
    if (NTime::ParseDateTime(serverTime) == NTime::kInvalidDateTime ||
        !IsDigits(record.AtGetTickCount.GetText())) {
        error = "the record holds no valid server time and tick";
        return std::nullopt;
    }
    // A clock whose tick never moves holds the pair as the record gives it.
    NTimeTick anchor([] { return uint64_t{0}; }, false);
    anchor.SetServerTime(serverTime.c_str(), record.AtGetTickCount.GetText(), 0);
    return NServerTimeAnchor{anchor.GetServerTime(), anchor.GetTick()};
}

std::optional<std::string> ShowServerTime(uint64_t serverTime, bool toKorea, std::string& error) {
    NString text;
    if (NTime::FormatServerTime(serverTime, toKorea, NTime::kCodeDateTime, text) !=
        NTime::NFormatTimeResult::Ok) {
        error = toKorea ? "the rule of Korea Standard Time cannot be read or applied"
                        : "the server time cannot be shown";
        return std::nullopt;
    }
    return NUtf::ToUtf8(text.GetText());
}

std::optional<uint64_t> NServerTimeReader::Now(std::string& error) {
    if (Refresh(error) != NRecordState::Read) {
        return std::nullopt;
    }
    return NTimeTick::CarryForward(m_anchor.nServerTime, m_anchor.nTick, NOs::GetTickCount64());
}

NRecordState NServerTimeReader::Refresh(std::string& error) {
    const std::optional<uint64_t> stamp = m_reader.Stamp(m_nSlot);
    return stamp && stamp == m_stamp ? NRecordState::Read : Reload(error);
}

NRecordState NServerTimeReader::Reload(std::string& error) {
    m_stamp.reset();
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const std::optional<uint64_t> before = m_reader.Stamp(m_nSlot);
        if (const NRecordState state = ReadAnchorOnce(error); state != NRecordState::Read) {
            return state;
        }
        // The value read belongs to the stamp only when no write came between.
        if (!before || before == m_reader.Stamp(m_nSlot)) {
            m_stamp = before;
            return NRecordState::Read;
        }
    }
    return NRecordState::Read;  // the last value read stands, though it is not kept
}

NRecordState NServerTimeReader::ReadAnchorOnce(std::string& error) {
    const std::optional<std::string> bytes = m_reader.Read(m_nSlot);
    if (!bytes) {
        error = m_reader.GetError();
        return NRecordState::Missing;
    }
    const std::optional<NServerTimeAnchor> anchor = ReadAnchor(SlotTextToUtf8(*bytes), error);
    if (!anchor) {
        return NRecordState::Invalid;
    }
    m_anchor = *anchor;
    return NRecordState::Read;
}

}  // namespace NQ6Time
