// gui.cpp -- the window of `zirka --gui`: window.tcl builds it (menus, the
// object list, the message area); this file adds the GL view, the Tcl
// command ::zirka::view that draws the world into a Tk frame and turns,
// pans, zooms and picks.
#include "zirka_tcl.h"

#include "render.h"
#include "tcl_values.h"
#include "window_tcl.h" // window_script: window.tcl as a string

#include <tk.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {
// The state of the one view: what is drawn, from where, and the GL that
// draws it. Owned by ::zirka::view (its clientData), freed with it.
struct GuiView {
    Tcl_Interp *interp;
    Tk_Window frame;      // .view
    RenderWindow *window; // made at the first draw; NULL until then or when EGL failed
    RenderGl *gl;         // the mesh's buffers in window's context; NULL when stale
    std::string error;    // why there is no window, once tried
    RenderMesh mesh;
    std::vector<int> mesh_key; // the world_key the mesh was built from
    RenderCamera camera;
    RenderOptions options;
    bool draw_pending;
    bool fitted; // the camera has been fitted to a non-empty world
    bool moving; // the lighter drawing, until the view has been still a while
    Tcl_TimerToken still; // ends moving
};
} // namespace

static const char view_command[] = "::zirka::view";
static void view_schedule(GuiView *view);

// While the view moves (or shows a new mesh), drawn lightly till still 1/4 s.
static void view_still(ClientData data)
{
    static_cast<GuiView *>(data)->still = nullptr;
    static_cast<GuiView *>(data)->moving = false;
    view_schedule(static_cast<GuiView *>(data));
}

static void view_moved(GuiView *view)
{
    Tcl_DeleteTimerHandler(view->still);
    view->moving = true;
    view->still = Tcl_CreateTimerHandler(250, view_still, view);
}

// What decides whether the mesh must be read again: which objects are in
// the world, and the redraws the plug-ins asked for (an object changes only
// in a command, which asks for one). A change of selection alone only
// changes the marks.
static std::vector<int> world_key(void)
{
    std::vector<int> key{static_cast<int>(zirka_redraw_count())};
    for (Object *object : zirka_world_objects())
        key.push_back(zirka_object_id(object));
    return key;
}

static void view_refresh_mesh(GuiView *view)
{
    std::vector<int> key = world_key();
    if (key == view->mesh_key && !view->mesh.objects.empty()) {
        std::vector<Object *> selection = zirka_selection();
        for (RenderObject &part : view->mesh.objects) {
            part.selection = 0;
            for (size_t i = 0; i < selection.size(); i++)
                if (zirka_object_id(selection[i]) == part.id)
                    part.selection = static_cast<int>(i) + 1;
        }
        return;
    }
    render_mesh_build(zirka_world_objects(), &view->mesh);
    render_mesh_coarsen(&view->mesh, 250000);
    if (!view->mesh.coarse.empty())
        view_moved(view);
    view->mesh_key = key;
    if (view->window && render_window_use(view->window)) {
        render_gl_release(view->gl);
        view->gl = nullptr;
    }
    if (view->mesh.objects.empty())
        view->fitted = false;
}

// Takes the frame's size for drawing and fitting; returns its aspect.
static double view_aspect(GuiView *view)
{
    view->options.width = std::max(Tk_Width(view->frame), 1);
    view->options.height = std::max(Tk_Height(view->frame), 1);
    return double(view->options.width) / view->options.height;
}

// Makes the window's GL at the first draw, and the mesh's buffers when stale.
static bool view_ready(GuiView *view)
{
    double aspect = view_aspect(view);
    if (!view->window) {
        if (!view->error.empty())
            return false;
        Tk_MakeWindowExist(view->frame);
        view->window = render_window_open(Tk_Display(view->frame), Tk_WindowId(view->frame), &view->error);
        if (!view->window) {
            zirka_tcl_eval_words(view->interp, {"::zirka::message", "the view cannot draw: " + view->error, "error"});
            return false;
        }
    }
    if (!render_window_use(view->window))
        return false;
    if (!view->gl)
        view->gl = render_gl_upload(view->mesh, &view->error);
    if (!view->fitted && !view->mesh.objects.empty()) {
        render_camera_fit(&view->camera, view->mesh, aspect);
        view->fitted = true;
    }
    return view->gl != nullptr;
}

// Draws into the back buffer, lightly when quick; the caller shows it.
static bool view_draw(GuiView *view, bool quick)
{
    if (!Tk_IsMapped(view->frame) || !view_ready(view))
        return false;
    view->options.quick = quick;
    render_gl_draw(view->gl, view->mesh, view->camera, view->options);
    return true;
}

