/*
 * arena.h -- memory for the host's records: blocks from the system and
 * arenas that hand them out in pieces and give them back all at once.
 *
 * An object's vertices, surfaces, surface entries and list nodes live in
 * arenas, so releasing an object frees a few blocks instead of walking its
 * records one by one. Large blocks come straight from the system on Linux,
 * aligned to 2 MiB (and marked for transparent huge pages on request, see
 * arena.cpp). Elsewhere (32-bit Windows) and under the sanitizers, where
 * the allocator must see every block, blocks come from malloc.
 *
 * Released large blocks are kept, up to a limit, for the next arena that
 * needs one: a command run again after an undo then works in memory that is
 * already there instead of faulting in fresh pages.
 *
 * An arena is shared by counted references: its object holds one, so does
 * every other object that took over a surface made in it, and so does each
 * surface made in it that no object has taken over yet. It is freed when
 * the last one goes.
 *
 * Memory: nothing here throws or aborts. A block, an arena or a record that
 * the system has no memory for is NULL, and the failure is counted
 * (memory.h); before a fresh block is refused, the kept blocks go back to
 * the system and the block is asked for once more.
 */
#ifndef ZIRKA_ARENA_H
#define ZIRKA_ARENA_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "memory.h"
#include "prefault.h"

struct ArenaBlock;
struct Arenas;

// A block of at least size bytes, or NULL when there is no memory for it;
// zirka_block_free takes back exactly what zirka_block_alloc gave.
void *zirka_block_alloc(Arenas &arenas, size_t size) noexcept;
// The same, every byte zero.
void *zirka_block_alloc_zeroed(Arenas &arenas, size_t size) noexcept;
void zirka_block_free(Arenas &arenas, void *block, size_t size) noexcept;

struct Arena {
    ArenaBlock *last = nullptr; // newest block; each links to the one before
    char *base = nullptr;       // first usable byte of last
    char *cursor = nullptr;     // next free byte in last
    char *limit = nullptr;      // where the quick path stops: end, or sooner in a large block
    char *end = nullptr;        // end of last
    char *faulted = nullptr;    // how far the prefaulter has been asked to go in last
    size_t next_size = 0;       // size of the next block
    long refs = 0;              // objects holding the arena, and the state's "current" mark
    long loose = 0;             // surfaces made here that no object has taken over
};

// Where an arena stood: zirka_arena_rewind goes back there.
struct ArenaMark {
    ArenaBlock *last;
    char *base, *cursor, *limit, *end, *faulted;
    size_t next_size;
};

// Every arena, and which one owns an address.
struct Arenas {
    std::set<Arena *, std::less<Arena *>, HostAllocator<Arena *>> all;
    std::map<uintptr_t, std::pair<uintptr_t, Arena *>, std::less<uintptr_t>,
             HostAllocator<std::pair<const uintptr_t, std::pair<uintptr_t, Arena *>>>>
        blocks; // start -> (end, arena)
    Arena *current = nullptr; // where new surfaces are made (holds one reference)
    std::vector<std::pair<size_t, void *>> spare; // released large blocks, newest last
    size_t spare_bytes = 0;
    Prefaulter prefaulter; // faults in large blocks ahead of the records made in them

    ~Arenas();
};

// A new arena with one reference, or NULL when there is no memory for it.
Arena *zirka_arena_new(Arenas &arenas) noexcept;
void zirka_arena_ref(Arena *arena);
// Drops one reference; frees the arena when none and no loose surface is left.
void zirka_arena_unref(Arenas &arenas, Arena *arena);
// One loose surface made in the arena will never be taken over: the same
// as an unref for it.
void zirka_arena_drop_loose(Arenas &arenas, Arena *arena);
// Frees every arena, whatever holds it (spare blocks stay).
void zirka_arenas_clear(Arenas &arenas);
// Gives the kept blocks back to the system.
void zirka_arenas_release_spare(Arenas &arenas) noexcept;
// Where the arena stands now, and the way back there: the blocks it took
// since are freed, and what was handed out since is gone.
ArenaMark zirka_arena_mark(const Arena *arena);
void zirka_arena_rewind(Arenas &arenas, Arena *arena, const ArenaMark &mark);
// The arena that address lies in, or NULL.
Arena *zirka_arena_of(const Arenas &arenas, const void *address);
// True when address lies in the arena's newest block (the quick test before
// zirka_arena_of).
inline bool zirka_arena_in_last(const Arena *arena, const void *address)
{
    const char *p = static_cast<const char *>(address);
    return p >= arena->base && p < arena->end;
}

// size bytes aligned to align (a power of two, at most 16), uninitialised;
// NULL when there is no memory for them.
void *zirka_arena_alloc_slow(Arenas &arenas, Arena *arena, size_t size, size_t align) noexcept;
inline void *zirka_arena_alloc(Arenas &arenas, Arena *arena, size_t size, size_t align) noexcept
{
    uintptr_t p = (reinterpret_cast<uintptr_t>(arena->cursor) + (align - 1)) & ~static_cast<uintptr_t>(align - 1);
    if (arena->cursor && p + size <= reinterpret_cast<uintptr_t>(arena->limit)) {
        arena->cursor = reinterpret_cast<char *>(p + size);
        return reinterpret_cast<void *>(p);
    }
    return zirka_arena_alloc_slow(arenas, arena, size, align);
}
template <class T> T *zirka_arena_new_of(Arenas &arenas, Arena *arena, size_t count = 1) noexcept
{
    return static_cast<T *>(zirka_arena_alloc(arenas, arena, sizeof(T) * count, alignof(T)));
}

#endif /* ZIRKA_ARENA_H */
