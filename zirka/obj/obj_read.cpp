// obj_read.cpp -- reading Wavefront OBJ files line by line; nothing is made
// (obj_make.cpp) until the whole file has been read.
#include "obj_lines.h"
#include "obj_numbers.h"
#include "obj_objects.h"
#include "zirka_obj.h"

#include <algorithm>
#include <climits>
#include <filesystem>

namespace {

struct ObjReader {
    std::string path;
    int line = 0;
    std::string error;
    int vertex_total = 0;
    HostVector<ObjObject> objects;
    HostVector<std::pair<float, float>> uvs; // the file's "vt", in order
    HostVector<std::string_view> words; // of the current statement
};

} // namespace

static bool fail(ObjReader *r, const std::string &message)
{
    r->error = r->path + ":" + std::to_string(r->line) + ": " + message;
    return false;
}

static bool fail_at(ObjReader *r, uint32_t line, const std::string &message)
{
    r->line = static_cast<int>(line);
    return fail(r, message);
}

// Blanks as the C locale's isspace knows them; "\n" and "\r" end lines.
static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The words of a line up to a comment: a "#" that begins a word.
static void split_words(std::string_view line, HostVector<std::string_view> *words)
{
    words->clear();
    size_t i = 0, n = line.size();
    for (;;) {
        while (i < n && is_blank(line[i]))
            i++;
        if (i == n || line[i] == '#')
            return;
        size_t start = i;
        while (i < n && !is_blank(line[i]))
            i++;
        words->emplace_back(line.data() + start, i - start);
    }
}

// The statement's numbers, the first three into c; false at a bad one.
static bool read_floats(ObjReader *r, float c[3])
{
    float ignored;
    for (size_t i = 1; i < r->words.size(); i++) {
        std::string why = obj_parse_float(r->words[i], i <= 3 ? &c[i - 1] : &ignored);
        if (!why.empty())
            return fail(r, why);
    }
    return true;
}

static bool read_vertex(ObjReader *r)
{
    // x y z, with an optional w or an r g b colour after it: only x y z count.
    size_t n = r->words.size() - 1;
    if (n != 3 && n != 4 && n != 6)
        return fail(r, "expected 3 coordinates but got " + std::to_string(n));
    float c[3];
    if (!read_floats(r, c))
        return false;
    if (r->vertex_total == INT_MAX)
        return fail(r, "more vertices than the host can number");
    r->objects.back().vertices.push_back(Pos3{c[0], c[1], c[2]});
    r->vertex_total++;
    return true;
}

// "vt u ?v? ?w?": texture coordinates, v 0 when not given; w does not count.
static bool read_texture(ObjReader *r)
{
    size_t n = r->words.size() - 1;
    if (n < 1 || n > 3)
        return fail(r, "expected 1 to 3 texture coordinates but got " + std::to_string(n));
    float c[3] = {0.0f, 0.0f, 0.0f};
    if (!read_floats(r, c))
        return false;
    if (r->uvs.size() == INT_MAX)
        return fail(r, "more texture coordinates than the host can number");
    r->uvs.emplace_back(c[0], c[1]);
    return true;
}

// A vertex reference of an element, as an index into its object's vertices,
// and its texture coordinates' index into the file's "vt" read so far (-1:
// none; a texture index that names none is read as none, as it always was).
static bool read_index(ObjReader *r, std::string_view word, int *out, int *texture)
{
    long index = 0, t = 0;
    std::string_view text;
    if (!obj_parse_reference(word, &index, &t, &text))
        return fail(r, "bad index \"" + std::string(word) + "\"");
    const long uv_total = static_cast<long>(r->uvs.size());
    long uv = t == 0 || t == LONG_MAX ? -1 : t > 0 ? t - 1 : uv_total + t;
    *texture = uv >= 0 && uv < uv_total ? static_cast<int>(uv) : -1;
    long global = index == LONG_MAX ? -1 : index > 0 ? index - 1 : r->vertex_total + index;
    if (global < 0 || global >= r->vertex_total)
        return fail(r, "index " + std::string(text) + " out of range");
    const ObjObject &object = r->objects.back();
    if (global < object.first_vertex)
        return fail(r, "vertex " + std::string(text) + " is not in object \"" + std::string(object.name.data(), object.name.size()) + "\"");
    *out = static_cast<int>(global - object.first_vertex);
    return true;
}

