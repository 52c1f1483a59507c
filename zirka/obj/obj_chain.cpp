// obj_chain.cpp -- polylines written one edge at a time: an object of
// two-point lines that make one chain is read as that one polyline.
#include "obj_objects.h"

#include <algorithm>

// The sentence that ends each refusal of an object of two-point lines.
static const char *const one_line_needed = "extruding along a path needs one line or polyline per object";

// Walks a chain of two-point lines from vertex at, having come by edge
// came, appending each vertex reached to *chain and marking the edges
// taken, until an end or (a closed chain) start. Returns true when it came
// back to start.
static bool walk_chain(const HostVector<int> &ends, const HostVector<int> &at_vertex,
                       HostVector<char> *taken, int start, int at, int came, HostVector<int> *chain)
{
    for (;;) {
        int next_edge = -1;
        for (int slot = 0; slot < 2; slot++) {
            int e = at_vertex[2 * static_cast<size_t>(at) + slot];
            if (e >= 0 && e != came && !(*taken)[static_cast<size_t>(e)])
                next_edge = e;
        }
        if (next_edge < 0)
            return false;
        (*taken)[static_cast<size_t>(next_edge)] = 1;
        int a = ends[2 * static_cast<size_t>(next_edge)], b = ends[2 * static_cast<size_t>(next_edge) + 1];
        int other = a == at ? b : a;
        if (other == start)
            return true;
        chain->push_back(other);
        came = next_edge;
        at = other;
    }
}

// Refuses the object: the line to blame in *line, the reason in *why.
static bool fail_at(int *line, std::string *why, int at, const std::string &message)
{
    *line = at;
    *why = message;
    return false;
}

bool obj_join_two_point_lines(ObjObject &o, int *line, std::string *why)
{
    size_t pairs = 0, others = 0;
    const ObjElement *other = nullptr;
    for (const ObjElement &e : o.elements) {
        if (e.type == ZIRKA_SURFACE_LINE && e.count == 2) {
            pairs++;
        } else {
            others++;
            if (!other)
                other = &e;
        }
    }
    if (pairs < 2)
        return true;
    const std::string object = "object \"" + std::string(o.name.begin(), o.name.end()) + "\": its " +
                               std::to_string(pairs) + " two-point lines";
    if (others > 0)
        return fail_at(line, why, static_cast<int>(other->line),
                       object + " lie beside " + std::to_string(others) + " other element" + (others == 1 ? "" : "s") +
                           "; " + one_line_needed);
    // Each vertex meets at most two edges; at_vertex holds them.
    HostVector<int> ends, at_vertex(2 * o.vertices.size(), -1);
    for (const ObjElement &e : o.elements) {
        for (size_t k = 0; k < 2; k++) {
            int v = o.indices[e.first + k];
            int *slots = &at_vertex[2 * static_cast<size_t>(v)];
            if (slots[0] >= 0 && slots[1] >= 0)
                return fail_at(line, why, static_cast<int>(e.line),
                               object + " branch at vertex " + std::to_string(o.first_vertex + v + 1) + "; " +
                                   one_line_needed);
            slots[slots[0] >= 0 ? 1 : 0] = static_cast<int>(ends.size() / 2);
            ends.push_back(v);
        }
    }
    // Forward from the first edge, then back from its first vertex.
    HostVector<char> taken(pairs, 0);
    taken[0] = 1;
    const int a = ends[0], b = ends[1];
    HostVector<int> forward{a, b}, backward;
    bool closed = walk_chain(ends, at_vertex, &taken, a, b, 0, &forward);
    if (!closed)
        walk_chain(ends, at_vertex, &taken, -1, a, 0, &backward);
    size_t chains = 1, first_left = pairs;
    for (size_t e = 0; e < pairs; e++)
        if (!taken[e]) {
            first_left = std::min(first_left, e);
            chains++;
            HostVector<int> ignored;
            int start = ends[2 * e];
            taken[e] = 1;
            if (!walk_chain(ends, at_vertex, &taken, start, ends[2 * e + 1], static_cast<int>(e), &ignored))
                walk_chain(ends, at_vertex, &taken, -1, start, static_cast<int>(e), &ignored);
        }
    if (chains > 1)
        return fail_at(line, why, static_cast<int>(o.elements[first_left].line),
                       object + " make " + std::to_string(chains) + " separate polylines; " + one_line_needed);
    HostVector<int> path(backward.rbegin(), backward.rend());
    path.insert(path.end(), forward.begin(), forward.end());
    if (path.size() > UINT16_MAX)
        return fail_at(line, why, static_cast<int>(o.elements.back().line),
                       "polyline of " + std::to_string(path.size()) + " vertices, but a surface holds at most 65535");
    ObjElement joined{0, o.elements[0].line, static_cast<uint16_t>(path.size()),
                      static_cast<int8_t>(closed ? ZIRKA_SURFACE_CLOSED_LINE : ZIRKA_SURFACE_LINE)};
    o.indices.swap(path);
    o.elements.assign(1, joined);
    return true;
}
