// render_mesh.cpp -- render_mesh_build: the one place where the renderer
// reads the world, through the core's public accessors, into flat arrays.
#include "render.h"

#include "zirka_core.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

// A copy of vertex v (after every other) with its normal, or a zero one.
static uint32_t copy_vertex(RenderMesh *mesh, uint32_t v, bool flat)
{
    uint32_t copy = static_cast<uint32_t>(mesh->positions.size() / 3);
    for (int k = 0; k < 3; k++) {
        mesh->positions.push_back(mesh->positions[3 * size_t(v) + k]);
        mesh->normals.push_back(flat ? 0.0f : mesh->normals[3 * size_t(v) + k]);
    }
    mesh->uvs.insert(mesh->uvs.end(), {mesh->uvs[2 * size_t(v)], mesh->uvs[2 * size_t(v) + 1]});
    return copy;
}

// The polygon's corners: each vertex, or its copy with a zero normal (made
// once, in *twin) where the vertex's normal is more than 30 degrees off the
// polygon's own f (Newell's), either way: a crease, shaded flat. Then a copy
// for a corner whose texture coordinates are not those its vertex took first.
static void corners(RenderMesh *mesh, std::vector<uint32_t> *loop, const std::vector<std::pair<float, float>> &uv,
                    std::vector<uint32_t> *twin, std::vector<bool> *taken, uint32_t first, double f[3])
{
    const std::vector<float> &p = mesh->positions;
    for (size_t i = 0; i < loop->size(); i++) {
        const float *a = &p[3 * size_t((*loop)[i])], *b = &p[3 * size_t((*loop)[(i + 1) % loop->size()])];
        for (int k = 0; k < 3; k++)
            f[k] += double(a[(k + 1) % 3] - b[(k + 1) % 3]) * (a[(k + 2) % 3] + b[(k + 2) % 3]);
    }
    for (size_t i = 0; i < loop->size(); i++) {
        uint32_t &v = (*loop)[i];
        const float *n = &mesh->normals[3 * size_t(v)];
        double d = f[0] * n[0] + f[1] * n[1] + f[2] * n[2];
        if (!(d * d >= 0.75 * (f[0] * f[0] + f[1] * f[1] + f[2] * f[2]) * (n[0] * n[0] + n[1] * n[1] + n[2] * n[2]))) {
            uint32_t &t = (*twin)[v - first];
            v = t ? t : (t = copy_vertex(mesh, v, true));
        }
        float *at = &mesh->uvs[2 * size_t(v)];
        if (v >= taken->size())
            taken->resize(v + 1);
        if (!(*taken)[v])
            (*taken)[v] = true, at[0] = uv[i].first, at[1] = uv[i].second;
        else if (at[0] != uv[i].first || at[1] != uv[i].second)
            v = copy_vertex(mesh, v, false), mesh->uvs.end()[-2] = uv[i].first, mesh->uvs.end()[-1] = uv[i].second;
    }
}

// The GLU tessellator's callbacks: triangles only (an edge flag callback
// asks for that), their corners' indices + 1 as vertex data, and a new flat
// vertex where sides cross.
static void tess_vertex(void *data, void *mesh)
{
    static_cast<RenderMesh *>(mesh)->triangles.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data) - 1));
}
static void tess_edge(GLboolean) {}
static void tess_combine(GLdouble xyz[3], void *data[4], GLfloat weight[4], void **out, void *mesh_data)
{
    RenderMesh *mesh = static_cast<RenderMesh *>(mesh_data);
    uint32_t v = copy_vertex(mesh, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data[0]) - 1), true);
    for (int k = 0; k < 3; k++)
        mesh->positions[3 * size_t(v) + k] = float(xyz[k]);
    float *uv = &mesh->uvs[2 * size_t(v)];
    uv[0] = uv[1] = 0.0f;
    for (int i = 0; i < 4 && data[i]; i++)
        for (int k = 0; k < 2; k++)
            uv[k] += weight[i] * mesh->uvs[2 * (reinterpret_cast<uintptr_t>(data[i]) - 1) + k];
    *out = reinterpret_cast<void *>(uintptr_t(v) + 1);
}

