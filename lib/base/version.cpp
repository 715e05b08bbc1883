#include "base/version.h"

#include "os/version_source.h"

namespace {

struct NVersionRow {
    uint32_t nMajor;
    uint32_t nMinor;
    int nClass;
};

constexpr NVersionRow kVersionTable[] = {
    {5, 0, 1}, {5, 1, 2}, {5, 2, 3}, {6, 0, 4}, {6, 1, 5}, {6, 2, 6}, {6, 3, 7}, {10, 0, 8},
};

constexpr int kClassXP = 2;
constexpr int kClassVista = 4;

NVersionFacts QueryVersionFacts() {
    NVersionFacts facts;
    const NOs::NPlatformVersion version = NOs::GetPlatformVersion();
    facts.platformId = version.platformId;
    facts.basicMajor = version.major;
    uint32_t build = 0;
    uint32_t spMajor = 0;
    uint32_t spMinor = 0;
    facts.hasRtlVersion = GetRtlVersion(facts.major, facts.minor, build, spMajor, spMinor);
    return facts;
}

}  // namespace

int ClassifyWindowsVersion(const NVersionFacts& facts) {
    if (facts.platformId != kPlatformNt || facts.basicMajor <= 4 || !facts.hasRtlVersion) {
        return kVersionUnknown;
    }
    for (const NVersionRow& row : kVersionTable) {
        if (row.nMajor == facts.major && row.nMinor == facts.minor) {
            return row.nClass;
        }
    }
    return kVersionUnlisted;
}

bool GetRtlVersion(uint32_t& major, uint32_t& minor, uint32_t& build, uint32_t& spMajor,
                   uint32_t& spMinor) {
    const NOs::NPlatformVersion version = NOs::GetPlatformVersion();
    major = version.major;
    minor = version.minor;
    build = version.build;
    spMajor = 0;
    spMinor = 0;
    return true;
}

int GetWindowsVersionClass() { return ClassifyWindowsVersion(QueryVersionFacts()); }

bool IsXPOrLater() { return GetWindowsVersionClass() >= kClassXP; }

bool IsVistaOrLater() { return GetWindowsVersionClass() >= kClassVista; }
