// render_mesh.cpp -- render_mesh_build: the one place where the renderer
// reads the world, through the core's public accessors, into flat arrays.
#include "render.h"

#include "zirka_core.h"

#include <algorithm>
#include <cmath>

// The polygon's corners: each vertex, or its copy with a zero normal (made
// once, in *twin) where the vertex's normal is more than 30 degrees off the
// polygon's own (Newell's), either way: a crease, shaded flat.
static void corners(RenderMesh *mesh, std::vector<uint32_t> *loop, std::vector<uint32_t> *twin, uint32_t first)
{
    const std::vector<float> &p = mesh->positions;
    double f[3] = {0, 0, 0};
    for (size_t i = 0; i < loop->size(); i++) {
        const float *a = &p[3 * size_t((*loop)[i])], *b = &p[3 * size_t((*loop)[(i + 1) % loop->size()])];
        for (int k = 0; k < 3; k++)
            f[k] += double(a[(k + 1) % 3] - b[(k + 1) % 3]) * (a[(k + 2) % 3] + b[(k + 2) % 3]);
    }
    for (uint32_t &v : *loop) {
        const float *n = &mesh->normals[3 * size_t(v)], xyz[3] = {p[3 * v], p[3 * v + 1], p[3 * v + 2]};
        double d = f[0] * n[0] + f[1] * n[1] + f[2] * n[2];
        if (d * d >= 0.75 * (f[0] * f[0] + f[1] * f[1] + f[2] * f[2]) * (n[0] * n[0] + n[1] * n[1] + n[2] * n[2]))
            continue;
        uint32_t &t = (*twin)[v - first];
        if (!t) {
            t = static_cast<uint32_t>(p.size() / 3);
            mesh->positions.insert(mesh->positions.end(), xyz, xyz + 3);
            mesh->normals.insert(mesh->normals.end(), {0.0f, 0.0f, 0.0f});
        }
        v = t;
    }
}

void render_mesh_build(const std::vector<Object *> &objects, RenderMesh *mesh)
{
    *mesh = RenderMesh{};
    for (int k = 0; k < 3; k++)
        mesh->lo[k] = INFINITY, mesh->hi[k] = -INFINITY;
    std::vector<Object *> selection = zirka_selection();
    size_t count = 0;
    for (Object *object : objects)
        count += size_t(zirka_object_vertex_count(object));
    mesh->positions.reserve(3 * count);
    mesh->normals.reserve(3 * count);
    mesh->triangles.reserve(6 * count);
    mesh->edges.reserve(8 * count);
    for (Object *object : objects) {
        RenderObject part{};
        part.id = zirka_object_id(object);
        auto rank = std::find(selection.begin(), selection.end(), object);
        part.selection = rank == selection.end() ? 0 : static_cast<int>(rank - selection.begin()) + 1;
        const uint32_t first_vertex = static_cast<uint32_t>(mesh->positions.size() / 3);
        for (int i = 0, count = zirka_object_vertex_count(object); i < count; i++) {
            Vertex *vertex = zirka_object_get_vertex_at_index(object, i);
            Pos3 p = *zirka_head_vertex_pos(vertex), n = zirka_vertex_normal(vertex);
            mesh->positions.insert(mesh->positions.end(), {p.x, p.y, p.z});
            mesh->normals.insert(mesh->normals.end(), {n.x, n.y, n.z});
            if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) {
                const float xyz[3] = {p.x, p.y, p.z};
                for (int k = 0; k < 3; k++)
                    mesh->lo[k] = std::min(mesh->lo[k], xyz[k]), mesh->hi[k] = std::max(mesh->hi[k], xyz[k]);
            }
        }
        part.vertices = {first_vertex, static_cast<uint32_t>(mesh->positions.size() / 3) - first_vertex};
        std::vector<uint32_t> twin(part.vertices.count, 0); // a corner's flat copy, once made
        part.triangles.first = static_cast<uint32_t>(mesh->triangles.size());
        part.edges.first = static_cast<uint32_t>(mesh->edges.size());
        part.lines.first = static_cast<uint32_t>(mesh->lines.size());
        std::vector<uint32_t> loop;
        for (Surface *surface : zirka_object_surfaces(object)) {
            loop.clear();
            for (int index : zirka_surface_vertex_indices(object, surface))
                if (index >= 0)
                    loop.push_back(first_vertex + static_cast<uint32_t>(index));
            if (loop.empty())
                continue;
            int type = surface_get_type(surface);
            if (type == ZIRKA_SURFACE_POLYGON && loop.size() >= 3) {
                for (size_t i = 0; i < loop.size(); i++)
                    mesh->edges.insert(mesh->edges.end(), {loop[i], loop[(i + 1) % loop.size()]});
                corners(mesh, &loop, &twin, first_vertex);
                for (size_t i = 1; i + 1 < loop.size(); i++)
                    mesh->triangles.insert(mesh->triangles.end(), {loop[0], loop[i], loop[i + 1]});
                continue;
            }
            // Lines, closed lines, and polygons too small to have an inside.
            if (loop.size() == 1)
                loop.push_back(loop[0]);
            else if (type != ZIRKA_SURFACE_LINE && loop.size() > 2)
                loop.push_back(loop[0]);
            for (size_t i = 0; i + 1 < loop.size(); i++)
                mesh->lines.insert(mesh->lines.end(), {loop[i], loop[i + 1]});
        }
        part.triangles.count = static_cast<uint32_t>(mesh->triangles.size()) - part.triangles.first;
        part.edges.count = static_cast<uint32_t>(mesh->edges.size()) - part.edges.first;
        part.lines.count = static_cast<uint32_t>(mesh->lines.size()) - part.lines.first;
        mesh->objects.push_back(part);
    }
}
