#pragma once
// The one owner of a handle of the operating system: a descriptor, a kernel
// handle, a registry key. Traits say what the handle is and how it closes:
//   using Handle = ...;
//   static Handle None();              the value that owns nothing
//   static bool IsValid(Handle);       whether a value needs closing
//   static void Close(Handle);         closes a valid one

#include <utility>

namespace NOs {

template <class Traits>
class NScopedHandle {
public:
    using Handle = typename Traits::Handle;

    NScopedHandle() = default;
    explicit NScopedHandle(Handle handle) : m_hHandle(handle) {}
    ~NScopedHandle() { Reset(); }
    NScopedHandle(NScopedHandle&& other) noexcept : m_hHandle(other.Release()) {}
    NScopedHandle& operator=(NScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    NScopedHandle(const NScopedHandle&) = delete;
    NScopedHandle& operator=(const NScopedHandle&) = delete;

    bool IsValid() const { return Traits::IsValid(m_hHandle); }
    Handle Get() const { return m_hHandle; }

    // Gives the handle up without closing it.
    Handle Release() { return std::exchange(m_hHandle, Traits::None()); }

    // Closes the handle held, if any, and takes handle.
    void Reset(Handle handle = Traits::None()) {
        const Handle old = std::exchange(m_hHandle, handle);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }

private:
    Handle m_hHandle = Traits::None();
};

}  // namespace NOs
