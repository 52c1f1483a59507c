// host_commands.cpp -- the host:: Tcl commands: the world as tests and
// scripts see it (OBJ files in and out, objects, selection, undo, menu,
// registered commands, plug-ins, messages).
#include "zirka_tcl.h"

#include "zirka_core.h"

#include <filesystem>
#include <vector>

static Tcl_Obj *new_string(const std::string &text)
{
    return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

// Floats become doubles exactly; Tcl prints the shortest text for the double.
static Tcl_Obj *new_pos(const Pos3 &p)
{
    Tcl_Obj *xyz[3] = {Tcl_NewDoubleObj(p.x), Tcl_NewDoubleObj(p.y), Tcl_NewDoubleObj(p.z)};
    return Tcl_NewListObj(3, xyz);
}

static void dict_put(Tcl_Obj *dict, const char *key, Tcl_Obj *value)
{
    Tcl_DictObjPut(nullptr, dict, Tcl_NewStringObj(key, -1), value);
}

static Tcl_Obj *new_id_list(const std::vector<Object *> &objects)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const Object *object : objects)
        Tcl_ListObjAppendElement(nullptr, list, Tcl_NewIntObj(zirka_object_id(object)));
    return list;
}

static Tcl_Obj *new_string_list(const std::vector<std::string> &texts)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const std::string &text : texts)
        Tcl_ListObjAppendElement(nullptr, list, new_string(text));
    return list;
}

// Converts an object id argument. Returns TCL_ERROR with a message when it
// is no integer or names no object.
static int get_object(Tcl_Interp *interp, Tcl_Obj *arg, Object **out)
{
    int id;
    if (Tcl_GetIntFromObj(interp, arg, &id) != TCL_OK)
        return TCL_ERROR;
    *out = zirka_object_by_id(id);
    if (!*out) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("no object with id %d", id));
        Tcl_SetErrorCode(interp, "ZIRKA", "OBJECT", Tcl_GetString(arg), nullptr);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/*
 * load_cmd --  host::load FILE
 * Results: the ids of the file's objects.
 * Side effects: the objects enter the world as one undoable step.
 */
static int load_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "file");
        return TCL_ERROR;
    }
    std::string path = Tcl_GetString(objv[1]);
    std::vector<Object *> objects;
    std::string error;
    if (!zirka_obj_read(path, &objects, &error)) {
        Tcl_SetObjResult(interp, new_string(error));
        Tcl_SetErrorCode(interp, "ZIRKA", "OBJ", nullptr);
        return TCL_ERROR;
    }
    zirka_world_add_objects("Load " + std::filesystem::u8path(path).filename().u8string(), objects);
    zirka_refresh_views();
    Tcl_SetObjResult(interp, new_id_list(objects));
    return TCL_OK;
}

/*
 * save_cmd --  host::save FILE ?ID ...?
 * Results: empty.
 * Side effects: writes the world's objects, or the given ones, to FILE.
 */
static int save_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "file ?id ...?");
        return TCL_ERROR;
    }
    std::vector<Object *> objects = zirka_world_objects();
    if (objc > 2) {
        objects.clear();
        for (int i = 2; i < objc; i++) {
            Object *object;
            if (get_object(interp, objv[i], &object) != TCL_OK)
                return TCL_ERROR;
            objects.push_back(object);
        }
    }
    std::string error;
    if (!zirka_obj_write(Tcl_GetString(objv[1]), objects, &error)) {
        Tcl_SetObjResult(interp, new_string(error));
        Tcl_SetErrorCode(interp, "ZIRKA", "OBJ", nullptr);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 * objects_cmd --  host::objects
 * Results: the ids of the objects in the world, in order.
 */
static int objects_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, new_id_list(zirka_world_objects()));
    return TCL_OK;
}

/*
 * info_cmd --  host::info ID
 * Results: dict id, name, type, vertices, surfaces, children (counts), world (0/1).
 */
static int info_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Object *object;
    if (objc != 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "id");
        return TCL_ERROR;
    }
    if (get_object(interp, objv[1], &object) != TCL_OK)
        return TCL_ERROR;
    int vertex_count, surface_count, child_count;
    List *vertices, *surfaces, *children;
    zirka_object_get_contents(object, &vertex_count, &surface_count, &child_count, &vertices, &surfaces,
                              &children);
    Tcl_Obj *dict = Tcl_NewDictObj();
    dict_put(dict, "id", Tcl_NewIntObj(zirka_object_id(object)));
    dict_put(dict, "name", new_string(zirka_object_name(object)));
    dict_put(dict, "type", Tcl_NewIntObj(zirka_object_get_type(object)));
    dict_put(dict, "vertices", Tcl_NewIntObj(vertex_count));
    dict_put(dict, "surfaces", Tcl_NewIntObj(surface_count));
    dict_put(dict, "children", Tcl_NewIntObj(child_count));
    dict_put(dict, "world", Tcl_NewBooleanObj(zirka_object_in_world(object)));
    Tcl_SetObjResult(interp, dict);
    return TCL_OK;
}

