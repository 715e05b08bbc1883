#pragma once
// The command line of q6ipc, read the GNU way: a command, then its operand
// and options in any order; "--option=value" or "--option value"; "--" ends
// the options; "-h"/"--help" and "-V"/"--version" anywhere before it win.

#include <cstdint>
#include <optional>
#include <string>

#include "os/named_event.h"

namespace NQ6Ipc {

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
    "  check [--mini] [--warning MS] [--critical MS]\n"
    "                             the same as a monitoring plugin: one line, exit\n"
    "                             0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN\n"
    "  watch [--mini] [--count N] [--timeout MS]\n"
    "                             print each record published from now on; end\n"
    "                             after N of them, or when MS ms pass without one\n"
    "  wait EVENT [--timeout MS]  wait for a named event\n"
    "  -h, --help                 print this text\n"
    "  -V, --version              print the version\n"
    "\n"
    "--mini reads the Mini edition's slot and event. An option's value follows\n"
    "it as --timeout=MS or --timeout MS.\n"
    "Exit status: 0 success (status: publishing); 1 no slot, record or event, an\n"
    "agent that is not publishing, or a wait that timed out; 2 a usage error;\n"
    "3 the reader cannot tell (status). check exits as monitoring expects.\n"
    "See q6ipc(1).\n";

// What follows a usage error's message.
constexpr char kTryHelp[] = "Try 'q6ipc --help'";

enum class NCommandKind { Tick, Get, Now, Status, Check, Watch, Wait, Help, Version };

struct NCommand {
    NCommandKind eKind = NCommandKind::Tick;
    uint32_t nSlot = 0;                        // get
    bool bRaw = false;                         // get
    bool bMini = false;                        // now, status, check, watch
    bool bKorea = false;                       // now
    bool bJson = false;                        // status
    uint32_t nCount = 0;                       // watch; 0: no end
    std::string strEvent;                      // wait
    uint32_t nTimeoutMs = NOs::kWaitInfinite;  // watch, wait
    std::optional<uint32_t> nWarningMs;        // check
    std::optional<uint32_t> nCriticalMs;       // check
};

// A command, or what is wrong with the command line (one line, without
// "q6ipc: "); eKind is the command as far as it was read.
struct NCommandLine {
    NCommand command;
    std::string strError;  // empty when the command line is sound
};

// A 32-bit number as strtoul reads it with base 0 (0x1F, 017, 31), with
// nothing before or after it: no sign, no white space.
std::optional<uint32_t> ParseNumber(const std::string& text, int base);

NCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace NQ6Ipc
