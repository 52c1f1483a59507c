// probe_commands.cpp -- the host:: probes that tests use to look inside the
// host: reset, list node and redraw counts, the Tcl log and errors, normals,
// the undo history, registered commands, plug-ins and free-standing
// vertices; and the hook that makes the host's allocations fail.
#include "zirka_tcl.h"

#include "tcl_values.h"
#include "zirka_core.h"

/*
 * reset_cmd --  host::reset
 * Results: empty.
 * Side effects: forgets the world (zirka_reset) and refreshes the views.
 */
static int reset_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    zirka_reset();
    zirka_refresh_views();
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 * lists_cmd --  host::lists
 * Results: the plug-ins' list nodes not yet released (zirka_plugin_list_nodes).
 */
static int lists_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_plugin_list_nodes()));
    return TCL_OK;
}

/*
 * free_vertices_cmd --  host::free_vertices
 * Results: the free-standing vertices the host holds (zirka_free_vertex_count).
 */
static int free_vertices_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_free_vertex_count()));
    return TCL_OK;
}

/*
 * redraws_cmd --  host::redraws
 * Results: the redraw_all calls since the last reset.
 */
static int redraws_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_redraw_count()));
    return TCL_OK;
}

/*
 * tcl_log_cmd --  host::tcl_log
 * Results: the scripts handed to tcl_command since the last reset.
 */
static int tcl_log_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, zirka_tcl_string_list(zirka_tcl_log()));
    return TCL_OK;
}

/*
 * tcl_errors_cmd --  host::tcl_errors
 * Results: the error messages of those scripts.
 */
static int tcl_errors_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, zirka_tcl_string_list(zirka_tcl_errors()));
    return TCL_OK;
}

/*
 * normals_cmd --  host::normals ID
 * Results: the vertex normals of the object's vertices, in order, as {x y z}.
 */
static int normals_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Object *object;
    if (zirka_tcl_object_argument(interp, objc, objv, &object) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, zirka_tcl_vertex_list(object, true));
    return TCL_OK;
}

/*
 * history_cmd --  host::history
 * Results: the names of the applied undo steps, oldest first.
 */
static int history_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, zirka_tcl_string_list(zirka_undo_names()));
    return TCL_OK;
}

/*
 * commands_cmd --  host::commands
 * Results: dict name -> {synopsis S description D arg_style A flags F}.
 */
static int commands_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_Obj *dict = Tcl_NewDictObj();
    for (const ZirkaCommand &command : zirka_commands()) {
        Tcl_Obj *entry = Tcl_NewDictObj();
        zirka_tcl_dict_put(entry, "synopsis", zirka_tcl_string(command.synopsis));
        zirka_tcl_dict_put(entry, "description", zirka_tcl_string(command.description));
        zirka_tcl_dict_put(entry, "arg_style", zirka_tcl_string(command.arg_style));
        zirka_tcl_dict_put(entry, "flags", Tcl_NewIntObj(command.flags));
        Tcl_DictObjPut(nullptr, dict, zirka_tcl_string(command.name), entry);
    }
    Tcl_SetObjResult(interp, dict);
    return TCL_OK;
}

/*
 * plugins_cmd --  host::plugins
 * Results: one dict per loaded plug-in: file, about, info.
 */
static int plugins_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const ZirkaPlugin &plugin : zirka_plugins()) {
        Tcl_Obj *dict = Tcl_NewDictObj();
        zirka_tcl_dict_put(dict, "file", zirka_tcl_string(plugin.file));
        zirka_tcl_dict_put(dict, "about", zirka_tcl_string(plugin.about));
        zirka_tcl_dict_put(dict, "info", zirka_tcl_string(plugin.info));
        Tcl_ListObjAppendElement(nullptr, list, dict);
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/*
 * memory_fail_at_cmd --  host::memory_fail_at N ?EVERY_AFTER?
 *   The host's N-th allocation from now fails (and with EVERY_AFTER true,
 *   every one after it); 0 fails none (zirka_memory_fail_at).
 * Results: the allocation failures the host has met so far.
 */
static int memory_fail_at_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    long n;
    int every_after = 0;
    if (objc != 2 && objc != 3) {
        Tcl_WrongNumArgs(interp, 1, objv, "n ?every_after?");
        return TCL_ERROR;
    }
    if (Tcl_GetLongFromObj(interp, objv[1], &n) != TCL_OK ||
        (objc == 3 && Tcl_GetBooleanFromObj(interp, objv[2], &every_after) != TCL_OK))
        return TCL_ERROR;
    zirka_memory_fail_at(n, every_after != 0);
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_memory_failures()));
    return TCL_OK;
}

/*
 * memory_allocations_cmd --  host::memory_allocations
 * Results: the host's allocations since the last host::memory_fail_at.
 */
static int memory_allocations_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_no_arguments(interp, objc, objv) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_memory_allocations()));
    return TCL_OK;
}

int zirka_tcl_probe_commands(Tcl_Interp *interp)
{
    static const ZirkaTclCommand commands[] = {
        {"::host::reset", reset_cmd},
        {"::host::lists", lists_cmd},
        {"::host::free_vertices", free_vertices_cmd},
        {"::host::redraws", redraws_cmd},
        {"::host::tcl_log", tcl_log_cmd},
        {"::host::tcl_errors", tcl_errors_cmd},
        {"::host::normals", normals_cmd},
        {"::host::history", history_cmd},
        {"::host::commands", commands_cmd},
        {"::host::plugins", plugins_cmd},
        {"::host::memory_fail_at", memory_fail_at_cmd},
        {"::host::memory_allocations", memory_allocations_cmd},
    };
    zirka_tcl_create(interp, commands);
    return TCL_OK;
}
