/*
 * memory.h -- the host's allocator. Every block, record and table the host
 * keeps for the world comes from zirka_host_alloc, so running out of memory
 * is met in one place and one way: zirka_host_alloc returns NULL, never
 * throws, never aborts, and counts the failure (zirka_memory_failures). A
 * command during which the count moves has failed, and its transaction
 * (transaction.cpp) undoes it. The host's containers use HostAllocator,
 * which turns a NULL into std::bad_alloc; every host operation catches that
 * before it could reach a plug-in. For tests, zirka_memory_fail_at makes
 * the n-th allocation from now fail, as SQLite's test harness does.
 */
#ifndef ZIRKA_MEMORY_H
#define ZIRKA_MEMORY_H

#include <cstddef>
#include <new>
#include <string>
#include <utility>
#include <vector>

// size bytes, aligned for any type, or NULL (counted as a failure).
void *zirka_host_alloc(size_t size) noexcept;
void zirka_host_free(void *block) noexcept;

// What HostAllocator throws: a failure zirka_host_alloc has counted already.
struct HostBadAlloc : std::bad_alloc {};

// Counts a std::bad_alloc that was caught, unless it is a HostBadAlloc.
void zirka_memory_caught(const std::bad_alloc &e) noexcept;

// A record made with zirka_host_alloc and constructed in place; NULL when
// there is no memory (or the constructor threw std::bad_alloc).
template <class T, class... Args> T *zirka_host_new(Args &&...args) noexcept
{
    void *block = zirka_host_alloc(sizeof(T));
    if (!block)
        return nullptr;
    try {
        return new (block) T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc &e) {
        zirka_host_free(block);
        zirka_memory_caught(e);
        return nullptr;
    }
}

template <class T> void zirka_host_delete(T *record) noexcept
{
    if (record) {
        record->~T();
        zirka_host_free(record);
    }
}

// The allocator of the host's containers: zirka_host_alloc, with
// HostBadAlloc for NULL.
template <class T> struct HostAllocator {
    typedef T value_type;
    HostAllocator() noexcept = default;
    template <class U> HostAllocator(const HostAllocator<U> &) noexcept {}
    T *allocate(size_t n)
    {
        if (n > size_t(-1) / sizeof(T))
            throw std::bad_alloc(); // not counted yet: the catch counts it
        void *block = zirka_host_alloc(n * sizeof(T));
        if (!block)
            throw HostBadAlloc();
        return static_cast<T *>(block);
    }
    void deallocate(T *block, size_t) noexcept { zirka_host_free(block); }
    template <class U> bool operator==(const HostAllocator<U> &) const noexcept { return true; }
    template <class U> bool operator!=(const HostAllocator<U> &) const noexcept { return false; }
};

template <class T> using HostVector = std::vector<T, HostAllocator<T>>;
typedef std::basic_string<char, std::char_traits<char>, HostAllocator<char>> HostString;

#endif /* ZIRKA_MEMORY_H */
