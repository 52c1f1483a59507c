// storage.cpp -- the host's records: chunked arrays, pools, and how an
// object, its surfaces and their entries are made and given back.
#include "storage.h"

#include <cassert>

// Under AddressSanitizer a record on a pool's free list is poisoned, so that
// reading a released node or entry is still reported.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define STORAGE_POISON(p, size) ASAN_POISON_MEMORY_REGION((p), (size))
#define STORAGE_UNPOISON(p, size) ASAN_UNPOISON_MEMORY_REGION((p), (size))
#else
#define STORAGE_POISON(p, size) ((void)(p), (void)(size))
#define STORAGE_UNPOISON(p, size) ((void)(p), (void)(size))
#endif

// A new block of size bytes, recorded in chunks; NULL without memory.
template <class Block> static Block *new_chunk(HostVector<Block *> &chunks, size_t size) noexcept
{
    Block *chunk = static_cast<Block *>(zirka_host_alloc(size));
    if (!chunk)
        return nullptr;
    try {
        chunks.push_back(chunk);
    } catch (const std::bad_alloc &e) {
        zirka_host_free(chunk);
        zirka_memory_caught(e);
        return nullptr;
    }
    return chunk;
}

/* ---- Chunks ------------------------------------------------------------------------ */

template <class T> T *Chunks<T>::push() noexcept
{
    size_t k = chunks_.size();
    if (size_ == chunk_start(k)) { // the last chunk is full (or there is none)
        if (!new_chunk(chunks_, chunk_size(k) * sizeof(T)))
            return nullptr;
        k++;
    }
    T *slot = &chunks_[k - 1][size_ - chunk_start(k - 1)];
    size_++;
    return slot;
}

template <class T> void Chunks<T>::truncate(size_t n) noexcept
{
    if (n >= size_)
        return;
    size_ = n;
    size_t keep = n == 0 ? 0 : chunk_of(n - 1) + 1;
    while (chunks_.size() > keep) {
        zirka_host_free(chunks_.back());
        chunks_.pop_back();
    }
}

/* ---- Pool ---------------------------------------------------------------------------- */

template <class T> bool Pool<T>::grow() noexcept
{
    Slot *chunk = new_chunk(chunks_, chunk_records * sizeof(Slot));
    if (!chunk)
        return false;
    // Linked last to first, so that records are handed out in address order.
    for (size_t i = chunk_records; i-- > 0;) {
        chunk[i].next_free = free_;
        free_ = &chunk[i];
    }
    STORAGE_POISON(chunk, chunk_records * sizeof(Slot));
    held_ += static_cast<long>(chunk_records);
    return true;
}

template <class T> T *Pool<T>::take() noexcept
{
    if (!free_ && !grow())
        return nullptr;
    Slot *slot = free_;
    STORAGE_UNPOISON(slot, sizeof(Slot));
    free_ = slot->next_free;
    in_use_++;
    return reinterpret_cast<T *>(slot->record);
}

template <class T> void Pool<T>::give(T *record) noexcept
{
    Slot *slot = reinterpret_cast<Slot *>(record);
    slot->next_free = free_;
    free_ = slot;
    STORAGE_POISON(slot, sizeof(Slot));
    in_use_--;
}

template <class T> bool Pool<T>::reserve(long n) noexcept
{
    while (held_ - in_use_ < n)
        if (!grow())
            return false;
    return true;
}

template <class T> void Pool<T>::clear() noexcept
{
    for (Slot *chunk : chunks_) {
        STORAGE_UNPOISON(chunk, chunk_records * sizeof(Slot));
        zirka_host_free(chunk);
    }
    chunks_.clear();
    free_ = nullptr;
    in_use_ = held_ = 0;
}

template class Chunks<Vertex>;
template class Chunks<Surface *>;
template class Pool<List>;
template class Pool<Surface>;
template class Pool<SurfaceEntry>;

/* ---- vertices -------------------------------------------------------------------------- */

// Appends a node for item to an object's list; false without memory.
static bool list_append(Storage &storage, ObjectList &list, void *item)
{
    List *node = storage.nodes.take();
    if (!node)
        return false;
    *node = List{item, nullptr};
    (list.tail ? list.tail->next : list.head) = node;
    list.tail = node;
    list.length++;
    storage.object_list_nodes++;
    return true;
}

// Appends the item at index to an object's list when the list has been
// asked for and holds every item before it.
static bool list_follow(Storage &storage, ObjectList &list, size_t index, void *item)
{
    return !list.wanted || list.length != index || list_append(storage, list, item);
}

Vertex *storage_vertex_add(Storage &storage, ObjectRecords &records, uint32_t owner, const Pos3 &p) noexcept
{
    Vertex *v = records.vertices.push();
    if (!v)
        return nullptr;
    size_t index = records.vertices.size() - 1;
    *v = Vertex{p, owner, static_cast<uint32_t>(index), Pos3{0.0f, 0.0f, 0.0f}};
    if (!list_follow(storage, records.vertex_list, index, v)) {
        records.vertices.truncate(index);
        return nullptr;
    }
    return v;
}

