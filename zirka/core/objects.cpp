// objects.cpp -- objects, surfaces and vertices: their constructors, the
// plug-ins' accessors and the host's own, and their release.
#include "core_state.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

/* ---- objects' lists, built when asked ------------------------------------------ */

// A node for an object's list, in the object's arena; NULL without memory.
static List *object_list_node(Object *object)
{
    return zirka_arena_new_of<List>(zirka_state().arenas, object->arena);
}

static void object_list_link(ObjectList *list, List *node, void *item)
{
    node->item = item;
    node->next = nullptr;
    if (list->tail)
        list->tail->next = node;
    else
        list->head = node;
    list->tail = node;
    list->length++;
}

// Without memory for every node the list is short; the next request goes
// on where it stopped.
static List *object_vertex_list(Object *object)
{
    ObjectList *list = &object->vertex_list;
    list->wanted = true;
    while (list->length < object->vertices.size()) {
        List *node = object_list_node(object);
        if (!node)
            break;
        object_list_link(list, node, &object->vertices[list->length]);
    }
    return list->head;
}

static List *object_surface_list(Object *object)
{
    ObjectList *list = &object->surface_list;
    list->wanted = true;
    while (list->length < object->surfaces.size()) {
        List *node = object_list_node(object);
        if (!node)
            break;
        object_list_link(list, node, object->surfaces[list->length]);
    }
    return list->head;
}

// Whether an item added now goes into the list at once: the list is wanted
// and holds every item before it.
static bool object_list_follows(const ObjectList *list, size_t items)
{
    return list->wanted && list->length == items;
}

/* ---- release ------------------------------------------------------------------- */

static void drop(HostVector<Object *> *objects, Object *object, bool *changed)
{
    auto it = std::remove(objects->begin(), objects->end(), object);
    if (it != objects->end()) {
        objects->erase(it, objects->end());
        *changed = true;
    }
}

void zirka_object_release(Object *object)
{
    ZirkaState &s = zirka_state();
    bool in_world = false, selected = false;
    drop(&s.world, object, &in_world);
    drop(&s.selection, object, &selected);
    if (selected)
        zirka_selection_list_rebuild();
    Arena *own = object->arena;
    HostVector<Arena *> borrowed = std::move(object->borrowed);
    s.objects.erase(object->id);
    zirka_host_delete(object);
    for (Arena *arena : borrowed)
        zirka_arena_unref(s.arenas, arena);
    // Surfaces made from now on need not keep the object's memory alive.
    if (s.arenas.current == own) {
        s.arenas.current = nullptr;
        zirka_arena_unref(s.arenas, own);
    }
    zirka_arena_unref(s.arenas, own);
}

void zirka_objects_release_all(ZirkaState &s)
{
    for (auto &entry : s.objects)
        zirka_host_delete(entry.second);
    s.objects.clear();
    zirka_arenas_clear(s.arenas);
    s.free_vertices = FreeVertices{};
}

/* ---- the host's accessors ---------------------------------------------------------- */

Object *zirka_object_by_id(int id)
{
    ZirkaState &s = zirka_state();
    auto it = s.objects.find(id);
    return it == s.objects.end() ? nullptr : it->second;
}

int zirka_object_id(const Object *object) { return object->id; }
const std::string &zirka_object_name(const Object *object) { return object->name; }
void zirka_object_set_name(Object *object, const std::string &name) { object->name = name; }
int zirka_object_vertex_count(const Object *object) { return static_cast<int>(object->vertices.size()); }
int zirka_object_child_count(const Object *) { return 0; }
bool zirka_object_in_world(const Object *object) { return object->in_world; }

std::vector<Surface *> zirka_object_surfaces(const Object *object)
{
    std::vector<Surface *> out;
    out.reserve(object->surfaces.size());
    object->surfaces.for_each_run([&](Surface *const *run, size_t n) { out.insert(out.end(), run, run + n); });
    return out;
}

std::vector<int> zirka_surface_vertex_indices(const Object *object, const Surface *surface)
{
    std::vector<int> out;
    for (List *node = surface->vertices; node; node = node->next)
        out.push_back(static_cast<int>(zirka_vertex_index_in(static_cast<SurfaceVertex *>(node->item)->vertex, object)));
    return out;
}

std::vector<std::pair<float, float>> zirka_surface_uvs(const Surface *surface)
{
    std::vector<std::pair<float, float>> out;
    for (List *node = surface->vertices; node; node = node->next) {
        const SurfaceVertex *entry = static_cast<SurfaceVertex *>(node->item);
        if (zirka_entry_is_default(entry))
            out.emplace_back(0.0f, 0.0f);
        else
            out.emplace_back(entry->u, entry->v);
    }
    return out;
}

void zirka_surface_set_type(Surface *surface, int type) { surface->type = static_cast<int8_t>(type); }
Pos3 zirka_surface_normal(const Surface *surface) { return surface->normal; }

