// arena.cpp -- blocks from the system and the arenas that share them out.
#include "arena.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#define ZIRKA_HUGE_BLOCKS 1
#include <sys/mman.h>
#endif

struct ArenaBlock {
    ArenaBlock *prev;
    size_t size; // the whole block, this header included
};

static const size_t first_block = 4096;
static const size_t largest_block = size_t(32) << 20;
#ifdef ZIRKA_HUGE_BLOCKS
static const size_t huge_page = size_t(2) << 20;

// Whether blocks are marked for transparent huge pages: ZIRKA_HUGE_PAGES=1
// in the environment. Not by default: on the virtual machines this runs on,
// a fresh 2 MiB page usually comes from memory the hypervisor has taken
// back, and faulting it in costs three to four times what its 512 small
// pages cost; only memory freed a moment ago comes back fast. Blocks are
// 2 MiB-aligned either way.
static bool huge_pages_wanted(void)
{
    static const bool wanted = [] {
        const char *setting = std::getenv("ZIRKA_HUGE_PAGES");
        return setting && std::strcmp(setting, "1") == 0;
    }();
    return wanted;
}
#endif

// Released large blocks kept for reuse, at most this many bytes: room for
// the largest result the benchmarks make (10 million vertices), so that
// undo and run again works in memory already there.
static const size_t spare_limit = size_t(1) << (sizeof(void *) == 8 ? 32 : 29);

