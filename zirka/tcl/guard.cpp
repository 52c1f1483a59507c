// guard.cpp -- the guard around host:: commands: a std::bad_alloc that a
// command lets out becomes the "out of memory" error, for an exception must
// never cross Tcl's C frames. And the commands made from tables, guarded.
#include "tcl_values.h"

#include <new>

namespace {
// A command wrapped by zirka_tcl_guard_command: what it was.
struct GuardedCommand {
    Tcl_ObjCmdProc *proc;
    ClientData data;
    Tcl_CmdDeleteProc *delete_proc;
    ClientData delete_data;
};
} // namespace

static int guarded_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    const GuardedCommand *command = static_cast<const GuardedCommand *>(data);
    try {
        return command->proc(command->data, interp, objc, objv);
    } catch (const std::bad_alloc &) {
        return zirka_tcl_out_of_memory(interp);
    }
}

// The command is deleted: what it was is told first, as it would have been.
static void guarded_delete(ClientData data)
{
    GuardedCommand *command = static_cast<GuardedCommand *>(data);
    if (command->delete_proc)
        command->delete_proc(command->delete_data);
    delete command;
}

int zirka_tcl_guard_command(Tcl_Interp *interp, const char *name)
{
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, name, &info) || !info.objProc)
        return TCL_ERROR;
    if (info.objProc == guarded_command)
        return TCL_OK;
    GuardedCommand *command = new GuardedCommand{info.objProc, info.objClientData, info.deleteProc, info.deleteData};
    info.objProc = guarded_command;
    info.objClientData = command;
    info.deleteProc = guarded_delete;
    info.deleteData = command;
    Tcl_SetCommandInfo(interp, name, &info);
    return TCL_OK;
}

static int value_cmd(ClientData value, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (zirka_tcl_arguments(interp, objc, objv, 0, 0) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, reinterpret_cast<Tcl_Obj *(*)()>(value)());
    return TCL_OK;
}

static int object_value_cmd(ClientData value, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    Object *object;
    if (zirka_tcl_arguments(interp, objc, objv, 1, 1, "id") != TCL_OK || zirka_tcl_object(interp, objv[1], &object) != TCL_OK)
        return TCL_ERROR;
    Tcl_SetObjResult(interp, reinterpret_cast<Tcl_Obj *(*)(Object *)>(value)(object));
    return TCL_OK;
}

ZirkaTclCommand::ZirkaTclCommand(const char *n, Tcl_Obj *(*v)()) : name(n), proc(value_cmd), value(reinterpret_cast<ClientData>(v)) {}
ZirkaTclCommand::ZirkaTclCommand(const char *n, Tcl_Obj *(*v)(Object *))
    : name(n), proc(object_value_cmd), value(reinterpret_cast<ClientData>(v)) {}

void zirka_tcl_create(Tcl_Interp *interp, std::initializer_list<ZirkaTclCommand> commands)
{
    for (const ZirkaTclCommand &c : commands) {
        Tcl_CreateObjCommand(interp, c.name, c.proc, c.value, nullptr);
        zirka_tcl_guard_command(interp, c.name);
    }
}
