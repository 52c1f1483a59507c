/*
 * tcl_values.h -- what the host:: command files share: Tcl values made from
 * the host's, errors, the argument checks, and the creation of commands.
 */
#ifndef ZIRKA_TCL_VALUES_H
#define ZIRKA_TCL_VALUES_H

#include <tcl.h>

#include "zirka_core.h"

#include <initializer_list>
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

inline Tcl_Obj *zirka_tcl_int_list(const std::vector<int> &numbers)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (int n : numbers)
        Tcl_ListObjAppendElement(nullptr, list, Tcl_NewIntObj(n));
    return list;
}

inline Tcl_Obj *zirka_tcl_id_list(const std::vector<Object *> &objects)
{
    std::vector<int> ids;
    for (const Object *object : objects)
        ids.push_back(zirka_object_id(object));
    return zirka_tcl_int_list(ids);
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

// Sets the result to message and the error code to the words of code (left
// as Tcl's default when there are none). Returns TCL_ERROR.
inline int zirka_tcl_error(Tcl_Interp *interp, Tcl_Obj *message, std::initializer_list<const char *> code = {})
{
    Tcl_SetObjResult(interp, message);
    if (code.size() > 0) {
        Tcl_Obj *words = Tcl_NewListObj(0, nullptr);
        for (const char *word : code)
            Tcl_ListObjAppendElement(nullptr, words, Tcl_NewStringObj(word, -1));
        Tcl_SetObjErrorCode(interp, words);
    }
    return TCL_ERROR;
}

inline int zirka_tcl_out_of_memory(Tcl_Interp *interp)
{
    return zirka_tcl_error(interp, Tcl_NewStringObj("out of memory", -1), {"ZIRKA", "MEMORY"});
}

// TCL_ERROR with Tcl's usual message (usage: the arguments' names) unless
// the command has min .. max arguments.
inline int zirka_tcl_arguments(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], int min, int max,
                               const char *usage = nullptr)
{
    if (objc - 1 >= min && objc - 1 <= max)
        return TCL_OK;
    Tcl_WrongNumArgs(interp, 1, objv, usage);
    return TCL_ERROR;
}

// Every number the host takes from Tcl is read this way: a whole number,
// as Tcl reads integers, within lo .. hi. *in_range says whether it is
// (the caller words the refusal, naming the value as given); TCL_ERROR,
// with Tcl's message, only when it is no integer at all.
inline int zirka_tcl_number(Tcl_Interp *interp, Tcl_Obj *arg, Tcl_WideInt lo, Tcl_WideInt hi, Tcl_WideInt *out,
                            bool *in_range)
{
    Tcl_WideInt n;
    if (Tcl_GetWideIntFromObj(interp, arg, &n) != TCL_OK)
        return TCL_ERROR;
    *in_range = n >= lo && n <= hi;
    *out = n;
    return TCL_OK;
}

// Converts an object id argument (1 .. 2^31 - 1): TCL_ERROR with a message
// when it is no integer or names no object.
inline int zirka_tcl_object(Tcl_Interp *interp, Tcl_Obj *arg, Object **out)
{
    Tcl_WideInt id;
    bool in_range;
    if (zirka_tcl_number(interp, arg, 1, 0x7fffffff, &id, &in_range) != TCL_OK)
        return TCL_ERROR;
    *out = in_range ? zirka_object_by_id(static_cast<int>(id)) : nullptr;
    if (!*out)
        return zirka_tcl_error(interp, Tcl_ObjPrintf("no object with id %s", Tcl_GetString(arg)),
                               {"ZIRKA", "OBJECT", Tcl_GetString(arg)});
    return TCL_OK;
}

// A file name as the system takes it (Tcl's own conversion to the system's
// encoding), so that any name the system accepts works.
inline std::string zirka_tcl_native(Tcl_Obj *path)
{
    Tcl_DString native;
    Tcl_UtfToExternalDString(nullptr, Tcl_GetString(path), -1, &native);
    std::string out(Tcl_DStringValue(&native), static_cast<size_t>(Tcl_DStringLength(&native)));
    Tcl_DStringFree(&native);
    return out;
}

// A text of the system's encoding (a message naming a file by its native
// name) as a Tcl value.
inline Tcl_Obj *zirka_tcl_from_native(const std::string &text)
{
    Tcl_DString utf;
    Tcl_ExternalToUtfDString(nullptr, text.data(), static_cast<int>(text.size()), &utf);
    Tcl_Obj *out = Tcl_NewStringObj(Tcl_DStringValue(&utf), Tcl_DStringLength(&utf));
    Tcl_DStringFree(&utf);
    return out;
}

// Wraps the existing command name so that a std::bad_alloc it lets out
// becomes zirka_tcl_out_of_memory, for an exception must never cross Tcl's
// C frames. The wrapper goes with the command, after the command's own
// delete proc. Returns TCL_ERROR when there is no such command.
int zirka_tcl_guard_command(Tcl_Interp *interp, const char *name);

// Guarded commands made from a table; each row a name and a command proc,
// or value: Tcl_Obj *() for "NAME" (no arguments) or Tcl_Obj *(Object *)
// for "NAME ID", the result being value() or value(the object).
struct ZirkaTclCommand {
    const char *name;
    Tcl_ObjCmdProc *proc;
    ClientData value = nullptr;
    ZirkaTclCommand(const char *n, Tcl_ObjCmdProc *p) : name(n), proc(p) {}
    ZirkaTclCommand(const char *n, Tcl_Obj *(*v)());
    ZirkaTclCommand(const char *n, Tcl_Obj *(*v)(Object *));
};
void zirka_tcl_create(Tcl_Interp *interp, std::initializer_list<ZirkaTclCommand> commands);

#endif /* ZIRKA_TCL_VALUES_H */
