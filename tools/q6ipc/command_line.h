#pragma once
// The command line of q6ipc.

#include <cstdint>
#include <optional>
#include <string>

#include "os/named_event.h"

namespace NQ6Ipc {

constexpr char kUsage[] =
    "usage: q6ipc tick | get SLOT [--raw] | now [--mini] [--korea] | watch [--mini] | "
    "wait EVENT [--timeout MS]";

enum class NCommandKind { Tick, Get, Now, Watch, Wait };

struct NCommand {
    NCommandKind eKind = NCommandKind::Tick;
    uint32_t nSlot = 0;                        // get
    bool bRaw = false;                         // get
    bool bMini = false;                        // now, watch
    bool bKorea = false;                       // now
    std::string strEvent;                      // wait
    uint32_t nTimeoutMs = NOs::kWaitInfinite;  // wait
};

// A 32-bit number as strtoul reads it with base 0 (0x1F, 017, 31), with
// nothing before or after it: no sign, no white space.
std::optional<uint32_t> ParseNumber(const std::string& text, int base);

// Nothing for a usage error.
std::optional<NCommand> ParseCommandLine(int argc, const char* const* argv);

}  // namespace NQ6Ipc
