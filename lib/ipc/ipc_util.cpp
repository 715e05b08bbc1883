#include "ipc/ipc_util.h"

#include <limits>

#include "log/log_front.h"

NIpcUtil::NIpcUtil(int32_t bMini) : m_bMini(bMini) {}

NIpcUtil::~NIpcUtil() = default;

bool NIpcUtil::GetBlockSize(uint32_t length, uint32_t* size) {
    const uint64_t bytes = 2 * static_cast<uint64_t>(length) + 2;
    if (bytes > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    *size = static_cast<uint32_t>(bytes);
    return true;
}

int32_t NIpcUtil::SetData(uint32_t id, const NString& text) {
    uint32_t size = 0;
    if (!GetBlockSize(text.GetLength(), &size)) {
        WriteLog(kLogError, u"NIpcUtil::SetData text too long. (%u code units)", text.GetLength());
        m_strLastFailure = u"the text does not fit a slot";
        return 0;
    }
    const int32_t result = m_ipc.SetData(id, text.GetText(), size);
    m_strLastFailure = m_ipc.GetLastFailure();
    return result;
}
