// memory.cpp -- the host's allocator, its failure count and the test hook
// that makes it fail on purpose.
#include "memory.h"

#include "zirka_core.h"

#include <cstdlib>

namespace {

// What the test hook asked for: fail the fail_at-th allocation counted from
// the call (0: none), and with every_after each one after it too.
struct FailurePlan {
    long fail_at = 0;
    bool every_after = false;
    long counted = 0;
};

FailurePlan plan;
long failures = 0;

} // namespace

bool zirka_host_alloc_planned_failure(void) noexcept
{
    long n = ++plan.counted;
    if (plan.fail_at > 0 && (n == plan.fail_at || (plan.every_after && n > plan.fail_at))) {
        failures++;
        return true;
    }
    return false;
}

void zirka_memory_failed(void) noexcept { failures++; }

void *zirka_host_alloc(size_t size) noexcept
{
    if (zirka_host_alloc_planned_failure())
        return nullptr;
    void *block = std::malloc(size ? size : 1);
    if (!block)
        failures++;
    return block;
}

void zirka_host_free(void *block) noexcept { std::free(block); }

long zirka_memory_failures(void) { return failures; }

void zirka_memory_fail_at(long n, bool every_after)
{
    plan.fail_at = n > 0 ? n : 0;
    plan.every_after = every_after;
    plan.counted = 0;
}

long zirka_memory_allocations(void) { return plan.counted; }
