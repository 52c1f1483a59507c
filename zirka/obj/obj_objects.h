// obj_objects.h -- an OBJ file's objects as read, and the host's made of them.
#ifndef ZIRKA_OBJ_OBJECTS_H
#define ZIRKA_OBJ_OBJECTS_H

#include "memory.h"
#include "zirka_heads.h"

#include <cstddef>
#include <cstdint>
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
    bool textured = false;    // an element of it has named a "vt"; then:
    HostVector<int> textures; // beside indices, into the file's "vt" (-1: none)
    HostVector<ObjElement> elements;
};

// The host's objects of those that hold vertices, into *objects (empty);
// without memory false, having made nothing and used up no id.
bool obj_make_objects(const HostVector<ObjObject> &read, const HostVector<std::pair<float, float>> &uvs,
                      std::vector<Object *> *objects);

#endif /* ZIRKA_OBJ_OBJECTS_H */
