#include "CountingNew.h"

#include <cstdlib>
#include <new>

namespace counting {
thread_local bool active = false;
thread_local int allocations = 0;
}  // namespace counting

void *operator new(std::size_t size) {
  if (counting::active) ++counting::allocations;
  if (void *p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
