// obj_io.cpp -- reading and writing Wavefront OBJ files.
//
// An object holds the vertices declared after its "o" line, so an element
// may only name vertices of its own object; that is what the writer
// produces, and what most modellers write. Floats are written with the
// shortest text that reads back to the same float (std::to_chars), and read
// with correct rounding (std::from_chars), so save + load is bit-exact.
#include "core_state.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct ObjElement {
    int type;                 // ZIRKA_SURFACE_*
    std::vector<int> indices; // into the object's vertices
};

struct ObjObject {
    std::string name;
    int first_vertex; // global index of the object's first vertex
    std::vector<Pos3> vertices;
    std::vector<ObjElement> elements;
};

struct ObjReader {
    std::string path;
    int line = 0;
    std::string error;
    int vertex_total = 0;
    std::vector<ObjObject> objects;
};

} // namespace

static bool fail(ObjReader *r, const std::string &message)
{
    r->error = r->path + ":" + std::to_string(r->line) + ": " + message;
    return false;
}

static std::vector<std::string> split_words(const std::string &line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

// Returns "" or the reason the text is not a float.
static std::string parse_float(const std::string &text, float *out)
{
    const char *first = text.data();
    const char *last = first + text.size();
    if (first != last && *first == '+')
        first++;
    std::from_chars_result res = std::from_chars(first, last, *out);
    if (res.ec == std::errc::result_out_of_range && res.ptr == last)
        return "number \"" + text + "\" out of range for a float";
    if (res.ec != std::errc() || res.ptr != last || first == last)
        return "bad number \"" + text + "\"";
    return "";
}

static bool read_vertex(ObjReader *r, const std::vector<std::string> &words)
{
    // x y z, with an optional w or an r g b colour after it: only x y z count.
    if (words.size() != 4 && words.size() != 5 && words.size() != 7)
        return fail(r, "expected 3 coordinates but got " + std::to_string(words.size() - 1));
    float c[3];
    for (size_t i = 1; i < words.size(); i++) {
        float ignored;
        std::string why = parse_float(words[i], i <= 3 ? &c[i - 1] : &ignored);
        if (!why.empty())
            return fail(r, why);
    }
    r->objects.back().vertices.push_back(Pos3{c[0], c[1], c[2]});
    r->vertex_total++;
    return true;
}

// One "i", "i/t", "i//n" or "i/t/n" reference: the vertex index, resolved
// to the object's own numbering.
static bool read_index(ObjReader *r, const std::string &word, int *out)
{
    std::string text = word.substr(0, word.find('/'));
    long index = 0;
    const char *last = text.data() + text.size();
    std::from_chars_result res = std::from_chars(text.data(), last, index);
    if (res.ec != std::errc() || res.ptr != last || text.empty() || index == 0)
        return fail(r, "bad index \"" + word + "\"");
    long global = index > 0 ? index - 1 : r->vertex_total + index;
    if (global < 0 || global >= r->vertex_total)
        return fail(r, "index " + text + " out of range");
    const ObjObject &object = r->objects.back();
    if (global < object.first_vertex)
        return fail(r, "vertex " + text + " is not in object \"" + object.name + "\"");
    *out = static_cast<int>(global - object.first_vertex);
    return true;
}

static bool read_element(ObjReader *r, const std::vector<std::string> &words)
{
    ObjElement element;
    element.type = words[0] == "f" ? ZIRKA_SURFACE_POLYGON : ZIRKA_SURFACE_LINE;
    for (size_t i = 1; i < words.size(); i++) {
        int index;
        if (!read_index(r, words[i], &index))
            return false;
        element.indices.push_back(index);
    }
    if (element.indices.empty())
        return fail(r, "element without vertices");
    // A line that ends where it began is a closed line: "l 1 1" is a closed
    // line of one vertex.
    if (element.type == ZIRKA_SURFACE_LINE && element.indices.size() >= 2 &&
        element.indices.back() == element.indices.front()) {
        element.type = ZIRKA_SURFACE_CLOSED_LINE;
        element.indices.pop_back();
    }
    if (element.indices.size() > UINT16_MAX)
        return fail(r, "element of " + std::to_string(element.indices.size()) +
                           " vertices, but a surface holds at most 65535");
    r->objects.back().elements.push_back(std::move(element));
    return true;
}

static bool read_statement(ObjReader *r, const std::string &text)
{
    std::vector<std::string> words = split_words(text);
    if (words.empty() || words[0][0] == '#')
        return true;
    const std::string &what = words[0];
    if (what == "v")
        return read_vertex(r, words);
    if (what == "f" || what == "l")
        return read_element(r, words);
    if (what == "o") {
        if (words.size() < 2)
            return fail(r, "object without a name");
        // The name is the rest of the line: it may hold blanks.
        size_t start = text.find_first_not_of(" \t", text.find('o') + 1);
        size_t end = text.find_last_not_of(" \t\r");
        r->objects.push_back(ObjObject{text.substr(start, end - start + 1), r->vertex_total, {}, {}});
        return true;
    }
    if (what == "vt" || what == "vn" || what == "vp" || what == "g" || what == "s" || what == "usemtl" ||
        what == "mtllib")
        return true;
    return fail(r, "unknown statement \"" + what + "\"");
}

static Object *make_object(const ObjObject &in)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    object->name = in.name;
    for (const Pos3 &p : in.vertices)
        object_add_new_vertex(object, &p);
    for (const ObjElement &element : in.elements) {
        Surface *surface = new_surface();
        surface->type = element.type;
        for (int index : element.indices)
            surface_add_vertex(surface, &object->store[static_cast<size_t>(index)], 0.0f, 0.0f);
        object_add_surface(object, surface);
    }
    return object;
}

