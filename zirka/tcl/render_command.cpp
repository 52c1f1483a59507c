// render_command.cpp -- host::render: a PNG picture of the world or of given
// objects, drawn offscreen (no display needed).
#include "zirka_tcl.h"

#include "render.h"
#include "tcl_values.h"

#include <string>

// Reads "W" or "WxH", each a whole number within 1 .. 16384.
static bool parse_size(const char *text, int *width, int *height)
{
    std::string w = text, h;
    size_t x = w.find_first_of("xX");
    if (x != std::string::npos) {
        h = w.substr(x + 1);
        w.resize(x);
    }
    Tcl_WideInt n[2];
    bool in_range[2] = {false, false};
    for (int k = 0; k < (h.empty() ? 1 : 2); k++) {
        Tcl_Obj *part = zirka_tcl_string(k == 0 ? w : h);
        Tcl_IncrRefCount(part);
        int code = zirka_tcl_number(nullptr, part, 1, 16384, &n[k], &in_range[k]);
        Tcl_DecrRefCount(part);
        if (code != TCL_OK || !in_range[k])
            return false;
    }
    if (x != std::string::npos && h.empty())
        return false;
    *width = static_cast<int>(n[0]);
    *height = static_cast<int>(h.empty() ? n[0] : n[1]);
    return true;
}

// host::render, as zirka_tcl.h describes it. The offscreen context (the
// command's client data) is made at the first picture and kept.
static int render_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const char *const options[] = {"-view", "-size", "-style", "-edges", "-axes", "-selection", "-objects", "-texture", nullptr};
    enum { OPT_VIEW, OPT_SIZE, OPT_STYLE, OPT_EDGES, OPT_AXES, OPT_SELECTION, OPT_OBJECTS, OPT_TEXTURE };
    static const char *const textures[] = {"none", "checker", nullptr};
    static const char *const styles[] = {"shaded", "wireframe", "both", nullptr}; // RenderStyle's order
    if (objc < 2 || objc % 2 != 0) {
        Tcl_WrongNumArgs(interp, 1, objv, "file ?-option value ...?");
        return TCL_ERROR;
    }
    RenderView view = RENDER_VIEW_ISO;
    RenderOptions render;
    bool selection = false;
    std::vector<Object *> objects = zirka_world_objects();
    for (int i = 2; i < objc; i += 2) {
        int option, flag, style;
        if (Tcl_GetIndexFromObj(interp, objv[i], options, "option", 0, &option) != TCL_OK)
            return TCL_ERROR;
        const char *value = Tcl_GetString(objv[i + 1]);
        switch (option) {
        case OPT_VIEW:
            if (!render_view_from_name(value, &view))
                return zirka_tcl_error(interp, Tcl_ObjPrintf("expected iso, front, top or side but got \"%s\"", value),
                                       {"ZIRKA", "RENDER", "VIEW"});
            break;
        case OPT_SIZE:
            if (!parse_size(value, &render.width, &render.height))
                return zirka_tcl_error(interp,
                                       Tcl_ObjPrintf("expected a size W or WxH within 1 .. 16384 but got \"%s\"", value),
                                       {"ZIRKA", "RENDER", "SIZE"});
            break;
        case OPT_STYLE:
        case OPT_TEXTURE:
            if (Tcl_GetIndexFromObj(interp, objv[i + 1], option == OPT_STYLE ? styles : textures,
                                    option == OPT_STYLE ? "style" : "texture", 0, &style) != TCL_OK)
                return TCL_ERROR;
            if (option == OPT_STYLE)
                render.style = static_cast<RenderStyle>(style);
            else
                render.checker = style == 1;
            break;
        case OPT_EDGES:
            if (Tcl_GetBooleanFromObj(interp, objv[i + 1], &flag) != TCL_OK)
                return TCL_ERROR;
            render.style = flag ? RENDER_SHADED_EDGES : RENDER_SHADED;
            break;
        case OPT_AXES:
        case OPT_SELECTION:
            if (Tcl_GetBooleanFromObj(interp, objv[i + 1], &flag) != TCL_OK)
                return TCL_ERROR;
            (option == OPT_AXES ? render.axes : selection) = flag;
            break;
        case OPT_OBJECTS: {
            int n;
            Tcl_Obj **ids;
            if (Tcl_ListObjGetElements(interp, objv[i + 1], &n, &ids) != TCL_OK)
                return TCL_ERROR;
            objects.assign(n, nullptr);
            for (int k = 0; k < n; k++)
                if (zirka_tcl_object(interp, ids[k], &objects[k]) != TCL_OK)
                    return TCL_ERROR;
            break;
        }
        }
    }
    RenderMesh mesh;
    render_mesh_build(objects, &mesh);
    if (!selection)
        for (RenderObject &part : mesh.objects)
            part.selection = 0;
    RenderCamera camera = render_camera_preset(view);
    render_camera_fit(&camera, mesh, double(render.width) / render.height);
    RenderImage image;
    std::string error;
    if (!render_offscreen(static_cast<RenderOffscreen *>(data), mesh, camera, render, &image, &error) ||
        !render_png_write(zirka_tcl_native(objv[1]), image, &error))
        return zirka_tcl_error(interp, zirka_tcl_from_native(error), {"ZIRKA", "RENDER"});
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static void render_delete(ClientData data) { render_offscreen_free(static_cast<RenderOffscreen *>(data)); }

int zirka_tcl_render_command(Tcl_Interp *interp)
{
    Tcl_CreateObjCommand(interp, "::host::render", render_cmd, render_offscreen_new(), render_delete);
    return TCL_OK;
}
