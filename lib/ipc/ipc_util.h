#pragma once
// NIpcUtil: puts texts into the suite's IPC data slots. Its loader holds the
// IPC driver library for as long as the object lives.

#include <cstdint>
#include <string>

#include "base/nstring.h"
#include "ipc/ipc_drv_loader.h"

class NIpcUtil {
public:
    // bMini: non-zero for the Mini edition.
    explicit NIpcUtil(int32_t bMini);
    virtual ~NIpcUtil();
    NIpcUtil(const NIpcUtil&) = delete;
    NIpcUtil& operator=(const NIpcUtil&) = delete;

    // Writes the text's UTF-16 code units and one zero code unit into slot
    // id. The loader's result: non-zero for success, 0 for failure.
    int32_t SetData(uint32_t id, const NString& text);

    // Why the last SetData failed, for the log; empty after a success.
    const std::u16string& GetLastFailure() const { return m_strLastFailure; }

    // Bytes of the block for a text of length code units: 2 x length + 2.
    // False when the block would not fit a 32-bit size.
    static bool GetBlockSize(uint32_t length, uint32_t* size);

private:
    NIpcDrvLoader m_ipc;
    std::u16string m_strLastFailure;
    // The edition this object was made for; no operation depends on it.
    [[maybe_unused]] int32_t m_bMini;
};
