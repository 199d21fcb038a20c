#include "CountingNew.h"

#include <cstdlib>
#include <new>

namespace counting {
thread_local bool active = false;
thread_local int allocations = 0;
thread_local int failAt = -1;
thread_local bool failed = false;
}  // namespace counting

void *operator new(std::size_t size) {
  if (counting::active) {
    if (counting::allocations++ == counting::failAt) {
      counting::failed = true;
      throw std::bad_alloc();
    }
  }
  if (void *p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