// Triangles of a polygon: a fan for a triangle or quad, as always; the
// tessellator's, on the plane across f, for more corners, convex or not.
static void triangulate(GLUtesselator *tess, RenderMesh *mesh, const std::vector<uint32_t> &loop, const double f[3])
{
    if (loop.size() <= 4) {
        for (size_t i = 1; i + 1 < loop.size(); i++)
            mesh->triangles.insert(mesh->triangles.end(), {loop[0], loop[i], loop[i + 1]});
        return;
    }
    std::vector<GLdouble> xyz(3 * loop.size());
    gluTessNormal(tess, f[0], f[1], f[2]);
    gluTessBeginPolygon(tess, mesh);
    gluTessBeginContour(tess);
    for (size_t i = 0; i < loop.size(); i++) {
        std::copy_n(&mesh->positions[3 * size_t(loop[i])], 3, &xyz[3 * i]);
        gluTessVertex(tess, &xyz[3 * i], reinterpret_cast<void *>(uintptr_t(loop[i]) + 1));
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
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
    mesh->uvs.reserve(2 * count);
    GLUtesselator *tess = gluNewTess();
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(tess_vertex));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG, reinterpret_cast<_GLUfuncptr>(tess_edge));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(tess_combine));
    std::vector<bool> taken; // whether a vertex has its texture coordinates yet
    mesh->triangles.reserve(6 * count);
    mesh->edges.reserve(8 * count);
    for (Object *object : objects) {
        RenderObject part{};
        part.id = zirka_object_id(object);
        auto rank = std::find(selection.begin(), selection.end(), object);
        part.selection = rank == selection.end() ? 0 : static_cast<int>(rank - selection.begin()) + 1;
        const uint32_t first_vertex = static_cast<uint32_t>(mesh->positions.size() / 3);
        for (int i = 0, vertices = zirka_object_vertex_count(object); i < vertices; i++) {
            Vertex *vertex = zirka_object_get_vertex_at_index(object, i);
            Pos3 p = *zirka_head_vertex_pos(vertex), n = zirka_vertex_normal(vertex);
            mesh->positions.insert(mesh->positions.end(), {p.x, p.y, p.z});
            mesh->normals.insert(mesh->normals.end(), {n.x, n.y, n.z});
            mesh->uvs.insert(mesh->uvs.end(), {0.0f, 0.0f});
            const float *xyz = &mesh->positions.end()[-3];
            if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
                for (int k = 0; k < 3; k++)
                    mesh->lo[k] = std::min(mesh->lo[k], xyz[k]), mesh->hi[k] = std::max(mesh->hi[k], xyz[k]);
        }
        part.vertices = {first_vertex, static_cast<uint32_t>(mesh->positions.size() / 3) - first_vertex};
        std::vector<uint32_t> twin(part.vertices.count, 0); // a corner's flat copy, once made
        RenderRange *ranges[] = {&part.triangles, &part.edges, &part.lines};
        const std::vector<uint32_t> *arrays[] = {&mesh->triangles, &mesh->edges, &mesh->lines};
        for (int k = 0; k < 3; k++)
            ranges[k]->first = static_cast<uint32_t>(arrays[k]->size());
        std::vector<uint32_t> loop;
        std::vector<std::pair<float, float>> uv;
        for (Surface *surface : zirka_object_surfaces(object)) {
            loop.clear();
            uv.clear();
            std::vector<std::pair<float, float>> entry_uvs = zirka_surface_uvs(surface);
            std::vector<int> indices = zirka_surface_vertex_indices(object, surface);
            for (size_t i = 0; i < indices.size(); i++)
                if (indices[i] >= 0) {
                    loop.push_back(first_vertex + static_cast<uint32_t>(indices[i]));
                    uv.push_back(i < entry_uvs.size() ? entry_uvs[i] : std::pair{0.0f, 0.0f});
                }
            if (loop.empty())
                continue;
            int type = surface_get_type(surface);
            if (type == ZIRKA_SURFACE_POLYGON && loop.size() >= 3) {
                for (size_t i = 0; i < loop.size(); i++)
                    mesh->edges.insert(mesh->edges.end(), {loop[i], loop[(i + 1) % loop.size()]});
                double f[3] = {0, 0, 0};
                corners(mesh, &loop, uv, &twin, &taken, first_vertex, f);
                triangulate(tess, mesh, loop, f);
                continue;
            }
            // Lines, closed lines, and polygons too small to have an inside.
            if (loop.size() == 1 || (type != ZIRKA_SURFACE_LINE && loop.size() > 2))
                loop.push_back(loop[0]);
            for (size_t i = 0; i + 1 < loop.size(); i++)
                mesh->lines.insert(mesh->lines.end(), {loop[i], loop[i + 1]});
        }
        for (int k = 0; k < 3; k++)
            ranges[k]->count = static_cast<uint32_t>(arrays[k]->size()) - ranges[k]->first;
        mesh->objects.push_back(part);
    }
    gluDeleteTess(tess);
}
