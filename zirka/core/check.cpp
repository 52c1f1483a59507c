// check.cpp -- zirka_object_check: whether an object's polygons close it,
// and which way they face. Edges are pairs of the object's vertex indices;
// entries naming other vertices are left out.
#include "core_state.h"

#include <algorithm>
#include <cstdint>
#include <vector>

ZirkaCheck zirka_object_check(const Object *object)
{
    // Every edge a -> b of a polygon as one number: the pair (low, high) of
    // its ends, then 1 when it runs from high to low. Sorted, the uses of one
    // edge lie together, those of each way together within them.
    const uint32_t owner = static_cast<uint32_t>(object->id);
    std::vector<uint64_t> edges;
    double volume6 = 0.0; // six times the signed volume the polygons enclose
    object->records.surfaces.for_each([&](const Surface *surface) {
        if (surface->type != ZIRKA_SURFACE_POLYGON)
            return;
        std::vector<const Vertex *> corners;
        for (const List *node = surface->vertices; node; node = node->next) {
            const Vertex *v = static_cast<const SurfaceVertex *>(node->item)->vertex;
            if (storage_vertex_index(v, owner) >= 0)
                corners.push_back(v);
        }
        for (size_t i = 0; corners.size() >= 2 && i < corners.size(); i++) {
            uint64_t a = corners[i]->index, b = corners[(i + 1) % corners.size()]->index;
            edges.push_back(std::min(a, b) << 33 | std::max(a, b) << 1 | (a > b ? 1 : 0));
        }
        for (size_t i = 1; i + 1 < corners.size(); i++) { // a fan of triangles from the first corner
            const Pos3 &p = corners[0]->pos, &q = corners[i]->pos, &r = corners[i + 1]->pos;
            volume6 += double(p.x) * (double(q.y) * r.z - double(q.z) * r.y) +
                       double(p.y) * (double(q.z) * r.x - double(q.x) * r.z) +
                       double(p.z) * (double(q.x) * r.y - double(q.y) * r.x);
        }
    });
    std::sort(edges.begin(), edges.end());
    ZirkaCheck check{};
    for (size_t i = 0, j; i < edges.size(); i = j) {
        for (j = i + 1; j < edges.size() && edges[j] >> 1 == edges[i] >> 1; j++) {
        }
        size_t uses = j - i;
        bool twice_one_way = false;
        for (size_t k = i + 1; k < j; k++)
            twice_one_way = twice_one_way || edges[k] == edges[k - 1];
        check.open_edges += uses == 1;
        check.crowded_edges += uses > 2;
        check.same_way_edges += twice_one_way;
    }
    check.closed = !edges.empty() && check.open_edges == 0 && check.crowded_edges == 0;
    check.volume = volume6 / 6.0;
    return check;
}