Pos3 zirka_vertex_normal(const Vertex *vertex)
{
    // A free-standing vertex has no normal.
    if (reinterpret_cast<const VertexHead *>(vertex)->owner == 0)
        return Pos3{0.0f, 0.0f, 0.0f};
    return vertex->normal;
}

long zirka_free_vertex_count(void) { return zirka_state().free_vertices.count; }

long zirka_memory_blocks(void) { return static_cast<long>(zirka_state().arenas.blocks.size()); }

/* ---- surfaces' entries --------------------------------------------------------------- */

static const size_t first_overflow = 12;
static const size_t largest_overflow = 4096;

// The arena the surface was made in.
static Arena *surface_arena(const Surface *surface)
{
    const Arenas &arenas = zirka_state().arenas;
    if (arenas.current && zirka_arena_in_last(arenas.current, surface))
        return arenas.current;
    Arena *arena = zirka_arena_of(arenas, surface);
    assert(arena && "a surface lives in an arena");
    return arena;
}

static SurfaceOverflow *overflow_of(const Surface *surface)
{
    return reinterpret_cast<SurfaceOverflow *>(reinterpret_cast<char *>(surface->nodes[3].next) -
                                               offsetof(SurfaceOverflow, nodes));
}

// The node for the surface's next entry, linked at the end of its list;
// NULL, linking nothing, when there is no memory for it.
static List *surface_next_node(Surface *surface)
{
    unsigned count = surface->count;
    if (count < 4) {
        List *node = &surface->nodes[count];
        if (count == 0)
            surface->vertices = node;
        else
            surface->nodes[count - 1].next = node;
        return node;
    }
    Arenas &arenas = zirka_state().arenas;
    if (count == 4) {
        Arena *arena = surface_arena(surface);
        size_t bytes = sizeof(SurfaceOverflow) + (first_overflow - 1) * sizeof(List);
        SurfaceOverflow *chunk = static_cast<SurfaceOverflow *>(zirka_arena_alloc(arenas, arena, bytes, alignof(SurfaceOverflow)));
        if (!chunk)
            return nullptr;
        chunk->arena = arena;
        chunk->room_end = chunk->nodes + first_overflow;
        chunk->next_size = 2 * first_overflow;
        chunk->tail = chunk->nodes;
        surface->nodes[3].next = chunk->nodes;
        return chunk->nodes;
    }
    SurfaceOverflow *chunk = overflow_of(surface);
    List *node = chunk->tail + 1;
    if (node == chunk->room_end) {
        node = zirka_arena_new_of<List>(arenas, chunk->arena, chunk->next_size);
        if (!node)
            return nullptr;
        chunk->room_end = node + chunk->next_size;
        chunk->next_size = std::min(2 * chunk->next_size, largest_overflow);
    }
    chunk->tail->next = node;
    chunk->tail = node;
    return node;
}

static bool is_plus_zero(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits == 0;
}

/* ---- the C interface ------------------------------------------------------------------- */

extern "C" {

ZIRKA_API void ZIRKA_CALL zirka_object_get_contents(Object *object, int *vertex_count, int *surface_count,
                                                    int *child_count, List **vertices, List **surfaces,
                                                    List **children)
{
    assert(object && vertex_count && surface_count && child_count && vertices && surfaces && children &&
           "every output is filled");
    *vertex_count = static_cast<int>(object->vertices.size());
    *surface_count = static_cast<int>(object->surfaces.size());
    *child_count = 0;
    *vertices = object_vertex_list(object);
    *surfaces = object_surface_list(object);
    *children = nullptr; // the stand-in has no hierarchy
}

ZIRKA_API int ZIRKA_CALL zirka_object_get_type(Object *object) { return object->type; }

ZIRKA_API List *ZIRKA_CALL zirka_object_get_surfacelist(Object *object) { return object_surface_list(object); }

ZIRKA_API Vertex *ZIRKA_CALL zirka_object_get_vertex_at_index(Object *object, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= object->vertices.size())
        return nullptr;
    return &object->vertices[static_cast<size_t>(index)];
}

ZIRKA_API int ZIRKA_CALL surface_get_type(Surface *surface) { return surface->type; }

ZIRKA_API Object *ZIRKA_CALL new_object(int type)
{
    ZirkaState &s = zirka_state();
    Arena *arena = zirka_arena_new(s.arenas);
    if (!arena)
        return nullptr;
    Object *object = zirka_host_new<Object>();
    if (!object) {
        zirka_arena_unref(s.arenas, arena);
        return nullptr;
    }
    object->id = s.next_object_id;
    object->type = type;
    object->arena = arena;
    try {
        object->name = "object" + std::to_string(object->id);
        s.objects.emplace(object->id, object);
    } catch (const std::bad_alloc &e) {
        zirka_host_delete(object);
        zirka_arena_unref(s.arenas, arena);
        zirka_memory_caught(e);
        return nullptr;
    }
    s.next_object_id++;
    // Surfaces made from now on are most likely this object's.
    if (s.arenas.current)
        zirka_arena_unref(s.arenas, s.arenas.current);
    s.arenas.current = object->arena;
    zirka_arena_ref(object->arena);
    return object;
}

