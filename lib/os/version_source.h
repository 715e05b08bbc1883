#pragma once
// The Windows-equivalent version that this platform reports.

#include <cstdint>

namespace NOs {

struct NPlatformVersion {
    uint32_t platformId;
    uint32_t major;
    uint32_t minor;
    uint32_t build;
};

// The system's own version. (On Linux: the NT family at 10.0, so that every
// question on the release answers as on a current Windows.)
NPlatformVersion GetPlatformVersion();

}  // namespace NOs
