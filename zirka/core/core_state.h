/*
 * core_state.h -- the stand-in host's own records and its one state record,
 * shared by the files of zirka/core/ and by nothing else.
 *
 * The records that plug-ins read begin with the fields zirka_host.h
 * promises (checked by static_assert below); everything after those is the
 * host's own business. Objects keep their records in arenas (arena.h);
 * the plug-ins' lists and the selection use the node pool (nodes.h).
 */
#ifndef ZIRKA_CORE_STATE_H
#define ZIRKA_CORE_STATE_H

#include "zirka_core.h"

#include "arena.h"
#include "memory.h"
#include "nodes.h"
#include "segments.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// What every vertex record begins with. A free-standing vertex
// (new_vertex_set) is only this: its position and owner 0.
struct VertexHead {
    Pos3 pos;       // position, read and written in place by plug-ins
    uint32_t owner; // id of the object holding the vertex, 0 for a free-standing one
};

// An object's vertex. It begins as every vertex does, so a Vertex pointer is
// a Pos3 pointer, and it carries its own default surface entry: the entry
// {self} with texture coordinates 0, 0 that every surface naming the vertex
// that way shares (a surface's list items point at self).
struct Vertex {
    Pos3 pos;
    uint32_t owner;
    uint32_t index; // its index in the owner
    Pos3 normal;    // output of object_calc_normals_force
    Vertex *self;   // the default entry: always this vertex
};
static_assert(offsetof(Vertex, pos) == 0, "a Vertex must begin with its position");
static_assert(offsetof(Vertex, owner) == offsetof(VertexHead, owner), "every vertex has its owner in one place");

// A surface entry of its own: the vertex, then its texture coordinates. Used
// where the default entry does not serve (other coordinates, a free-standing
// vertex).
struct SurfaceVertex {
    Vertex *vertex;
    float u, v;
};
static_assert(offsetof(SurfaceVertex, vertex) == offsetof(SurfaceVertexHead, vertex),
              "a SurfaceVertex must begin with its Vertex pointer");

// A surface begins with its SurfaceVertex list and the 16-bit entry count.
// The nodes of its first four entries are part of the record (a quad needs
// no more); later ones come in chunks from the arena (SurfaceOverflow).
struct Surface {
    List *vertices;  // SurfaceVertex entries: nodes[0], nodes[1], ...
    uint16_t count;  // entries in vertices
    int8_t type;     // ZIRKA_SURFACE_*
    uint8_t taken;   // 1 once an object has taken the surface over
    Pos3 normal;     // output of object_calc_normals_force
    List nodes[4];
};
static_assert(offsetof(Surface, vertices) == offsetof(SurfaceHead, vertices),
              "a Surface must begin with its vertex list");
static_assert(offsetof(Surface, count) == offsetof(SurfaceHead, count),
              "the vertex count must follow the vertex list");

// The first chunk of nodes past a surface's fourth entry; nodes[3].next is
// its first node. It keeps the end of the list for every later chunk.
struct SurfaceOverflow {
    List *tail;       // the surface's last node
    List *room_end;   // end of the chunk tail is in
    Arena *arena;     // where later chunks come from
    size_t next_size; // nodes in the next chunk
    List nodes[1];    // (first_overflow nodes)
};

// A list of an object's vertices or surfaces as plug-ins read it: built on
// the first request, then kept up to date as more are added.
struct ObjectList {
    List *head = nullptr;
    List *tail = nullptr;
    size_t length = 0; // items in it
    bool wanted = false;
};

// Made with zirka_host_new, released by zirka_object_release.
struct Object {
    int id;
    int type;
    std::string name;
    bool in_world = false;
    uint32_t mark = 0;             // the state's mark_epoch when last found reachable
    Arena *arena;                  // its records; held
    HostVector<Arena *> borrowed;  // arenas of surfaces made elsewhere; held
    Segments<Vertex> vertices;
    Segments<Surface *> surfaces;
    ObjectList vertex_list, surface_list;
};

struct ZirkaUndoStep {
    HostString name;
    HostVector<Object *> objects;
};

// Free-standing vertices, in an arena of their own, kept until the next reset.
struct FreeVertices {
    Arena *arena = nullptr;
    long count = 0;
};