// Fits the view to the selected objects unless they are wholly in view.
static void view_frame(GuiView *view)
{
    uint32_t first = UINT32_MAX, end = 0;
    for (const RenderObject &part : view->mesh.objects)
        if (part.selection)
            first = std::min(first, part.vertices.first), end = std::max(end, part.vertices.first + part.vertices.count);
    double aspect = view_aspect(view);
    if (first < end)
        render_camera_frame(&view->camera, view->mesh, aspect, {first, end - first});
}

static void view_draw_idle(ClientData data)
{
    GuiView *view = static_cast<GuiView *>(data);
    view->draw_pending = false;
    if (view_draw(view, view->moving))
        render_window_show(view->window);
}

static void view_schedule(GuiView *view)
{
    if (!view->draw_pending) {
        view->draw_pending = true;
        Tcl_DoWhenIdle(view_draw_idle, view);
    }
}

static void view_delete(ClientData data)
{
    GuiView *view = static_cast<GuiView *>(data);
    if (view->draw_pending)
        Tcl_CancelIdleCall(view_draw_idle, view);
    Tcl_DeleteTimerHandler(view->still);
    if (view->window && render_window_use(view->window))
        render_gl_release(view->gl);
    render_window_close(view->window);
    delete view;
}

static GuiView *find_view(Tcl_Interp *interp)
{
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, view_command, &info) || info.deleteProc != view_delete)
        return nullptr;
    return static_cast<GuiView *>(info.objClientData);
}

// The subcommand's count arguments as numbers.
static int get_doubles(Tcl_Interp *interp, Tcl_Obj *const objv[], int count, double *out)
{
    for (int i = 0; i < count; i++)
        if (Tcl_GetDoubleFromObj(interp, objv[i + 2], &out[i]) != TCL_OK)
            return TCL_ERROR;
    return TCL_OK;
}

