// gui.cpp -- the window of `zirka --gui`: a menubar (File, Edit, Tools), a
// status line that shows the help of the Tools item under the pointer, and
// a canvas with an isometric wireframe of every object in the world,
// drawn again on every redraw_all.
#include "zirka_tcl.h"

#include "zirka_core.h"

#include <algorithm>
#include <cmath>
#include <vector>

static const char window_script[] = R"tcl(
namespace eval ::zirka { variable status ""; variable help; array set help {} }
wm title . zirka
menu .menubar
menu .menubar.file -tearoff 0
.menubar.file add command -label "Open OBJ..." -command {
    set f [tk_getOpenFile -filetypes {{{Wavefront OBJ} {.obj}} {{All files} *}}]
    if {$f ne ""} { if {[catch {host::load $f} msg]} { tk_messageBox -message $msg -type ok } }
}
.menubar.file add command -label "Save OBJ..." -command {
    set f [tk_getSaveFile -defaultextension .obj]
    if {$f ne ""} { if {[catch {host::save $f} msg]} { tk_messageBox -message $msg -type ok } }
}
.menubar.file add separator
.menubar.file add command -label Exit -command exit
menu .menubar.edit -tearoff 0
.menubar.edit add command -label Undo -command {catch host::undo}
.menubar.edit add command -label Redo -command {catch host::redo}
.menubar.edit add command -label "Select all" -command {host::select {*}[host::objects]; ::zirka::redraw}
menu .menubar.tools -tearoff 0
.menubar add cascade -label File -menu .menubar.file
.menubar add cascade -label Edit -menu .menubar.edit
.menubar add cascade -label Tools -menu .menubar.tools
. configure -menu .menubar
label .status -anchor w -relief sunken -textvariable ::zirka::status
canvas .view -width 640 -height 480 -background white -highlightthickness 0
pack .status -side bottom -fill x
pack .view -side top -fill both -expand 1
bind .view <Configure> ::zirka::redraw
bind .menubar.tools <<MenuSelect>> {::zirka::menu_help %W}
proc ::zirka::menu_help {w} {
    variable status
    variable help
    set i [$w index active]
    set status ""
    if {$i ne "none"} {
        set label [$w entrycget $i -label]
        if {[info exists help($label)]} { set status $help($label) }
    }
}
)tcl";

// Isometric view: x to the right and down, z to the left and down, y up.
static void project(const Pos3 &p, double *sx, double *sy)
{
    const double c = std::cos(M_PI / 6.0), s = std::sin(M_PI / 6.0);
    *sx = (double(p.x) - p.z) * c;
    *sy = double(p.y) - (double(p.x) + p.z) * s;
}

static int eval_words(Tcl_Interp *interp, std::vector<Tcl_Obj *> words)
{
    for (Tcl_Obj *w : words)
        Tcl_IncrRefCount(w);
    int code = Tcl_EvalObjv(interp, static_cast<int>(words.size()), words.data(), TCL_EVAL_GLOBAL);
    for (Tcl_Obj *w : words)
        Tcl_DecrRefCount(w);
    return code;
}

static int canvas_size(Tcl_Interp *interp, const char *what)
{
    int n = 0;
    if (eval_words(interp, {Tcl_NewStringObj("winfo", -1), Tcl_NewStringObj(what, -1),
                            Tcl_NewStringObj(".view", -1)}) == TCL_OK)
        Tcl_GetIntFromObj(nullptr, Tcl_GetObjResult(interp), &n);
    return std::max(n, 1);
}