static bool read_element(ObjReader *r)
{
    const HostVector<std::string_view> &words = r->words;
    ObjObject &object = r->objects.back();
    const size_t first = object.indices.size();
    auto undo = [&] {
        object.indices.resize(first);
        object.textures.resize(std::min(object.textures.size(), first));
        return false;
    };
    for (size_t i = 1; i < words.size(); i++) {
        int index = 0, texture = -1;
        if (!read_index(r, words[i], &index, &texture))
            return undo();
        // Texture indices are kept from the first one named on.
        if (texture >= 0 && !object.textured) {
            object.textured = true;
            object.textures.assign(object.indices.size(), -1);
        }
        object.indices.push_back(index);
        if (object.textured)
            object.textures.push_back(texture);
    }
    size_t count = object.indices.size() - first;
    if (count == 0)
        return fail(r, "element without vertices");
    int type = words[0] == "f" ? ZIRKA_SURFACE_POLYGON : ZIRKA_SURFACE_LINE;
    // A line that ends where it began is closed: "l 1 1" is a closed line of
    // one vertex.
    if (type == ZIRKA_SURFACE_LINE && count >= 2 && object.indices.back() == object.indices[first]) {
        type = ZIRKA_SURFACE_CLOSED_LINE;
        object.indices.pop_back();
        if (object.textured)
            object.textures.pop_back();
        count--;
    }
    if (count > UINT16_MAX) {
        undo();
        return fail(r, "element of " + std::to_string(count) + " vertices, but a surface holds at most 65535");
    }
    object.elements.push_back(
        ObjElement{first, static_cast<uint32_t>(r->line), static_cast<uint16_t>(count), static_cast<int8_t>(type)});
    return true;
}

// "o NAME": the name is the rest of the line up to a comment. An object
// that got no vertex is not kept: the name goes to it.
static bool read_object(ObjReader *r)
{
    const HostVector<std::string_view> &words = r->words;
    if (words.size() < 2)
        return fail(r, "object without a name");
    const char *from = words[1].data(), *to = words.back().data() + words.back().size();
    HostString name(from, static_cast<size_t>(to - from));
    if (r->objects.back().vertices.empty()) {
        r->objects.back().name.swap(name);
        r->objects.back().first_vertex = r->vertex_total;
    } else {
        r->objects.push_back(ObjObject{std::move(name), r->vertex_total, {}, {}, false, {}, {}});
    }
    return true;
}

static bool read_statement(ObjReader *r, std::string_view text)
{
    split_words(text, &r->words);
    if (r->words.empty())
        return true;
    std::string_view what = r->words[0];
    if (what == "v")
        return read_vertex(r);
    if (what == "f" || what == "l")
        return read_element(r);
    if (what == "o")
        return read_object(r);
    if (what == "vt")
        return read_texture(r);
    for (const char *ignored : {"vn", "vp", "g", "s", "usemtl", "mtllib"})
        if (what == ignored)
            return true;
    return fail(r, "unknown statement \"" + std::string(what) + "\"");
}

