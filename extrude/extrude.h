/*
 * extrude.h -- the command "extrude along a path with scaling".
 *
 * The user selects a template outline, then a path (each an ordinary object
 * with exactly one line, polyline or polygon surface and no children), and
 * runs the command with a scale amount in percent. Copies of the outline are
 * carried along the path: turned at every corner, with a mitre ring where
 * the incoming and outgoing walls meet, scaled linearly with the distance
 * travelled from 100 % at the start to the amount at the end, and joined by
 * four-sided surfaces into one new object, added to the world as one
 * undoable step "Extrude along path".
 *
 * The handler runs its phases in order within one call, sharing the working
 * values of ExtrudeWork (extrude_work.h): validation (validate.cpp), template
 * alignment (align.cpp), scale profile (scale_profile.cpp), sweep
 * (sweep.cpp), skin and commit (skin.cpp); the handler itself, with its one
 * cleanup exit, is extrude_along_path.cpp.
 */
#ifndef EXTRUDE_H
#define EXTRUDE_H

#include "kvx_geom.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Handler of the Tcl command kvx_extrude_along_path_scale.
 * argv[0] is the command's name, argv[1] the scale amount in percent; further
 * strings are ignored.
 *
 * Results: none. Every outcome shows as a message dialog (missing or
 * unreadable amount), one refusal line on standard error (selection, object
 * and path checks), or a new object in the world. Every object checked
 * writes one bare newline to standard error first, success included, so a
 * valid selection writes "\n\n".
 *
 * Side effects: on success one new object in the world and one undo step;
 * the template's normals are recalculated. Every list the call makes is
 * released before it returns. */
void ZIRKA_CALL extrude_along_path(int argc, const char **argv);

/* Handler of the Tcl command
 *   kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT
 * Options come first, each at most once, in any order; "--", or the first
 * argument that reads as a number, ends them. Without options it does
 * exactly what kvx_extrude_along_path_scale AMOUNT does.
 *   -caps     a closed outline of 3 points or more along an open path gets
 *             one surface at each end, wound like the walls: the result is
 *             closed.
 *   -outward  where a closed outline's faces would point into the tube,
 *             every surface's vertex order is reversed.
 *   -uv       every surface entry gets texture coordinates.
 *
 * Results: none. An unknown or repeated option, a missing amount and a word
 * after the amount make nothing and show a message dialog; everything else
 * as kvx_extrude_along_path_scale.
 *
 * Side effects: as kvx_extrude_along_path_scale. */
void ZIRKA_CALL extrude_along_path_with_options(int argc, const char **argv);

/* Checks the selection as the command would, and only the checks that
 * depend on the selection: makes nothing, recalculates no normals, writes
 * nothing. Returns the verdict's code: "ok", or the refusal found first
 * ("count", "surfaces", "type", "path_vertices", "empty_template",
 * "not_finite", "distinct_points", "too_many", "turns_back", "memory");
 * sets *number to the objects selected ("count"), the object concerned (1
 * the template, 2 the path: "surfaces", "type"), the path's points
 * ("path_vertices", "distinct_points"), else 0. The code is a constant
 * string.
 * number: written; must not be NULL. */
const char *extrude_selection_verdict(int *number);

#ifdef __cplusplus
}
#endif

#endif /* EXTRUDE_H */
