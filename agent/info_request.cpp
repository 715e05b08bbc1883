#include "agent/info_request.h"

#include "q6tsa_version.h"

namespace q6tsa {
namespace {

constexpr char kUsage[] =
    "usage: q6tsa MODE 5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38 \"YYYY-MM-DD hh:mm:ss\" TICK\n"
    "       q6tsa --help | --version\n"
    "The Tessaro 6 server time agent: publishes the server time, carried forward\n"
    "from DATE-TIME at TICK, every 30 seconds. It runs as root, started by its\n"
    "starter, and writes what it has to say only to its log.\n"
    "\n"
    "  MODE       MINI for the Mini edition; any other word for the normal one\n"
    "  DATE-TIME  the server's date and time (19 characters)\n"
    "  TICK       this machine's tick (ms since boot) at which DATE-TIME held;\n"
    "             q6ipc tick prints it\n"
    "\n"
    "See q6tsa(8).\n";

}  // namespace

std::optional<std::string> AnswerInfoRequest(const std::vector<std::string>& arguments) {
    if (arguments.size() != 1) {
        return std::nullopt;
    }
    if (arguments.front() == "--help") {
        return std::string(kUsage);
    }
    if (arguments.front() == "--version") {
        return std::string("q6tsa " Q6TSA_VERSION "\n");
    }
    return std::nullopt;
}

}  // namespace q6tsa
