#include "os/environment.h"

#include <cstdlib>

namespace NOs {

std::optional<std::string> GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

}  // namespace NOs