void zirka_gui_redraw(Tcl_Interp *interp)
{
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    eval_words(interp, {Tcl_NewStringObj(".view", -1), Tcl_NewStringObj("delete", -1),
                        Tcl_NewStringObj("all", -1)});
    int width = canvas_size(interp, "width"), height = canvas_size(interp, "height");

    std::vector<Object *> world = zirka_world_objects();
    std::vector<Object *> selection = zirka_selection();
    double lo_x = INFINITY, lo_y = INFINITY, hi_x = -INFINITY, hi_y = -INFINITY;
    for (Object *object : world)
        for (int i = 0; i < zirka_object_vertex_count(object); i++) {
            double sx, sy;
            project(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, i)), &sx, &sy);
            if (!std::isfinite(sx) || !std::isfinite(sy))
                continue;
            lo_x = std::min(lo_x, sx), hi_x = std::max(hi_x, sx);
            lo_y = std::min(lo_y, sy), hi_y = std::max(hi_y, sy);
        }
    if (lo_x <= hi_x) {
        // Fit the drawing into the canvas with a margin, y pointing up.
        double span = std::max(std::max(hi_x - lo_x, hi_y - lo_y), 1e-9);
        double scale = 0.9 * std::min(width, height) / span;
        double mid_x = 0.5 * (lo_x + hi_x), mid_y = 0.5 * (lo_y + hi_y);
        for (Object *object : world) {
            bool selected = std::find(selection.begin(), selection.end(), object) != selection.end();
            for (Surface *surface : zirka_object_surfaces(object)) {
                std::vector<double> xy;
                for (List *node = zirka_head_surface_vertices(surface); node; node = node->next) {
                    const SurfaceVertex *sv = static_cast<SurfaceVertex *>(node->item);
                    double sx, sy;
                    project(*zirka_head_vertex_pos(zirka_head_entry_vertex(sv)), &sx, &sy);
                    if (!std::isfinite(sx) || !std::isfinite(sy))
                        continue;
                    xy.push_back(0.5 * width + (sx - mid_x) * scale);
                    xy.push_back(0.5 * height - (sy - mid_y) * scale);
                }
                if (xy.empty())
                    continue;
                // Closed surfaces return to their first vertex; a single
                // point becomes a short dash so that it shows.
                if (xy.size() == 2)
                    xy.insert(xy.end(), {xy[0] + 1.0, xy[1]});
                else if (surface_get_type(surface) != ZIRKA_SURFACE_LINE)
                    xy.insert(xy.end(), {xy[0], xy[1]});
                Tcl_Obj *coords = Tcl_NewListObj(0, nullptr);
                for (double c : xy)
                    Tcl_ListObjAppendElement(nullptr, coords, Tcl_NewDoubleObj(c));
                eval_words(interp, {Tcl_NewStringObj(".view", -1), Tcl_NewStringObj("create", -1),
                                    Tcl_NewStringObj("line", -1), coords, Tcl_NewStringObj("-fill", -1),
                                    Tcl_NewStringObj(selected ? "red" : "black", -1)});
            }
        }
    }
    Tcl_RestoreInterpState(interp, saved);
}

/*
 * redraw_cmd --  ::zirka::redraw
 * Results: empty.
 * Side effects: draws the world again (not counted as a redraw_all).
 */
static int redraw_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    if (objc != 1) {
        Tcl_WrongNumArgs(interp, 1, objv, nullptr);
        return TCL_ERROR;
    }
    zirka_gui_redraw(interp);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int zirka_gui_init(Tcl_Interp *interp)
{
    Tcl_CreateObjCommand(interp, "::zirka::redraw", redraw_cmd, nullptr, nullptr);
    return Tcl_EvalEx(interp, window_script, -1, TCL_EVAL_GLOBAL);
}

void zirka_gui_menu_item(Tcl_Interp *interp, const std::string &label, const std::string &command,
                         const std::string &help)
{
    Tcl_SetVar2(interp, "::zirka::help", label.c_str(), help.c_str(), TCL_GLOBAL_ONLY);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    eval_words(interp, {Tcl_NewStringObj(".menubar.tools", -1), Tcl_NewStringObj("add", -1),
                        Tcl_NewStringObj("command", -1), Tcl_NewStringObj("-label", -1),
                        Tcl_NewStringObj(label.c_str(), -1), Tcl_NewStringObj("-command", -1),
                        Tcl_NewStringObj(command.c_str(), -1)});
    Tcl_RestoreInterpState(interp, saved);
}
