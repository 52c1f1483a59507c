// obj_io.cpp -- reading and writing Wavefront OBJ files.
//
// An object holds the vertices declared after its "o" line, so an element
// may only name vertices of its own object; that is what the writer
// produces, and what most modellers write. Floats are written with the
// shortest text that reads back to the same float (std::to_chars), and read
// with correct rounding (std::from_chars), so save + load is bit-exact.
//
// Both directions stream: the reader takes the file in large pieces and
// cuts lines out of them, the writer formats into a fixed buffer that goes
// to the file whenever it fills. Neither holds the whole text.
#include "core_state.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

namespace {

struct ObjElement {
    int type;          // ZIRKA_SURFACE_*
    size_t first;      // its indices are ObjObject::indices[first, first + count)
    size_t count;
};

struct ObjObject {
    std::string name;
    int first_vertex; // global index of the object's first vertex
    std::vector<Pos3> vertices;
    std::vector<int> indices; // into the object's vertices, every element's in turn
    std::vector<ObjElement> elements;
};

struct ObjReader {
    std::string path;
    int line = 0;
    std::string error;
    int vertex_total = 0;
    std::vector<ObjObject> objects;
    std::vector<std::string_view> words; // of the current statement
};

// The file's lines, without their '\n', the text after the last '\n'
// included (so a file of n newlines has n + 1 lines).
class LineReader {
public:
    explicit LineReader(std::FILE *file) : file_(file), buffer_(new char[size]) {}

    // False once every line has been handed out. The view lasts until the
    // next call.
    bool next(std::string_view *line)
    {
        if (done_)
            return false;
        carry_.clear();
        for (;;) {
            if (pos_ == end_ && !fill()) {
                // The last line: whatever followed the last newline.
                done_ = true;
                *line = carry_;
                return true;
            }
            const char *start = buffer_.get() + pos_;
            const void *newline = std::memchr(start, '\n', end_ - pos_);
            if (newline) {
                size_t n = static_cast<size_t>(static_cast<const char *>(newline) - start);
                pos_ += n + 1;
                if (carry_.empty()) {
                    *line = std::string_view(start, n);
                } else {
                    carry_.append(start, n);
                    *line = carry_;
                }
                return true;
            }
            // The line goes on in the next piece.
            carry_.append(start, end_ - pos_);
            pos_ = end_;
        }
    }

private:
    static const size_t size = size_t(1) << 20;

    bool fill()
    {
        pos_ = 0;
        end_ = std::fread(buffer_.get(), 1, size, file_);
        return end_ > 0;
    }

    std::FILE *file_;
    std::unique_ptr<char[]> buffer_;
    size_t pos_ = 0, end_ = 0;
    std::string carry_; // a line that crosses pieces
    bool done_ = false;
};

} // namespace

static bool fail(ObjReader *r, const std::string &message)
{
    r->error = r->path + ":" + std::to_string(r->line) + ": " + message;
    return false;
}

// Blanks as the C locale's isspace knows them.
static bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

static void split_words(std::string_view line, std::vector<std::string_view> *words)
{
    words->clear();
    size_t i = 0, n = line.size();
    for (;;) {
        while (i < n && is_blank(line[i]))
            i++;
        if (i == n)
            return;
        size_t start = i;
        while (i < n && !is_blank(line[i]))
            i++;
        words->emplace_back(line.data() + start, i - start);
    }
}

static std::string text_of(std::string_view view) { return std::string(view); }

// Returns "" or the reason the text is not a float.
static std::string parse_float(std::string_view text, float *out)
{
    const char *first = text.data();
    const char *last = first + text.size();
    if (first != last && *first == '+')
        first++;
    std::from_chars_result res = std::from_chars(first, last, *out);
    if (res.ec == std::errc::result_out_of_range && res.ptr == last)
        return "number \"" + text_of(text) + "\" out of range for a float";
    if (res.ec != std::errc() || res.ptr != last || first == last)
        return "bad number \"" + text_of(text) + "\"";
    return "";
}

