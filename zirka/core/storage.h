/*
 * storage.h -- where the host keeps its records; the only code that knows
 * how vertices, surfaces, their entries and list nodes are laid out.
 *
 *  - An object's vertices: a chunked array (chunks of 16, 32, 64 ... then
 *    of 65536). A vertex never moves and is found by its index in O(1).
 *  - Surfaces come from a pool; an object lists those it took over in a
 *    chunked array of pointers.
 *  - A surface entry and the list node linking it into its surface are one
 *    pooled record, which holds the entry's texture coordinates.
 *  - List nodes (plug-ins' lists, the selection, an object's lists of its
 *    vertices and surfaces) have a pool of their own.
 *  - Free-standing vertices (new_vertex_set): a chunked array, cut back to
 *    where it stood when a command began.
 *
 * A pool keeps released records for the next take. A freed object's
 * records go back to their pools, its vertex chunks to the system. Every
 * block comes from zirka_host_alloc: without memory, a function that makes
 * something returns NULL (false) and nothing has changed.
 */
#ifndef ZIRKA_STORAGE_H
#define ZIRKA_STORAGE_H

#include "zirka_host.h"

#include "memory.h"

#include <cstddef>
#include <cstdint>

/* ---- records ------------------------------------------------------------------ */

// A vertex begins with its position, so a Vertex pointer is a Pos3 pointer.
struct Vertex {
    Pos3 pos;       // read and written in place by plug-ins
    uint32_t owner; // id of the object holding it, 0 for a free-standing one
    uint32_t index; // its index in the owner
    Pos3 normal;    // output of object_calc_normals_force
};
static_assert(offsetof(Vertex, pos) == 0, "a Vertex must begin with its position");

// A surface entry begins with its vertex.
struct SurfaceVertex {
    Vertex *vertex;
    float u, v; // texture coordinates
};
static_assert(offsetof(SurfaceVertex, vertex) == offsetof(SurfaceVertexHead, vertex),
              "a SurfaceVertex must begin with its Vertex pointer");

// A surface begins with its list of entries and their 16-bit count.
struct Surface {
    List *vertices; // SurfaceVertex entries, in order
    uint16_t count; // entries in vertices
    int8_t type;    // ZIRKA_SURFACE_*
    Pos3 normal;    // output of object_calc_normals_force
    uint32_t loose_at; // its place in Storage::loose, or taken_over
    List *last;     // the last node of vertices, for appending
};
static_assert(offsetof(Surface, vertices) == offsetof(SurfaceHead, vertices), "a Surface must begin with its list");
static_assert(offsetof(Surface, count) == offsetof(SurfaceHead, count), "the count must follow the list");

/* ---- containers ------------------------------------------------------------------ */

// An array that grows a chunk at a time and never moves what it holds.
template <class T> class Chunks {
public:
    Chunks() = default;
    Chunks(const Chunks &) = delete;
    Chunks &operator=(const Chunks &) = delete;
    ~Chunks() { truncate(0); }

    size_t size() const { return size_; }
    T &operator[](size_t i) const
    {
        size_t k = chunk_of(i);
        return chunks_[k][i - chunk_start(k)];
    }
    // Room for one more element at the end (uninitialised), or NULL.
    T *push() noexcept;
    // Keeps the first n elements and frees the chunks no longer needed.
    void truncate(size_t n) noexcept;
    // Calls fn(element) for every element, in order.
    template <class Fn> void for_each(Fn fn) const
    {
        for (size_t k = 0, left = size_; left > 0; k++) {
            size_t n = chunk_size(k) < left ? chunk_size(k) : left;
            for (size_t i = 0; i < n; i++)
                fn(chunks_[k][i]);
            left -= n;
        }
    }

private:
    static const size_t first = 16, largest = 65536, growing = 13; // 16 << 12 == 65536
    static size_t chunk_size(size_t k) { return k < growing ? first << k : largest; }
    // Chunks 0 .. k-1 hold 16 (2^k - 1) elements while they grow.
    static size_t chunk_start(size_t k)
    {
        return k < growing ? first * ((size_t(1) << k) - 1) : first * ((size_t(1) << growing) - 1) + (k - growing) * largest;
    }
    static size_t chunk_of(size_t i)
    {
        size_t q = i / first + 1;
        if (q < (size_t(1) << growing))
            return 8 * sizeof(unsigned long long) - 1 - size_t(__builtin_clzll(q)); // floor(log2 q)
        return growing + (i - chunk_start(growing)) / largest;
    }

    HostVector<T *> chunks_;
    size_t size_ = 0;
};

