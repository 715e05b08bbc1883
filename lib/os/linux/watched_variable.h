#pragma once
// An environment variable that a caller reads again and again, at the cost
// of a few loads while the environment stays as it was: the value is looked
// up anew only after the environment changed.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace NOs {

class NWatchedVariable {
public:
    // Hands out only the values that isValid accepts ("" stands for unset).
    NWatchedVariable(std::string_view name, bool (*isValid)(std::string_view value));
    ~NWatchedVariable();
    NWatchedVariable(const NWatchedVariable&) = delete;
    NWatchedVariable& operator=(const NWatchedVariable&) = delete;

    // The value now, kept for the object's life and the same object for the
    // same value, so that callers may tell values apart by address; null
    // when it is invalid or more distinct values than kMaxValues were seen.
    const std::string* Now();

    static constexpr size_t kMaxValues = 64;

private:
    struct NLook;  // what one look at the environment found

    const std::string* Look();
    const std::string* Intern(std::string_view value);

    const std::string m_strPrefix;  // "NAME="
    bool (*const m_fnIsValid)(std::string_view);
    std::mutex m_mutex;  // guards the vectors
    std::vector<std::unique_ptr<std::string>> m_vecValues;
    // Every look kept, for a caller that may still read it.
    std::vector<std::unique_ptr<NLook>> m_vecLooks;
    std::atomic<const NLook*> m_pLast{nullptr};
};

}  // namespace NOs
