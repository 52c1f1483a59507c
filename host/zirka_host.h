/*
 * zirka_host.h -- the host application's C interface, as plug-ins see it.
 *
 * The host executable (zirka.exe) exports every function declared here under
 * its plain name with the C calling convention; a plug-in imports them by
 * name and includes nothing else of the host.
 *
 * Records: the host's records are opaque. A plug-in reads only their leading
 * fields, described by the *Head records below; the host's own records carry
 * more fields after these. Never take the size of a host record, never
 * allocate one: the host makes them all.
 *
 * Memory: an operation that makes something returns NULL (list_add_item:
 * leaves the list as it was) when the host has no memory for it; nothing
 * else changes then. A plug-in command that meets such a failure should
 * stop and release what it holds. When the command returns, the host
 * discards everything the command made and restores the world and the undo
 * history as they were before it, and tells the user it ran out of memory;
 * the host itself goes on running.
 *
 * What a command leaves behind: when a command handler returns, the host
 * frees every object the command made (new_object) that is in no undo
 * step, every surface it made (new_surface) that no object took over, and
 * every free-standing vertex it made with new_vertex_set. Only what entered
 * the world through add_undoable_world_add_object stays. A plug-in must
 * therefore keep nothing of these from one call to the next.
 *
 * This header is plain C. Only ever append to it: plug-ins built against an
 * older copy must keep working.
 */
#ifndef ZIRKA_HOST_H
#define ZIRKA_HOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every function and function pointer that crosses the host/plug-in boundary
 * uses the C calling convention; on 32-bit Windows a mismatch corrupts the
 * stack silently. */
#if defined(_WIN32)
#define ZIRKA_CALL __cdecl
#else
#define ZIRKA_CALL
#endif

/* ZIRKA_HOST_BUILD is defined only while building the host itself, which
 * exports these functions; plug-ins import them. */
#if defined(_WIN32)
#if defined(ZIRKA_HOST_BUILD)
#define ZIRKA_API __declspec(dllexport)
#else
#define ZIRKA_API __declspec(dllimport)
#endif
#elif defined(ZIRKA_HOST_BUILD)
#define ZIRKA_API __attribute__((visibility("default")))
#else
#define ZIRKA_API
#endif

/* ---- records ------------------------------------------------------------ */

/* Three single-precision floats: a position or a direction. */
typedef struct Pos3 {
    float x, y, z;
} Pos3;

/* The host's singly linked list. A list is the pointer to its first node;
 * NULL is the empty list. Plug-ins walk lists by following next. */
typedef struct List {
    void *item;        /* the element */
    struct List *next; /* next node, NULL at the end */
} List;

typedef struct Object Object;               /* opaque */
typedef struct Surface Surface;             /* begins with SurfaceHead */
typedef struct SurfaceVertex SurfaceVertex; /* begins with SurfaceVertexHead */
typedef struct Vertex Vertex;               /* begins with its Pos3 position */

/* Leading fields of a Surface. */
typedef struct SurfaceHead {
    List *vertices;  /* SurfaceVertex entries, in surface order */
    uint16_t count;  /* number of entries in vertices */
} SurfaceHead;

/* Leading fields of a SurfaceVertex (one entry of a surface's vertex list). */
typedef struct SurfaceVertexHead {
    Vertex *vertex; /* the object's vertex that this entry refers to */
} SurfaceVertexHead;

/* The plug-in side's readers of these leading fields are in zirka_heads.h. */

/* Object types. */
#define ZIRKA_OBJECT_NORMAL 0

/* Surface types. Every type other than ZIRKA_SURFACE_LINE is closed. */
#define ZIRKA_SURFACE_POLYGON 0
#define ZIRKA_SURFACE_CLOSED_LINE 1
#define ZIRKA_SURFACE_LINE 2 /* open line (polyline) */

/* ---- plug-in entry points ------------------------------------------------ */

/* The record handed to ZIRKAPluginInit. Only folder is part of the contract:
 * it is the second pointer-sized field. */
typedef struct ZirkaInitRecord {
    void *host;         /* reserved for the host */
    const char *folder; /* the folder holding the plug-in, NUL-terminated */
} ZirkaInitRecord;

typedef int(ZIRKA_CALL *ZirkaPluginInitProc)(ZirkaInitRecord *record);
typedef int(ZIRKA_CALL *ZirkaPluginExitProc)(void);
typedef const char *(ZIRKA_CALL *ZirkaPluginTextProc)(void);

/* A command handler: argc strings in argv, the command's name first. The
 * strings belong to the host and live for the duration of the call. */
typedef void(ZIRKA_CALL *ZirkaCommandHandler)(int argc, const char **argv);

/* ---- Tcl, menu and messages --------------------------------------------- */

/* Registers the Tcl command name, run by handler. flags is 0; arg_style is
 * "argv" (the handler receives the argument strings); synopsis and
 * description are shown in the host's command help. Returns 0. */
ZIRKA_API int ZIRKA_CALL zirka_add_command_full(const char *name, ZirkaCommandHandler handler, int flags,
                                                const char *arg_style, const char *synopsis,
                                                const char *description);

