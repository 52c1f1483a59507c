// coarse.cpp -- render_mesh_coarsen: a lighter drawing of a large mesh for
// while the view moves, by vertex clustering: the bounds cut into a grid of
// cells, every vertex of a cell replaced by their mean, and a triangle kept
// only when its corners fall in three different cells (once per three).
#include "render.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

void render_mesh_coarsen(RenderMesh *mesh, size_t target)
{
    mesh->coarse.clear();
    size_t count = mesh->positions.size() / 3;
    if (mesh->triangles.size() / 3 <= target || !(mesh->lo[0] <= mesh->hi[0]))
        return;
    // About target / 2 cells on the surface: a cell's side is the bounds' size
    // over the cube root of the cells in the box, or its square root when flat.
    double size = 0;
    for (int k = 0; k < 3; k++)
        size = std::max(size, double(mesh->hi[k] - mesh->lo[k]));
    double cell = std::max(size / std::sqrt(double(target) / 8), 1e-30);
    std::vector<uint32_t> cluster(count, UINT32_MAX);
    std::unordered_map<uint64_t, uint32_t> cells;
    std::vector<double> sums; // x y z n per cluster
    for (size_t v = 0; v < count; v++) {
        const float *p = &mesh->positions[3 * v];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            continue;
        uint64_t key = 0;
        for (int k = 0; k < 3; k++)
            key = key << 21 | std::min<uint64_t>(uint64_t((p[k] - mesh->lo[k]) / cell), (1u << 21) - 1);
        auto found = cells.emplace(key, uint32_t(sums.size() / 4));
        if (found.second)
            sums.insert(sums.end(), {0, 0, 0, 0});
        double *s = &sums[4 * size_t(found.first->second)];
        s[0] += p[0], s[1] += p[1], s[2] += p[2], s[3] += 1;
        cluster[v] = found.first->second;
    }
    // The clusters' vertices follow the mesh's, with zero normals: shaded flat.
    uint32_t first = uint32_t(count);
    for (size_t c = 0; c < sums.size(); c += 4) {
        for (int k = 0; k < 3; k++) {
            mesh->positions.push_back(float(sums[c + k] / sums[c + 3]));
            mesh->normals.push_back(0.0f);
        }
        mesh->uvs.insert(mesh->uvs.end(), {0.0f, 0.0f});
    }
    std::unordered_set<uint64_t> seen;
    for (RenderObject &part : mesh->objects) {
        part.coarse.first = uint32_t(mesh->coarse.size());
        for (uint32_t i = part.triangles.first; i < part.triangles.first + part.triangles.count; i += 3) {
            uint32_t a = cluster[mesh->triangles[i]], b = cluster[mesh->triangles[i + 1]], c = cluster[mesh->triangles[i + 2]];
            if (a == UINT32_MAX || b == UINT32_MAX || c == UINT32_MAX || a == b || b == c || a == c)
                continue;
            uint64_t lo = std::min({a, b, c}), hi = std::max({a, b, c}), key = (lo << 42) ^ (hi << 21) ^ (a ^ b ^ c ^ lo ^ hi);
            if (seen.insert(key).second)
                mesh->coarse.insert(mesh->coarse.end(), {first + a, first + b, first + c});
        }
        part.coarse.count = uint32_t(mesh->coarse.size()) - part.coarse.first;
    }
}
