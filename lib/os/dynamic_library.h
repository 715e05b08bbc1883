#pragma once
// Owner of one shared object loaded at run time.

#include <string>

namespace NOs {

class NDynamicLibrary {
public:
    NDynamicLibrary() = default;
    ~NDynamicLibrary();
    NDynamicLibrary(NDynamicLibrary&& other) noexcept;
    NDynamicLibrary& operator=(NDynamicLibrary&& other) noexcept;
    NDynamicLibrary(const NDynamicLibrary&) = delete;
    NDynamicLibrary& operator=(const NDynamicLibrary&) = delete;

    // Releases the object held before, then loads the one at path (absolute,
    // UTF-8) with every symbol resolved at once and none made visible to other
    // objects. False, with the reason in GetError, when it cannot be loaded.
    // On Linux the file must also lie at the end of a trusted path and be a
    // whole shared object (linux/trusted_path.h, linux/whole_object.h).
    bool Open(const std::string& path);

    // Releases the object; does nothing when none is held.
    void Close();

    bool IsOpen() const;

    // Address of the exported symbol; null, with the reason in GetError, when
    // the symbol is missing or nothing is loaded.
    void* FindSymbol(const char* name);

    // The same address as a function pointer of type Fn.
    template <class Fn>
    Fn FindFunction(const char* name) {
        return reinterpret_cast<Fn>(FindSymbol(name));
    }

    // Why the last Open or FindSymbol failed; empty after a success.
    const std::string& GetError() const;

    // Whether the last Open failed for want of the system's resources (open
    // files, memory) rather than because of the file.
    bool IsOutOfResources() const { return m_bOutOfResources; }

private:
    void* m_pHandle = nullptr;
    std::string m_strError;
    bool m_bOutOfResources = false;
};

}  // namespace NOs
