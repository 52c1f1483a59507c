// obj_objects.h -- the objects of an OBJ file as the reader holds them
// until the file has been read whole, and the two steps between reading
// them and handing them back: joining polylines written one edge at a time
// (obj_chain.cpp), and making the host's objects (obj_make.cpp).
#ifndef ZIRKA_OBJ_OBJECTS_H
#define ZIRKA_OBJ_OBJECTS_H

#include "memory.h"
#include "zirka_heads.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// 16 bytes: a file of quads holds millions of them.
struct ObjElement {
    size_t first;   // its indices are ObjObject::indices[first, first + count)
    uint32_t line;  // where it was read
    uint16_t count; // at most 65535, as a surface
    int8_t type;    // ZIRKA_SURFACE_*
};

struct ObjObject {
    HostString name;
    int first_vertex; // global index of the object's first vertex
    HostVector<Pos3> vertices;
    HostVector<int> indices; // into the object's vertices, every element's in turn
    HostVector<ObjElement> elements;
};

// An object whose elements are two or more open lines of two vertices each
// (a polyline as Blender writes it, one "l a b" per edge) becomes one
// polyline, closed when the chain comes back to where it began, in the
// direction of its first edge. Returns false, with the line to blame and
// the reason, when they do not make one chain or lie beside other elements.
// Throws std::bad_alloc without memory.
bool obj_join_two_point_lines(ObjObject &o, int *line, std::string *why);

// Makes the host's objects of those that hold vertices, in order, into
// *objects (empty). Without memory returns false, having released what it
// made and given back the ids they took.
bool obj_make_objects(const HostVector<ObjObject> &read, std::vector<Object *> *objects);

#endif /* ZIRKA_OBJ_OBJECTS_H */
