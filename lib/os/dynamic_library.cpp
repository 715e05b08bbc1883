#include "os/dynamic_library.h"

#include <utility>

// What every platform's library owner does alike; Open, Close and
// FindSymbol are the platform's.
namespace NOs {

NDynamicLibrary::~NDynamicLibrary() { Close(); }

NDynamicLibrary::NDynamicLibrary(NDynamicLibrary&& other) noexcept
    : m_pHandle(std::exchange(other.m_pHandle, nullptr)),
      m_strError(std::move(other.m_strError)),
      m_bOutOfResources(other.m_bOutOfResources) {}

NDynamicLibrary& NDynamicLibrary::operator=(NDynamicLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        m_pHandle = std::exchange(other.m_pHandle, nullptr);
        m_strError = std::move(other.m_strError);
        m_bOutOfResources = other.m_bOutOfResources;
    }
    return *this;
}

bool NDynamicLibrary::IsOpen() const { return m_pHandle != nullptr; }

const std::string& NDynamicLibrary::GetError() const { return m_strError; }

}  // namespace NOs
