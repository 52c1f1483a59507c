// obj_write.cpp -- writing Wavefront OBJ files. The text is made in a buffer
// of 1 MiB, handed on (appended to a string, or written to the new file that
// replaces the old one whole, replace_file.h) whenever the next item might
// not fit in it.
#include "zirka_obj.h"
#include "memory.h"
#include "replace_file.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace {

const size_t buffer_size = size_t(1) << 20;
// The most one item takes: a float's shortest text is at most 15 characters
// ("-1.17549435e-38"), an index a blank and at most 20.
const size_t float_room = 16;
const size_t index_room = 32;

// Takes a part of the text; false when it could not.
typedef std::function<bool(const char *data, size_t size)> Put;

// The buffer, from the host's memory.
class Buffer {
public:
    Buffer() : data(static_cast<char *>(zirka_host_alloc(buffer_size))) {}
    ~Buffer() { zirka_host_free(data); }
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;
    char *const data; // NULL without memory
};

class Text {
public:
    Text(char *buffer, Put put) : start_(buffer), at_(buffer), put_(std::move(put)) {}

    // Makes the objects' text; false when put failed on any of it.
    bool write(const std::vector<Object *> &objects)
    {
        for (const Object *object : objects) {
            if (!ok_)
                break;
            write_object(object);
        }
        hand_on();
        return ok_;
    }

private:
    // "o NAME", "v x y z" per vertex, then "f i j k", "l i j k" or, closed,
    // "l i j k i" per surface that has entries of the object's vertices. OBJ
    // numbers vertices from 1 across the file.
    void write_object(const Object *object)
    {
        const std::string &name = zirka_object_name(object);
        put_bytes("o ", 2);
        put_bytes(name.data(), name.size());
        put_bytes("\n", 1);
        base_ = next_vertex_;
        // Small captures, kept within std::function itself: no allocation.
        zirka_object_each_vertex(object, [this](const Pos3 &p) {
            room(2 + 3 * (float_room + 1));
            *at_++ = 'v';
            for (float f : {p.x, p.y, p.z}) {
                *at_++ = ' ';
                at_ = std::to_chars(at_, at_ + float_room, f).ptr;
            }
            *at_++ = '\n';
            next_vertex_++;
        });
        zirka_object_each_surface(object, [this, object](const Surface *surface) {
            const int type = zirka_surface_type(surface);
            long first = -1;
            for (const List *node = zirka_head_surface_vertices(surface); node; node = node->next) {
                long index = zirka_vertex_index(zirka_head_entry_vertex(static_cast<const SurfaceVertex *>(node->item)), object);
                if (index < 0)
                    continue;
                room(1 + index_room);
                if (first < 0) {
                    first = index;
                    *at_++ = type == ZIRKA_SURFACE_LINE || type == ZIRKA_SURFACE_CLOSED_LINE ? 'l' : 'f';
                }
                put_index(base_ + index);
            }
            if (first < 0)
                return;
            room(index_room + 1);
            if (type == ZIRKA_SURFACE_CLOSED_LINE)
                put_index(base_ + first);
            *at_++ = '\n';
        });
    }

    void hand_on()
    {
        if (ok_ && at_ > start_)
            ok_ = put_(start_, static_cast<size_t>(at_ - start_));
        at_ = start_;
    }
    void room(size_t n)
    {
        if (static_cast<size_t>(start_ + buffer_size - at_) < n)
            hand_on();
    }
    void put_bytes(const char *data, size_t n)
    {
        while (n > 0) {
            room(1);
            size_t part = std::min(n, static_cast<size_t>(start_ + buffer_size - at_));
            at_ = std::copy(data, data + part, at_);
            data += part;
            n -= part;
        }
    }
    void put_index(long index)
    {
        *at_++ = ' ';
        at_ = std::to_chars(at_, at_ + index_room - 1, index).ptr;
    }

    char *const start_;
    char *at_;
    const Put put_;
    bool ok_ = true;
    long next_vertex_ = 1; // the number in the file of the next vertex
    long base_ = 1;        // and of the object's first
};

} // namespace

std::string zirka_obj_format(const std::vector<Object *> &objects)
{
    Buffer buffer;
    if (!buffer.data)
        throw HostBadAlloc();
    std::string text;
    Text(buffer.data, [&](const char *data, size_t size) {
        text.append(data, size);
        return true;
    }).write(objects);
    return text;
}

bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error)
{
    // The buffer before any file: without memory nothing is touched.
    Buffer buffer;
    std::string why = "out of memory";
    auto fill = [&](ReplacementFile *file) {
        return Text(buffer.data, [file](const char *data, size_t size) { return file->write(data, size); }).write(objects);
    };
    if (buffer.data && zirka_replace_file(path, fill, &why))
        return true;
    try {
        *error = "cannot write \"" + path + "\": " + why;
    } catch (const std::bad_alloc &) {
        error->clear();
    }
    return false;
}
