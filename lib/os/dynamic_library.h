#pragma once
// Owner of one shared object loaded at run time.

#include <string>
#include <utility>

#include "os/result.h"
#include "os/scoped_handle.h"

namespace NOs {

// Why a shared object could not be loaded, in words, and whether for want
// of the system's resources (open files, memory) rather than because of its
// file.
class NLibraryError : public NReason {
public:
    NLibraryError() = default;
    explicit NLibraryError(std::string text, bool outOfResources = false)
        : NReason(std::move(text)), m_bOutOfResources(outOfResources) {}

    bool IsOutOfResources() const { return m_bOutOfResources; }

private:
    bool m_bOutOfResources = false;
};

using NLibraryStatus = NResult<std::monostate, NLibraryError>;

// A loaded object as the platform's loader knows it; Close is the platform's.
struct NLibraryTraits {
    using Handle = void*;
    static void* None() { return nullptr; }
    static bool IsValid(void* handle) { return handle != nullptr; }
    static void Close(void* handle);
};

class NDynamicLibrary {
public:
    // Releases the object held before, then loads the one at path (absolute,
    // UTF-8) with every symbol resolved at once and none made visible to other
    // objects. On Linux the file must also lie at the end of a trusted path
    // and be a whole shared object (linux/trusted_path.h, linux/whole_object.h).
    NLibraryStatus Open(const std::string& path);

    // Releases the object; does nothing when none is held.
    void Close() { m_handle.Reset(); }

    bool IsOpen() const { return m_handle.IsValid(); }

    // Address of the exported symbol, or why there is none: the symbol is
    // missing or nothing is loaded.
    NTextResult<void*> FindSymbol(const char* name) const;

    // The same address as a function pointer of type Fn.
    template <class Fn>
    NTextResult<Fn> FindFunction(const char* name) const {
        const NTextResult<void*> symbol = FindSymbol(name);
        if (!symbol) {
            return symbol.Error();
        }
        return reinterpret_cast<Fn>(symbol.Value());
    }

private:
    NScopedHandle<NLibraryTraits> m_handle;
};

}  // namespace NOs
