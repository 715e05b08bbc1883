#pragma once
// The Windows release class that chooses a few behaviours of the system.
// On Linux the version source reports NT platform 10.0 (class 8).

#include <cstdint>

constexpr int kVersionUnknown = -1;
constexpr int kVersionUnlisted = 99;
constexpr uint32_t kPlatformNt = 2;

// What the two version queries reported: the basic one (platform and major
// version) and the detailed one, which may be unavailable.
struct NVersionFacts {
    uint32_t platformId = 0;
    uint32_t basicMajor = 0;
    bool hasRtlVersion = false;
    uint32_t major = 0;
    uint32_t minor = 0;
};

// The classification table, as a pure function.
int ClassifyWindowsVersion(const NVersionFacts& facts);

bool GetRtlVersion(uint32_t& major, uint32_t& minor, uint32_t& build, uint32_t& spMajor,
                   uint32_t& spMinor);
int GetWindowsVersionClass();
bool IsXPOrLater();
bool IsVistaOrLater();
