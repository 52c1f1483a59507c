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

// The text, made in a buffer of the host's memory.
class Text {
public:
    Text() : start_(static_cast<char *>(zirka_host_alloc(buffer_size))), at_(start_) {}
    ~Text() { zirka_host_free(start_); }
    Text(const Text &) = delete;
    Text &operator=(const Text &) = delete;
    bool has_buffer() const { return start_ != nullptr; } // false without memory

    // Makes the objects' text and hands it to put; false when put failed on any of it.
    bool write(const std::vector<Object *> &objects, Put put)
    {
        put_ = std::move(put);
        for (size_t i = 0; ok_ && i < objects.size(); i++)
            write_object(objects[i]);
        hand_on();
        return ok_;
    }

private:
    // As zirka_obj.h says; OBJ numbers vertices from 1 across the file. An
    // object whose entries have texture coordinates other than 0, 0 has a "vt
    // u v" per entry after its vertices, and its elements name them: "f i/a j/b".
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
            put_floats({p.x, p.y, p.z});
            next_vertex_++;
        });
        textured_ = false;
        each_entry(object, [this](const SurfaceVertex *entry) {
            std::pair<float, float> uv = zirka_entry_uv(entry);
            textured_ = textured_ || uv.first != 0.0f || uv.second != 0.0f; // -0 counts as 0
        });
        if (textured_)
            each_entry(object, [this](const SurfaceVertex *entry) {
                room(3 + 2 * (float_room + 1));
                *at_++ = 'v';
                *at_++ = 't';
                std::pair<float, float> uv = zirka_entry_uv(entry);
                put_floats({uv.first, uv.second});
            });
        zirka_object_each_surface(object, [this, object](const Surface *surface) {
            const int type = zirka_surface_type(surface);
            long first = -1, first_texture = 0;
            for (const List *node = zirka_head_surface_vertices(surface); node; node = node->next) {
                long index = zirka_vertex_index(zirka_head_entry_vertex(static_cast<const SurfaceVertex *>(node->item)), object);
                if (index < 0)
                    continue;
                room(1 + 2 * index_room);
                if (first < 0) {
                    first = index;
                    first_texture = next_texture_;
                    *at_++ = type == ZIRKA_SURFACE_LINE || type == ZIRKA_SURFACE_CLOSED_LINE ? 'l' : 'f';
                }
                put_reference(base_ + index, textured_ ? next_texture_++ : 0);
            }
            if (first < 0)
                return;
            room(2 * index_room + 1);
            if (type == ZIRKA_SURFACE_CLOSED_LINE)
                put_reference(base_ + first, textured_ ? first_texture : 0);
            *at_++ = '\n';
        });
    }

    // Calls fn(entry) for each entry of the object's surfaces whose vertex is
    // the object's, in the order in which the elements name them.
    template <class Fn> void each_entry(const Object *object, Fn fn)
    {
        zirka_object_each_surface(object, [&](const Surface *surface) {
            for (const List *node = zirka_head_surface_vertices(surface); node; node = node->next) {
                const SurfaceVertex *entry = static_cast<const SurfaceVertex *>(node->item);
                if (zirka_vertex_index(zirka_head_entry_vertex(entry), object) >= 0)
                    fn(entry);
            }
        });
    }

    void put_floats(std::initializer_list<float> values)
    {
        for (float f : values) {
            *at_++ = ' ';
            at_ = std::to_chars(at_, at_ + float_room, f).ptr;
        }
        *at_++ = '\n';
    }

    // " i", or with a texture coordinate's number t (not 0) " i/t".
    void put_reference(long index, long texture)
    {
        *at_++ = ' ';
        at_ = std::to_chars(at_, at_ + index_room - 1, index).ptr;
        if (texture != 0) {
            *at_++ = '/';
            at_ = std::to_chars(at_, at_ + index_room - 1, texture).ptr;
        }
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

    char *const start_;
    char *at_;
    Put put_;
    bool ok_ = true;
    long next_vertex_ = 1;  // the number in the file of the next vertex
    long base_ = 1;         // and of the object's first
    long next_texture_ = 1; // the number in the file of the next "vt"
    bool textured_ = false; // the object has texture coordinates to write
};

} // namespace

std::string zirka_obj_format(const std::vector<Object *> &objects)
{
    Text text;
    if (!text.has_buffer())
        throw HostBadAlloc();
    std::string out;
    text.write(objects, [&](const char *data, size_t size) {
        out.append(data, size);
        return true;
    });
    return out;
}

bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error)
{
    // The buffer before any file: without memory nothing is touched.
    Text text;
    std::string why = "out of memory";
    auto fill = [&](ReplacementFile *file) {
        return text.write(objects, [file](const char *data, size_t size) { return file->write(data, size); });
    };
    if (text.has_buffer() && zirka_replace_file(path, fill, &why))
        return true;
    try {
        *error = "cannot write \"" + path + "\": " + why;
    } catch (const std::bad_alloc &) {
        error->clear();
    }
    return false;
}
