// obj_read.cpp -- reading Wavefront OBJ files.
//
// An object holds the vertices declared after its "o" line, so an element
// may only name vertices of its own object; that is what the writer
// (obj_write.cpp) produces, and what most modellers write. Floats are read
// with correct rounding (obj_numbers.cpp); the writer gives the shortest
// text that reads back to the same float, so save + load is bit-exact.
// The rules the reader keeps are listed in the README ("Reading OBJ files").
//
// The reader streams: it takes the file in large pieces and cuts lines out
// of them (obj_lines.cpp), never holding the whole text, and its memory is
// in proportion to what the file holds: an object without vertices costs
// nothing, a line is at most obj_line_limit bytes. It makes the host's
// objects only once the whole file has been read (obj_make.cpp), so that a
// file it refuses makes nothing.
#include "obj_lines.h"
#include "obj_numbers.h"
#include "obj_objects.h"
#include "zirka_obj.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

struct ObjReader {
    std::string path;
    int line = 0;
    std::string error;
    int vertex_total = 0;
    HostVector<ObjObject> objects;
    HostVector<std::string_view> words; // of the current statement
};

} // namespace

static bool fail(ObjReader *r, const std::string &message)
{
    r->error = r->path + ":" + std::to_string(r->line) + ": " + message;
    return false;
}

// Blanks as the C locale's isspace knows them; "\n" and "\r" end lines.
static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The words of a line, up to a comment: a "#" that begins a word, and
// everything after it.
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

static std::string text_of(std::string_view view) { return std::string(view); }

static bool read_vertex(ObjReader *r)
{
    const HostVector<std::string_view> &words = r->words;
    // x y z, with an optional w or an r g b colour after it: only x y z count.
    if (words.size() != 4 && words.size() != 5 && words.size() != 7)
        return fail(r, "expected 3 coordinates but got " + std::to_string(words.size() - 1));
    float c[3];
    for (size_t i = 1; i < words.size(); i++) {
        float ignored;
        std::string why = obj_parse_float(words[i], i <= 3 ? &c[i - 1] : &ignored);
        if (!why.empty())
            return fail(r, why);
    }
    if (r->vertex_total == INT_MAX)
        return fail(r, "more vertices than the host can number");
    r->objects.back().vertices.push_back(Pos3{c[0], c[1], c[2]});
    r->vertex_total++;
    return true;
}

// A vertex reference of an element (obj_parse_reference), resolved to the
// object's own numbering.
static bool read_index(ObjReader *r, std::string_view word, int *out)
{
    long index = 0;
    std::string_view text;
    if (!obj_parse_reference(word, &index, &text))
        return fail(r, "bad index \"" + text_of(word) + "\"");
    long global = index == LONG_MAX ? -1 : index > 0 ? index - 1 : r->vertex_total + index;
    if (global < 0 || global >= r->vertex_total)
        return fail(r, "index " + text_of(text) + " out of range");
    const ObjObject &object = r->objects.back();
    if (global < object.first_vertex)
        return fail(r, "vertex " + text_of(text) + " is not in object \"" + text_of(object.name) + "\"");
    *out = static_cast<int>(global - object.first_vertex);
    return true;
}

static bool read_element(ObjReader *r)
{
    const HostVector<std::string_view> &words = r->words;
    ObjObject &object = r->objects.back();
    const size_t first = object.indices.size();
    int type = words[0] == "f" ? ZIRKA_SURFACE_POLYGON : ZIRKA_SURFACE_LINE;
    for (size_t i = 1; i < words.size(); i++) {
        int index = 0;
        if (!read_index(r, words[i], &index)) {
            object.indices.resize(first);
            return false;
        }
        object.indices.push_back(index);
    }
    size_t count = object.indices.size() - first;
    if (count == 0)
        return fail(r, "element without vertices");
    // A line that ends where it began is a closed line: "l 1 1" is a closed
    // line of one vertex.
    if (type == ZIRKA_SURFACE_LINE && count >= 2 && object.indices.back() == object.indices[first]) {
        type = ZIRKA_SURFACE_CLOSED_LINE;
        object.indices.pop_back();
        count--;
    }
    if (count > UINT16_MAX) {
        object.indices.resize(first);
        return fail(r, "element of " + std::to_string(count) + " vertices, but a surface holds at most 65535");
    }
    object.elements.push_back(
        ObjElement{first, static_cast<uint32_t>(r->line), static_cast<uint16_t>(count), static_cast<int8_t>(type)});
    return true;
}

// "o NAME": the name is the rest of the line up to a comment, blanks inside
// it kept. An object that got no vertex is not kept: the name goes to it.
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
        return true;
    }
    r->objects.push_back(ObjObject{std::move(name), r->vertex_total, {}, {}, {}});
    return true;
}

static bool read_statement(ObjReader *r, std::string_view text)
{
    split_words(text, &r->words);
    const HostVector<std::string_view> &words = r->words;
    if (words.empty())
        return true;
    std::string_view what = words[0];
    if (what == "v")
        return read_vertex(r);
    if (what == "f" || what == "l")
        return read_element(r);
    if (what == "o")
        return read_object(r);
    if (what == "vt" || what == "vn" || what == "vp" || what == "g" || what == "s" || what == "usemtl" ||
        what == "mtllib")
        return true;
    return fail(r, "unknown statement \"" + text_of(what) + "\"");
}

// Reads every line; false with r->error at the first thing wrong.
static bool read_lines(ObjReader *r, std::FILE *file)
{
    ObjLineReader lines(file);
    std::string_view text;
    for (;;) {
        ObjLineReader::Status status = lines.next(&text);
        if (status == ObjLineReader::end)
            return true;
        r->line++;
        if (status == ObjLineReader::too_long || status == ObjLineReader::read_error)
            return fail(r, ObjLineReader::problem(status));
        if (status == ObjLineReader::no_memory)
            throw HostBadAlloc(); // counted where it was met
        if (!read_statement(r, text))
            return false;
    }
}

// Joins each object's two-point lines; false with r->error when some make
// no one polyline.
static bool join_lines(ObjReader *r)
{
    for (ObjObject &object : r->objects) {
        int line = 0;
        std::string why;
        if (!obj_join_two_point_lines(object, &line, &why)) {
            r->line = line;
            return fail(r, why);
        }
    }
    return true;
}

static std::string out_of_memory(const std::string &path) { return path + ": out of memory: nothing was loaded"; }

bool zirka_obj_read(const std::string &path, std::vector<Object *> *objects, std::string *error)
{
    objects->clear();
    std::FILE *file = obj_open(path, error);
    if (!file)
        return false;
    ObjReader r;
    r.path = path;
    bool ok;
    try {
        // Statements before the first "o" belong to an object named after the file.
        std::string stem = std::filesystem::u8path(path).stem().u8string();
        r.objects.push_back(ObjObject{HostString(stem.data(), stem.size()), 0, {}, {}, {}});
        ok = read_lines(&r, file) && join_lines(&r);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        std::fclose(file);
        *error = out_of_memory(path);
        return false;
    }
    std::fclose(file);
    if (!ok) {
        *error = r.error;
        return false;
    }
    if (!obj_make_objects(r.objects, objects)) {
        *error = out_of_memory(path);
        return false;
    }
    return true;
}
