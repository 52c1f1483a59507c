// shapes.h -- the shapes the tests draw with, and objects made from them
// through the host's own calls, as a plug-in or the OBJ reader makes them.
#ifndef TEST_SHAPES_H
#define TEST_SHAPES_H

#include "zirka_core.h"

#include <vector>

//      z
//      3 --- 2      kSquare: side 2 in the plane x = 0, centred on the
//      |  .  |   y  origin, counter-clockwise seen from +x, so that its fan
//      0 --- 1      normal is +x.
inline const std::vector<Pos3> kSquare = {{0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1}};

// kPath: two unit steps along +x, a straight stretch.
inline const std::vector<Pos3> kPath = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};

// kCorner: a unit step along +x, then a right angle onto +y.
inline const std::vector<Pos3> kCorner = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};

// Returns a new ordinary object, not yet in the world, holding one surface
// of the given type (ZIRKA_SURFACE_LINE, ZIRKA_SURFACE_CLOSED_LINE or
// ZIRKA_SURFACE_POLYGON) through one new vertex per point, in order.
inline Object *line_object(const std::vector<Pos3> &points, int type)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Surface *surface = new_surface();
    for (const Pos3 &p : points)
        surface_add_vertex(surface, object_add_new_vertex(object, &p), 0, 0);
    zirka_surface_set_type(surface, type);
    object_add_surface(object, surface);
    return object;
}

inline int line_type(bool closed) { return closed ? ZIRKA_SURFACE_CLOSED_LINE : ZIRKA_SURFACE_LINE; }

#endif
