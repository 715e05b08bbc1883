#include "os/version_source.h"

namespace NOs {

NPlatformVersion GetPlatformVersion() {
    constexpr uint32_t kPlatformNt = 2;
    return NPlatformVersion{kPlatformNt, 10, 0, 0};
}

}  // namespace NOs