#ifdef ZIRKA_HUGE_BLOCKS
// A block of at least huge_page bytes, from the kept ones or mapped fresh;
// NULL when the system will not map it.
static void *huge_block(Arenas &arenas, size_t size, bool *fresh)
{
    size_t rounded = (size + huge_page - 1) & ~(huge_page - 1);
    for (size_t i = arenas.spare.size(); i-- > 0;)
        if (arenas.spare[i].first == rounded) {
            void *block = arenas.spare[i].second;
            arenas.spare.erase(arenas.spare.begin() + static_cast<std::ptrdiff_t>(i));
            arenas.spare_bytes -= rounded;
            *fresh = false;
            return block;
        }
    // Map one huge page more than asked, keep the 2 MiB-aligned part.
    void *mapped = mmap(nullptr, rounded + huge_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = (start + huge_page - 1) & ~(huge_page - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    size_t after = start + rounded + huge_page - (aligned + rounded);
    if (after)
        munmap(reinterpret_cast<void *>(aligned + rounded), after);
    if (huge_pages_wanted())
        madvise(reinterpret_cast<void *>(aligned), rounded, MADV_HUGEPAGE);
    return reinterpret_cast<void *>(aligned);
}
#endif

// A block from the system (or a kept one), NULL when there is none.
static void *system_block(Arenas &arenas, size_t size, bool *fresh)
{
#ifdef ZIRKA_HUGE_BLOCKS
    if (size >= huge_page)
        return huge_block(arenas, size, fresh);
#endif
    (void)arenas;
    (void)fresh;
    return std::malloc(size);
}

void zirka_arenas_release_spare(Arenas &arenas) noexcept
{
#ifdef ZIRKA_HUGE_BLOCKS
    for (const auto &block : arenas.spare)
        munmap(block.second, block.first);
#endif
    arenas.spare.clear();
    arenas.spare_bytes = 0;
}

// A block, and whether it is fresh from the system (not one kept for reuse);
// NULL, counted, when there is no memory for it even after the kept blocks
// have gone back to the system.
static void *block_alloc(Arenas &arenas, size_t size, bool *fresh)
{
    *fresh = true;
    if (zirka_host_alloc_planned_failure())
        return nullptr;
    void *block = system_block(arenas, size, fresh);
    if (!block && !arenas.spare.empty()) {
        zirka_arenas_release_spare(arenas);
        block = system_block(arenas, size, fresh);
    }
    if (!block)
        zirka_memory_failed();
    return block;
}

void *zirka_block_alloc(Arenas &arenas, size_t size) noexcept
{
    bool fresh;
    return block_alloc(arenas, size, &fresh);
}

void *zirka_block_alloc_zeroed(Arenas &arenas, size_t size) noexcept
{
    void *block = zirka_block_alloc(arenas, size);
    if (block)
        std::memset(block, 0, size);
    return block;
}

void zirka_block_free(Arenas &arenas, void *block, size_t size) noexcept
{
#ifdef ZIRKA_HUGE_BLOCKS
    if (size >= huge_page) {
        size_t rounded = (size + huge_page - 1) & ~(huge_page - 1);
        if (arenas.spare_bytes + rounded <= spare_limit) {
            try {
                arenas.spare.emplace_back(rounded, block);
                arenas.spare_bytes += rounded;
                return;
            } catch (const std::bad_alloc &) {
                // No room to keep it: it goes back to the system.
            }
        }
        munmap(block, rounded);
        return;
    }
#endif
    (void)arenas;
    (void)size;
    std::free(block);
}

Arena *zirka_arena_new(Arenas &arenas) noexcept
{
    Arena *arena = zirka_host_new<Arena>();
    if (!arena)
        return nullptr;
    arena->next_size = first_block;
    arena->refs = 1;
    try {
        arenas.all.insert(arena);
    } catch (const std::bad_alloc &e) {
        zirka_host_delete(arena);
        zirka_memory_caught(e);
        return nullptr;
    }
    return arena;
}

void zirka_arena_ref(Arena *arena) { arena->refs++; }

static void arena_free(Arenas &arenas, Arena *arena)
{
    for (ArenaBlock *block = arena->last; block;) {
        ArenaBlock *prev = block->prev;
        arenas.blocks.erase(reinterpret_cast<uintptr_t>(block));
        zirka_block_free(arenas, block, block->size);
        block = prev;
    }
    arenas.all.erase(arena);
    if (arenas.current == arena)
        arenas.current = nullptr;
    zirka_host_delete(arena);
}

void zirka_arena_unref(Arenas &arenas, Arena *arena)
{
    if (--arena->refs <= 0 && arena->loose <= 0)
        arena_free(arenas, arena);
}

void zirka_arena_drop_loose(Arenas &arenas, Arena *arena)
{
    if (--arena->loose <= 0 && arena->refs <= 0)
        arena_free(arenas, arena);
}

ArenaMark zirka_arena_mark(const Arena *arena)
{
    return ArenaMark{arena->last, arena->base, arena->cursor, arena->limit,
                     arena->end,  arena->faulted, arena->next_size};
}

void zirka_arena_rewind(Arenas &arenas, Arena *arena, const ArenaMark &mark)
{
    while (arena->last && arena->last != mark.last) {
        ArenaBlock *block = arena->last;
        arena->last = block->prev;
        arenas.blocks.erase(reinterpret_cast<uintptr_t>(block));
        zirka_block_free(arenas, block, block->size);
    }
    arena->base = mark.base;
    arena->cursor = mark.cursor;
    arena->limit = mark.limit;
    arena->end = mark.end;
    arena->faulted = mark.faulted;
    arena->next_size = mark.next_size;
}

void zirka_arenas_clear(Arenas &arenas)
{
    while (!arenas.all.empty())
        arena_free(arenas, *arenas.all.begin());
    arenas.current = nullptr;
}

Arenas::~Arenas()
{
    zirka_arenas_clear(*this);
    zirka_arenas_release_spare(*this);
}

Arena *zirka_arena_of(const Arenas &arenas, const void *address)
{
    uintptr_t p = reinterpret_cast<uintptr_t>(address);
    auto it = arenas.blocks.upper_bound(p);
    if (it == arenas.blocks.begin())
        return nullptr;
    --it;
    return p < it->second.first ? it->second.second : nullptr;
}

// A large block is handed out a step at a time, with the prefaulter kept
// busy a little way ahead of the records being made.
static const size_t large_block = size_t(2) << 20;
static const size_t limit_step = size_t(1) << 20;
static const size_t fault_lead = size_t(4) << 20;

// Moves the quick path's limit a step past needed, and asks for the memory
// up to fault_lead beyond it that has not been asked for yet.
static void move_limit(Arenas &arenas, Arena *arena, char *needed)
{
    arena->limit = std::min(arena->end, std::max(needed, arena->limit) + limit_step);
    char *far = std::min(arena->end, arena->limit + fault_lead);
    char *from = std::max(arena->faulted, needed);
    if (from < far) {
        arenas.prefaulter.ahead(from, far);
        arena->faulted = far;
    }
}

void *zirka_arena_alloc_slow(Arenas &arenas, Arena *arena, size_t size, size_t align) noexcept
{
    uintptr_t p = (reinterpret_cast<uintptr_t>(arena->cursor) + (align - 1)) & ~static_cast<uintptr_t>(align - 1);
    if (arena->last && p + size <= reinterpret_cast<uintptr_t>(arena->end)) {
        move_limit(arenas, arena, reinterpret_cast<char *>(p + size));
        return zirka_arena_alloc(arenas, arena, size, align);
    }
    size_t header = (sizeof(ArenaBlock) + 15) & ~size_t(15);
    if (size > (size_t(-1) >> 2) - header) {
        zirka_memory_failed();
        return nullptr;
    }
    size_t block_size = arena->next_size;
    while (block_size < header + size + align)
        block_size *= 2;
    bool fresh;
    ArenaBlock *block = static_cast<ArenaBlock *>(block_alloc(arenas, block_size, &fresh));
    if (!block)
        return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(block);
    try {
        arenas.blocks.emplace(start, std::make_pair(start + block_size, arena));
    } catch (const std::bad_alloc &e) {
        zirka_block_free(arenas, block, block_size);
        zirka_memory_caught(e);
        return nullptr;
    }
    if (arena->next_size < largest_block)
        arena->next_size *= 2;
    block->prev = arena->last;
    block->size = block_size;
    arena->last = block;
    arena->base = reinterpret_cast<char *>(block) + header;
    arena->cursor = arena->base;
    arena->end = reinterpret_cast<char *>(block) + block_size;
    arena->limit = arena->end;
    // A block kept for reuse has its pages already.
    arena->faulted = fresh ? arena->base : arena->end;
    if (block_size >= large_block) {
        arena->limit = arena->base;
        move_limit(arenas, arena, arena->base);
    }
    return zirka_arena_alloc(arenas, arena, size, align);
}
