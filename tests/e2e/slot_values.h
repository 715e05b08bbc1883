#pragma once
// The values that slot_writer puts into its slot, one after the other. Each
// has a size of its own and every byte tells which value it belongs to, so a
// read that mixes two writes, or a size with another value's bytes, shows.

#include <string>
#include <vector>

#include "ipcdrv/qxipcdll.h"

inline const std::vector<std::string>& KnownSlotValues() {
    static const std::vector<std::string> values{std::string(132, 'a'), std::string(4099, 'b'),
                                                 std::string(32768, 'c'),
                                                 std::string(QXIPC_MAX_DATA_SIZE, 'd')};
    return values;
}

inline bool IsKnownSlotValue(const std::string& bytes) {
    for (const std::string& value : KnownSlotValues()) {
        if (bytes == value) {
            return true;
        }
    }
    return false;
}
