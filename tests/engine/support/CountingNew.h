// Counts the allocations made through operator new on this thread while
// `active` is set (the program replaces the global operator new).
#pragma once

namespace counting {
extern thread_local bool active;
extern thread_local int allocations;
}  // namespace counting
