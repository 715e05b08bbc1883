#include "tools/q6ipc/command_line.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>
#include <vector>

namespace NQ6Ipc {
namespace {

// A long option: its name, and how it sets its value into the command
// (nothing for a flag); false for a value it cannot take.
struct NOption {
    const char* pszName;
    std::function<bool(const std::string& value, NCommand& command)> fnSetValue;
    std::function<void(NCommand& command)> fnSetFlag;
};

bool SetNumber(const std::string& value, uint32_t& target) {
    const std::optional<uint32_t> number = ParseNumber(value, 10);
    target = number.value_or(0);
    return number.has_value();
}

bool SetOptionalNumber(const std::string& value, std::optional<uint32_t>& target) {
    target = ParseNumber(value, 10);
    return target.has_value();
}

const std::vector<NOption>& Options() {
    static const std::vector<NOption> options = {
        {"--raw", nullptr, [](NCommand& c) { c.bRaw = true; }},
        {"--mini", nullptr, [](NCommand& c) { c.bMini = true; }},
        {"--korea", nullptr, [](NCommand& c) { c.bKorea = true; }},
        {"--json", nullptr, [](NCommand& c) { c.bJson = true; }},
        {"--count",
         [](const std::string& v, NCommand& c) { return SetNumber(v, c.nCount) && c.nCount > 0; },
         nullptr},
        {"--timeout", [](const std::string& v, NCommand& c) { return SetNumber(v, c.nTimeoutMs); },
         nullptr},
        {"--warning",
         [](const std::string& v, NCommand& c) { return SetOptionalNumber(v, c.nWarningMs); },
         nullptr},
        {"--critical",
         [](const std::string& v, NCommand& c) { return SetOptionalNumber(v, c.nCriticalMs); },
         nullptr},
    };
    return options;
}

// What one command accepts: its operand (none when empty) and its options.
struct NSyntax {
    const char* pszName;
    NCommandKind eKind;
    const char* pszOperand;
    std::vector<std::string> options;
};

const std::vector<NSyntax>& Syntaxes() {
    static const std::vector<NSyntax> syntaxes = {
        {"tick", NCommandKind::Tick, "", {}},
        {"get", NCommandKind::Get, "SLOT", {"--raw"}},
        {"now", NCommandKind::Now, "", {"--mini", "--korea"}},
        {"status", NCommandKind::Status, "", {"--mini", "--json"}},
        {"check", NCommandKind::Check, "", {"--mini", "--warning", "--critical"}},
        {"watch", NCommandKind::Watch, "", {"--mini", "--count", "--timeout"}},
        {"wait", NCommandKind::Wait, "EVENT", {"--timeout"}},
    };
    return syntaxes;
}

template <class Entry>
const Entry* FindByName(const std::vector<Entry>& entries, const std::string& name) {
    for (const Entry& entry : entries) {
        if (name == entry.pszName) {
            return &entry;
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

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The words after the program's name, taken one by one.
class NWords {
public:
    NWords(int argc, const char* const* argv) : m_words(argv + 1, argv + argc) {}

    bool AtEnd() const { return m_nIndex >= m_words.size(); }
    const std::string& Next() { return m_words[m_nIndex++]; }

    // -h/--help or -V/--version before any "--": the first of them.
    std::optional<NCommandKind> Question() const {
        for (const std::string& word : m_words) {
            if (word == "--") {
                break;
            }
            if (word == "-h" || word == "--help") {
                return NCommandKind::Help;
            }
            if (word == "-V" || word == "--version") {
                return NCommandKind::Version;
            }
        }
        return std::nullopt;
    }

private:
    std::vector<std::string> m_words;
    size_t m_nIndex = 0;
};

// What an option that nothing accepts is called.
std::string UnknownOptionError(const std::string& word) {
    return word.rfind("--", 0) == 0 ? "unrecognized option " + Quoted(word)
                                    : "invalid option -- " + Quoted(word.substr(1, 1));
}

// Reads the words after a command's name into command; the error when one
// is wrong.
class NCommandReader {
public:
    NCommandReader(const NSyntax& syntax, NWords& words, NCommand& command)
        : m_syntax(syntax), m_words(words), m_command(command) {}

    std::string Read() {
        bool optionsEnded = false;
        while (!m_words.AtEnd()) {
            const std::string& word = m_words.Next();
            std::string error;
            if (!optionsEnded && word == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && word.rfind("--", 0) == 0) {
                error = ReadLongOption(word);
            } else if (!optionsEnded && word.size() > 1 && word.front() == '-') {
                error = UnknownOptionError(word);
            } else {
                error = ReadOperand(word);
            }
            if (!error.empty()) {
                return error;
            }
        }
        if (*m_syntax.pszOperand != '\0' && !m_bHasOperand) {
            return std::string("missing ") + m_syntax.pszOperand + " for " + m_syntax.pszName;
        }
        if (m_command.nWarningMs && m_command.nCriticalMs &&
            *m_command.nWarningMs > *m_command.nCriticalMs) {
            return "--warning " + std::to_string(*m_command.nWarningMs) + " exceeds --critical " +
                   std::to_string(*m_command.nCriticalMs);
        }
        return "";
    }

private:
    std::string ReadLongOption(const std::string& word) {
        const size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const NOption* option = FindByName(Options(), name);
        if (option == nullptr) {
            return UnknownOptionError(word);
        }
        if (!Accepts(m_syntax, name)) {
            return "option " + Quoted(name) + " does not go with " + m_syntax.pszName;
        }
        if (option->fnSetFlag) {
            if (equals != std::string::npos) {
                return "option " + Quoted(name) + " doesn't allow an argument";
            }
            option->fnSetFlag(m_command);
            return "";
        }
        if (equals == std::string::npos && m_words.AtEnd()) {
            return "option " + Quoted(name) + " requires an argument";
        }
        const std::string value =
            equals == std::string::npos ? m_words.Next() : word.substr(equals + 1);
        if (!option->fnSetValue(value, m_command)) {
            return "invalid argument " + Quoted(value) + " for " + Quoted(name);
        }
        return "";
    }

    std::string ReadOperand(const std::string& word) {
        if (*m_syntax.pszOperand == '\0' || m_bHasOperand) {
            return "extra operand " + Quoted(word);
        }
        m_bHasOperand = true;
        if (m_command.eKind == NCommandKind::Get) {
            const std::optional<uint32_t> slot = ParseNumber(word, 0);
            m_command.nSlot = slot.value_or(0);
            return slot
                       ? ""
                       : "invalid SLOT " + Quoted(word) + " (a 32-bit number: 0x30000259, 017, 31)";
        }
        m_command.strEvent = word;
        return word.empty() ? "the EVENT name is empty" : "";
    }

    const NSyntax& m_syntax;
    NWords& m_words;
    NCommand& m_command;
    bool m_bHasOperand = false;
};

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

NCommandLine ParseCommandLine(int argc, const char* const* argv) {
    NCommandLine line;
    NWords words(argc, argv);
    if (const std::optional<NCommandKind> question = words.Question()) {
        line.command.eKind = *question;
        return line;
    }
    if (words.AtEnd()) {
        line.strError = "missing command";
        return line;
    }
    const std::string& name = words.Next();
    const NSyntax* syntax = FindByName(Syntaxes(), name);
    if (syntax == nullptr) {
        line.strError = name.size() > 1 && name.front() == '-' ? UnknownOptionError(name)
                                                               : "unknown command " + Quoted(name);
        return line;
    }
    line.command.eKind = syntax->eKind;
    line.strError = NCommandReader(*syntax, words, line.command).Read();
    return line;
}

}  // namespace NQ6Ipc
