/*
 * tcl_values.h -- small helpers shared by the host:: command files: Tcl
 * values made from the host's, and the argument checks every command makes.
 */
#ifndef ZIRKA_TCL_VALUES_H
#define ZIRKA_TCL_VALUES_H

#include <tcl.h>

#include "zirka_core.h"

#include <string>
#include <vector>

inline Tcl_Obj *zirka_tcl_string(const std::string &text)
{
    return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

// Floats become doubles exactly; Tcl prints the shortest text for the double.
inline Tcl_Obj *zirka_tcl_pos(const Pos3 &p)
{
    Tcl_Obj *xyz[3] = {Tcl_NewDoubleObj(p.x), Tcl_NewDoubleObj(p.y), Tcl_NewDoubleObj(p.z)};
    return Tcl_NewListObj(3, xyz);
}

inline void zirka_tcl_dict_put(Tcl_Obj *dict, const char *key, Tcl_Obj *value)
{
    Tcl_DictObjPut(nullptr, dict, Tcl_NewStringObj(key, -1), value);
}

inline Tcl_Obj *zirka_tcl_string_list(const std::vector<std::string> &texts)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (const std::string &text : texts)
        Tcl_ListObjAppendElement(nullptr, list, zirka_tcl_string(text));
    return list;
}

// TCL_ERROR with the usual message unless the command has no arguments.
inline int zirka_tcl_no_arguments(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc == 1)
        return TCL_OK;
    Tcl_WrongNumArgs(interp, 1, objv, nullptr);
    return TCL_ERROR;
}

// Converts an object id argument. Returns TCL_ERROR with a message when it
// is no integer or names no object.
inline int zirka_tcl_object(Tcl_Interp *interp, Tcl_Obj *arg, Object **out)
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

// The one argument of "command ID".
inline int zirka_tcl_object_argument(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], Object **out)
{
    if (objc != 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "id");
        return TCL_ERROR;
    }
    return zirka_tcl_object(interp, objv[1], out);
}

// A list of {x y z}: the object's vertices' positions, or their normals.
inline Tcl_Obj *zirka_tcl_vertex_list(Object *object, bool normals)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    int n = zirka_object_vertex_count(object);
    for (int i = 0; i < n; i++) {
        Vertex *v = zirka_object_get_vertex_at_index(object, i);
        Tcl_ListObjAppendElement(nullptr, list, zirka_tcl_pos(normals ? zirka_vertex_normal(v) : *zirka_head_vertex_pos(v)));
    }
    return list;
}

// The error of a command that ran out of memory: "out of memory", error
// code ZIRKA MEMORY.
inline int zirka_tcl_out_of_memory(Tcl_Interp *interp)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj("out of memory", -1));
    Tcl_SetErrorCode(interp, "ZIRKA", "MEMORY", nullptr);
    return TCL_ERROR;
}

// Runs the command proc given as client data (with no client data of its
// own): a std::bad_alloc it lets out becomes zirka_tcl_out_of_memory, for
// an exception must never cross Tcl's C frames.
int zirka_tcl_guarded(ClientData proc, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// Wraps the existing command name in the same guard, whatever client data
// it has; the wrapper is freed with the command, after the command's own
// delete proc. Returns TCL_ERROR when there is no such command.
// (Both in guard.cpp.)
int zirka_tcl_guard_command(Tcl_Interp *interp, const char *name);

// Creates each {name, proc} command in interp, guarded.
struct ZirkaTclCommand {
    const char *name;
    Tcl_ObjCmdProc *proc;
};
template <size_t N> void zirka_tcl_create(Tcl_Interp *interp, const ZirkaTclCommand (&commands)[N])
{
    for (const ZirkaTclCommand &c : commands)
        Tcl_CreateObjCommand(interp, c.name, zirka_tcl_guarded, reinterpret_cast<ClientData>(c.proc), nullptr);
}

#endif /* ZIRKA_TCL_VALUES_H */
