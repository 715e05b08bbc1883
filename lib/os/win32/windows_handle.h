#pragma once

// Owner of one kernel handle, closed with CloseHandle.

#include <windows.h>

#include <utility>

namespace NOs {

class NWindowsHandle {
public:
    NWindowsHandle() = default;
    // Takes handle; null and INVALID_HANDLE_VALUE both stand for none.
    explicit NWindowsHandle(HANDLE handle)
        : m_hHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~NWindowsHandle() { Reset(); }
    NWindowsHandle(NWindowsHandle&& other) noexcept
        : m_hHandle(std::exchange(other.m_hHandle, nullptr)) {}
    NWindowsHandle& operator=(NWindowsHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_hHandle = std::exchange(other.m_hHandle, nullptr);
        }
        return *this;
    }
    NWindowsHandle(const NWindowsHandle&) = delete;
    NWindowsHandle& operator=(const NWindowsHandle&) = delete;

    bool IsValid() const { return m_hHandle != nullptr; }
    HANDLE Get() const { return m_hHandle; }

private:
    void Reset() {
        if (m_hHandle != nullptr) {
            ::CloseHandle(m_hHandle);
            m_hHandle = nullptr;
        }
    }

    HANDLE m_hHandle = nullptr;
};

}  // namespace NOs
