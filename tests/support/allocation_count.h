#pragma once
// Counts the blocks that operator new handed out and operator delete has not
// taken back, in a test built with allocation_count.cpp (which replaces both
// operators for the whole executable).

#include <cstddef>

namespace NAllocationCount {

size_t Live();

}  // namespace NAllocationCount