/* Adds label to the Tools menu; choosing it evaluates the Tcl script command. */
ZIRKA_API void ZIRKA_CALL zirka_add_tools_menu_item(const char *label, const char *command, const char *help);

/* Formats (printf-style) and evaluates one Tcl command in the host's
 * interpreter. Returns the Tcl completion code (0 is success). */
ZIRKA_API int ZIRKA_CALL tcl_command(const char *format, ...);

/* Rewrites the file path in place into the form in which it may stand inside
 * a Tcl command (on Windows: backslash separators become forward slashes).
 * The string never grows. */
ZIRKA_API void ZIRKA_CALL zirka_unbackslash_string(char *path);

/* Formats (printf-style) and shows a message to the user. */
ZIRKA_API void ZIRKA_CALL windows_message_dialog(const char *format, ...);

/* ---- selection and objects ------------------------------------------------ */

/* The selected objects in the order in which they were selected. The list
 * belongs to the host and stays valid until the selection changes. */
ZIRKA_API List *ZIRKA_CALL zirka_selection_get_objects_ordered(void);

/* Fills all six outputs (none may be NULL). The lists belong to the object. */
ZIRKA_API void ZIRKA_CALL zirka_object_get_contents(Object *object, int *vertex_count, int *surface_count,
                                                    int *child_count, List **vertices, List **surfaces,
                                                    List **children);

/* The object's type (ZIRKA_OBJECT_NORMAL for ordinary geometry). */
ZIRKA_API int ZIRKA_CALL zirka_object_get_type(Object *object);

/* The object's surfaces, a list of Surface, owned by the object. */
ZIRKA_API List *ZIRKA_CALL zirka_object_get_surfacelist(Object *object);

/* The object's vertex at a 0-based index, vertices numbered in the order in
 * which they were added; NULL when the index is out of range. O(1). */
ZIRKA_API Vertex *ZIRKA_CALL zirka_object_get_vertex_at_index(Object *object, int index);

/* The surface's type (ZIRKA_SURFACE_LINE for an open line). */
ZIRKA_API int ZIRKA_CALL surface_get_type(Surface *surface);

/* A new, empty object of the given type, not yet in the world; NULL when the
 * host has no memory for it. It belongs to the caller until
 * add_undoable_world_add_object takes it over. */
ZIRKA_API Object *ZIRKA_CALL new_object(int type);

/* A new, empty surface (NULL when the host has no memory for it); it belongs
 * to the object it is added to. */
ZIRKA_API Surface *ZIRKA_CALL new_surface(void);

/* A new free-standing vertex at (x, y, z), or NULL when the host has no
 * memory for it. The host owns it and has no release operation for it; it
 * frees it when the command that made it returns. */
ZIRKA_API Vertex *ZIRKA_CALL new_vertex_set(float x, float y, float z);

/* Appends a new vertex at a copy of *position to the object; returns it, or
 * NULL (adding nothing) when the host has no memory for it. */
ZIRKA_API Vertex *ZIRKA_CALL object_add_new_vertex(Object *object, const Pos3 *position);

/* Appends a reference to vertex, with texture coordinates (u, v), to the
 * surface; returns the new entry, or NULL (adding nothing) when the surface
 * already holds 65535 entries, the most its 16-bit count can say, or the
 * host has no memory for the entry. */
ZIRKA_API SurfaceVertex *ZIRKA_CALL surface_add_vertex(Surface *surface, Vertex *vertex, float u, float v);

/* Appends the surface to the object, which takes it over. */
ZIRKA_API void ZIRKA_CALL object_add_surface(Object *object, Surface *surface);

/* Recomputes the object's surface and vertex normals. */
ZIRKA_API void ZIRKA_CALL object_calc_normals_force(Object *object);

/* Adds the object to the world as one undoable step called name. The world
 * takes the object over. */
ZIRKA_API void ZIRKA_CALL add_undoable_world_add_object(const char *name, Object *object);

/* Redraws every view. */
ZIRKA_API void ZIRKA_CALL redraw_all(void);

/* ---- lists ----------------------------------------------------------------- */

/* Number of nodes. */
ZIRKA_API int ZIRKA_CALL list_count(List *list);

/* A new list with the same items in the same order; the caller owns its
 * nodes. NULL for an empty list, and when the host has no memory for the
 * nodes (then none is made). */
ZIRKA_API List *ZIRKA_CALL list_clone(List *list);

/* The item at a 0-based index; NULL when the index is out of range. */
ZIRKA_API void *ZIRKA_CALL list_get_item(List *list, int index);

/* Appends item at the end of the list *list, creating the list if it is
 * empty. Walks to the end: pass the address of the last node's next field
 * to append in O(1). When the host has no memory for the node the list is
 * left as it was (the NULL at its end stays NULL). */
ZIRKA_API void ZIRKA_CALL list_add_item(List **list, void *item);

/* Releases the list's nodes (not the items) and sets *list to NULL. */
ZIRKA_API void ZIRKA_CALL list_free(List **list);

#ifdef __cplusplus
}
#endif

#endif /* ZIRKA_HOST_H */