// What a transaction (transaction.cpp) needs to put the world back as it
// was: the world, the undo history and the selection as they were, the
// first id it could make, where the free-standing vertices stood, and the
// allocation failures counted before it began.
struct ZirkaTransaction {
    HostVector<Object *> world;
    HostVector<ZirkaUndoStep> undo;
    size_t undo_done = 0;
    HostVector<Object *> selection;
    int first_id = 0;
    long failures = 0;
    bool had_free_vertices = false;
    long free_vertex_count = 0;
    ArenaMark free_vertex_mark{};
    bool reset = false; // zirka_reset ran meanwhile: there is nothing to go back to
};

typedef std::unordered_map<int, Object *, std::hash<int>, std::equal_to<int>,
                           HostAllocator<std::pair<const int, Object *>>>
    ZirkaObjectTable;

// Everything the host knows. Objects and surfaces are owned here from the
// moment they are made, so an object a plug-in makes and never hands to the
// world is still released by zirka_reset (and, when a command made it, by
// the command's transaction as the command returns).
struct ZirkaState {
    NodePool nodes; // plug-ins' lists and the selection's
    long plugin_list_nodes = 0;
    Arenas arenas;
    int next_object_id = 1; // ids in use are never reused; see transaction.cpp for those never seen
    ZirkaObjectTable objects;
    FreeVertices free_vertices;
    HostVector<Object *> world;
    HostVector<Object *> selection;
    List *selection_list = nullptr;
    HostVector<ZirkaUndoStep> undo;
    size_t undo_done = 0; // steps [0, undo_done) are applied
    ZirkaTransaction *transaction = nullptr; // the one running, outermost
    uint32_t mark_epoch = 0;                  // for Object::mark
    std::vector<std::string> messages;
    std::vector<std::string> tcl_log;
    std::vector<std::string> tcl_errors;
    long redraws = 0;

    // Survive zirka_reset:
    std::vector<ZirkaCommand> commands;
    std::vector<ZirkaMenuItem> menu;
    std::vector<ZirkaPlugin> plugins;
    std::vector<std::string> plugin_errors;
    bool plugins_exited = false;
    ZirkaFrontEnd front_end{};
    bool has_front_end = false;

    ZirkaState() = default;
    ZirkaState(const ZirkaState &) = delete;
    ZirkaState &operator=(const ZirkaState &) = delete;
    ~ZirkaState();
};

// The one state. Every host operation asks for it, so it is a plain global
// (made before main, gone after the exit handlers) behind an inline reader.
extern ZirkaState zirka_the_state;
inline ZirkaState &zirka_state(void) { return zirka_the_state; }
// Releases what zirka_reset forgets.
void zirka_state_release(ZirkaState &state);

// Releases an object and every record it holds; it leaves the selection and
// the world first. Pointers to it and its records are dangling afterwards.
void zirka_object_release(Object *object);
// Releases every object and free-standing vertex.
void zirka_objects_release_all(ZirkaState &state);
// Gives back the ids from first_id up that no object holds any more, from
// the top down to the first one in use: the next object made gets the
// lowest of them.
void zirka_ids_give_back(int first_id);

// The entry's texture coordinates are 0, 0 and shared when it is its
// vertex's default entry.
inline bool zirka_entry_is_default(const SurfaceVertex *entry)
{
    const VertexHead *v = reinterpret_cast<const VertexHead *>(entry->vertex);
    return v && v->owner != 0 && reinterpret_cast<const void *>(&entry->vertex->self) == entry;
}

// The index of the vertex in object, or -1 when it is not the object's.
inline long zirka_vertex_index_in(const Vertex *vertex, const Object *object)
{
    const VertexHead *v = reinterpret_cast<const VertexHead *>(vertex);
    return v && v->owner == static_cast<uint32_t>(object->id) ? static_cast<long>(vertex->index) : -1;
}

// Removes the commands and menu items registered after the first commands
// and menu_items ones (a plug-in that failed to initialise), telling the
// front end.
void zirka_registry_truncate(size_t commands, size_t menu_items);

// Rebuilds the host list of the selection after it changed. Never fails
// when the selection has not grown; otherwise false, with the selection
// emptied, when there is no memory for its nodes.
bool zirka_selection_list_rebuild(void);

#endif /* ZIRKA_CORE_STATE_H */
