// world.cpp -- objects, surfaces, vertices, the world, the ordered
// selection and the undo history.
#include "core_state.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

ZirkaState &zirka_state(void)
{
    static ZirkaState state;
    return state;
}

// Releases everything at exit too, so that leak checkers see only real leaks.
ZirkaState::~ZirkaState() { zirka_state_release(*this); }

void zirka_surface_release(Surface *surface)
{
    for (List *node = surface->vertices; node; node = node->next)
        delete static_cast<SurfaceVertex *>(node->item);
    zirka_internal_list_free(&surface->vertices);
    delete surface;
}

static void object_release_lists(Object *object)
{
    zirka_internal_list_free(&object->vertices);
    zirka_internal_list_free(&object->surfaces);
    zirka_internal_list_free(&object->children);
}

void zirka_state_release(ZirkaState &s)
{
    for (Surface *surface : s.surfaces)
        zirka_surface_release(surface);
    s.surfaces.clear();
    for (auto &object : s.objects)
        object_release_lists(object.get());
    s.objects.clear();
    s.free_vertices.clear();
    s.world.clear();
    s.selection.clear();
    zirka_internal_list_free(&s.selection_list);
    s.undo.clear();
    s.undo_done = 0;
    s.messages.clear();
    s.tcl_log.clear();
    s.tcl_errors.clear();
    s.redraws = 0;
    s.plugin_list_nodes = 0;
}

void zirka_reset(void) { zirka_state_release(zirka_state()); }

/* ---- objects -------------------------------------------------------------- */

Object *zirka_object_by_id(int id)
{
    for (auto &object : zirka_state().objects)
        if (object->id == id)
            return object.get();
    return nullptr;
}

int zirka_object_id(const Object *object) { return object->id; }
const std::string &zirka_object_name(const Object *object) { return object->name; }
void zirka_object_set_name(Object *object, const std::string &name) { object->name = name; }
int zirka_object_vertex_count(const Object *object) { return static_cast<int>(object->store.size()); }
int zirka_object_child_count(const Object *) { return 0; }
bool zirka_object_in_world(const Object *object) { return object->in_world; }

std::vector<Surface *> zirka_object_surfaces(const Object *object)
{
    std::vector<Surface *> out;
    for (List *node = object->surfaces; node; node = node->next)
        out.push_back(static_cast<Surface *>(node->item));
    return out;
}

std::vector<int> zirka_surface_vertex_indices(const Object *object, const Surface *surface)
{
    std::vector<int> out;
    for (List *node = surface->vertices; node; node = node->next) {
        const Vertex *v = static_cast<SurfaceVertex *>(node->item)->vertex;
        out.push_back(v && v->owner == object ? v->index : -1);
    }
    return out;
}

std::vector<std::pair<float, float>> zirka_surface_uvs(const Surface *surface)
{
    std::vector<std::pair<float, float>> out;
    for (List *node = surface->vertices; node; node = node->next) {
        const SurfaceVertex *sv = static_cast<SurfaceVertex *>(node->item);
        out.emplace_back(sv->u, sv->v);
    }
    return out;
}

void zirka_surface_set_type(Surface *surface, int type) { surface->type = type; }
Pos3 zirka_surface_normal(const Surface *surface) { return surface->normal; }
Pos3 zirka_vertex_normal(const Vertex *vertex) { return vertex->normal; }

/* ---- world, selection, undo ------------------------------------------------ */

std::vector<Object *> zirka_world_objects(void) { return zirka_state().world; }

void zirka_world_add_objects(const std::string &name, const std::vector<Object *> &objects)
{
    ZirkaState &s = zirka_state();
    // A new step makes the undone steps unreachable; their objects stay
    // owned by the host until the next reset.
    s.undo.resize(s.undo_done);
    s.undo.push_back(ZirkaUndoStep{name, objects});
    s.undo_done = s.undo.size();
    for (Object *object : objects) {
        assert(!object->in_world && "an object enters the world once");
        object->in_world = true;
        s.world.push_back(object);
    }
}

bool zirka_undo(void)
{
    ZirkaState &s = zirka_state();
    if (s.undo_done == 0)
        return false;
    const ZirkaUndoStep &step = s.undo[--s.undo_done];
    bool selection_changed = false;
    for (Object *object : step.objects) {
        object->in_world = false;
        s.world.erase(std::remove(s.world.begin(), s.world.end(), object), s.world.end());
        auto sel = std::remove(s.selection.begin(), s.selection.end(), object);
        if (sel != s.selection.end()) {
            s.selection.erase(sel, s.selection.end());
            selection_changed = true;
        }
    }
    if (selection_changed)
        zirka_selection_changed();
    return true;
}

bool zirka_redo(void)
{
    ZirkaState &s = zirka_state();
    if (s.undo_done == s.undo.size())
        return false;
    const ZirkaUndoStep &step = s.undo[s.undo_done++];
    for (Object *object : step.objects) {
        object->in_world = true;
        s.world.push_back(object);
    }
    return true;
}

std::vector<std::string> zirka_undo_names(void)
{
    const ZirkaState &s = zirka_state();
    std::vector<std::string> out;
    for (size_t i = 0; i < s.undo_done; i++)
        out.push_back(s.undo[i].name);
    return out;
}

