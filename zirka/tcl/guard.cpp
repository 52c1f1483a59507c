// guard.cpp -- the guard around host:: commands: a std::bad_alloc that a
// command lets out becomes the "out of memory" error, for an exception must
// never cross Tcl's C frames.
#include "tcl_values.h"

#include <new>

int zirka_tcl_guarded(ClientData proc, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    try {
        return reinterpret_cast<Tcl_ObjCmdProc *>(proc)(nullptr, interp, objc, objv);
    } catch (const std::bad_alloc &) {
        return zirka_tcl_out_of_memory(interp);
    }
}

namespace {
// A command wrapped by zirka_tcl_guard_command: what it was. The wrapped
// command's client data, freed with it (guarded_delete).
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