bool zirka_obj_read(const std::string &path, std::vector<Object *> *objects, std::string *error)
{
    ObjReader r;
    r.path = path;
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = path + ":0: cannot open: " + std::strerror(errno);
        return false;
    }
    // Statements before the first "o" belong to an object named after the file.
    r.objects.push_back(ObjObject{std::filesystem::u8path(path).stem().u8string(), 0, {}, {}});
    std::string text;
    bool ok = true;
    for (int c = std::fgetc(file);; c = std::fgetc(file)) {
        if (c == EOF || c == '\n') {
            r.line++;
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            ok = read_statement(&r, text);
            text.clear();
            if (!ok || c == EOF)
                break;
        } else {
            text.push_back(static_cast<char>(c));
        }
    }
    std::fclose(file);
    if (!ok) {
        *error = r.error;
        return false;
    }
    // The leading object is kept when the file names no object or when it
    // holds something.
    const ObjObject &lead = r.objects.front();
    bool keep_lead = r.objects.size() == 1 || !lead.vertices.empty() || !lead.elements.empty();
    objects->clear();
    for (size_t i = keep_lead ? 0 : 1; i < r.objects.size(); i++)
        objects->push_back(make_object(r.objects[i]));
    return true;
}

static void append_float(std::string *out, float f)
{
    char buffer[64];
    std::to_chars_result res = std::to_chars(buffer, buffer + sizeof buffer, f);
    out->append(buffer, res.ptr);
}

std::string zirka_obj_format(const std::vector<Object *> &objects)
{
    std::string out;
    long base = 1; // OBJ numbers vertices from 1 across the file
    for (const Object *object : objects) {
        out += "o " + object->name + "\n";
        for (const Vertex &v : object->store) {
            out += "v ";
            append_float(&out, v.pos.x);
            out += ' ';
            append_float(&out, v.pos.y);
            out += ' ';
            append_float(&out, v.pos.z);
            out += '\n';
        }
        for (List *node = object->surfaces; node; node = node->next) {
            const Surface *surface = static_cast<Surface *>(node->item);
            std::string refs;
            long first = -1;
            for (int index : zirka_surface_vertex_indices(object, surface)) {
                if (index < 0)
                    continue;
                if (first < 0)
                    first = base + index;
                refs += ' ' + std::to_string(base + index);
            }
            if (refs.empty())
                continue;
            if (surface->type == ZIRKA_SURFACE_LINE)
                out += "l" + refs + "\n";
            else if (surface->type == ZIRKA_SURFACE_CLOSED_LINE)
                out += "l" + refs + " " + std::to_string(first) + "\n";
            else
                out += "f" + refs + "\n";
        }
        base += static_cast<long>(object->store.size());
    }
    return out;
}

bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error)
{
    std::string text = zirka_obj_format(objects);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        *error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return ok;
}
