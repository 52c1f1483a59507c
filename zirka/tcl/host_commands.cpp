// host_commands.cpp -- the user's host:: Tcl commands: OBJ files in and
// out, objects, selection, undo and redo, the Tools menu and the messages.
// The probes that only tests use are in probe_commands.cpp.
#include "zirka_tcl.h"

#include "tcl_values.h"
#include "zirka_obj.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <vector>

// host::load FILE. A file that holds nothing adds no step and says so in a
// message; without memory for all of it, nothing is loaded.
static int load_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_arguments(interp, objc, objv, 1, 1, "file") != TCL_OK)
        return TCL_ERROR;
    std::string path = zirka_tcl_native(objv[1]), given = Tcl_GetString(objv[1]);
    std::vector<Object *> objects;
    std::string error;
    bool read = false;
    bool whole = zirka_transaction([&] {
        read = zirka_obj_read(path, &objects, &error);
        if (read && !objects.empty())
            zirka_world_add_objects("Load " + std::filesystem::u8path(given).filename().u8string(), objects);
    });
    if (!read || !whole) {
        // Not whole: memory ran out, perhaps before the file was even opened.
        std::string message = whole ? error : path + ": out of memory: nothing was loaded";
        return zirka_tcl_error(interp, zirka_tcl_from_native(message), {"ZIRKA", "OBJ"});
    }
    if (objects.empty())
        zirka_message_show(given + ": nothing to load, the file holds no vertices");
    zirka_refresh_views();
    Tcl_SetObjResult(interp, zirka_tcl_id_list(objects));
    return TCL_OK;
}

// host::save FILE ?ID ...?
static int save_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_arguments(interp, objc, objv, 1, INT_MAX, "file ?id ...?") != TCL_OK)
        return TCL_ERROR;
    std::vector<Object *> objects = zirka_world_objects();
    if (objc > 2) {
        objects.clear();
        for (int i = 2; i < objc; i++) {
            Object *object;
            if (zirka_tcl_object(interp, objv[i], &object) != TCL_OK)
                return TCL_ERROR;
            objects.push_back(object);
        }
    }
    std::string error;
    if (!zirka_obj_write(zirka_tcl_native(objv[1]), objects, &error))
        return zirka_tcl_error(interp, zirka_tcl_from_native(error), {"ZIRKA", "OBJ"});
    Tcl_ResetResult(interp);
    return TCL_OK;
}

// host::info ID: a dict of id, name, type, vertices, surfaces, children, world.
static Tcl_Obj *info_value(Object *object)
{
    int vertex_count, surface_count, child_count;
    List *vertices, *surfaces, *children;
    zirka_object_get_contents(object, &vertex_count, &surface_count, &child_count, &vertices, &surfaces,
                              &children);
    Tcl_Obj *dict = Tcl_NewDictObj();
    zirka_tcl_dict_put(dict, "id", Tcl_NewIntObj(zirka_object_id(object)));
    zirka_tcl_dict_put(dict, "name", zirka_tcl_string(zirka_object_name(object)));
    zirka_tcl_dict_put(dict, "type", Tcl_NewIntObj(zirka_object_get_type(object)));
    zirka_tcl_dict_put(dict, "vertices", Tcl_NewIntObj(vertex_count));
    zirka_tcl_dict_put(dict, "surfaces", Tcl_NewIntObj(surface_count));
    zirka_tcl_dict_put(dict, "children", Tcl_NewIntObj(child_count));
    zirka_tcl_dict_put(dict, "world", Tcl_NewBooleanObj(zirka_object_in_world(object)));
    return dict;
}

// host::check ID: whether the object's polygons close it, and which way.
static Tcl_Obj *check_value(Object *object)
{
    ZirkaCheck check = zirka_object_check(object);
    Tcl_Obj *dict = Tcl_NewDictObj();
    zirka_tcl_dict_put(dict, "open_edges", Tcl_NewLongObj(check.open_edges));
    zirka_tcl_dict_put(dict, "crowded_edges", Tcl_NewLongObj(check.crowded_edges));
    zirka_tcl_dict_put(dict, "same_way_edges", Tcl_NewLongObj(check.same_way_edges));
    zirka_tcl_dict_put(dict, "closed", Tcl_NewBooleanObj(check.closed));
    if (check.closed)
        zirka_tcl_dict_put(dict, "points_out", Tcl_NewBooleanObj(check.volume > 0.0));
    return dict;
}

// host::surfaces ID: a dict for each surface: type, vertices (0-based, -1 for
// a vertex not the object's), uv (a list of {u v}) and normal {x y z}.
static Tcl_Obj *surfaces_value(Object *object)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (Surface *surface : zirka_object_surfaces(object)) {
        Tcl_Obj *uvs = Tcl_NewListObj(0, nullptr);
        for (const auto &uv : zirka_surface_uvs(surface)) {
            Tcl_Obj *pair[2] = {Tcl_NewDoubleObj(uv.first), Tcl_NewDoubleObj(uv.second)};
            Tcl_ListObjAppendElement(nullptr, uvs, Tcl_NewListObj(2, pair));
        }
        Tcl_Obj *dict = Tcl_NewDictObj();
        zirka_tcl_dict_put(dict, "type", Tcl_NewIntObj(surface_get_type(surface)));
        zirka_tcl_dict_put(dict, "vertices", zirka_tcl_int_list(zirka_surface_vertex_indices(object, surface)));
        zirka_tcl_dict_put(dict, "uv", uvs);
        zirka_tcl_dict_put(dict, "normal", zirka_tcl_pos(zirka_surface_normal(surface)));
        Tcl_ListObjAppendElement(nullptr, list, dict);
    }
    return list;
}

