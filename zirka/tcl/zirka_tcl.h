/*
 * zirka_tcl.h -- the stand-in host's Tcl front end: the host's interpreter,
 * its host:: commands, and with Tk a window: menus, a shaded OpenGL view of
 * the world that turns and selects, the object list, and a message area.
 *
 * With the window, a plug-in command runs under a busy cursor, and what it
 * writes to standard error is passed on unchanged and also shown in the
 * message area, with the dialog texts and a summary of what it made.
 *
 * front_end.cpp (zirka_tcl_init) uses the other files; none of them calls
 * into it. State lives with the interpreter (the front end's assoc data) or
 * with a command (its client data): nothing at file scope.
 *
 * The host:: commands for users are documented in docs/host.md (and each
 * where it is made); the probes that tests use are in probe_commands.cpp.
 *
 * A plug-in command's Tcl result is the list of ids of the objects it added
 * to the world. A host:: command that runs out of memory fails with "out of
 * memory" (error code ZIRKA MEMORY) and changes nothing.
 */
#ifndef ZIRKA_TCL_H
#define ZIRKA_TCL_H

#include <tcl.h>

#include <initializer_list>
#include <string>
#include <vector>

// Creates the host:: commands in interp and installs the front end that
// connects zirka_core to it (replacing any earlier one); with gui and Tk
// loaded, also builds the main window. Plug-in commands registered before
// are created in interp too. At exit, or when interp is deleted, the
// plug-ins' ZIRKAPluginExit is called and the front end removed, unless a
// later call for another interpreter replaced it. Returns the Tcl code.
int zirka_tcl_init(Tcl_Interp *interp, bool gui);

// The parts of zirka_tcl_init: the host:: commands, the probes, and
// host::render (render_command.cpp).
int zirka_tcl_host_commands(Tcl_Interp *interp);
int zirka_tcl_probe_commands(Tcl_Interp *interp);
int zirka_tcl_render_command(Tcl_Interp *interp);

// Evaluates words as one command at global level, each word as it is
// (never parsed as script), leaving the interpreter's result and error
// state as they were. Returns the Tcl code.
int zirka_tcl_eval_words(Tcl_Interp *interp, std::initializer_list<std::string> words);

// The window (gui.cpp). zirka_gui_init builds it from window.tcl and
// creates ::zirka::view, the GL view (Tk must be loaded); zirka_gui_finish
// releases the view's GL while the X display is still open;
// zirka_gui_redraw reads the world again into the view and the object
// list, and draws.
int zirka_gui_init(Tcl_Interp *interp);
void zirka_gui_finish(Tcl_Interp *interp);
void zirka_gui_redraw(Tcl_Interp *interp);

#endif /* ZIRKA_TCL_H */
