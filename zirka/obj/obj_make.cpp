// obj_make.cpp -- the host's objects made of what the OBJ reader read,
// through the host's interface alone: all of them, or none.
#include "obj_objects.h"
#include "zirka_core.h"

#include <algorithm>

// Makes the object, adding it to *made (room reserved) as soon as it
// exists; false when memory ran out meanwhile.
static bool make_object(const ObjObject &in, const HostVector<std::pair<float, float>> &uvs,
                        std::vector<Object *> *made)
{
    const long failures = zirka_memory_failures();
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    if (!object)
        return false;
    made->push_back(object);
    try {
        zirka_object_set_name(object, std::string(in.name.begin(), in.name.end()));
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
    }
    for (const Pos3 &p : in.vertices)
        if (!object_add_new_vertex(object, &p))
            break;
    for (size_t k = 0; k < in.elements.size() && zirka_memory_failures() == failures; k++) {
        const ObjElement &element = in.elements[k];
        Surface *surface = new_surface();
        if (!surface)
            break;
        zirka_surface_set_type(surface, element.type);
        for (size_t i = element.first; i < element.first + element.count; i++) {
            std::pair<float, float> uv{0.0f, 0.0f};
            if (in.textured && in.textures[i] >= 0)
                uv = uvs[static_cast<size_t>(in.textures[i])];
            if (!surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, in.indices[i]), uv.first, uv.second))
                break;
        }
        object_add_surface(object, surface);
    }
    return zirka_memory_failures() == failures;
}

bool obj_make_objects(const HostVector<ObjObject> &read, const HostVector<std::pair<float, float>> &uvs,
                      std::vector<Object *> *objects)
{
    auto has_vertices = [](const ObjObject &in) { return !in.vertices.empty(); };
    bool made = true;
    try {
        objects->reserve(static_cast<size_t>(std::count_if(read.begin(), read.end(), has_vertices)));
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        made = false;
    }
    for (size_t i = 0; made && i < read.size(); i++)
        if (has_vertices(read[i]))
            made = make_object(read[i], uvs, objects);
    if (!made) {
        zirka_objects_discard(*objects);
        objects->clear();
    }
    return made;
}