// host::select ?ID ...?: each argument an id or a list ("host::select {}"
// clears); an id that names no object in the world changes nothing.
static int select_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc > 1) {
        std::vector<int> ids;
        for (int i = 1; i < objc; i++) {
            int n;
            Tcl_Obj **elements;
            if (Tcl_ListObjGetElements(interp, objv[i], &n, &elements) != TCL_OK)
                return TCL_ERROR;
            for (int k = 0; k < n; k++) {
                Object *object;
                if (zirka_tcl_object(interp, elements[k], &object) != TCL_OK)
                    return TCL_ERROR;
                int id = zirka_object_id(object);
                const char *wrong = !zirka_object_in_world(object)                      ? "is not in the world"
                                    : std::find(ids.begin(), ids.end(), id) != ids.end() ? "is selected once already"
                                                                                        : nullptr;
                if (wrong)
                    return zirka_tcl_error(interp, Tcl_ObjPrintf("object %d %s", id, wrong),
                                           {"ZIRKA", "OBJECT", Tcl_GetString(elements[k])});
                ids.push_back(id);
            }
        }
        // Every id is good: only memory can be missing.
        if (!zirka_select(ids))
            return zirka_tcl_out_of_memory(interp);
        zirka_refresh_views();
    }
    Tcl_SetObjResult(interp, zirka_tcl_id_list(zirka_selection()));
    return TCL_OK;
}

// host::undo, host::redo: the step's name is the result.
template <bool redo> static int step_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_arguments(interp, objc, objv, 0, 0) != TCL_OK)
        return TCL_ERROR;
    std::vector<std::string> names = redo ? zirka_redo_names() : zirka_undo_names();
    if (names.empty())
        return zirka_tcl_error(interp, Tcl_NewStringObj(redo ? "nothing to redo" : "nothing to undo", -1), {"ZIRKA", "UNDO"});
    // There is a step: only memory can be missing.
    if (!(redo ? zirka_redo() : zirka_undo()))
        return zirka_tcl_out_of_memory(interp);
    Tcl_SetObjResult(interp, zirka_tcl_string(redo ? names.front() : names.back()));
    zirka_refresh_views();
    return TCL_OK;
}

// host::menu ?invoke|help LABEL?
static int menu_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const options[] = {"invoke", "help", nullptr};
    enum { MENU_INVOKE, MENU_HELP };
    if (objc == 1) {
        std::vector<std::string> labels;
        for (const ZirkaMenuItem &item : zirka_menu_items())
            labels.push_back(item.label);
        Tcl_SetObjResult(interp, zirka_tcl_string_list(labels));
        return TCL_OK;
    }
    int option;
    if (zirka_tcl_arguments(interp, objc, objv, 2, 2, "?invoke|help label?") != TCL_OK ||
        Tcl_GetIndexFromObj(interp, objv[1], options, "option", 0, &option) != TCL_OK)
        return TCL_ERROR;
    const ZirkaMenuItem *item = zirka_menu_find(Tcl_GetString(objv[2]));
    if (!item)
        return zirka_tcl_error(interp, Tcl_ObjPrintf("no menu item \"%s\"", Tcl_GetString(objv[2])),
                               {"ZIRKA", "MENU", Tcl_GetString(objv[2])});
    if (option == MENU_HELP) {
        Tcl_SetObjResult(interp, zirka_tcl_string(item->help));
        return TCL_OK;
    }
    // The item may be replaced while its command runs: evaluate a copy.
    std::string command = item->command;
    return Tcl_EvalEx(interp, command.c_str(), -1, TCL_EVAL_GLOBAL);
}

// host::messages ?clear?
static int messages_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const options[] = {"clear", nullptr};
    int option;
    if (zirka_tcl_arguments(interp, objc, objv, 0, 1, "?clear?") != TCL_OK)
        return TCL_ERROR;
    if (objc == 1) {
        Tcl_SetObjResult(interp, zirka_tcl_string_list(zirka_messages()));
        return TCL_OK;
    }
    if (Tcl_GetIndexFromObj(interp, objv[1], options, "option", 0, &option) != TCL_OK)
        return TCL_ERROR;
    zirka_messages_clear();
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int zirka_tcl_host_commands(Tcl_Interp *interp)
{
    if (Tcl_Eval(interp, "namespace eval ::host {}") != TCL_OK)
        return TCL_ERROR;
    zirka_tcl_create(interp, {
        {"::host::load", load_cmd},
        {"::host::save", save_cmd},
        {"::host::select", select_cmd},
        {"::host::undo", step_cmd<false>},
        {"::host::redo", step_cmd<true>},
        {"::host::menu", menu_cmd},
        {"::host::messages", messages_cmd},
        {"::host::objects", [] { return zirka_tcl_id_list(zirka_world_objects()); }},
        {"::host::info", info_value},
        {"::host::check", check_value},
        {"::host::vertices", [](Object *o) { return zirka_tcl_vertex_list(o, false); }},
        {"::host::surfaces", surfaces_value},
    });
    return zirka_tcl_probe_commands(interp);
}
