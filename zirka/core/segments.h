/*
 * segments.h -- Segments<T>: an array that grows without moving what it
 * holds, in segments taken from an arena, indexed in O(1).
 *
 * Segment k holds 16 << k elements up to 65536, then every segment holds
 * 65536: a small object wastes little, a large one has few segments, and
 * an element's address never changes (surfaces and plug-ins point at
 * vertices). Without memory for a segment, push says so and nothing changes.
 */
#ifndef ZIRKA_SEGMENTS_H
#define ZIRKA_SEGMENTS_H

#include "arena.h"
#include "memory.h"

#include <cstddef>
#include <vector>

template <class T> class Segments {
public:
    size_t size() const { return size_; }

    T &operator[](size_t i) const
    {
        size_t k, offset;
        locate(i, &k, &offset);
        return table_[k][offset];
    }

    // Room for one more element at the end, uninitialised; NULL when there
    // is no memory for it.
    T *push(Arenas &arenas, Arena *arena) noexcept
    {
        if (size_ == capacity_) {
            size_t n = segment_size(table_.size());
            T *segment = zirka_arena_new_of<T>(arenas, arena, n);
            if (!segment)
                return nullptr;
            try {
                table_.push_back(segment);
            } catch (const std::bad_alloc &e) {
                zirka_memory_caught(e); // the segment stays unused in the arena
                return nullptr;
            }
            capacity_ += n;
            room_ = segment;
        }
        size_++;
        return room_++;
    }

    // Calls fn(first, count) for each run of consecutive elements, in order.
    template <class Fn> void for_each_run(Fn fn) const { for_each_run_in(0, size_, fn); }

    // The same for the elements from .. to - 1 alone (to <= size()).
    template <class Fn> void for_each_run_in(size_t from, size_t to, Fn fn) const
    {
        if (from >= to)
            return;
        size_t k, offset;
        locate(from, &k, &offset);
        for (size_t left = to - from; left > 0; k++, offset = 0) {
            size_t room = segment_size(k) - offset;
            size_t n = room < left ? room : left;
            fn(table_[k] + offset, n);
            left -= n;
        }
    }

private:
    static const size_t first_shift = 4;  // the first segment holds 16
    static const size_t largest_shift = 16; // no segment holds more than 65536
    static const size_t growing = largest_shift - first_shift + 1;
    // Elements in the growing segments 0 .. growing - 1.
    static const size_t growing_total = (size_t(1) << first_shift) * ((size_t(1) << growing) - 1);

    static size_t segment_size(size_t k)
    {
        return k < growing ? size_t(1) << (first_shift + k) : size_t(1) << largest_shift;
    }

    static void locate(size_t i, size_t *k, size_t *offset)
    {
        if (i < growing_total) {
            // Segments 0 .. k-1 hold 16 (2^k - 1) elements.
            size_t q = (i >> first_shift) + 1;
            size_t bits = 8 * sizeof(unsigned long long) - 1 - size_t(__builtin_clzll(q));
            *k = bits;
            *offset = i - ((size_t(1) << first_shift) * ((size_t(1) << bits) - 1));
        } else {
            size_t j = i - growing_total;
            *k = growing + (j >> largest_shift);
            *offset = j & ((size_t(1) << largest_shift) - 1);
        }
    }

    HostVector<T *> table_;
    size_t size_ = 0, capacity_ = 0;
    T *room_ = nullptr; // the next free element of the last segment
};

#endif /* ZIRKA_SEGMENTS_H */