/*
 * vertices_cmd --  host::vertices ID  /  host::normals ID
 * Results: the positions (clientData NULL) or the vertex normals of the
 * object's vertices, in order, as {x y z}.
 */
static int vertices_cmd(ClientData normals, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Object *object;
    if (objc != 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "id");
        return TCL_ERROR;
    }
    if (get_object(interp, objv[1], &object) != TCL_OK)
        return TCL_ERROR;
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    int n = zirka_object_vertex_count(object);
    for (int i = 0; i < n; i++) {
        Vertex *v = zirka_object_get_vertex_at_index(object, i);
        Tcl_ListObjAppendElement(nullptr, list, new_pos(normals ? zirka_vertex_normal(v) : *zirka_head_vertex_pos(v)));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/*
 * surfaces_cmd --  host::surfaces ID
 * Results: one dict per surface: type, vertices, uv, normal.
 */
static int surfaces_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Object *object;
    if (objc != 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "id");
        return TCL_ERROR;
    }
    if (get_object(interp, objv[1], &object) != TCL_OK)
        return TCL_ERROR;
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (Surface *surface : zirka_object_surfaces(object)) {
        Tcl_Obj *indices = Tcl_NewListObj(0, nullptr);
        for (int index : zirka_surface_vertex_indices(object, surface))
            Tcl_ListObjAppendElement(nullptr, indices, Tcl_NewIntObj(index));
        Tcl_Obj *uvs = Tcl_NewListObj(0, nullptr);
        for (const auto &uv : zirka_surface_uvs(surface)) {
            Tcl_Obj *pair[2] = {Tcl_NewDoubleObj(uv.first), Tcl_NewDoubleObj(uv.second)};
            Tcl_ListObjAppendElement(nullptr, uvs, Tcl_NewListObj(2, pair));
        }
        Tcl_Obj *dict = Tcl_NewDictObj();
        dict_put(dict, "type", Tcl_NewIntObj(surface_get_type(surface)));
        dict_put(dict, "vertices", indices);
        dict_put(dict, "uv", uvs);
        dict_put(dict, "normal", new_pos(zirka_surface_normal(surface)));
        Tcl_ListObjAppendElement(nullptr, list, dict);
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/*
 * select_cmd --  host::select ?ID ...?
 *   Each argument is an id or a list of ids, so "host::select {}" clears
 *   the selection.
 * Results: the selection's ids, in selection order.
 * Side effects: with arguments, the selection becomes those objects in that
 * order; an id that names no object in the world changes nothing.
 */
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
                if (get_object(interp, elements[k], &object) != TCL_OK)
                    return TCL_ERROR;
                if (!zirka_object_in_world(object)) {
                    Tcl_SetObjResult(interp,
                                     Tcl_ObjPrintf("object %d is not in the world", zirka_object_id(object)));
                    Tcl_SetErrorCode(interp, "ZIRKA", "OBJECT", Tcl_GetString(elements[k]), nullptr);
                    return TCL_ERROR;
                }
                ids.push_back(zirka_object_id(object));
            }
        }
        zirka_select(ids);
        zirka_refresh_views();
    }
    Tcl_SetObjResult(interp, new_id_list(zirka_selection()));
    return TCL_OK;
}

/*
 * undo_cmd --  host::undo  /  host::redo (clientData non-NULL)
 * Results: the name of the step undone or redone.
 * Side effects: the world loses (regains) that step's objects.
 */
static int undo_cmd(ClientData redo, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    std::vector<std::string> names = redo ? zirka_redo_names() : zirka_undo_names();
    if (names.empty()) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(redo ? "nothing to redo" : "nothing to undo", -1));
        Tcl_SetErrorCode(interp, "ZIRKA", "UNDO", nullptr);
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, new_string(redo ? names.front() : names.back()));
    if (redo)
        zirka_redo();
    else
        zirka_undo();
    zirka_refresh_views();
    return TCL_OK;
}

/*
 * history_cmd --  host::history
 * Results: the names of the applied undo steps, oldest first.
 */
static int history_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, new_string_list(zirka_undo_names()));
    return TCL_OK;
}

/*
 * menu_cmd --  host::menu  /  host::menu invoke LABEL  /  host::menu help LABEL
 * Results: the labels; the invoked command's result; the help text.
 * Side effects: invoke evaluates the item's command at global level.
 */
static int menu_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const options[] = {"invoke", "help", nullptr};
    enum { MENU_INVOKE, MENU_HELP };
    if (objc == 1) {
        std::vector<std::string> labels;
        for (const ZirkaMenuItem &item : zirka_menu_items())
            labels.push_back(item.label);
        Tcl_SetObjResult(interp, new_string_list(labels));
        return TCL_OK;
    }
    if (objc != 3) {
        Tcl_WrongNumArgs(interp, 1, objv, "?invoke|help label?");
        return TCL_ERROR;
    }
    int option;
    if (Tcl_GetIndexFromObj(interp, objv[1], options, "option", 0, &option) != TCL_OK)
        return TCL_ERROR;
    const ZirkaMenuItem *item = zirka_menu_find(Tcl_GetString(objv[2]));
    if (!item) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("no menu item \"%s\"", Tcl_GetString(objv[2])));
        Tcl_SetErrorCode(interp, "ZIRKA", "MENU", Tcl_GetString(objv[2]), nullptr);
        return TCL_ERROR;
    }
    if (option == MENU_HELP) {
        Tcl_SetObjResult(interp, new_string(item->help));
        return TCL_OK;
    }
    // The item may be replaced while its command runs: evaluate a copy.
    std::string command = item->command;
    return Tcl_EvalEx(interp, command.c_str(), -1, TCL_EVAL_GLOBAL);
}

