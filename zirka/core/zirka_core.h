/*
 * zirka_core.h -- the stand-in host's core as C++ (the Tcl front end and the
 * tests) sees it: the world behind the C interface of host/zirka_host.h,
 * with real records, objects, a world, an ordered selection, an undo
 * history, and the plug-in loader. It uses no Tcl: a front end installs
 * itself (zirka_set_front_end); without one the core records what it was
 * asked, and commands are called with zirka_command_call.
 *
 * Ownership: the host owns every object and surface from the moment it is
 * made. Pointers to them stay valid across undo and redo until the object
 * is freed: by zirka_reset (or at exit); when a new step makes the undone
 * step holding it unreachable (unless it enters the world again with that
 * step); or when the command that made it returns. A surface goes with the
 * object that took it over; an entry is as good as its vertex. One thread.
 *
 * Commands: a plug-in command runs as one transaction (zirka_command_run).
 * When it returns, the host frees what it made and kept nowhere: objects in
 * no undo step, surfaces no object took over, free-standing vertices. Made
 * outside a command, those surfaces and vertices stay until zirka_reset.
 * Ids so freed are given back when no later id is in use.
 *
 * Memory: no host operation throws or aborts when memory runs out. One that
 * makes something returns NULL (list_add_item leaves the list as it was),
 * another leaves its work undone; the failure is counted. A command during
 * which an allocation failed is undone whole when it returns, and "out of
 * memory: NAME was cancelled, nothing changed" is shown as a message.
 */
#ifndef ZIRKA_CORE_H
#define ZIRKA_CORE_H

#include "zirka_heads.h"

#include <functional>
#include <string>
#include <vector>

/* ---- state ---------------------------------------------------------------- */

// Forgets the world, every object and surface made so far, the selection,
// the undo history, the messages, the Tcl log and errors, the redraw count,
// the free-standing vertices and the plug-in list node count. Registered
// commands, menu items and loaded plug-ins stay. Object ids go on counting.
void zirka_reset(void);

// List nodes made by list_add_item / list_clone since the last zirka_reset,
// less those list_free released; not the host's own lists. A command that
// released every list it made leaves this number as it found it.
long zirka_plugin_list_nodes(void);

// The free-standing vertices (new_vertex_set) the host holds now.
long zirka_free_vertex_count(void);

// Records handed out and not taken back: list nodes (not those of objects'
// own lists), surfaces, surface entries and free-standing vertices. A
// command undone whole leaves this number as it found it.
long zirka_records_in_use(void);

/* ---- memory ---------------------------------------------------------------- */

// The allocation failures met since the host started (see Memory above).
long zirka_memory_failures(void);

// For tests: the n-th allocation from now fails (1: the next), and with
// every_after each one after it too; 0 fails none. Restarts the count.
void zirka_memory_fail_at(long n, bool every_after);
// The host's allocations since the last zirka_memory_fail_at.
long zirka_memory_allocations(void);

/* ---- objects -------------------------------------------------------------- */

// The object with that id, in the world or not; NULL once it is freed.
Object *zirka_object_by_id(int id);
// Small integers in creation order (see Commands above).
int zirka_object_id(const Object *object);
const std::string &zirka_object_name(const Object *object);
void zirka_object_set_name(Object *object, const std::string &name);
int zirka_object_vertex_count(const Object *object);
// The object's surfaces in the order in which they were added.
std::vector<Surface *> zirka_object_surfaces(const Object *object);
bool zirka_object_in_world(const Object *object);
// Frees objects made (new_object) and never handed to the world, and gives
// back their ids at the top, as if they had never been made.
void zirka_objects_discard(const std::vector<Object *> &made);

// The object-vertex index of each entry, in order; -1 for an entry whose
// vertex is not one of the object's (e.g. a free-standing one). O(1) each.
std::vector<int> zirka_surface_vertex_indices(const Object *object, const Surface *surface);
// The texture coordinates (u, v) of each entry, in order.
std::vector<std::pair<float, float>> zirka_surface_uvs(const Surface *surface);
void zirka_surface_set_type(Surface *surface, int type);
// Normals as object_calc_normals_force left them (zero before the first call).
Pos3 zirka_surface_normal(const Surface *surface);
Pos3 zirka_vertex_normal(const Vertex *vertex);

/* ---- world, selection, undo ------------------------------------------------ */

// The objects in the world, in the order in which they entered it.
std::vector<Object *> zirka_world_objects(void);
// Adds the objects (the world takes them over) as one undoable step called
// name. A step after an undo drops the steps that could have been redone
// and frees their objects (see Ownership; in a transaction, as it ends).
// False, changing nothing, without memory for the step.
bool zirka_world_add_objects(const std::string &name, const std::vector<Object *> &objects);
// Undoes (redoes) the last step; false when there is none (redo: or no
// memory for it). Undone objects also leave the selection.
bool zirka_undo(void);
bool zirka_redo(void);
// The names of the applied undo steps, oldest first.
std::vector<std::string> zirka_undo_names(void);
// The names of the steps that zirka_redo would restore, next first.
std::vector<std::string> zirka_redo_names(void);

// Sets the ordered selection; false, changing nothing, when an id names no
// object in the world or one named already, or without memory for it.
bool zirka_select(const std::vector<int> &ids);
std::vector<Object *> zirka_selection(void);

/* ---- messages, Tcl, commands, menu ------------------------------------------ */