// Records of one kind, handed out and taken back one at a time.
template <class T> class Pool {
public:
    Pool() = default;
    Pool(const Pool &) = delete;
    Pool &operator=(const Pool &) = delete;
    ~Pool() { clear(); }

    // A record, uninitialised; NULL when there is no memory for it.
    T *take() noexcept;
    void give(T *record) noexcept;
    // Makes sure that the next n takes find their records.
    bool reserve(long n) noexcept;
    long in_use() const { return in_use_; }
    // Frees every record, in use or not.
    void clear() noexcept;

private:
    union Slot {
        Slot *next_free;
        alignas(T) unsigned char record[sizeof(T)];
    };
    static const size_t chunk_records = 4096;
    bool grow() noexcept;

    HostVector<Slot *> chunks_;
    Slot *free_ = nullptr;
    long in_use_ = 0, held_ = 0;
};

/* ---- the host's storage ----------------------------------------------------------- */

// A list of an object's vertices or surfaces as plug-ins read it: built on
// the first request (wanted), then kept up to date as more are added.
struct ObjectList {
    List *head = nullptr, *tail = nullptr;
    size_t length = 0;
    bool wanted = false;
};

// What an object holds.
struct ObjectRecords {
    Chunks<Vertex> vertices;
    Chunks<Surface *> surfaces;
    ObjectList vertex_list, surface_list;
};

// A surface entry and its list node: node.item is &entry.
struct SurfaceEntry {
    List node;
    SurfaceVertex entry;
};

// The loose list holds the surfaces no object has taken over yet, in the
// order in which they were made; taking one over leaves a hole, and the
// holes at the end go (down to the floor, where a command's own part of
// the list begins).
const uint32_t taken_over = UINT32_MAX;

struct Storage {
    Pool<List> nodes;
    Pool<Surface> surfaces;
    Pool<SurfaceEntry> entries;
    Chunks<Vertex> free_vertices;
    HostVector<Surface *> loose;
    size_t loose_floor = 0;
    long object_list_nodes = 0; // nodes of objects' own lists, built when asked for
};

// A new vertex at p, the next of records (held by the object with id owner);
// NULL, adding nothing, when there is no memory for it.
Vertex *storage_vertex_add(Storage &storage, ObjectRecords &records, uint32_t owner, const Pos3 &p) noexcept;
// A free-standing vertex at p, or NULL.
Vertex *storage_free_vertex_add(Storage &storage, const Pos3 &p) noexcept;
// A new empty surface (no object holds it yet), or NULL.
Surface *storage_surface_new(Storage &storage) noexcept;
// Appends an entry for vertex with texture coordinates u, v; NULL, adding
// nothing, when there is no memory for it.
SurfaceVertex *storage_entry_add(Storage &storage, Surface *surface, Vertex *vertex, float u, float v) noexcept;
// The object takes the surface over; false, changing nothing, without memory.
bool storage_surface_take(Storage &storage, ObjectRecords &records, Surface *surface) noexcept;
// The object's lists as plug-ins read them. Without memory a list is short;
// the next request goes on where it stopped (and the failure is counted).
List *storage_vertex_list(Storage &storage, ObjectRecords &records) noexcept;
List *storage_surface_list(Storage &storage, ObjectRecords &records) noexcept;
// Gives back the loose surfaces from place from on (those a command made
// and no object took over), with their entries.
void storage_loose_release(Storage &storage, size_t from) noexcept;
// Gives back everything an object holds: its surfaces, their entries, its
// lists' nodes and its vertices.
void storage_release(Storage &storage, ObjectRecords &records) noexcept;
// Gives back every record at once, once the objects are gone (a reset).
void storage_release_all(Storage &storage) noexcept;
// What zirka_records_in_use counts.
long storage_records_in_use(const Storage &storage);

// The index of the vertex in the object with that id, or -1 when it is not
// one of the object's.
inline long storage_vertex_index(const Vertex *vertex, uint32_t owner)
{
    return vertex && vertex->owner == owner ? static_cast<long>(vertex->index) : -1;
}

#endif /* ZIRKA_STORAGE_H */