/*
 * commands_cmd --  host::commands
 * Results: dict name -> {synopsis S description D arg_style A flags F}.
 */
static int commands_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    Tcl_Obj *dict = Tcl_NewDictObj();
    for (const ZirkaCommand &command : zirka_commands()) {
        Tcl_Obj *entry = Tcl_NewDictObj();
        dict_put(entry, "synopsis", new_string(command.synopsis));
        dict_put(entry, "description", new_string(command.description));
        dict_put(entry, "arg_style", new_string(command.arg_style));
        dict_put(entry, "flags", Tcl_NewIntObj(command.flags));
        Tcl_DictObjPut(nullptr, dict, new_string(command.name), entry);
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
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const ZirkaPlugin &plugin : zirka_plugins()) {
        Tcl_Obj *dict = Tcl_NewDictObj();
        dict_put(dict, "file", new_string(plugin.file));
        dict_put(dict, "about", new_string(plugin.about));
        dict_put(dict, "info", new_string(plugin.info));
        Tcl_ListObjAppendElement(nullptr, list, dict);
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/*
 * messages_cmd --  host::messages ?clear?
 * Results: the message-dialog texts shown since the last reset or clear.
 * Side effects: clear forgets them.
 */
static int messages_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const options[] = {"clear", nullptr};
    int option;
    if (objc > 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "?clear?");
        return TCL_ERROR;
    }
    if (objc == 2) {
        if (Tcl_GetIndexFromObj(interp, objv[1], options, "option", 0, &option) != TCL_OK)
            return TCL_ERROR;
        zirka_messages_clear();
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, new_string_list(zirka_messages()));
    return TCL_OK;
}

/*
 * state_cmd --  host::reset, host::lists, host::redraws, host::tcl_log,
 * host::tcl_errors (clientData names which).
 * Results: the value asked for (reset: empty).
 * Side effects: reset forgets the world (zirka_reset).
 */
enum StateQuery { STATE_RESET, STATE_LISTS, STATE_REDRAWS, STATE_TCL_LOG, STATE_TCL_ERRORS };

static int state_cmd(ClientData which, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    switch (static_cast<StateQuery>(reinterpret_cast<intptr_t>(which))) {
    case STATE_RESET:
        zirka_reset();
        zirka_refresh_views();
        Tcl_ResetResult(interp);
        break;
    case STATE_LISTS:
        Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_plugin_list_nodes()));
        break;
    case STATE_REDRAWS:
        Tcl_SetObjResult(interp, Tcl_NewWideIntObj(zirka_redraw_count()));
        break;
    case STATE_TCL_LOG:
        Tcl_SetObjResult(interp, new_string_list(zirka_tcl_log()));
        break;
    case STATE_TCL_ERRORS:
        Tcl_SetObjResult(interp, new_string_list(zirka_tcl_errors()));
        break;
    }
    return TCL_OK;
}

int zirka_tcl_host_commands(Tcl_Interp *interp)
{
    if (Tcl_Eval(interp, "namespace eval ::host {}") != TCL_OK)
        return TCL_ERROR;
    struct {
        const char *name;
        Tcl_ObjCmdProc *proc;
        intptr_t data;
    } const commands[] = {
        {"::host::load", load_cmd, 0},
        {"::host::save", save_cmd, 0},
        {"::host::objects", objects_cmd, 0},
        {"::host::info", info_cmd, 0},
        {"::host::vertices", vertices_cmd, 0},
        {"::host::normals", vertices_cmd, 1},
        {"::host::surfaces", surfaces_cmd, 0},
        {"::host::select", select_cmd, 0},
        {"::host::undo", undo_cmd, 0},
        {"::host::redo", undo_cmd, 1},
        {"::host::history", history_cmd, 0},
        {"::host::menu", menu_cmd, 0},
        {"::host::commands", commands_cmd, 0},
        {"::host::plugins", plugins_cmd, 0},
        {"::host::messages", messages_cmd, 0},
        {"::host::reset", state_cmd, STATE_RESET},
        {"::host::lists", state_cmd, STATE_LISTS},
        {"::host::redraws", state_cmd, STATE_REDRAWS},
        {"::host::tcl_log", state_cmd, STATE_TCL_LOG},
        {"::host::tcl_errors", state_cmd, STATE_TCL_ERRORS},
    };
    for (const auto &c : commands)
        Tcl_CreateObjCommand(interp, c.name, c.proc, reinterpret_cast<ClientData>(c.data), nullptr);
    return TCL_OK;
}
