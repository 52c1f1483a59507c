/*
 * core_state.h -- the stand-in host's own records and its one state record,
 * shared by the files of zirka/core/ and by nothing else.
 *
 * The records that plug-ins read begin with the fields zirka_host.h
 * promises (checked by static_assert below); everything after those is the
 * host's own business.
 */
#ifndef ZIRKA_CORE_STATE_H
#define ZIRKA_CORE_STATE_H

#include "zirka_core.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// A vertex begins with its position, so a Vertex pointer is a Pos3 pointer.
struct Vertex {
    Pos3 pos;    // position, read and written in place by plug-ins
    Pos3 normal; // output of object_calc_normals_force
    Object *owner; // the object holding the vertex, NULL for a free-standing one
    int index;     // its index in owner
};
static_assert(offsetof(Vertex, pos) == 0, "a Vertex must begin with its position");

// One entry of a surface's vertex list: the vertex, then its texture coordinates.
struct SurfaceVertex {
    Vertex *vertex;
    float u, v;
};
static_assert(offsetof(SurfaceVertex, vertex) == offsetof(SurfaceVertexHead, vertex),
              "a SurfaceVertex must begin with its Vertex pointer");

// A surface begins with its SurfaceVertex list and the 16-bit entry count.
struct Surface {
    List *vertices;  // SurfaceVertex entries (host-internal nodes)
    uint16_t count;  // entries in vertices
    int type;        // ZIRKA_SURFACE_*
    Pos3 normal;     // output of object_calc_normals_force
    List *tail;      // last node of vertices, for O(1) appends
    Object *owner;   // the object holding the surface, NULL while free
};
static_assert(offsetof(Surface, vertices) == offsetof(SurfaceHead, vertices),
              "a Surface must begin with its vertex list");
static_assert(offsetof(Surface, count) == offsetof(SurfaceHead, count),
              "the vertex count must follow the vertex list");

struct Object {
    int id;
    int type;
    std::string name;
    bool in_world;
    std::deque<Vertex> store;         // the vertices; a deque keeps their addresses
    List *vertices = nullptr;         // the same vertices as a host list, in order
    List *vertices_tail = nullptr;
    List *surfaces = nullptr;         // Surface entries, in order
    List *surfaces_tail = nullptr;
    int surface_count = 0;
    List *children = nullptr;         // always empty: the stand-in has no hierarchy
};

struct ZirkaUndoStep {
    std::string name;
    std::vector<Object *> objects;
};

// Everything the host knows. Objects and surfaces are owned here from the
// moment they are made, so an object a plug-in makes and never hands to the
// world is still released by zirka_reset.
struct ZirkaState {
    long plugin_list_nodes = 0;
    int next_object_id = 1; // ids are never reused within a run
    std::vector<std::unique_ptr<Object>> objects;
    std::vector<Surface *> surfaces;
    std::deque<Vertex> free_vertices;
    std::vector<Object *> world;
    std::vector<Object *> selection;
    List *selection_list = nullptr;
    std::vector<ZirkaUndoStep> undo;
    size_t undo_done = 0; // steps [0, undo_done) are applied
    std::vector<std::string> messages;
    std::vector<std::string> tcl_log;
    std::vector<std::string> tcl_errors;
    long redraws = 0;

    // Survive zirka_reset:
    std::vector<ZirkaCommand> commands;
    std::vector<ZirkaMenuItem> menu;
    std::vector<ZirkaPlugin> plugins;
    std::vector<std::string> plugin_errors;
    ZirkaFrontEnd front_end{};
    bool has_front_end = false;

    ~ZirkaState();
};

ZirkaState &zirka_state(void);
// Releases what zirka_reset forgets.
void zirka_state_release(ZirkaState &state);

// Host-internal lists: same nodes as the plug-ins' lists, not counted by
// zirka_plugin_list_nodes. *tail is the last node (or NULL for an empty list).
void zirka_internal_list_append(List **head, List **tail, void *item);
void zirka_internal_list_free(List **head);

// Releases a surface, its entries and its nodes.
void zirka_surface_release(Surface *surface);

// Rebuilds the host list of the selection after it changed.
void zirka_selection_changed(void);

#endif /* ZIRKA_CORE_STATE_H */