// Shows a message of the host's own as windows_message_dialog does a
// plug-in's: recorded, printed on stdout as one line, handed to the front end.
void zirka_message_show(const std::string &text) noexcept;
const std::vector<std::string> &zirka_messages(void); // windows_message_dialog texts, and the host's own
void zirka_messages_clear(void);
const std::vector<std::string> &zirka_tcl_log(void);    // what tcl_command was asked to evaluate
const std::vector<std::string> &zirka_tcl_errors(void); // error messages of those evaluations
long zirka_redraw_count(void); // redraw_all calls since the last reset
// Refreshes the views without counting as a redraw_all (the host's own
// redraws after loading, undo and reset).
void zirka_refresh_views(void);

// A command registered with zirka_add_command_full.
struct ZirkaCommand {
    std::string name;
    ZirkaCommandHandler handler;
    int flags;
    std::string arg_style, synopsis, description;
};
// An entry of the Tools menu.
struct ZirkaMenuItem {
    std::string label, command, help;
};

// What became of a command run through zirka_command_run.
struct ZirkaCommandOutcome {
    bool out_of_memory = false; // an allocation failed: the command was undone whole
    std::vector<int> added;     // ids of the objects it added to the world, in world order
};

// Runs call (a command's handler and what the caller wraps round it) as one
// transaction (see Commands and Memory above); within one, only runs call.
ZirkaCommandOutcome zirka_command_run(const std::string &name, const std::function<void()> &call);
// The same without the message: false when an allocation failed during
// body (everything is then as it was before).
bool zirka_transaction(const std::function<void()> &body);

const std::vector<ZirkaCommand> &zirka_commands(void);
const ZirkaCommand *zirka_command_find(const std::string &name);
// Calls a registered command's handler with argc strings, the name first,
// through zirka_command_run; false when no command has that name. *outcome
// (may be NULL) says what became of it.
bool zirka_command_call(const std::string &name, int argc, const char **argv, ZirkaCommandOutcome *outcome = nullptr);
// The Tools menu in registration order. A label names one item: adding a
// label again replaces its item (in place) and tells the front end again.
const std::vector<ZirkaMenuItem> &zirka_menu_items(void);
const ZirkaMenuItem *zirka_menu_find(const std::string &label);

// What the core calls when it needs an interpreter or a display, handing
// back context. Any member may be NULL.
struct ZirkaFrontEnd {
    void *context;
    // Evaluates script at global level; returns the Tcl code, and on error
    // the error message in *error.
    int (*eval)(void *context, const char *script, std::string *error);
    void (*command_added)(void *context, const ZirkaCommand *command);
    void (*command_removed)(void *context, const std::string &name);
    void (*menu_item_added)(void *context, const ZirkaMenuItem *item);
    void (*message_shown)(void *context, const std::string &text);
    void (*redraw)(void *context);
};
// Installs (front_end != NULL, copied) or removes the front end.
void zirka_set_front_end(const ZirkaFrontEnd *front_end);
// The installed front end's context, NULL when there is none.
void *zirka_front_end_context(void);

/* ---- plug-ins ---------------------------------------------------------------- */

// A loaded plug-in, and what the loader keeps to say goodbye to it.
struct ZirkaPlugin {
    std::string file, about, info;
    void *library;                 // the loaded library's handle
    ZirkaPluginExitProc exit_proc; // its ZIRKAPluginExit
};

// Loads every "*.p" file in folder, in name order, and returns how many
// loaded (none from a missing folder). Each failure is written to stderr
// as one line and recorded (zirka_plugin_errors); the others still load.
int zirka_load_plugin_folder(const std::string &folder);
// Loads one plug-in file and calls its ZIRKAPluginInit with folder (trailing
// separators removed). False, with the reason in *error (may be NULL), when
// it is not a complete library (zirka_library_complete: the platform's
// loader never sees it), cannot be loaded, lacks an entry point or fails to
// initialise; the library is then unloaded, and the commands and menu items
// it registered meanwhile are removed.
bool zirka_load_plugin(const std::string &file, const std::string &folder, std::string *error);
// Whether file, when it is an ELF or PE library, holds every part its
// headers name; false with "plug-in "FILE" is not a complete library: ..."
// in *why (may be NULL) when it was cut short. Files of other kinds, and
// files that cannot be opened, are left to the platform's loader (true).
bool zirka_library_complete(const std::string &file, std::string *why);
const std::vector<ZirkaPlugin> &zirka_plugins(void);
const std::vector<std::string> &zirka_plugin_errors(void);
// Calls ZIRKAPluginExit of every loaded plug-in, last loaded first, once.
// Loaded plug-ins stay loaded. Registered with atexit by the first load.
void zirka_plugins_exit(void);

/* ---- walking an object's records ----------------------------------------------- */

// Calls fn(position) for each of the object's vertices, in order.
void zirka_object_each_vertex(const Object *object, const std::function<void(const Pos3 &)> &fn);
// Calls fn(surface) for each of the object's surfaces, in order.
void zirka_object_each_surface(const Object *object, const std::function<void(const Surface *)> &fn);
// The vertex's index in object, or -1 when it is not one of the object's.
long zirka_vertex_index(const Vertex *vertex, const Object *object);
// The surface's type (ZIRKA_SURFACE_*).
int zirka_surface_type(const Surface *surface);
// Whether an object's polygons close it: edges (pairs of its vertex
// indices) in one polygon only (open), in more than two (crowded), used
// twice the same way; closed when there are edges, none open and none
// crowded; the volume the polygons enclose, positive when they face out
// (meaningful when closed).
struct ZirkaCheck {
    long open_edges, crowded_edges, same_way_edges;
    bool closed;
    double volume;
};
ZirkaCheck zirka_object_check(const Object *object);
// A surface entry's texture coordinates (u, v).
std::pair<float, float> zirka_entry_uv(const SurfaceVertex *entry);

#endif /* ZIRKA_CORE_H */
