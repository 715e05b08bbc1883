#include "tests/support/allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_nLive{0};

}  // namespace

// The array, sized and no-throw forms of the library come through these.
void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    ++g_nLive;
    return block;
}

void operator delete(void* block) noexcept {
    if (block != nullptr) {
        --g_nLive;
        std::free(block);
    }
}

void operator delete(void* block, std::size_t /*size*/) noexcept { operator delete(block); }

size_t NAllocationCount::Live() { return g_nLive.load(); }