// ::zirka::view SUBCOMMAND: those that change the view return empty and
// draw it again at idle time; while it turns, pans or zooms, lightly. draw
// only draws again; preset looks from there, fitted; fit fits the world in;
// frame fits the selection in unless it is; turn and pan follow a pointer
// move of DX, DY pixels; zoom shows FACTOR times as much; pick is the id of
// the object at (or within 4 pixels of) X, Y, "" for none; project is the
// pixel {x y} at which a point is seen; snapshot draws and writes what is
// shown as PNG; error says why the view cannot draw ("" when it can).
static int view_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    // Each subcommand and its arguments: as many as the usage has words.
    static const struct { const char *name, *usage; } subs[] = {
        {"draw", ""}, {"preset", "iso|front|top|side"}, {"fit", ""}, {"frame", ""}, {"turn", "dx dy"},
        {"pan", "dx dy"}, {"zoom", "factor"}, {"style", "shaded|wireframe|both"}, {"axes", "boolean"},
        {"pick", "x y"}, {"project", "x y z"}, {"snapshot", "file"}, {"error", ""}, {"checker", "boolean"}, {}};
    enum { DRAW, PRESET, FIT, FRAME, TURN, PAN, ZOOM, STYLE, AXES, PICK, PROJECT, SNAPSHOT, ERROR, CHECKER };
    static const char *const styles[] = {"shaded", "wireframe", "both", nullptr}; // RenderStyle's order
    GuiView *view = static_cast<GuiView *>(data);
    int sub;
    if (zirka_tcl_arguments(interp, objc, objv, 1, INT_MAX, "subcommand ?arg ...?") != TCL_OK ||
        Tcl_GetIndexFromObjStruct(interp, objv[1], subs, sizeof subs[0], "subcommand", 0, &sub) != TCL_OK)
        return TCL_ERROR;
    const char *usage = subs[sub].usage;
    if (objc != 2 + (*usage ? 1 + std::count(usage, usage + strlen(usage), ' ') : 0)) {
        Tcl_WrongNumArgs(interp, 2, objv, usage);
        return TCL_ERROR;
    }
    double d[2];
    int flag;
    std::string error;
    switch (sub) {
    case DRAW:
        break;
    case PRESET: {
        RenderView preset;
        if (!render_view_from_name(Tcl_GetString(objv[2]), &preset))
            return zirka_tcl_error(interp, Tcl_ObjPrintf("expected iso, front, top or side but got \"%s\"",
                                                         Tcl_GetString(objv[2])));
        view->camera = render_camera_preset(preset);
    }
        [[fallthrough]];
    case FIT:
        render_camera_fit(&view->camera, view->mesh, view_aspect(view));
        view->fitted = !view->mesh.objects.empty();
        break;
    case FRAME:
        view_frame(view);
        view->fitted = true;
        break;
    case TURN:
    case PAN:
    case ZOOM:
        if (get_doubles(interp, objv, sub == ZOOM ? 1 : 2, d) != TCL_OK)
            return TCL_ERROR;
        if (sub == TURN)
            render_camera_turn(&view->camera, -0.01 * d[0], 0.01 * d[1]);
        else if (sub == PAN)
            render_camera_pan(&view->camera, d[0], d[1], view->options.height);
        else if (d[0] > 0.0 && std::isfinite(d[0]))
            view->camera.half_height *= d[0];
        else
            return zirka_tcl_error(interp, Tcl_ObjPrintf("expected a positive factor but got \"%s\"", Tcl_GetString(objv[2])));
        view_moved(view);
        break;
    case STYLE:
        if (Tcl_GetIndexFromObj(interp, objv[2], styles, "style", 0, &flag) != TCL_OK)
            return TCL_ERROR;
        view->options.style = static_cast<RenderStyle>(flag);
        break;
    case AXES:
    case CHECKER:
        if (Tcl_GetBooleanFromObj(interp, objv[2], &flag) != TCL_OK)
            return TCL_ERROR;
        (sub == AXES ? view->options.axes : view->options.checker) = flag;
        break;
    case PICK: {
        int xy[2];
        if (Tcl_GetIntFromObj(interp, objv[2], &xy[0]) != TCL_OK || Tcl_GetIntFromObj(interp, objv[3], &xy[1]) != TCL_OK)
            return TCL_ERROR;
        int id = view_ready(view) ? render_gl_pick(view->gl, view->mesh, view->camera, view->options, xy[0], xy[1], 4) : 0;
        Tcl_SetObjResult(interp, id ? Tcl_NewIntObj(id) : Tcl_NewObj());
        return TCL_OK;
    }
    case PROJECT: {
        double point[3], xy[2];
        if (get_doubles(interp, objv, 3, point) != TCL_OK)
            return TCL_ERROR;
        render_camera_project(view->camera, view->mesh, view->options.width, view->options.height, point, xy);
        Tcl_Obj *pair[2] = {Tcl_NewIntObj(int(std::floor(xy[0]))), Tcl_NewIntObj(int(std::floor(xy[1])))};
        Tcl_SetObjResult(interp, Tcl_NewListObj(2, pair));
        return TCL_OK;
    }
    case SNAPSHOT: {
        RenderImage image;
        if (!view_draw(view, false))
            return zirka_tcl_error(interp, Tcl_ObjPrintf("the view cannot draw: %s",
                                                         view->error.empty() ? "it is not shown" : view->error.c_str()));
        render_gl_read(view->options.width, view->options.height, &image);
        render_window_show(view->window);
        if (!render_png_write(Tcl_GetString(objv[2]), image, &error))
            return zirka_tcl_error(interp, zirka_tcl_string(error));
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    case ERROR:
        Tcl_SetObjResult(interp, zirka_tcl_string(view->error));
        return TCL_OK;
    }
    view_schedule(view);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

void zirka_gui_redraw(Tcl_Interp *interp)
{
    if (GuiView *view = find_view(interp)) {
        view_refresh_mesh(view);
        view_schedule(view);
    }
    zirka_tcl_eval_words(interp, {"::zirka::refresh_list"});
}

int zirka_gui_init(Tcl_Interp *interp)
{
    Tk_Window frame;
    if (Tcl_EvalEx(interp, window_script, -1, TCL_EVAL_GLOBAL) != TCL_OK ||
        !(frame = Tk_NameToWindow(interp, ".view", Tk_MainWindow(interp))))
        return TCL_ERROR;
    GuiView *view = new GuiView{interp, frame, nullptr, nullptr, "", {}, {},
                                render_camera_preset(RENDER_VIEW_ISO), {}, false, false, false, nullptr};
    view->options.axes = true;
    Tcl_CreateObjCommand(interp, view_command, view_cmd, view, view_delete);
    view_refresh_mesh(view);
    return TCL_OK;
}

void zirka_gui_finish(Tcl_Interp *interp)
{
    if (find_view(interp))
        Tcl_DeleteCommand(interp, view_command);
}
