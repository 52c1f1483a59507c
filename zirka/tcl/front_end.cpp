// front_end.cpp -- connects zirka_core to the Tcl interpreter: evaluation,
// plug-in commands as Tcl commands, message boxes and redraws under Tk.
#include "zirka_tcl.h"

#include "tcl_values.h"
#include "zirka_core.h"

#include <cstdio>
#include <memory>
#include <new>
#include <unistd.h>

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

int zirka_tcl_eval_words(Tcl_Interp *interp, std::initializer_list<Tcl_Obj *> words)
{
    std::vector<Tcl_Obj *> objv(words);
    for (Tcl_Obj *word : objv)
        Tcl_IncrRefCount(word);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    int code = Tcl_EvalObjv(interp, static_cast<int>(objv.size()), objv.data(), TCL_EVAL_GLOBAL);
    Tcl_RestoreInterpState(interp, saved);
    for (Tcl_Obj *word : objv)
        Tcl_DecrRefCount(word);
    return code;
}

// Calls the handler with file descriptor 2 sent to a temporary file, then
// writes what it wrote to the real standard error, unchanged, and returns it.
// Without a temporary file the handler writes to standard error directly.
static std::string call_keeping_stderr(ZirkaCommandHandler handler, int argc, const char *argv[])
{
    std::fflush(stderr);
    FILE *kept = std::tmpfile();
    int real = kept ? dup(2) : -1;
    if (real < 0 || dup2(fileno(kept), 2) < 0) {
        if (real >= 0)
            close(real);
        if (kept)
            std::fclose(kept);
        handler(argc, argv);
        return "";
    }
    handler(argc, argv);
    std::fflush(stderr);
    dup2(real, 2);
    close(real);
    std::string text;
    std::rewind(kept);
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, kept)) > 0;)
        text.append(block, n);
    std::fclose(kept);
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(2, text.data() + done, text.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return text;
}

int zirka_tcl_guarded(ClientData proc, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    try {
        return reinterpret_cast<Tcl_ObjCmdProc *>(proc)(nullptr, interp, objc, objv);
    } catch (const std::bad_alloc &) {
        return zirka_tcl_out_of_memory(interp);
    }
}

namespace {
// A command wrapped by zirka_tcl_guard_command: what it was.
struct GuardedCommand {
    Tcl_ObjCmdProc *proc;
    ClientData data;
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

int zirka_tcl_guard_command(Tcl_Interp *interp, const char *name)
{
    // Kept for the life of the process: a handful, one per guarded command.
    static std::vector<std::unique_ptr<GuardedCommand>> kept;
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, name, &info) || !info.objProc)
        return TCL_ERROR;
    if (info.objProc == guarded_command)
        return TCL_OK;
    kept.push_back(std::make_unique<GuardedCommand>(GuardedCommand{info.objProc, info.objClientData}));
    info.objProc = guarded_command;
    info.objClientData = kept.back().get();
    Tcl_SetCommandInfo(interp, name, &info);
    return TCL_OK;
}

static Tcl_Obj *id_list(const std::vector<int> &ids)
{
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (int id : ids)
        Tcl_ListObjAppendElement(nullptr, list, Tcl_NewIntObj(id));
    return list;
}

/*
 * plugin_command --
 *   A plug-in's command: calls its handler with the argument strings, the
 *   command's name first, as one transaction of the host (zirka_command_run:
 *   what it made and left out of the world goes, and when memory runs out
 *   everything is put back and the user is told). With the window, under a
 *   busy cursor, and what the handler wrote to standard error and the
 *   objects it made are shown there.
 * Results: TCL_OK with the ids of the objects the command added to the
 *   world (empty when it added none).
 * Side effects: whatever the handler does.
 */
static int plugin_command(ClientData handler, Tcl_Interp *interp, int argc, const char *argv[])
{
    ZirkaCommandHandler call = reinterpret_cast<ZirkaCommandHandler>(handler);
    try {
        ZirkaCommandOutcome outcome;
        if (!front.gui || front.interp != interp) {
            outcome = zirka_command_run(argv[0], [&] { call(argc, argv); });
        } else {
            zirka_gui_command_begin(interp);
            std::string errors;
            outcome = zirka_command_run(argv[0], [&] { errors = call_keeping_stderr(call, argc, argv); });
            zirka_gui_command_end(interp, errors, outcome.added);
        }
        Tcl_SetObjResult(interp, id_list(outcome.added));
        return TCL_OK;
    } catch (const std::bad_alloc &) {
        return zirka_tcl_out_of_memory(interp);
    }
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
// What comes this way reports trouble (a plug-in's message dialog, the
// host's own out-of-memory notice), so the box has the error icon.
static void front_message_shown(void *context, const std::string &text)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(context);
    if (!tk_loaded(fe->interp))
        return;
    if (fe->gui)
        zirka_gui_message(fe->interp, text);
    zirka_tcl_eval_words(fe->interp, {Tcl_NewStringObj("tk_messageBox", -1), Tcl_NewStringObj("-message", -1),
                                      Tcl_NewStringObj(text.data(), static_cast<int>(text.size())),
                                      Tcl_NewStringObj("-icon", -1), Tcl_NewStringObj("error", -1),
                                      Tcl_NewStringObj("-type", -1), Tcl_NewStringObj("ok", -1)});
}

static void front_redraw(void *context)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(context);
    if (fe->gui)
        zirka_gui_redraw(fe->interp);
}

// The interpreter is going away: plug-ins say goodbye while it still works,
// the view lets its GL go while the X display is still open, then the core
// stops calling into it.
static void front_finish(ClientData)
{
    if (!front.interp)
        return;
    zirka_plugins_exit();
    if (front.gui)
        zirka_gui_finish(front.interp);
    zirka_set_front_end(nullptr);
    front.interp = nullptr;
}

static void front_interp_deleted(ClientData data, Tcl_Interp *) { front_finish(data); }

int zirka_tcl_init(Tcl_Interp *interp, bool gui)
{
    int rc = zirka_tcl_host_commands(interp);
    if (rc == TCL_OK)
        rc = zirka_tcl_render_command(interp);
    if (rc == TCL_OK)
        rc = zirka_tcl_guard_command(interp, "::host::render");
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
