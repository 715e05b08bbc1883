// Writes the known values (slot_values.h) into one data slot through the
// qxipcdll.dll it is given, round and round, until it is killed.
// Usage: slot_writer LIBRARY SLOT. Exit 1 when the library or a write fails,
// 2 on a usage error.

#include <cstdlib>
#include <string>

#include "os/dynamic_library.h"
#include "tests/e2e/slot_values.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    NOs::NDynamicLibrary library;
    if (!library.Open(argv[1])) {
        return 1;
    }
    const auto loadDriver = library.FindFunction<PFN_IPC_VOID>("fnLoadIpcDriver");
    const auto found = library.FindFunction<PFN_IPC_SET_DATA>("fnSetData");
    if (!loadDriver || !found || loadDriver.Value()() == 0) {
        return 1;
    }
    const PFN_IPC_SET_DATA setData = found.Value();
    const auto slot = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
    for (size_t round = 0;; ++round) {
        const std::string& value = KnownSlotValues()[round % KnownSlotValues().size()];
        if (setData(slot, value.data(), static_cast<uint32_t>(value.size())) == 0) {
            return 1;
        }
    }
}
