/*
 * core_state.h -- the host's one state record and its objects, shared by
 * the files of zirka/core/ alone. The records plug-ins read are laid out by
 * storage.h; who makes, hands over, undoes and frees objects is world.cpp's
 * business alone.
 */
#ifndef ZIRKA_CORE_STATE_H
#define ZIRKA_CORE_STATE_H

#include "zirka_core.h"

#include "memory.h"
#include "storage.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// Made with new_object, freed by world.cpp.
struct Object {
    int id;
    int type;
    std::string name;
    bool in_world = false;   // in the world now
    bool in_history = false; // held by an undo step, applied or undone
    bool selected = false;   // in the selection
    long made_at = -1;       // its place in the running transaction's made, -1: none
    ObjectRecords records;
};

struct ZirkaUndoStep {
    HostString name;
    HostVector<Object *> objects;
};

// A running command's transaction (transaction.cpp): the state as it was
// before, to put back, and what the command made.
struct ZirkaTransaction {
    HostVector<Object *> world;
    HostVector<ZirkaUndoStep> undo;
    size_t undo_done = 0;
    HostVector<Object *> selection;
    HostVector<Object *> made; // every object made meanwhile, in order (NULL: freed since)
    int first_id = 0;          // the first id it could make
    size_t free_vertices = 0;  // free-standing vertices before it began
    size_t loose = 0;          // loose surfaces before it began
    long failures = 0;         // allocation failures before it began
    bool reset = false;        // zirka_reset ran meanwhile: there is nothing to go back to
};

// The allocator's test hook (zirka_memory_fail_at) and failure count.
struct MemoryPlan {
    long fail_at = 0;
    bool every_after = false;
    long counted = 0;
    long failures = 0; // every allocation failure met since the host started
};

typedef std::unordered_map<int, Object *, std::hash<int>, std::equal_to<int>,
                           HostAllocator<std::pair<const int, Object *>>>
    ZirkaObjectTable;

// Everything the host knows.
struct ZirkaState {
    MemoryPlan memory;
    Storage storage;
    long plugin_list_nodes = 0;
    int next_object_id = 1; // see world.cpp for the ids that are given back
    ZirkaObjectTable objects;
    HostVector<Object *> world;
    HostVector<Object *> selection;
    List *selection_list = nullptr;
    HostVector<ZirkaUndoStep> undo;
    size_t undo_done = 0; // steps [0, undo_done) are applied
    ZirkaTransaction *transaction = nullptr; // the one running, outermost
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
    ZirkaFrontEnd front_end{}; // all NULL when there is none

    ZirkaState() = default;
    ZirkaState(const ZirkaState &) = delete;
    ZirkaState &operator=(const ZirkaState &) = delete;
    ~ZirkaState();
};

// The one state: a plain global, made before main and gone after the exit
// handlers.
extern ZirkaState zirka_the_state;
inline ZirkaState &zirka_state(void) { return zirka_the_state; }
// Forgets every object, the world, the history and the selection (world.cpp).
void zirka_world_release_all(ZirkaState &state);
// A new object, not in the world, recorded by a running transaction; NULL
// without memory (world.cpp).
Object *zirka_object_make(int type);
// Frees those of the objects (NULL ones skipped) that are in no undo step,
// each leaving the selection first; then gives back the unused ids from
// first_id up, from the top down to the first one in use (world.cpp).
void zirka_objects_free(const HostVector<Object *> &objects, int first_id);
// Sets every object's in_world, in_history and selected marks from the
// world, the history and the selection (after a transaction put them back).
void zirka_world_mark_all(void);

// A list node from the pool holding item, next NULL; NULL without memory
// (list.cpp). zirka_nodes_give puts back every node of a list and returns
// how many there were.
List *zirka_node_take(void *item);
long zirka_nodes_give(List *head);

// Keeps the first commands commands and menu_items menu items (removing
// those a plug-in that failed to initialise registered), telling the front
// end.
void zirka_registry_truncate(size_t commands, size_t menu_items);

// Rebuilds the host list of the selection after it changed. Never fails
// when the selection has not grown; otherwise false, with the selection
// emptied, when there is no memory for its nodes.
bool zirka_selection_list_rebuild(void);

#endif /* ZIRKA_CORE_STATE_H */
