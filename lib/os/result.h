#pragma once
// The outcome of an operation that can fail: a value, or the reason why
// there is none. The reason is an NError below the callers that compose
// their own words, an NReason above them.

#include <cassert>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "os/object_error.h"

namespace NOs {

// A reason in words, for callers that tell people what went wrong.
class NReason {
public:
    NReason() = default;  // no reason
    explicit NReason(std::string text) : m_strText(std::move(text)) {}

    const std::string& Message() const { return m_strText; }

private:
    std::string m_strText;
};

template <class T, class E = NError>
class [[nodiscard]] NResult {
public:
    NResult(T value) : m_value(std::move(value)) {}  // NOLINT: a value converts
    NResult(E error) : m_error(std::move(error)) {}  // NOLINT: so does a reason
    // What converts to the reason (std::errc and NObjectError to an NError).
    template <class F, class = std::enable_if_t<std::is_convertible_v<F, E> &&
                                                !std::is_same_v<std::decay_t<F>, E> &&
                                                !std::is_convertible_v<F, T>>>
    NResult(F error) : m_error(std::move(error)) {}  // NOLINT

    explicit operator bool() const { return m_value.has_value(); }

    // Only after a success: a debug build stops on a failure's value.
    T& Value() {
        assert(m_value.has_value());
        return *m_value;
    }
    const T& Value() const {
        assert(m_value.has_value());
        return *m_value;
    }
    T Take() {
        assert(m_value.has_value());
        return std::move(*m_value);
    }
    // The value, or fallback after a failure.
    T ValueOr(T fallback) const { return m_value.value_or(std::move(fallback)); }

    // No reason after a success.
    const E& Error() const { return m_error; }

    // A success with that value.
    bool operator==(const T& value) const { return m_value.has_value() && *m_value == value; }
    bool operator!=(const T& value) const { return !(*this == value); }

private:
    std::optional<T> m_value;
    E m_error;
};

// The outcome of an operation that has no value: empty on success.
using NStatus = NResult<std::monostate>;

// The same with a reason in words.
template <class T>
using NTextResult = NResult<T, NReason>;
using NTextStatus = NTextResult<std::monostate>;

// Success: Ok() for an NStatus, Ok<NReason>() for an NTextStatus.
template <class E = NError>
NResult<std::monostate, E> Ok() {
    return std::monostate();
}

}  // namespace NOs