// An object of two or more open two-point lines (a polyline as Blender
// writes it, one "l a b" per edge) becomes one polyline, closed when the
// chain comes back to where it began, in the direction of its first line.
// Refused when the lines make no one chain or lie beside other elements.
static bool join_two_point_lines(ObjReader *r, ObjObject &o)
{
    auto is_pair = [](const ObjElement &e) { return e.type == ZIRKA_SURFACE_LINE && e.count == 2; };
    size_t pairs = static_cast<size_t>(std::count_if(o.elements.begin(), o.elements.end(), is_pair));
    size_t others = o.elements.size() - pairs;
    if (pairs < 2)
        return true;
    const std::string object =
        "object \"" + std::string(o.name.data(), o.name.size()) + "\": its " + std::to_string(pairs) + " two-point lines";
    const std::string one_line_needed = "; extruding along a path needs one line or polyline per object";
    if (others > 0)
        return fail_at(r, std::find_if_not(o.elements.begin(), o.elements.end(), is_pair)->line,
                       object + " lie beside " + std::to_string(others) + " other element" + (others == 1 ? "" : "s") +
                           one_line_needed);
    // ends: the two vertices of each line; at_vertex: the (at most two)
    // lines that meet at each vertex.
    HostVector<int> ends, at_vertex(2 * o.vertices.size(), -1);
    for (const ObjElement &e : o.elements) {
        for (size_t k = 0; k < 2; k++) {
            int v = o.indices[e.first + k];
            int *slots = &at_vertex[2 * static_cast<size_t>(v)];
            if (slots[0] >= 0 && slots[1] >= 0)
                return fail_at(r, e.line,
                               object + " branch at vertex " + std::to_string(o.first_vertex + v + 1) + one_line_needed);
            slots[slots[0] >= 0 ? 1 : 0] = static_cast<int>(ends.size() / 2);
            ends.push_back(v);
        }
    }
    // Follows the lines from vertex at, having come by line came, appending
    // each vertex reached to *chain, until they end or come back to start
    // (then true).
    HostVector<char> taken(pairs, 0);
    auto walk = [&](int start, int at, int came, HostVector<int> *chain) {
        for (;;) {
            int next = -1;
            for (int slot = 0; slot < 2; slot++) {
                int e = at_vertex[2 * static_cast<size_t>(at) + slot];
                if (e >= 0 && e != came && !taken[static_cast<size_t>(e)])
                    next = e;
            }
            if (next < 0)
                return false;
            taken[static_cast<size_t>(next)] = 1;
            int a = ends[2 * static_cast<size_t>(next)], b = ends[2 * static_cast<size_t>(next) + 1];
            at = a == at ? b : a;
            if (at == start)
                return true;
            chain->push_back(at);
            came = next;
        }
    };
    // The chain of line e: forward from it, then back from its first vertex
    // unless it came back there.
    auto chain_of = [&](size_t e, HostVector<int> *forward, HostVector<int> *backward) {
        int a = ends[2 * e], b = ends[2 * e + 1];
        taken[e] = 1;
        forward->assign({a, b});
        bool closed = walk(a, b, static_cast<int>(e), forward);
        if (!closed)
            walk(-1, a, static_cast<int>(e), backward);
        return closed;
    };
    HostVector<int> forward, backward, ignored;
    const bool closed = chain_of(0, &forward, &backward);
    size_t chains = 1, first_left = pairs;
    for (size_t e = 0; e < pairs; e++)
        if (!taken[e]) {
            first_left = std::min(first_left, e);
            chains++;
            chain_of(e, &ignored, &ignored);
        }
    if (chains > 1)
        return fail_at(r, o.elements[first_left].line,
                       object + " make " + std::to_string(chains) + " separate polylines" + one_line_needed);
    HostVector<int> path(backward.rbegin(), backward.rend());
    path.insert(path.end(), forward.begin(), forward.end());
    if (path.size() > UINT16_MAX)
        return fail_at(r, o.elements.back().line,
                       "polyline of " + std::to_string(path.size()) + " vertices, but a surface holds at most 65535");
    ObjElement joined{0, o.elements[0].line, static_cast<uint16_t>(path.size()),
                      static_cast<int8_t>(closed ? ZIRKA_SURFACE_CLOSED_LINE : ZIRKA_SURFACE_LINE)};
    o.indices.swap(path);
    o.textured = false; // a polyline joined from lines keeps no texture coordinates
    o.textures.clear();
    o.elements.assign(1, joined);
    return true;
}

// Reads the file whole; false with r->error at the first thing wrong.
static bool read_file(ObjReader *r, std::FILE *file)
{
    ObjLines lines(file);
    std::string_view text;
    std::string error;
    while (lines.next(&text, &error)) {
        r->line++;
        if (!read_statement(r, text))
            return false;
    }
    if (!error.empty()) {
        r->line++;
        return fail(r, error);
    }
    for (ObjObject &object : r->objects)
        if (!join_two_point_lines(r, object))
            return false;
    return true;
}

bool zirka_obj_read(const std::string &path, std::vector<Object *> *objects, std::string *error)
{
    objects->clear();
    std::FILE *file = obj_open(path, error);
    if (!file)
        return false;
    ObjReader r;
    r.path = path;
    bool ok = false, no_memory = false;
    try {
        // Statements before the first "o" belong to an object named after the file.
        std::string stem = std::filesystem::u8path(path).stem().u8string();
        r.objects.push_back(ObjObject{HostString(stem.data(), stem.size()), 0, {}, {}, false, {}, {}});
        ok = read_file(&r, file);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        no_memory = true;
    }
    std::fclose(file);
    if (no_memory || (ok && !obj_make_objects(r.objects, r.uvs, objects))) {
        *error = path + ": out of memory: nothing was loaded";
        return false;
    }
    if (!ok)
        *error = r.error;
    return ok;
}