static bool read_vertex(ObjReader *r)
{
    const std::vector<std::string_view> &words = r->words;
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
static bool read_index(ObjReader *r, std::string_view word, int *out)
{
    std::string_view text = word.substr(0, word.find('/'));
    long index = 0;
    const char *last = text.data() + text.size();
    std::from_chars_result res = std::from_chars(text.data(), last, index);
    if (res.ec != std::errc() || res.ptr != last || text.empty() || index == 0)
        return fail(r, "bad index \"" + text_of(word) + "\"");
    long global = index > 0 ? index - 1 : r->vertex_total + index;
    if (global < 0 || global >= r->vertex_total)
        return fail(r, "index " + text_of(text) + " out of range");
    const ObjObject &object = r->objects.back();
    if (global < object.first_vertex)
        return fail(r, "vertex " + text_of(text) + " is not in object \"" + object.name + "\"");
    *out = static_cast<int>(global - object.first_vertex);
    return true;
}

static bool read_element(ObjReader *r)
{
    const std::vector<std::string_view> &words = r->words;
    ObjObject &object = r->objects.back();
    ObjElement element{words[0] == "f" ? ZIRKA_SURFACE_POLYGON : ZIRKA_SURFACE_LINE, object.indices.size(), 0};
    for (size_t i = 1; i < words.size(); i++) {
        int index;
        if (!read_index(r, words[i], &index)) {
            object.indices.resize(element.first);
            return false;
        }
        object.indices.push_back(index);
    }
    element.count = object.indices.size() - element.first;
    if (element.count == 0)
        return fail(r, "element without vertices");
    // A line that ends where it began is a closed line: "l 1 1" is a closed
    // line of one vertex.
    if (element.type == ZIRKA_SURFACE_LINE && element.count >= 2 &&
        object.indices.back() == object.indices[element.first]) {
        element.type = ZIRKA_SURFACE_CLOSED_LINE;
        object.indices.pop_back();
        element.count--;
    }
    if (element.count > UINT16_MAX) {
        object.indices.resize(element.first);
        return fail(r, "element of " + std::to_string(element.count) + " vertices, but a surface holds at most 65535");
    }
    object.elements.push_back(element);
    return true;
}

static bool read_statement(ObjReader *r, std::string_view text)
{
    split_words(text, &r->words);
    const std::vector<std::string_view> &words = r->words;
    if (words.empty() || words[0][0] == '#')
        return true;
    std::string_view what = words[0];
    if (what == "v")
        return read_vertex(r);
    if (what == "f" || what == "l")
        return read_element(r);
    if (what == "o") {
        if (words.size() < 2)
            return fail(r, "object without a name");
        // The name is the rest of the line: it may hold blanks.
        size_t start = text.find_first_not_of(" \t", text.find('o') + 1);
        size_t end = text.find_last_not_of(" \t\r");
        r->objects.push_back(ObjObject{text_of(text.substr(start, end - start + 1)), r->vertex_total, {}, {}, {}});
        return true;
    }
    if (what == "vt" || what == "vn" || what == "vp" || what == "g" || what == "s" || what == "usemtl" ||
        what == "mtllib")
        return true;
    return fail(r, "unknown statement \"" + text_of(what) + "\"");
}

static Object *make_object(const ObjObject &in)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    object->name = in.name;
    for (const Pos3 &p : in.vertices)
        object_add_new_vertex(object, &p);
    for (const ObjElement &element : in.elements) {
        Surface *surface = new_surface();
        surface->type = static_cast<int8_t>(element.type);
        for (size_t i = element.first; i < element.first + element.count; i++)
            surface_add_vertex(surface, &object->vertices[static_cast<size_t>(in.indices[i])], 0.0f, 0.0f);
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
    r.objects.push_back(ObjObject{std::filesystem::u8path(path).stem().u8string(), 0, {}, {}, {}});
    bool ok = true;
    {
        LineReader lines(file);
        std::string_view text;
        while (ok && lines.next(&text)) {
            r.line++;
            if (!text.empty() && text.back() == '\r')
                text.remove_suffix(1);
            ok = read_statement(&r, text);
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

/* ---- writing ------------------------------------------------------------------- */

namespace {

// Text that goes to a file through a fixed buffer, or into a string.
class ObjOut {
public:
    explicit ObjOut(std::FILE *file) : file_(file), buffer_(new char[size]) {}
    explicit ObjOut(std::string *text) : text_(text), buffer_(new char[size]) {}

    // Room for at least n more bytes at cursor(); n is at most 256.
    char *room(size_t n)
    {
        if (used_ + n > size)
            flush();
        return buffer_.get() + used_;
    }
    void advance(char *to) { used_ = static_cast<size_t>(to - buffer_.get()); }

    void put(std::string_view text)
    {
        while (!text.empty()) {
            size_t n = std::min(text.size(), size_t(256));
            char *at = room(n);
            std::memcpy(at, text.data(), n);
            advance(at + n);
            text.remove_prefix(n);
        }
    }

    // Hands the buffer on; false once a write has failed.
    bool flush()
    {
        if (text_)
            text_->append(buffer_.get(), used_);
        else if (ok_ && used_ > 0)
            ok_ = std::fwrite(buffer_.get(), 1, used_, file_) == used_;
        used_ = 0;
        return ok_;
    }

private:
    static const size_t size = size_t(1) << 18;
    std::FILE *file_ = nullptr;
    std::string *text_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    bool ok_ = true;
};

} // namespace

static char *put_float(char *at, float f)
{
    return std::to_chars(at, at + 64, f).ptr;
}

static char *put_index(char *at, long index)
{
    *at++ = ' ';
    return std::to_chars(at, at + 32, index).ptr;
}

static void write_vertices(ObjOut *out, const Object *object)
{
    object->vertices.for_each_run([&](const Vertex *run, size_t n) {
        for (size_t i = 0; i < n; i++) {
            const Pos3 &p = run[i].pos;
            char *at = out->room(3 * 64 + 4);
            *at++ = 'v';
            *at++ = ' ';
            at = put_float(at, p.x);
            *at++ = ' ';
            at = put_float(at, p.y);
            *at++ = ' ';
            at = put_float(at, p.z);
            *at++ = '\n';
            out->advance(at);
        }
    });
}

// "f i j k", "l i j k" or, closed, "l i j k i": the entries whose vertex is
// the object's, numbered from base. Nothing when there is none.
static void write_surface(ObjOut *out, const Object *object, const Surface *surface, long base)
{
    long first = -1;
    const List *node = surface->vertices;
    for (; node && first < 0; node = node->next)
        first = zirka_vertex_index_in(static_cast<const SurfaceVertex *>(node->item)->vertex, object);
    if (first < 0)
        return;
    char *at = out->room(2 + 32);
    *at++ = surface->type == ZIRKA_SURFACE_LINE || surface->type == ZIRKA_SURFACE_CLOSED_LINE ? 'l' : 'f';
    at = put_index(at, base + first);
    out->advance(at);
    for (; node; node = node->next) {
        long index = zirka_vertex_index_in(static_cast<const SurfaceVertex *>(node->item)->vertex, object);
        if (index < 0)
            continue;
        at = out->room(32);
        out->advance(put_index(at, base + index));
    }
    at = out->room(32 + 1);
    if (surface->type == ZIRKA_SURFACE_CLOSED_LINE)
        at = put_index(at, base + first);
    *at++ = '\n';
    out->advance(at);
}

static void write_objects(ObjOut *out, const std::vector<Object *> &objects)
{
    long base = 1; // OBJ numbers vertices from 1 across the file
    for (const Object *object : objects) {
        out->put("o ");
        out->put(object->name);
        out->put("\n");
        write_vertices(out, object);
        object->surfaces.for_each_run([&](Surface *const *run, size_t n) {
            for (size_t i = 0; i < n; i++)
                write_surface(out, object, run[i], base);
        });
        base += static_cast<long>(object->vertices.size());
    }
}

std::string zirka_obj_format(const std::vector<Object *> &objects)
{
    std::string text;
    ObjOut out(&text);
    write_objects(&out, objects);
    out.flush();
    return text;
}

bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    bool ok;
    {
        ObjOut out(file);
        write_objects(&out, objects);
        ok = out.flush();
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        *error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return ok;
}
