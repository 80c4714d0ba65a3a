#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace bench {
namespace {
thread_local uint64_t allocations = 0;
}

uint64_t ThreadAllocations() { return allocations; }

}  // namespace bench

void *operator new(std::size_t size) {
  ++bench::allocations;
  if (void *p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
