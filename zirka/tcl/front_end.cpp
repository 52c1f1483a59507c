// front_end.cpp -- connects zirka_core to the Tcl interpreter: evaluation,
// plug-in commands as Tcl commands, message boxes and redraws under Tk.
#include "zirka_tcl.h"

#include "tcl_values.h"
#include "zirka_core.h"

#include <algorithm>
#include <cstdio>
#include <vector>
#include <new>
#include <unistd.h>

namespace {
// The front end of one interpreter: the context the core hands back to each
// call. The interpreter's assoc data front_key, freed when the interpreter
// is deleted or at exit, whichever comes first.
struct TclFrontEnd {
    Tcl_Interp *interp;
    bool gui; // the main window was built
};
} // namespace

static const char front_key[] = "zirka::front_end";

static TclFrontEnd *front_of(Tcl_Interp *interp)
{
    return static_cast<TclFrontEnd *>(Tcl_GetAssocData(interp, front_key, nullptr));
}

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
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    return text;
}

// In the window, what a command made is named for its undo step, numbered
// from 1 among the world's names: "Extrude along path 1".
static void name_made(const std::vector<int> &made)
{
    std::string step = zirka_undo_names().back();
    std::vector<Object *> world = zirka_world_objects();
    for (int id : made) {
        std::string name;
        auto taken = [&](Object *o) { return zirka_object_name(o) == name; };
        for (int n = 1; name.empty() || std::any_of(world.begin(), world.end(), taken); n++)
            name = step + " " + std::to_string(n);
        zirka_object_set_name(zirka_object_by_id(id), name);
    }
}

// A plug-in's command: its handler, called with the argument strings (the
// command's name first) as one transaction of the host (zirka_command_run).
// The result is the ids of the objects it added to the world.
static int plugin_command(ClientData handler, Tcl_Interp *interp, int argc, const char *argv[])
{
    ZirkaCommandHandler call = reinterpret_cast<ZirkaCommandHandler>(handler);
    try {
        ZirkaCommandOutcome outcome;
        const TclFrontEnd *fe = front_of(interp);
        if (!fe || !fe->gui) {
            outcome = zirka_command_run(argv[0], [&] { call(argc, argv); });
        } else {
            zirka_tcl_eval_words(interp, {"::zirka::busy", "1"});
            std::string errors, made;
            outcome = zirka_command_run(argv[0], [&] { errors = call_keeping_stderr(call, argc, argv); });
            if (!outcome.added.empty())
                name_made(outcome.added);
            for (int id : outcome.added)
                made += std::to_string(id) + " ";
            zirka_tcl_eval_words(interp, {"::zirka::command_done", errors, made});
            zirka_tcl_eval_words(interp, {"::zirka::busy", "0"});
        }
        Tcl_SetObjResult(interp, zirka_tcl_int_list(outcome.added));
        return TCL_OK;
    } catch (const std::bad_alloc &) {
        return zirka_tcl_out_of_memory(interp);
    }
}

static void front_command_added(void *context, const ZirkaCommand *command)
{
    Tcl_CreateCommand(static_cast<TclFrontEnd *>(context)->interp, command->name.c_str(), plugin_command,
                      reinterpret_cast<ClientData>(command->handler), nullptr);
}

static void front_command_removed(void *context, const std::string &name)
{
    Tcl_DeleteCommand(static_cast<TclFrontEnd *>(context)->interp, name.c_str());
}

static void front_menu_item_added(void *context, const ZirkaMenuItem *item)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(context);
    if (fe->gui)
        zirka_tcl_eval_words(fe->interp, {"::zirka::tool", item->label, item->command, item->help});
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
        zirka_tcl_eval_words(fe->interp, {"::zirka::message", text, "dialog"});
    zirka_tcl_eval_words(fe->interp, {"tk_messageBox", "-message", text, "-icon", "error", "-type", "ok"});
}

static void front_redraw(void *context)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(context);
    if (fe->gui)
        zirka_gui_redraw(fe->interp);
}

static void front_exit(ClientData data)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(data);
    Tcl_DeleteAssocData(fe->interp, front_key); // calls front_interp_deleted
}

// The interpreter is going away (or the process is): plug-ins say goodbye
// while it still works, the view lets its GL go while the X display is
// still open, then the core stops calling into it. A front end replaced by
// another one's leaves all that to it.
static void front_interp_deleted(ClientData data, Tcl_Interp *)
{
    TclFrontEnd *fe = static_cast<TclFrontEnd *>(data);
    Tcl_DeleteExitHandler(front_exit, fe);
    if (zirka_front_end_context() == fe) { // not replaced by a later zirka_tcl_init's
        zirka_plugins_exit();
        if (fe->gui)
            zirka_gui_finish(fe->interp);
        zirka_set_front_end(nullptr);
    }
    delete fe;
}

int zirka_tcl_init(Tcl_Interp *interp, bool gui)
{
    if (zirka_tcl_host_commands(interp) != TCL_OK || zirka_tcl_render_command(interp) != TCL_OK ||
        zirka_tcl_guard_command(interp, "::host::render") != TCL_OK)
        return TCL_ERROR;
    TclFrontEnd *fe = front_of(interp);
    if (fe)
        fe->gui = false;
    bool window = gui && tk_loaded(interp);
    if (window && zirka_gui_init(interp) != TCL_OK)
        return TCL_ERROR;
    if (!fe) {
        fe = new TclFrontEnd{interp, false};
        Tcl_SetAssocData(interp, front_key, front_interp_deleted, fe);
        Tcl_CreateExitHandler(front_exit, fe);
    }
    fe->gui = window;
    ZirkaFrontEnd calls{fe, front_eval, front_command_added, front_command_removed, front_menu_item_added,
                        front_message_shown, front_redraw};
    zirka_set_front_end(&calls);

    // What was registered before the interpreter existed.
    for (const ZirkaCommand &command : zirka_commands())
        front_command_added(fe, &command);
    for (const ZirkaMenuItem &item : zirka_menu_items())
        front_menu_item_added(fe, &item);
    return TCL_OK;
}
