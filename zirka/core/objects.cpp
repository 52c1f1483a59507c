// objects.cpp -- objects, surfaces and vertices: the plug-ins' operations on
// them and the host's own accessors. Their records are storage.cpp's; when
// an object is made and freed is world.cpp's business.
#include "core_state.h"

#include <cassert>
#include <cstdio>

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
int zirka_object_vertex_count(const Object *object) { return static_cast<int>(object->records.vertices.size()); }
bool zirka_object_in_world(const Object *object) { return object->in_world; }

std::vector<Surface *> zirka_object_surfaces(const Object *object)
{
    std::vector<Surface *> out;
    out.reserve(object->records.surfaces.size());
    object->records.surfaces.for_each([&](Surface *surface) { out.push_back(surface); });
    return out;
}

std::vector<int> zirka_surface_vertex_indices(const Object *object, const Surface *surface)
{
    std::vector<int> out;
    for (List *node = surface->vertices; node; node = node->next)
        out.push_back(static_cast<int>(
            storage_vertex_index(static_cast<SurfaceVertex *>(node->item)->vertex, static_cast<uint32_t>(object->id))));
    return out;
}

std::vector<std::pair<float, float>> zirka_surface_uvs(const Surface *surface)
{
    std::vector<std::pair<float, float>> out;
    for (List *node = surface->vertices; node; node = node->next) {
        const SurfaceVertex *entry = static_cast<SurfaceVertex *>(node->item);
        out.emplace_back(entry->u, entry->v);
    }
    return out;
}

void zirka_surface_set_type(Surface *surface, int type) { surface->type = static_cast<int8_t>(type); }
Pos3 zirka_surface_normal(const Surface *surface) { return surface->normal; }
Pos3 zirka_vertex_normal(const Vertex *vertex) { return vertex->normal; } // zero for a free-standing one

void zirka_object_each_vertex(const Object *object, const std::function<void(const Pos3 &)> &fn)
{
    object->records.vertices.for_each([&](const Vertex &v) { fn(v.pos); });
}

void zirka_object_each_surface(const Object *object, const std::function<void(const Surface *)> &fn)
{
    object->records.surfaces.for_each([&](const Surface *surface) { fn(surface); });
}

long zirka_vertex_index(const Vertex *vertex, const Object *object)
{
    return storage_vertex_index(vertex, static_cast<uint32_t>(object->id));
}

int zirka_surface_type(const Surface *surface) { return surface->type; }
std::pair<float, float> zirka_entry_uv(const SurfaceVertex *entry) { return {entry->u, entry->v}; }

long zirka_free_vertex_count(void) { return static_cast<long>(zirka_state().storage.free_vertices.size()); }
long zirka_records_in_use(void) { return storage_records_in_use(zirka_state().storage); }

/* ---- the C interface ------------------------------------------------------------------- */

extern "C" {

ZIRKA_API void ZIRKA_CALL zirka_object_get_contents(Object *object, int *vertex_count, int *surface_count,
                                                    int *child_count, List **vertices, List **surfaces,
                                                    List **children)
{
    assert(object && vertex_count && surface_count && child_count && vertices && surfaces && children &&
           "every output is filled");
    Storage &storage = zirka_state().storage;
    *vertex_count = static_cast<int>(object->records.vertices.size());
    *surface_count = static_cast<int>(object->records.surfaces.size());
    *child_count = 0;
    *vertices = storage_vertex_list(storage, object->records);
    *surfaces = storage_surface_list(storage, object->records);
    *children = nullptr; // the stand-in has no hierarchy
}

ZIRKA_API int ZIRKA_CALL zirka_object_get_type(Object *object) { return object->type; }

ZIRKA_API List *ZIRKA_CALL zirka_object_get_surfacelist(Object *object)
{
    return storage_surface_list(zirka_state().storage, object->records);
}

ZIRKA_API Vertex *ZIRKA_CALL zirka_object_get_vertex_at_index(Object *object, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= object->records.vertices.size())
        return nullptr;
    return &object->records.vertices[static_cast<size_t>(index)];
}

ZIRKA_API int ZIRKA_CALL surface_get_type(Surface *surface) { return surface->type; }

ZIRKA_API Object *ZIRKA_CALL new_object(int type) { return zirka_object_make(type); }

ZIRKA_API Surface *ZIRKA_CALL new_surface(void) { return storage_surface_new(zirka_state().storage); }

ZIRKA_API Vertex *ZIRKA_CALL new_vertex_set(float x, float y, float z)
{
    return storage_free_vertex_add(zirka_state().storage, Pos3{x, y, z});
}

ZIRKA_API Vertex *ZIRKA_CALL object_add_new_vertex(Object *object, const Pos3 *position)
{
    return storage_vertex_add(zirka_state().storage, object->records, static_cast<uint32_t>(object->id), *position);
}

ZIRKA_API SurfaceVertex *ZIRKA_CALL surface_add_vertex(Surface *surface, Vertex *vertex, float u, float v)
{
    // The count is 16 bits wide; a surface cannot hold more.
    if (surface->count == UINT16_MAX) {
        std::fprintf(stderr, "zirka: surface_add_vertex(): surface already holds %u vertices\n", UINT16_MAX);
        return nullptr;
    }
    return storage_entry_add(zirka_state().storage, surface, vertex, u, v);
}

// Without memory the surface stays loose (until zirka_reset), and the
// failure is counted: a running command fails.
ZIRKA_API void ZIRKA_CALL object_add_surface(Object *object, Surface *surface)
{
    storage_surface_take(zirka_state().storage, object->records, surface);
}

} // extern "C"