std::vector<std::string> zirka_redo_names(void)
{
    const ZirkaState &s = zirka_state();
    std::vector<std::string> out;
    for (size_t i = s.undo_done; i < s.undo.size(); i++)
        out.push_back(s.undo[i].name);
    return out;
}

void zirka_selection_changed(void)
{
    ZirkaState &s = zirka_state();
    zirka_internal_list_free(&s.selection_list);
    List *tail = nullptr;
    for (Object *object : s.selection)
        zirka_internal_list_append(&s.selection_list, &tail, object);
}

bool zirka_select(const std::vector<int> &ids)
{
    std::vector<Object *> chosen;
    for (int id : ids) {
        Object *object = zirka_object_by_id(id);
        if (!object || !object->in_world)
            return false;
        chosen.push_back(object);
    }
    zirka_state().selection = chosen;
    zirka_selection_changed();
    return true;
}

std::vector<Object *> zirka_selection(void) { return zirka_state().selection; }

long zirka_redraw_count(void) { return zirka_state().redraws; }

long zirka_free_vertex_count(void) { return static_cast<long>(zirka_state().free_vertices.size()); }

void zirka_refresh_views(void)
{
    ZirkaState &s = zirka_state();
    if (s.has_front_end && s.front_end.redraw)
        s.front_end.redraw(s.front_end.context);
}

/* ---- the C interface --------------------------------------------------------- */

extern "C" {

ZIRKA_API List *ZIRKA_CALL zirka_selection_get_objects_ordered(void) { return zirka_state().selection_list; }

ZIRKA_API void ZIRKA_CALL zirka_object_get_contents(Object *object, int *vertex_count, int *surface_count,
                                                    int *child_count, List **vertices, List **surfaces,
                                                    List **children)
{
    assert(object && vertex_count && surface_count && child_count && vertices && surfaces && children &&
           "every output is filled");
    *vertex_count = static_cast<int>(object->store.size());
    *surface_count = object->surface_count;
    *child_count = 0;
    *vertices = object->vertices;
    *surfaces = object->surfaces;
    *children = object->children;
}

ZIRKA_API int ZIRKA_CALL zirka_object_get_type(Object *object) { return object->type; }

ZIRKA_API List *ZIRKA_CALL zirka_object_get_surfacelist(Object *object) { return object->surfaces; }

ZIRKA_API Vertex *ZIRKA_CALL zirka_object_get_vertex_at_index(Object *object, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= object->store.size())
        return nullptr;
    return &object->store[static_cast<size_t>(index)];
}

ZIRKA_API int ZIRKA_CALL surface_get_type(Surface *surface) { return surface->type; }

ZIRKA_API Object *ZIRKA_CALL new_object(int type)
{
    ZirkaState &s = zirka_state();
    auto object = std::make_unique<Object>();
    object->id = s.next_object_id++;
    object->type = type;
    object->name = "object" + std::to_string(object->id);
    object->in_world = false;
    s.objects.push_back(std::move(object));
    return s.objects.back().get();
}

ZIRKA_API Surface *ZIRKA_CALL new_surface(void)
{
    Surface *surface = new Surface{};
    surface->type = ZIRKA_SURFACE_POLYGON;
    zirka_state().surfaces.push_back(surface);
    return surface;
}

ZIRKA_API Vertex *ZIRKA_CALL new_vertex_set(float x, float y, float z)
{
    std::deque<Vertex> &arena = zirka_state().free_vertices;
    arena.push_back(Vertex{{x, y, z}, {0, 0, 0}, nullptr, -1});
    return &arena.back();
}

ZIRKA_API Vertex *ZIRKA_CALL object_add_new_vertex(Object *object, const Pos3 *position)
{
    int index = static_cast<int>(object->store.size());
    object->store.push_back(Vertex{*position, {0, 0, 0}, object, index});
    Vertex *v = &object->store.back();
    zirka_internal_list_append(&object->vertices, &object->vertices_tail, v);
    return v;
}

ZIRKA_API SurfaceVertex *ZIRKA_CALL surface_add_vertex(Surface *surface, Vertex *vertex, float u, float v)
{
    // The count is 16 bits wide; a surface cannot hold more.
    if (surface->count == UINT16_MAX) {
        std::fprintf(stderr, "zirka: surface_add_vertex(): surface already holds %u vertices\n", UINT16_MAX);
        return nullptr;
    }
    SurfaceVertex *entry = new SurfaceVertex{vertex, u, v};
    zirka_internal_list_append(&surface->vertices, &surface->tail, entry);
    surface->count++;
    return entry;
}

ZIRKA_API void ZIRKA_CALL object_add_surface(Object *object, Surface *surface)
{
    assert(!surface->owner && "a surface belongs to one object");
    surface->owner = object;
    zirka_internal_list_append(&object->surfaces, &object->surfaces_tail, surface);
    object->surface_count++;
}

ZIRKA_API void ZIRKA_CALL add_undoable_world_add_object(const char *name, Object *object)
{
    zirka_world_add_objects(name ? name : "", {object});
}

ZIRKA_API void ZIRKA_CALL redraw_all(void)
{
    zirka_state().redraws++;
    zirka_refresh_views();
}

} // extern "C"
