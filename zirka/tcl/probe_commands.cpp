// probe_commands.cpp -- the host:: probes that tests (and the window's
// history) use to look inside the host, most returning what the core
// function of their name does, and the hook that fails the host's allocations.
#include "zirka_tcl.h"

#include "tcl_values.h"
#include "zirka_core.h"

#include <climits>

static Tcl_Obj *commands_value()
{
    Tcl_Obj *dict = Tcl_NewDictObj();
    for (const ZirkaCommand &command : zirka_commands()) {
        Tcl_Obj *entry = Tcl_NewDictObj();
        zirka_tcl_dict_put(entry, "synopsis", zirka_tcl_string(command.synopsis));
        zirka_tcl_dict_put(entry, "description", zirka_tcl_string(command.description));
        zirka_tcl_dict_put(entry, "arg_style", zirka_tcl_string(command.arg_style));
        zirka_tcl_dict_put(entry, "flags", Tcl_NewIntObj(command.flags));
        Tcl_DictObjPut(nullptr, dict, zirka_tcl_string(command.name), entry);
    }
    return dict;
}

static Tcl_Obj *plugins_value()
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const ZirkaPlugin &plugin : zirka_plugins()) {
        Tcl_Obj *dict = Tcl_NewDictObj();
        zirka_tcl_dict_put(dict, "file", zirka_tcl_string(plugin.file));
        zirka_tcl_dict_put(dict, "about", zirka_tcl_string(plugin.about));
        zirka_tcl_dict_put(dict, "info", zirka_tcl_string(plugin.info));
        Tcl_ListObjAppendElement(nullptr, list, dict);
    }
    return list;
}

// host::memory_fail_at N ?EVERY_AFTER?: the host's N-th allocation from now
// fails (and every one after it); 0: none. Returns the failures met so far.
static int memory_fail_at_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Tcl_WideInt n;
    bool in_range;
    int every_after = 0;
    if (zirka_tcl_arguments(interp, objc, objv, 1, 2, "n ?every_after?") != TCL_OK ||
        zirka_tcl_number(interp, objv[1], 0, LONG_MAX, &n, &in_range) != TCL_OK ||
        (objc == 3 && Tcl_GetBooleanFromObj(interp, objv[2], &every_after) != TCL_OK))
        return TCL_ERROR;
    if (!in_range)
        return zirka_tcl_error(interp, Tcl_ObjPrintf("expected a count within 0 .. %ld but got \"%s\"", LONG_MAX,
                                                     Tcl_GetString(objv[1])));
    zirka_memory_fail_at(static_cast<long>(n), every_after != 0);
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_memory_failures()));
    return TCL_OK;
}

int zirka_tcl_probe_commands(Tcl_Interp *interp)
{
    zirka_tcl_create(interp, {
        {"::host::reset", [] { zirka_reset(); zirka_refresh_views(); return Tcl_NewObj(); }},
        {"::host::lists", [] { return Tcl_NewWideIntObj(zirka_plugin_list_nodes()); }},
        {"::host::free_vertices", [] { return Tcl_NewWideIntObj(zirka_free_vertex_count()); }},
        {"::host::redraws", [] { return Tcl_NewWideIntObj(zirka_redraw_count()); }},
        {"::host::tcl_log", [] { return zirka_tcl_string_list(zirka_tcl_log()); }},
        {"::host::tcl_errors", [] { return zirka_tcl_string_list(zirka_tcl_errors()); }},
        {"::host::history", [] { return zirka_tcl_string_list(zirka_undo_names()); }},
        {"::host::commands", commands_value},
        {"::host::plugins", plugins_value},
        {"::host::memory_allocations", [] { return Tcl_NewWideIntObj(zirka_memory_allocations()); }},
        {"::host::normals", [](Object *o) { return zirka_tcl_vertex_list(o, true); }},
        {"::host::memory_fail_at", memory_fail_at_cmd},
    });
    return TCL_OK;
}
