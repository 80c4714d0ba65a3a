// Counts the heap allocations made through operator new, per thread.
#pragma once

#include <cstdint>

namespace bench {

// Allocations the calling thread has made so far.
uint64_t ThreadAllocations();

}  // namespace bench
