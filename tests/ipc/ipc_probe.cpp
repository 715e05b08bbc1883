// Drives the IPC loader and utility object from the folder it was copied to,
// as the agent does, and prints what happened:
//
//   ipc_probe loader [ID HEXBYTES]...  one loader, one write per pair
//   ipc_probe util ID TEXT             one utility object, one write of TEXT
//   ipc_probe driver                   LoadDriver, FixDriverConfig, LoadDriverEx
//
// Output, one item a line: "mapped 0|1" after construction, "result N" per
// call, "mapped 0|1" after destruction, then "log [PRIORITY] message" for each
// log line. Exit code 2 on a usage error.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/text_convert.h"
#include "ipc/ipc_drv_loader.h"
#include "ipc/ipc_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/process_maps.h"

namespace {

void PrintMapped() { std::printf("mapped %d\n", IsFileMapped("/qxipcdll.dll") ? 1 : 0); }

void PrintResult(int32_t result) { std::printf("result %d\n", static_cast<int>(result)); }

uint32_t ParseId(const char* text) { return static_cast<uint32_t>(std::strtoul(text, nullptr, 0)); }

std::vector<unsigned char> ParseHex(const std::string& text) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

void RunLoader(const std::vector<std::string>& pairs) {
    {
        NIpcDrvLoader loader;
        PrintMapped();
        for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
            const std::vector<unsigned char> data = ParseHex(pairs[i + 1]);
            PrintResult(loader.SetData(ParseId(pairs[i].c_str()), data.data(),
                                       static_cast<uint32_t>(data.size())));
        }
    }
    PrintMapped();
}

void RunUtil(const char* id, const char* text) {
    {
        NIpcUtil util(0);
        PrintMapped();
        PrintResult(util.SetData(ParseId(id), NUtf::ToUtf16(text).c_str()));
    }
    PrintMapped();
}

void RunDriver() {
    {
        NIpcDrvLoader loader;
        PrintMapped();
        PrintResult(loader.LoadDriver());
        PrintResult(loader.FixDriverConfig());
        PrintResult(loader.LoadDriverEx());
    }
    PrintMapped();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    NLogCapture log;
    if (!args.empty() && args[0] == "loader" && args.size() % 2 == 1) {
        RunLoader(std::vector<std::string>(args.begin() + 1, args.end()));
    } else if (args.size() == 3 && args[0] == "util") {
        RunUtil(args[1].c_str(), args[2].c_str());
    } else if (args.size() == 1 && args[0] == "driver") {
        RunDriver();
    } else {
        std::fprintf(stderr, "usage: ipc_probe loader [ID HEX]... | util ID TEXT | driver\n");
        return 2;
    }
    for (const std::string& line : log.TakeLines()) {
        std::printf("log %s\n", line.c_str());
    }
    return 0;
}
