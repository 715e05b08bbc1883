#include "os/linux/watched_variable.h"

extern char** environ;

namespace NOs {
namespace {

// Looks kept; beyond that each use looks the environment up anew.
constexpr size_t kMaxLooks = 4096;

}  // namespace

// setenv, putenv and unsetenv of the C library each put another pointer
// where an entry stood or change which entry ends the array, and a pointer
// that comes back (the C library keeps every value it made) comes back with
// its value: a look still holds while these pointers are as it saw them.
struct NWatchedVariable::NLook {
    char** pEnvironment;
    size_t nIndex;         // of the variable's entry, or of the end when none
    const char* pszEntry;  // "NAME=..."; null when none
    const char* pszLast;   // the entry before the end, when there is none
    const std::string* pValue;

    bool StillHolds() const {
        char** environment = environ;
        if (environment != pEnvironment || environment == nullptr) {
            return false;
        }
        if (pszEntry != nullptr) {
            return environment[nIndex] == pszEntry;
        }
        return environment[nIndex] == nullptr &&
               (nIndex == 0 || environment[nIndex - 1] == pszLast);
    }

    static NLook Scan(std::string_view prefix) {
        NLook look{environ, 0, nullptr, nullptr, nullptr};
        for (char** entry = look.pEnvironment; entry != nullptr && *entry != nullptr; ++entry) {
            look.nIndex = static_cast<size_t>(entry - look.pEnvironment);
            if (std::string_view(*entry).substr(0, prefix.size()) == prefix) {
                look.pszEntry = *entry;
                return look;
            }
            look.pszLast = *entry;
            ++look.nIndex;
        }
        return look;
    }
};

NWatchedVariable::NWatchedVariable(std::string_view name, bool (*isValid)(std::string_view))
    : m_strPrefix(std::string(name) + "="), m_fnIsValid(isValid) {}

NWatchedVariable::~NWatchedVariable() = default;

const std::string* NWatchedVariable::Now() {
    const NLook* last = m_pLast.load(std::memory_order_acquire);
    return last != nullptr && last->StillHolds() ? last->pValue : Look();
}

const std::string* NWatchedVariable::Look() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    NLook look = NLook::Scan(m_strPrefix);
    const std::string_view value = look.pszEntry != nullptr
                                       ? std::string_view(look.pszEntry).substr(m_strPrefix.size())
                                       : std::string_view();
    look.pValue = m_fnIsValid(value) ? Intern(value) : nullptr;
    if (look.pValue != nullptr && m_vecLooks.size() < kMaxLooks) {
        m_vecLooks.push_back(std::make_unique<NLook>(look));
        m_pLast.store(m_vecLooks.back().get(), std::memory_order_release);
    }
    return look.pValue;
}

const std::string* NWatchedVariable::Intern(std::string_view value) {
    for (const auto& known : m_vecValues) {
        if (*known == value) {
            return known.get();
        }
    }
    if (m_vecValues.size() == kMaxValues) {
        return nullptr;
    }
    m_vecValues.push_back(std::make_unique<std::string>(value));
    return m_vecValues.back().get();
}

}  // namespace NOs
