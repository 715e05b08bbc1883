#include "tools/q6ipc/command_line.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <vector>

namespace NQ6Ipc {
namespace {

// What one command accepts: how many words, and which options.
struct NSyntax {
    const char* pszName;
    NCommandKind eKind;
    bool bTakesWord;
    std::vector<std::string> options;
};

const std::vector<NSyntax>& Syntaxes() {
    static const std::vector<NSyntax> syntaxes = {
        {"tick", NCommandKind::Tick, false, {}},
        {"get", NCommandKind::Get, true, {"--raw"}},
        {"now", NCommandKind::Now, false, {"--mini", "--korea"}},
        {"status", NCommandKind::Status, false, {"--mini", "--json"}},
        {"watch", NCommandKind::Watch, false, {"--mini", "--count", "--timeout"}},
        {"wait", NCommandKind::Wait, true, {"--timeout"}},
        {"--help", NCommandKind::Help, false, {}},
        {"--version", NCommandKind::Version, false, {}},
    };
    return syntaxes;
}

const NSyntax* FindSyntax(const std::string& name) {
    for (const NSyntax& syntax : Syntaxes()) {
        if (name == syntax.pszName) {
            return &syntax;
        }
    }
    return nullptr;
}

bool Accepts(const NSyntax& syntax, const std::string& option) {
    for (const std::string& known : syntax.options) {
        if (option == known) {
            return true;
        }
    }
    return false;
}

// The decimal number that follows the option at argv[index], consumed.
std::optional<uint32_t> TakeNumber(int argc, const char* const* argv, int& index) {
    if (++index >= argc) {
        return std::nullopt;
    }
    return ParseNumber(argv[index], 10);
}

// Applies the option at argv[index], consuming its value when it takes one.
bool ApplyOption(const std::string& option, int argc, const char* const* argv, int& index,
                 NCommand& command) {
    if (option == "--raw") {
        command.bRaw = true;
    } else if (option == "--mini") {
        command.bMini = true;
    } else if (option == "--korea") {
        command.bKorea = true;
    } else if (option == "--json") {
        command.bJson = true;
    } else if (option == "--timeout") {
        const std::optional<uint32_t> timeout = TakeNumber(argc, argv, index);
        command.nTimeoutMs = timeout.value_or(0);
        return timeout.has_value();
    } else if (option == "--count") {
        command.nCount = TakeNumber(argc, argv, index).value_or(0);
        return command.nCount > 0;
    }
    return true;
}

bool ApplyWord(const std::string& word, NCommand& command) {
    if (command.eKind == NCommandKind::Get) {
        const std::optional<uint32_t> slot = ParseNumber(word, 0);
        command.nSlot = slot.value_or(0);
        return slot.has_value();
    }
    command.strEvent = word;
    return !word.empty();
}

}  // namespace

std::optional<uint32_t> ParseNumber(const std::string& text, int base) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text.front())) == 0) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || value > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::optional<NCommand> ParseCommandLine(int argc, const char* const* argv) {
    const NSyntax* syntax = argc >= 2 ? FindSyntax(argv[1]) : nullptr;
    if (syntax == nullptr) {
        return std::nullopt;
    }
    NCommand command;
    command.eKind = syntax->eKind;
    bool hasWord = false;
    for (int index = 2; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument.rfind("--", 0) == 0) {
            if (!Accepts(*syntax, argument) || !ApplyOption(argument, argc, argv, index, command)) {
                return std::nullopt;
            }
        } else if (!syntax->bTakesWord || hasWord || !ApplyWord(argument, command)) {
            return std::nullopt;
        } else {
            hasWord = true;
        }
    }
    if (syntax->bTakesWord && !hasWord) {
        return std::nullopt;
    }
    return command;
}

}  // namespace NQ6Ipc
