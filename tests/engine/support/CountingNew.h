// Counts the allocations made through operator new on this thread while
// `active` is set (the program replaces the global operator new), and can
// make one of them fail.
#pragma once

namespace counting {
extern thread_local bool active;
extern thread_local int allocations;
// While active: the allocation with this index (0 = the first counted one)
// throws std::bad_alloc; -1 for none. `failed` tells that it happened.
extern thread_local int failAt;
extern thread_local bool failed;
}  // namespace counting
