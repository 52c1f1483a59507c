// obj_read.cpp -- reading Wavefront OBJ files.
//
// An object holds the vertices declared after its "o" line, so an element
// may only name vertices of its own object; that is what the writer
// (obj_write.cpp) produces, and what most modellers write. Floats are read
// with correct rounding (std::from_chars); the writer gives the shortest
// text that reads back to the same float, so save + load is bit-exact.
// The rules the reader keeps are listed in the README ("Reading OBJ files").
//
// The reader streams: it takes the file in large pieces and cuts lines out
// of them, never holding the whole text, and its memory is in proportion to
// what the file holds: an object without vertices costs nothing, a line is
// at most obj_line_limit bytes.
#include "core_state.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

// The longest line the reader takes, its line end not counted: room for an
// element of 65535 vertices written "i/t/n" with ten-digit indices.
static const size_t obj_line_limit = size_t(4) << 20;

namespace {

// 16 bytes: a file of quads holds millions of them.
struct ObjElement {
    size_t first;   // its indices are ObjObject::indices[first, first + count)
    uint32_t line;  // where it was read
    uint16_t count; // at most 65535, as a surface
    int8_t type;    // ZIRKA_SURFACE_*
};

struct ObjObject {
    HostString name;
    int first_vertex; // global index of the object's first vertex
    HostVector<Pos3> vertices;
    HostVector<int> indices; // into the object's vertices, every element's in turn
    HostVector<ObjElement> elements;
};

struct ObjReader {
    std::string path;
    int line = 0;
    std::string error;
    int vertex_total = 0;
    HostVector<ObjObject> objects;
    HostVector<std::string_view> words; // of the current statement
};

// The file's lines, without their line ends: "\n", "\r\n" or a lone "\r".
// The text after the last line end is a line too (so a file of n line ends
// has n + 1 lines).
class LineReader {
public:
    enum Status { line, end, too_long, read_error, no_memory };

    explicit LineReader(std::FILE *file)
        : file_(file), buffer_(static_cast<char *>(zirka_host_alloc(size)))
    {
    }
    ~LineReader() { zirka_host_free(buffer_); }
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // line: *text is the next line, valid until the next call; end: every
    // line has been handed out. The others are errors (read_error: errno).
    Status next(std::string_view *text)
    {
        if (!buffer_)
            return no_memory;
        if (done_)
            return end;
        carry_.clear();
        for (;;) {
            if (pos_ == end_) {
                Status filled = fill();
                if (filled == read_error)
                    return read_error;
                if (filled == end) {
                    // The last line: whatever followed the last line end.
                    done_ = true;
                    *text = std::string_view(carry_.data(), carry_.size());
                    return line;
                }
            }
            if (skip_newline_) {
                // The "\n" of a "\r\n" whose "\r" ended the last piece.
                skip_newline_ = false;
                if (buffer_[pos_] == '\n' && ++pos_ == end_)
                    continue;
            }
            const char *start = buffer_ + pos_;
            const char *stop = find_line_end(start, buffer_ + end_, piece_has_cr_);
            size_t n = static_cast<size_t>(stop - start);
            if (carry_.size() + n > obj_line_limit)
                return too_long;
            if (stop == buffer_ + end_) {
                // The line goes on in the next piece.
                try {
                    carry_.append(start, n);
                } catch (const std::bad_alloc &e) {
                    zirka_memory_caught(e);
                    return no_memory;
                }
                pos_ = end_;
                continue;
            }
            pos_ += n + 1;
            if (*stop == '\r') {
                if (pos_ < end_)
                    pos_ += buffer_[pos_] == '\n';
                else
                    skip_newline_ = true;
            }
            if (carry_.empty()) {
                *text = std::string_view(start, n);
            } else {
                try {
                    carry_.append(start, n);
                } catch (const std::bad_alloc &e) {
                    zirka_memory_caught(e);
                    return no_memory;
                }
                *text = std::string_view(carry_.data(), carry_.size());
            }
            return line;
        }
    }

private:
    static const size_t size = size_t(1) << 20;

