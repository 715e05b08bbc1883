#pragma once
// The command line of q6ipc.

#include <cstdint>
#include <optional>
#include <string>

#include "os/named_event.h"

namespace NQ6Ipc {

// The usage line, printed on standard error after a usage error.
constexpr char kUsage[] =
    "usage: q6ipc tick | get SLOT [--raw] | now [--mini] [--korea] | status [--mini] [--json] | "
    "watch [--mini] [--count N] [--timeout MS] | wait EVENT [--timeout MS] | --help | --version";

// What --help prints.
constexpr char kHelp[] =
    "usage: q6ipc COMMAND [OPTION]...\n"
    "Reads what the q6tsa agent publishes, through the qxipcdll.dll beside q6ipc.\n"
    "\n"
    "  tick                       this machine's tick, in ms since boot\n"
    "  get SLOT [--raw]           a slot's text as UTF-8, or its raw bytes\n"
    "  now [--mini] [--korea]     the server time now: the record carried forward\n"
    "                             with this machine's tick; --korea in Korea\n"
    "                             Standard Time\n"
    "  status [--mini] [--json]   whether the agent is publishing: the record, its\n"
    "                             age, the server time now and a verdict; --json\n"
    "                             prints them as one JSON object\n"
    "  watch [--mini] [--count N] [--timeout MS]\n"
    "                             print each record published from now on; end\n"
    "                             after N of them, or when MS ms pass without one\n"
    "  wait EVENT [--timeout MS]  wait for a named event\n"
    "  --help                     print this text\n"
    "  --version                  print the version\n"
    "\n"
    "--mini reads the Mini edition's slot and event.\n"
    "Exit status: 0 success (status: publishing); 1 no slot, record or event, a\n"
    "stale record, or a wait that timed out; 2 a usage error.\n"
    "See q6ipc(1).\n";

enum class NCommandKind { Tick, Get, Now, Status, Watch, Wait, Help, Version };

struct NCommand {
    NCommandKind eKind = NCommandKind::Tick;
    uint32_t nSlot = 0;                        // get
    bool bRaw = false;                         // get
    bool bMini = false;                        // now, status, watch
    bool bKorea = false;                       // now
    bool bJson = false;                        // status
    uint32_t nCount = 0;                       // watch; 0: no end
    std::string strEvent;                      // wait
    uint32_t nTimeoutMs = NOs::kWaitInfinite;  // watch, wait
};

// A 32-bit number as strtoul reads it with base 0 (0x1F, 017, 31), with
// nothing before or after it: no sign, no white space.
std::optional<uint32_t> ParseNumber(const std::string& text, int base);

// Nothing for a usage error.
std::optional<NCommand> ParseCommandLine(int argc, const char* const* argv);

}  // namespace NQ6Ipc
