// Validation: parse the scale amount, make the result object, check the
// selection, tell the template from the path, and check the path the sweep
// is about to follow.

#include <limits.h>
#include <math.h>
#include <stdio.h>

#include "extrude_work.h"

// Refuses the command: records the verdict (code and number) and, unless
// only checking, writes the refusal line. Returns 1.
static int refuse(ExtrudeWork *w, const char *code, int number, const char *line)
{
    w->verdict.code = code;
    w->verdict.number = number;
    return w->checking ? 1 : extrude_refuse(line);
}

// Checks selected object number (1 the template, 2 the path): exactly one
// surface, no children, ordinary type.
static int check_object(ExtrudeWork *w, Object *object, int number)
{
    int vertex_count, surface_count, child_count;
    List *vertices, *surfaces, *children;

    zirka_object_get_contents(object, &vertex_count, &surface_count, &child_count, &vertices, &surfaces,
                              &children);
    if (!w->checking) {
        if (kvx_debug && surface_count > 0 && surfaces) {
            VertexList *trace = kvx_vtx_list_from_surface1((Surface *)surfaces->item);
            list_free(&trace);
        }
        // One bare line per checked object, trace or not: it has always been
        // part of the command's output, and scripts that read it rely on it.
        fputs("\n", stderr);
    }
    if (surface_count != 1 || child_count != 0)
        return refuse(w, "surfaces", number, "extrude_along_path(): must have exactly one surface and no children!\n");
    if (zirka_object_get_type(object) != ZIRKA_OBJECT_NORMAL)
        return refuse(w, "type", number, "extrude_along_path(): object must be of type OBJECT_NORMAL!\n");
    return 0;
}

static int surface_finite(const Surface *surface)
{
    for (const List *node = zirka_head_surface_vertices(surface); node; node = node->next)
        if (!vec3_is_finite(extrude_path_point(node)))
            return 0;
    return 1;
}

// The path's entries with every run of coincident consecutive points kept
// once (and, for a closed path, trailing points that repeat the first
// dropped): a zero segment would collapse every later ring onto a line.
// Returns 1, with *points NULL, when the host has no memory for the list.
static int path_distinct_points(const Surface *path, int closed, List **points)
{
    List **tail = points, **last_at = NULL;
    const List *last = NULL;

    for (const List *node = zirka_head_surface_vertices(path); node; node = node->next) {
        if (last && vec3_equal(extrude_path_point(last), extrude_path_point(node)))
            continue;
        last_at = tail;
        if (!(tail = kvx_list_append(tail, node->item))) {
            list_free(points);
            return 1;
        }
        last = node;
    }
    if (closed && last_at && last_at != points && vec3_equal(extrude_path_point(*last_at), extrude_path_point(*points)))
        list_free(last_at);
    return 0;
}

// Checks every corner of the path as the sweep will meet it: segments must be
// finite, and two segments that run exactly against each other (cosine below
// zero, no rotation axis) give no direction to turn the outline in.
static int path_check_corners(ExtrudeWork *w, ExtrudeCorners walk)
{
    do {
        if (!vec3_is_finite(&walk.incoming) || !vec3_is_finite(&walk.outgoing))
            return refuse(w, "not_finite", 0, "extrude_along_path(): coordinates must be finite!\n");
        double cosine;
        Pos3 axis;
        if (extrude_turns(&walk.incoming, &walk.outgoing, &cosine, &axis) && cosine < 0.0 && axis.x == 0 &&
            axis.y == 0 && axis.z == 0)
            return refuse(w, "turns_back", 0, "extrude_along_path(): path turns back on itself!\n");
    } while (extrude_corners_next(&walk));
    return 0;
}

int extrude_validate(ExtrudeWork *w, int argc, const char **argv)
{
    if (argc < 2) {
        windows_message_dialog("Insufficient parameters passed to extrude/scale plugin");
        return 1;
    }
    // An amount that reads as infinite or not a number would fill the world
    // with vertices that are not numbers.
    w->scale_amount = 0;
    if (sscanf(argv[1], "%g", &w->scale_amount) != 1 || !isfinite(w->scale_amount)) {
        windows_message_dialog("Error parsing scale amount (%s)", argv[1]);
        return 1;
    }
    w->scale_fraction = w->scale_amount * 0.01;
    w->ring_count = 0;

    w->result = new_object(ZIRKA_OBJECT_NORMAL);
    if (!w->result)
        return extrude_refuse(EXTRUDE_NO_MEMORY);
    return extrude_check_selection(w);
}

int extrude_check_selection(ExtrudeWork *w)
{
    List *selection = zirka_selection_get_objects_ordered();
    if (kvx_debug && !w->checking)
        fprintf(stderr, "extrude_along_path(): selection contains %d objects\n", list_count(selection));
    if (list_count(selection) != 2)
        return refuse(w, "count", list_count(selection),
                      "extrude_along_path(): can only operate on exactly two objects!\n");
    if (check_object(w, (Object *)selection->item, 1) || check_object(w, (Object *)selection->next->item, 2))
        return 1;

    w->template_object = (Object *)selection->item;
    w->path_object = (Object *)selection->next->item;
    if (!w->checking)
        object_calc_normals_force(w->template_object);

    w->template_surface = (Surface *)list_get_item(zirka_object_get_surfacelist(w->template_object), 0);
    w->path_surface = (Surface *)list_get_item(zirka_object_get_surfacelist(w->path_object), 0);
    w->template_closed = surface_get_type(w->template_surface) != ZIRKA_SURFACE_LINE;
    w->path_closed = surface_get_type(w->path_surface) != ZIRKA_SURFACE_LINE;
    if (kvx_debug && !w->checking) {
        fprintf(stderr, "extrude_along_path(): tmpl is %s\n", w->template_closed ? "closed" : "open");
        fprintf(stderr, "extrude_along_path(): path is %s\n", w->path_closed ? "closed" : "open");
    }
    if (zirka_head_surface_count(w->path_surface) < 3)
        return refuse(w, "path_vertices", (int)zirka_head_surface_count(w->path_surface),
                      "extrude_along_path(): path must have at least 3 vertices!\n");

    // An outline without vertices has no centre and no normal.
    if (!zirka_head_surface_vertices(w->template_surface))
        return refuse(w, "empty_template", 0, "extrude_along_path(): template must have at least 1 vertex!\n");
    if (!surface_finite(w->template_surface) || !surface_finite(w->path_surface))
        return refuse(w, "not_finite", 0, "extrude_along_path(): coordinates must be finite!\n");

    if (path_distinct_points(w->path_surface, w->path_closed, &w->path_points))
        return refuse(w, "memory", 0, EXTRUDE_NO_MEMORY);
    int count = list_count(w->path_points);
    if (count < 3)
        return refuse(w, "distinct_points", count, "extrude_along_path(): path must have at least 3 distinct points!\n");
    // One ring per path point; the host numbers the result's vertices with
    // an int, and the skin addresses them by that number.
    if ((long long)count * zirka_head_surface_count(w->template_surface) > INT_MAX)
        return refuse(w, "too_many", 0, "extrude_along_path(): result would have too many vertices!\n");

    // Only the path's segment vectors are used: the sweep starts wherever the
    // template stands.
    extrude_corners_begin(&w->corner, w->path_points, w->path_closed ? count : count - 2);
    if (path_check_corners(w, w->corner))
        return 1;
    w->verdict.code = "ok";
    w->verdict.number = 0;
    return 0;
}