    // The first "\n" or "\r" in [from, to), or to; "\r" is looked for only
    // in a piece that holds one.
    static const char *find_line_end(const char *from, const char *to, bool cr_too)
    {
        const char *lf = static_cast<const char *>(std::memchr(from, '\n', static_cast<size_t>(to - from)));
        const char *limit = lf ? lf : to;
        if (!cr_too)
            return limit;
        const char *cr = static_cast<const char *>(std::memchr(from, '\r', static_cast<size_t>(limit - from)));
        return cr ? cr : limit;
    }

    Status fill()
    {
        pos_ = 0;
        end_ = std::fread(buffer_, 1, size, file_);
        if (end_ > 0) {
            piece_has_cr_ = std::memchr(buffer_, '\r', end_) != nullptr;
            return line;
        }
        return std::ferror(file_) ? read_error : end;
    }

    std::FILE *file_;
    char *buffer_;
    size_t pos_ = 0, end_ = 0;
    HostString carry_; // a line that crosses pieces
    bool skip_newline_ = false;
    bool piece_has_cr_ = false;
    bool done_ = false;
};

} // namespace

static bool fail(ObjReader *r, const std::string &message)
{
    r->error = r->path + ":" + std::to_string(r->line) + ": " + message;
    return false;
}

static bool fail_at(ObjReader *r, int line, const std::string &message)
{
    r->line = line;
    return fail(r, message);
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

static bool same_letters(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (size_t i = 0; i < text.size(); i++)
        if ((text[i] | 0x20) != lower[i])
            return false;
    return true;
}

// "inf", "infinity", "nan" or "nan(chars)", in any case: what strtof reads
// as an infinity or not a number.
static bool is_not_finite(std::string_view body)
{
    if (same_letters(body, "inf") || same_letters(body, "infinity") || same_letters(body, "nan"))
        return true;
    if (body.size() < 5 || !same_letters(body.substr(0, 4), "nan(") || body.back() != ')')
        return false;
    for (char c : body.substr(4, body.size() - 5))
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

static bool is_digit(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Returns "" or the reason the text is not a finite float. The grammar is
// strtof's: an optional sign, then decimal digits with an optional point
// and an optional exponent (e, sign, digits), or "0x" and hexadecimal
// digits with an optional point and an optional binary exponent (p, sign,
// digits). The value is rounded correctly; one too small for a float
// becomes a subnormal, or zero with its sign.
static std::string parse_float(std::string_view text, float *out)
{
    std::string_view body = text;
    bool negative = false;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    if (!body.empty() && ((body[0] | 0x20) == 'i' || (body[0] | 0x20) == 'n') && is_not_finite(body))
        return "number \"" + text_of(text) + "\" is not finite";
    const bool hex = body.size() >= 2 && body[0] == '0' && (body[1] | 0x20) == 'x';
    size_t p = hex ? 2 : 0, n = body.size();
    const size_t int_start = p;
    while (p < n && is_digit(body[p], hex))
        p++;
    const size_t int_end = p;
    size_t frac_start = p, frac_end = p;
    if (p < n && body[p] == '.') {
        frac_start = ++p;
        while (p < n && is_digit(body[p], hex))
            p++;
        frac_end = p;
    }
    long exponent = 0;
    bool digits = int_end > int_start || frac_end > frac_start;
    if (digits && p < n && (body[p] | 0x20) == (hex ? 'p' : 'e')) {
        size_t e = p + 1;
        bool minus = e < n && body[e] == '-';
        if (e < n && (body[e] == '+' || body[e] == '-'))
            e++;
        if (e == n || !is_digit(body[e], false))
            digits = false;
        for (; e < n && is_digit(body[e], false); e++)
            exponent = std::min(exponent * 10 + (body[e] - '0'), 1L << 24);
        exponent = minus ? -exponent : exponent;
        p = e;
    }
    if (!digits || p != n)
        return "bad number \"" + text_of(text) + "\"";
    float value = 0.0f;
    const char *first = body.data() + (hex ? 2 : 0), *last = body.data() + n;
    std::from_chars_result res = hex ? std::from_chars(first, last, value, std::chars_format::hex)
                                     : std::from_chars(first, last, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large, or too small: the power of the first digit that is not
        // zero tells which (a float ends near 10^38 and 2^128 one way, and
        // 10^-45 and 2^-149 the other).
        size_t lead = int_start;
        while (lead < int_end && body[lead] == '0')
            lead++;
        long power = lead < int_end ? static_cast<long>(int_end - lead) - 1 : 0;
        if (lead == int_end) {
            lead = frac_start;
            while (lead < frac_end && body[lead] == '0')
                lead++;
            power = -static_cast<long>(lead - frac_start) - 1;
        }
        power = (hex ? 4 * power : power) + exponent;
        if (power >= 0)
            return "number \"" + text_of(text) + "\" out of range for a float";
        value = 0.0f;
    } else if (res.ec != std::errc() || res.ptr != last) {
        return "bad number \"" + text_of(text) + "\"";
    }
    *out = negative ? -value : value;
    return "";
}

// One part of an index reference at *p: an optional sign and decimal digits,
// up to a "/" or the end. False when it is not that; *out is LONG_MAX when
// it is too large for a long. Moves *p past it.
static bool scan_integer(const char **p, const char *end, long *out)
{
    const char *at = *p;
    bool negative = at < end && *at == '-';
    if (at < end && (*at == '+' || *at == '-'))
        at++;
    const char *digits = at;
    unsigned long value = 0;
    bool too_large = false;
    for (; at < end && *at >= '0' && *at <= '9'; at++) {
        unsigned digit = static_cast<unsigned>(*at - '0');
        if (value > (static_cast<unsigned long>(LONG_MAX) - digit) / 10)
            too_large = true;
        else
            value = value * 10 + digit;
    }
    if (at == digits || (at < end && *at != '/'))
        return false;
    *p = at;
    *out = too_large ? LONG_MAX : negative ? -static_cast<long>(value) : static_cast<long>(value);
    return true;
}

static bool read_vertex(ObjReader *r)
{
    const HostVector<std::string_view> &words = r->words;
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
    if (r->vertex_total == INT_MAX)
        return fail(r, "more vertices than the host can number");
    r->objects.back().vertices.push_back(Pos3{c[0], c[1], c[2]});
    r->vertex_total++;
    return true;
}

// One "i", "i/t", "i//n" or "i/t/n" reference, each part a whole number
// other than 0: the vertex index, resolved to the object's own numbering.
static bool read_index(ObjReader *r, std::string_view word, int *out)
{
    const char *p = word.data(), *end = p + word.size();
    long index = 0, other = 0;
    bool ok = scan_integer(&p, end, &index) && index != 0;
    const char *index_end = p;
    // Then "/t", "/t/n" or "//n".
    for (int part = 1; ok && p < end && part <= 2; part++) {
        p++; // the "/"
        if (part == 1 && p < end && *p == '/')
            continue; // i//n: no t
        ok = scan_integer(&p, end, &other) && other != 0;
    }
    if (!ok || p != end)
        return fail(r, "bad index \"" + text_of(word) + "\"");
    const std::string_view text(word.data(), static_cast<size_t>(index_end - word.data()));
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
        int index;
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

/* ---- polylines written one edge at a time ------------------------------------- */

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

// An object whose elements are two or more open lines of two vertices each
// (a polyline as Blender writes it, one "l a b" per edge) becomes one
// polyline, closed when the chain comes back to where it began, in the
// direction of its first edge. Returns false with the reason when they do
// not make one chain or lie beside other elements.
static bool join_two_point_lines(ObjReader *r, ObjObject &o)
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
    const std::string object = "object \"" + text_of(o.name) + "\": its " + std::to_string(pairs) + " two-point lines";
    if (others > 0)
        return fail_at(r, static_cast<int>(other->line), object + " lie beside " + std::to_string(others) + " other element" +
                                           (others == 1 ? "" : "s") + "; " + one_line_needed);
    // Each vertex meets at most two edges; at_vertex holds them.
    HostVector<int> ends, at_vertex(2 * o.vertices.size(), -1);
    for (const ObjElement &e : o.elements) {
        for (size_t k = 0; k < 2; k++) {
            int v = o.indices[e.first + k];
            int *slots = &at_vertex[2 * static_cast<size_t>(v)];
            if (slots[0] >= 0 && slots[1] >= 0)
                return fail_at(r, static_cast<int>(e.line), object + " branch at vertex " + std::to_string(o.first_vertex + v + 1) +
                                              "; " + one_line_needed);
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
        return fail_at(r, static_cast<int>(o.elements[first_left].line),
                       object + " make " + std::to_string(chains) + " separate polylines; " + one_line_needed);
    HostVector<int> path(backward.rbegin(), backward.rend());
    path.insert(path.end(), forward.begin(), forward.end());
    if (path.size() > UINT16_MAX)
        return fail_at(r, static_cast<int>(o.elements.back().line), "polyline of " + std::to_string(path.size()) +
                                                      " vertices, but a surface holds at most 65535");
    ObjElement joined{0, o.elements[0].line, static_cast<uint16_t>(path.size()),
                      static_cast<int8_t>(closed ? ZIRKA_SURFACE_CLOSED_LINE : ZIRKA_SURFACE_LINE)};
    o.indices.swap(path);
    o.elements.assign(1, joined);
    return true;
}

/* ---- objects from what was read ------------------------------------------------ */

// Makes the object; NULL, having released what it made, without memory.
static Object *make_object(const ObjObject &in)
{
    const long failures = zirka_memory_failures();
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    if (!object)
        return nullptr;
    try {
        object->name.assign(in.name.data(), in.name.size());
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
    }
    for (const Pos3 &p : in.vertices)
        if (!object_add_new_vertex(object, &p))
            break;
    for (size_t k = 0; k < in.elements.size() && zirka_memory_failures() == failures; k++) {
        const ObjElement &element = in.elements[k];
        Surface *surface = new_surface();
        if (!surface)
            break;
        surface->type = static_cast<int8_t>(element.type);
        for (size_t i = element.first; i < element.first + element.count; i++)
            if (!surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, static_cast<int>(in.indices[i])), 0.0f, 0.0f))
                break;
        object_add_surface(object, surface);
    }
    if (zirka_memory_failures() != failures) {
        zirka_objects_discard({object});
        return nullptr;
    }
    return object;
}

// Reads every line; false with r->error at the first thing wrong.
static bool read_lines(ObjReader *r, std::FILE *file)
{
    LineReader lines(file);
    std::string_view text;
    for (;;) {
        LineReader::Status status = lines.next(&text);
        if (status == LineReader::end)
            return true;
        r->line++;
        if (status == LineReader::too_long)
            return fail(r, "line longer than " + std::to_string(obj_line_limit) + " bytes");
        if (status == LineReader::read_error)
            return fail(r, std::string("cannot read: ") + std::strerror(errno));
        if (status == LineReader::no_memory)
            throw HostBadAlloc(); // counted where it was met
        if (!read_statement(r, text))
            return false;
    }
}

static std::string out_of_memory(const std::string &path) { return path + ": out of memory: nothing was loaded"; }

bool zirka_obj_read(const std::string &path, std::vector<Object *> *objects, std::string *error)
{
    objects->clear();
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = path + ":0: cannot open: " + std::strerror(errno);
        return false;
    }
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        *error = path + ":0: cannot open: " + std::strerror(EISDIR);
        return false;
    }
    ObjReader r;
    r.path = path;
    bool ok;
    try {
        // Statements before the first "o" belong to an object named after the file.
        std::string stem = std::filesystem::u8path(path).stem().u8string();
        r.objects.push_back(ObjObject{HostString(stem.data(), stem.size()), 0, {}, {}, {}});
        ok = read_lines(&r, file);
        for (size_t i = 0; ok && i < r.objects.size(); i++)
            ok = join_two_point_lines(&r, r.objects[i]);
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
    // Objects without vertices are not made; a file of none loads nothing.
    bool made = true;
    try {
        objects->reserve(static_cast<size_t>(std::count_if(r.objects.begin(), r.objects.end(),
                                                            [](const ObjObject &in) { return !in.vertices.empty(); })));
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        made = false;
    }
    for (size_t i = 0; made && i < r.objects.size(); i++) {
        if (r.objects[i].vertices.empty())
            continue;
        Object *object = make_object(r.objects[i]);
        made = object != nullptr;
        if (made)
            objects->push_back(object); // room reserved
    }
    if (!made) {
        zirka_objects_discard(*objects);
        objects->clear();
        *error = out_of_memory(path);
        return false;
    }
    return true;
}