ZIRKA_API Surface *ZIRKA_CALL new_surface(void)
{
    Arenas &arenas = zirka_state().arenas;
    if (!arenas.current && !(arenas.current = zirka_arena_new(arenas)))
        return nullptr;
    Surface *surface = zirka_arena_new_of<Surface>(arenas, arenas.current);
    if (!surface)
        return nullptr;
    surface->vertices = nullptr;
    surface->count = 0;
    surface->type = ZIRKA_SURFACE_POLYGON;
    surface->taken = 0;
    surface->normal = Pos3{0.0f, 0.0f, 0.0f};
    arenas.current->loose++;
    return surface;
}

ZIRKA_API Vertex *ZIRKA_CALL new_vertex_set(float x, float y, float z)
{
    ZirkaState &s = zirka_state();
    if (!s.free_vertices.arena && !(s.free_vertices.arena = zirka_arena_new(s.arenas)))
        return nullptr;
    VertexHead *v = zirka_arena_new_of<VertexHead>(s.arenas, s.free_vertices.arena);
    if (!v)
        return nullptr;
    v->pos = Pos3{x, y, z};
    v->owner = 0;
    s.free_vertices.count++;
    return reinterpret_cast<Vertex *>(v);
}

ZIRKA_API Vertex *ZIRKA_CALL object_add_new_vertex(Object *object, const Pos3 *position)
{
    Pos3 p = *position;
    // The list node first: once the vertex is there, nothing can fail.
    bool follow = object_list_follows(&object->vertex_list, object->vertices.size());
    List *node = follow ? object_list_node(object) : nullptr;
    if (follow && !node)
        return nullptr;
    Vertex *v = object->vertices.push(zirka_state().arenas, object->arena);
    if (!v)
        return nullptr;
    v->pos = p;
    v->owner = static_cast<uint32_t>(object->id);
    v->index = static_cast<uint32_t>(object->vertices.size() - 1);
    v->normal = Pos3{0.0f, 0.0f, 0.0f};
    v->self = v;
    if (node)
        object_list_link(&object->vertex_list, node, v);
    return v;
}

ZIRKA_API SurfaceVertex *ZIRKA_CALL surface_add_vertex(Surface *surface, Vertex *vertex, float u, float v)
{
    // The count is 16 bits wide; a surface cannot hold more.
    if (surface->count == UINT16_MAX) {
        std::fprintf(stderr, "zirka: surface_add_vertex(): surface already holds %u vertices\n", UINT16_MAX);
        return nullptr;
    }
    SurfaceVertex *entry;
    const VertexHead *head = reinterpret_cast<const VertexHead *>(vertex);
    if (head && head->owner != 0 && is_plus_zero(u) && is_plus_zero(v)) {
        entry = reinterpret_cast<SurfaceVertex *>(&vertex->self);
    } else {
        Arena *arena = surface->count > 4 ? overflow_of(surface)->arena : surface_arena(surface);
        entry = zirka_arena_new_of<SurfaceVertex>(zirka_state().arenas, arena);
        if (!entry)
            return nullptr;
        *entry = SurfaceVertex{vertex, u, v};
    }
    List *node = surface_next_node(surface);
    if (!node)
        return nullptr; // an entry of its own stays unused in the arena
    node->item = entry;
    node->next = nullptr;
    surface->count++;
    return entry;
}

// Without memory the object still takes the surface over (it goes with the
// object's memory) but may not list it; the failure is counted, so that a
// running command fails.
ZIRKA_API void ZIRKA_CALL object_add_surface(Object *object, Surface *surface)
{
    assert(!surface->taken && "a surface belongs to one object");
    surface->taken = 1;
    Arenas &arenas = zirka_state().arenas;
    Arena *arena = zirka_arena_in_last(object->arena, surface) ? object->arena : zirka_arena_of(arenas, surface);
    assert(arena && "a surface lives in an arena");
    if (arena != object->arena &&
        std::find(object->borrowed.rbegin(), object->borrowed.rend(), arena) == object->borrowed.rend()) {
        try {
            object->borrowed.push_back(arena);
        } catch (const std::bad_alloc &e) {
            // Not held: the surface stays loose, and its arena stays until a reset.
            zirka_memory_caught(e);
            return;
        }
        zirka_arena_ref(arena);
    }
    arena->loose--;
    // Without a node the list lags behind; the next request brings it up to date.
    List *node = object_list_follows(&object->surface_list, object->surfaces.size()) ? object_list_node(object) : nullptr;
    Surface **slot = object->surfaces.push(arenas, object->arena);
    if (!slot)
        return;
    *slot = surface;
    if (node)
        object_list_link(&object->surface_list, node, surface);
}

} // extern "C"

/* ---- objects never handed to the world ------------------------------------------------- */

void zirka_objects_discard(const std::vector<Object *> &made)
{
    if (made.empty())
        return;
    int lowest = made.front()->id;
    for (Object *object : made) {
        lowest = std::min(lowest, object->id);
        zirka_object_release(object);
    }
    zirka_ids_give_back(lowest);
}
