// render_mesh.cpp -- render_mesh_build: the one place where the renderer
// reads the world, through the core's public accessors, into flat arrays.
#include "render.h"

#include "zirka_core.h"

#include <algorithm>
#include <cmath>

void render_mesh_build(const std::vector<Object *> &objects, RenderMesh *mesh)
{
    *mesh = RenderMesh{};
    for (int k = 0; k < 3; k++)
        mesh->lo[k] = INFINITY, mesh->hi[k] = -INFINITY;
    std::vector<Object *> selection = zirka_selection();
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
                for (size_t i = 1; i + 1 < loop.size(); i++)
                    mesh->triangles.insert(mesh->triangles.end(), {loop[0], loop[i], loop[i + 1]});
                for (size_t i = 0; i < loop.size(); i++)
                    mesh->edges.insert(mesh->edges.end(), {loop[i], loop[(i + 1) % loop.size()]});
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
