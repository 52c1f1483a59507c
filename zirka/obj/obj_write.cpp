// obj_write.cpp -- writing Wavefront OBJ files.
//
// The text is formatted line by line into one buffer of a mebibyte, which
// is handed on (appended to a string, or written to the file) whenever the
// next item might not fit in what is left of it. Floats are written with
// the shortest text that reads back to the same float (std::to_chars). A
// file is replaced whole (replace_file.h): the text goes to a new file
// beside it, renamed over it once it is whole and synced.
#include "zirka_obj.h"
#include "memory.h"
#include "replace_file.h"

#include <algorithm>
#include <charconv>

namespace {

const size_t buffer_size = size_t(1) << 20;
// The most bytes one item can take: a float's shortest text is at most 15
// characters ("-1.17549435e-38"), an index a blank and at most 20.
const size_t float_room = 16;
const size_t index_room = 32;
const size_t vertex_room = 2 + 3 * (float_room + 1);

// The writer reads the core's records in these two functions alone.

// Calls fn(position) for each of the object's vertices, in order.
template <class Fn> void each_vertex(const Object *object, Fn fn)
{
    zirka_object_each_vertex(object, fn);
}

// For each of the object's surfaces, in order: lines.surface(type), then
// lines.entry(index) for each entry whose vertex is the object's (index:
// the vertex's in the object, from 0), then lines.surface_end().
template <class Lines> void each_surface(const Object *object, Lines &lines)
{
    zirka_object_each_surface(object, [&](const Surface *surface) {
        lines.surface(zirka_surface_type(surface));
        for (const List *node = zirka_head_surface_vertices(surface); node; node = node->next) {
            long index = zirka_vertex_index(zirka_head_entry_vertex(static_cast<const SurfaceVertex *>(node->item)), object);
            if (index >= 0)
                lines.entry(index);
        }
        lines.surface_end();
    });
}

// Where the text goes: put(context, data, size) is false when the text
// could not be taken.
typedef bool (*Put)(void *context, const char *data, size_t size);

// The text of the objects, made in a buffer of buffer_size bytes that is
// handed to put whenever the next item might not fit.
class Text {
public:
    Text(char *buffer, Put put, void *context)
        : start_(buffer), at_(buffer), end_(buffer + buffer_size), put_(put), context_(context)
    {
    }

    // "o NAME". The object's vertices are numbered on from the last one's:
    // OBJ numbers vertices from 1 across the file.
    void object(const std::string &name)
    {
        base_ += count_;
        count_ = 0;
        put_bytes("o ", 2);
        put_bytes(name.data(), name.size());
        put_bytes("\n", 1);
    }

    // "v x y z".
    void vertex(const Pos3 &p)
    {
        room(vertex_room);
        *at_++ = 'v';
        *at_++ = ' ';
        put_float(p.x);
        *at_++ = ' ';
        put_float(p.y);
        *at_++ = ' ';
        put_float(p.z);
        *at_++ = '\n';
        count_++;
    }

    // "f i j k", "l i j k" or, closed, "l i j k i", made from the entries
    // given between surface() and surface_end(); nothing without any.
    void surface(int type)
    {
        type_ = type;
        first_ = -1;
    }
    void entry(long index)
    {
        room(1 + index_room);
        if (first_ < 0) {
            first_ = index;
            *at_++ = type_ == ZIRKA_SURFACE_LINE || type_ == ZIRKA_SURFACE_CLOSED_LINE ? 'l' : 'f';
        }
        put_index(index);
    }
    void surface_end()
    {
        if (first_ < 0)
            return;
        room(index_room + 1);
        if (type_ == ZIRKA_SURFACE_CLOSED_LINE)
            put_index(first_);
        *at_++ = '\n';
    }

    // False once put has failed: the rest is not worth making.
    bool ok() const { return ok_; }

    // Hands on what is left; false when put failed on any of the text.
    bool finish()
    {
        hand_on();
        return ok_;
    }

private:
    void hand_on()
    {
        if (ok_ && at_ > start_)
            ok_ = put_(context_, start_, static_cast<size_t>(at_ - start_));
        at_ = start_;
    }
    void room(size_t n)
    {
        if (static_cast<size_t>(end_ - at_) < n)
            hand_on();
    }
    void put_bytes(const char *data, size_t n)
    {
        while (n > 0) {
            room(1);
            size_t part = std::min(n, static_cast<size_t>(end_ - at_));
            at_ = std::copy(data, data + part, at_);
            data += part;
            n -= part;
        }
    }
    void put_float(float f) { at_ = std::to_chars(at_, at_ + float_room, f).ptr; }
    void put_index(long index)
    {
        *at_++ = ' ';
        at_ = std::to_chars(at_, at_ + index_room - 1, base_ + index).ptr;
    }

    char *const start_;
    char *at_;
    char *const end_;
    const Put put_;
    void *const context_;
    bool ok_ = true;
    long base_ = 1;   // the number in the file of the object's first vertex
    long count_ = 0;  // the object's vertices so far
    int type_ = 0;    // the surface's type
    long first_ = -1; // the index of its first entry, or -1 before it
};

// Formats the objects' text in buffer (buffer_size bytes), handing it to
// put as it fills. False when put failed.
bool write_text(const std::vector<Object *> &objects, char *buffer, Put put, void *context)
{
    Text text(buffer, put, context);
    for (const Object *object : objects) {
        if (!text.ok())
            break;
        text.object(zirka_object_name(object));
        each_vertex(object, [&](const Pos3 &p) { text.vertex(p); });
        each_surface(object, text);
    }
    return text.finish();
}

// The buffer, from the host's memory; data() is NULL without memory.
class Buffer {
public:
    Buffer() : data_(static_cast<char *>(zirka_host_alloc(buffer_size))) {}
    ~Buffer() { zirka_host_free(data_); }
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;
    char *data() const { return data_; }

private:
    char *data_;
};

bool append_to_string(void *text, const char *data, size_t size)
{
    static_cast<std::string *>(text)->append(data, size);
    return true;
}

bool write_to_file(void *file, const char *data, size_t size)
{
    return static_cast<ReplacementFile *>(file)->write(data, size);
}

} // namespace

std::string zirka_obj_format(const std::vector<Object *> &objects)
{
    Buffer buffer;
    if (!buffer.data())
        throw HostBadAlloc();
    std::string text;
    write_text(objects, buffer.data(), append_to_string, &text);
    return text;
}

bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error)
{
    // The buffer before any file: without memory nothing is touched.
    Buffer buffer;
    std::string why = "out of memory";
    if (buffer.data() &&
        zirka_replace_file(
            path, [&](ReplacementFile *file) { return write_text(objects, buffer.data(), write_to_file, file); }, &why))
        return true;
    try {
        *error = "cannot write \"" + path + "\": " + why;
    } catch (const std::bad_alloc &) {
        error->clear();
    }
    return false;
}
