// front_end.cpp -- connects zirka_core to the Tcl interpreter: evaluation,
// plug-in commands as Tcl commands, message boxes and redraws under Tk.
#include "zirka_tcl.h"

#include "zirka_core.h"

namespace {
struct TclFrontEnd {
    Tcl_Interp *interp; // NULL once the interpreter is gone
    bool gui;           // the main window was built
};
} // namespace

// One front end per process, as there is one host.
static TclFrontEnd front;

static bool tk_loaded(Tcl_Interp *interp) { return Tcl_PkgPresent(interp, "Tk", nullptr, 0) != nullptr; }

// Evaluates a script for tcl_command without disturbing the result or the
// error state of whatever command is running (a plug-in handler, typically).
static int front_eval(void *context, const char *script, std::string *error)
{
    Tcl_Interp *interp = static_cast<TclFrontEnd *>(context)->interp;
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    int code = Tcl_EvalEx(interp, script, -1, TCL_EVAL_GLOBAL);
    if (code != TCL_OK)
        *error = Tcl_GetStringResult(interp);
    Tcl_RestoreInterpState(interp, saved);
    return code;
}

/*
 * plugin_command --
 *   A plug-in's command: calls its handler with the argument strings, the
 *   command's name first.
 * Results: TCL_OK with an empty result.
 * Side effects: whatever the handler does.
 */
static int plugin_command(ClientData handler, Tcl_Interp *interp, int argc, const char *argv[])
{
    reinterpret_cast<ZirkaCommandHandler>(handler)(argc, argv);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static void create_plugin_command(Tcl_Interp *interp, const ZirkaCommand *command)
{
    Tcl_CreateCommand(interp, command->name.c_str(), plugin_command,
                      reinterpret_cast<ClientData>(command->handler), nullptr);
}

static void front_command_added(void *context, const ZirkaCommand *command)
{
    create_plugin_command(static_cast<TclFrontEnd *>(context)->interp, command);
}

static void front_command_removed(void *context, const std::string &name)
{
    Tcl_DeleteCommand(static_cast<TclFrontEnd *>(context)->interp, name.c_str());
}

static void front_menu_item_added(void *context, const ZirkaMenuItem *item)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(context);
    if (fe->gui)
        zirka_gui_menu_item(fe->interp, item->label, item->command, item->help);
}

// The text goes to tk_messageBox as one argument word: never parsed as script.
static void front_message_shown(void *context, const std::string &text)
{
    Tcl_Interp *interp = static_cast<TclFrontEnd *>(context)->interp;
    if (!tk_loaded(interp))
        return;
    Tcl_Obj *objv[5] = {Tcl_NewStringObj("tk_messageBox", -1), Tcl_NewStringObj("-message", -1),
                        Tcl_NewStringObj(text.data(), static_cast<int>(text.size())),
                        Tcl_NewStringObj("-type", -1), Tcl_NewStringObj("ok", -1)};
    for (Tcl_Obj *obj : objv)
        Tcl_IncrRefCount(obj);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    Tcl_EvalObjv(interp, 5, objv, TCL_EVAL_GLOBAL);
    Tcl_RestoreInterpState(interp, saved);
    for (Tcl_Obj *obj : objv)
        Tcl_DecrRefCount(obj);
}

static void front_redraw(void *context)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(context);
    if (fe->gui)
        zirka_gui_redraw(fe->interp);
}

// The interpreter is going away: plug-ins say goodbye while it still works,
// then the core stops calling into it.
static void front_finish(ClientData)
{
    if (!front.interp)
        return;
    zirka_plugins_exit();
    zirka_set_front_end(nullptr);
    front.interp = nullptr;
}

static void front_interp_deleted(ClientData data, Tcl_Interp *) { front_finish(data); }

int zirka_tcl_init(Tcl_Interp *interp, bool gui)
{
    int rc = zirka_tcl_host_commands(interp);
    if (rc == TCL_OK)
        rc = zirka_tcl_render_command(interp);
    if (rc != TCL_OK)
        return rc;
    if (front.interp && front.interp != interp) {
        Tcl_DontCallWhenDeleted(front.interp, front_interp_deleted, nullptr);
        Tcl_DeleteExitHandler(front_finish, nullptr);
    }
    front.interp = interp;
    front.gui = false;
    if (gui && tk_loaded(interp)) {
        rc = zirka_gui_init(interp);
        if (rc != TCL_OK)
            return rc;
        front.gui = true;
    }
    ZirkaFrontEnd fe{&front,
                     front_eval,
                     front_command_added,
                     front_command_removed,
                     front_menu_item_added,
                     front_message_shown,
                     front_redraw};
    zirka_set_front_end(&fe);
    Tcl_CallWhenDeleted(interp, front_interp_deleted, nullptr);
    Tcl_CreateExitHandler(front_finish, nullptr);

    // What was registered before the interpreter existed.
    for (const ZirkaCommand &command : zirka_commands())
        create_plugin_command(interp, &command);
    if (front.gui)
        for (const ZirkaMenuItem &item : zirka_menu_items())
            zirka_gui_menu_item(interp, item.label, item.command, item.help);
    return TCL_OK;
}
