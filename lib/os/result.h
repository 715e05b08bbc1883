#pragma once
// The outcome of an operation that can fail: a value, or the reason why
// there is none.

#include <cassert>
#include <optional>
#include <utility>
#include <variant>

#include "os/object_error.h"

namespace NOs {

template <class T>
class [[nodiscard]] NResult {
public:
    NResult(T value) : m_value(std::move(value)) {}  // NOLINT: a value converts
    NResult(NError error) : m_error(error) {}        // NOLINT: so does a reason
    NResult(std::errc error) : m_error(error) {}     // NOLINT
    NResult(NObjectError error) : m_error(error) {}  // NOLINT

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

    // No error after a success.
    NError Error() const { return m_error; }

private:
    std::optional<T> m_value;
    NError m_error;
};

// The outcome of an operation that has no value: empty on success.
using NStatus = NResult<std::monostate>;

inline NStatus Ok() { return std::monostate(); }

}  // namespace NOs
