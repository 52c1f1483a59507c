// memory.cpp -- the host's allocator, its failure count, and the test hook
// that makes it fail on purpose (MemoryPlan, in the host's state).
#include "core_state.h"

#include <cstdlib>

void zirka_memory_caught(const std::bad_alloc &e) noexcept
{
    if (!dynamic_cast<const HostBadAlloc *>(&e))
        zirka_state().memory.failures++;
}

void *zirka_host_alloc(size_t size) noexcept
{
    MemoryPlan &plan = zirka_state().memory;
    long n = ++plan.counted;
    bool planned = plan.fail_at > 0 && (n == plan.fail_at || (plan.every_after && n > plan.fail_at));
    void *block = planned ? nullptr : std::malloc(size ? size : 1);
    if (!block)
        plan.failures++;
    return block;
}

void zirka_host_free(void *block) noexcept { std::free(block); }

long zirka_memory_failures(void) { return zirka_state().memory.failures; }

void zirka_memory_fail_at(long n, bool every_after)
{
    MemoryPlan &plan = zirka_state().memory;
    plan.fail_at = n > 0 ? n : 0;
    plan.every_after = every_after;
    plan.counted = 0;
}

long zirka_memory_allocations(void) { return zirka_state().memory.counted; }