Vertex *storage_free_vertex_add(Storage &storage, const Pos3 &p) noexcept
{
    Vertex *v = storage.free_vertices.push();
    if (v)
        *v = Vertex{p, 0, 0, Pos3{0.0f, 0.0f, 0.0f}};
    return v;
}

/* ---- surfaces ------------------------------------------------------------------------------ */

Surface *storage_surface_new(Storage &storage) noexcept
{
    Surface *surface = storage.surfaces.take();
    if (!surface)
        return nullptr;
    *surface = Surface{nullptr, 0, ZIRKA_SURFACE_POLYGON, Pos3{0.0f, 0.0f, 0.0f},
                       static_cast<uint32_t>(storage.loose.size()), nullptr};
    try {
        storage.loose.push_back(surface);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        storage.surfaces.give(surface);
        return nullptr;
    }
    return surface;
}

SurfaceVertex *storage_entry_add(Storage &storage, Surface *surface, Vertex *vertex, float u, float v) noexcept
{
    SurfaceEntry *record = storage.entries.take();
    if (!record)
        return nullptr;
    record->entry = SurfaceVertex{vertex, u, v};
    record->node = List{&record->entry, nullptr};
    (surface->last ? surface->last->next : surface->vertices) = &record->node;
    surface->last = &record->node;
    surface->count++;
    return &record->entry;
}

bool storage_surface_take(Storage &storage, ObjectRecords &records, Surface *surface) noexcept
{
    assert(surface->loose_at != taken_over && "a surface belongs to one object");
    Surface **slot = records.surfaces.push();
    if (!slot)
        return false;
    if (!list_follow(storage, records.surface_list, records.surfaces.size() - 1, surface)) {
        records.surfaces.truncate(records.surfaces.size() - 1);
        return false;
    }
    *slot = surface;
    storage.loose[surface->loose_at] = nullptr;
    surface->loose_at = taken_over;
    while (storage.loose.size() > storage.loose_floor && !storage.loose.back())
        storage.loose.pop_back();
    return true;
}

/* ---- objects' lists ------------------------------------------------------------------------ */

template <class Item> static List *list_catch_up(Storage &storage, ObjectList &list, size_t size, Item item)
{
    list.wanted = true;
    while (list.length < size)
        if (!list_append(storage, list, item(list.length)))
            break; // counted: a running command fails
    return list.head;
}

List *storage_vertex_list(Storage &storage, ObjectRecords &records) noexcept
{
    return list_catch_up(storage, records.vertex_list, records.vertices.size(),
                         [&](size_t i) -> void * { return &records.vertices[i]; });
}

List *storage_surface_list(Storage &storage, ObjectRecords &records) noexcept
{
    return list_catch_up(storage, records.surface_list, records.surfaces.size(),
                         [&](size_t i) -> void * { return records.surfaces[i]; });
}

/* ---- release ---------------------------------------------------------------------------------- */

static void give_nodes(Storage &storage, ObjectList &list)
{
    for (List *node = list.head, *next; node; node = next) {
        next = node->next;
        storage.nodes.give(node);
        storage.object_list_nodes--;
    }
    list = ObjectList{};
}

static void surface_release(Storage &storage, Surface *surface)
{
    for (List *node = surface->vertices, *next; node; node = next) {
        next = node->next;
        storage.entries.give(reinterpret_cast<SurfaceEntry *>(node)); // the node begins the entry's record
    }
    storage.surfaces.give(surface);
}

void storage_loose_release(Storage &storage, size_t from) noexcept
{
    for (size_t i = from; i < storage.loose.size(); i++)
        if (storage.loose[i])
            surface_release(storage, storage.loose[i]);
    if (from < storage.loose.size())
        storage.loose.resize(from);
}

void storage_release(Storage &storage, ObjectRecords &records) noexcept
{
    records.surfaces.for_each([&](Surface *surface) { surface_release(storage, surface); });
    records.surfaces.truncate(0);
    records.vertices.truncate(0);
    give_nodes(storage, records.vertex_list);
    give_nodes(storage, records.surface_list);
}

void storage_release_all(Storage &storage) noexcept
{
    storage.nodes.clear();
    storage.surfaces.clear();
    storage.entries.clear();
    storage.free_vertices.truncate(0);
    storage.loose.clear();
    storage.loose_floor = 0;
    storage.object_list_nodes = 0;
}

long storage_records_in_use(const Storage &storage)
{
    return storage.nodes.in_use() - storage.object_list_nodes + storage.surfaces.in_use() + storage.entries.in_use() +
           static_cast<long>(storage.free_vertices.size());
}
