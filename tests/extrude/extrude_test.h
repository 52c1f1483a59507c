// extrude_test.h -- a fixture for running the command through the stand-in
// host: load OBJ text, select, run kvx_extrude_along_path_scale through Tcl,
// and look at what it made, what it said and what it left behind.
#ifndef EXTRUDE_TEST_H
#define EXTRUDE_TEST_H

#include "zirka_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

// One vertex position, compared bit for bit.
struct P3 {
    float x, y, z;
};

inline bool same_bits(float a, float b)
{
    uint32_t ua, ub;
    std::memcpy(&ua, &a, 4);
    std::memcpy(&ub, &b, 4);
    return ua == ub;
}

inline bool operator==(const P3 &a, const P3 &b)
{
    return same_bits(a.x, b.x) && same_bits(a.y, b.y) && same_bits(a.z, b.z);
}

inline std::ostream &operator<<(std::ostream &os, const P3 &p)
{
    return os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}

// What one run of the command did.
struct Outcome {
    int code = 0;                      // Tcl completion code
    std::string out, err;              // standard output and error
    std::vector<std::string> messages; // message-dialog texts
    std::vector<int> made;             // ids of new objects in the world
    long list_nodes = 0;               // plug-in list nodes left allocated
};

class ExtrudeTest : public ZirkaTest {
protected:
    // Loads OBJ text as one step; returns the new objects' ids in file order.
    std::vector<int> load(const std::string &obj)
    {
        std::string path = write_file("case" + std::to_string(++files_) + ".obj", obj);
        std::istringstream ids(eval("host::load " + path));
        std::vector<int> out;
        for (int id; ids >> id;)
            out.push_back(id);
        return out;
    }

    void select(const std::vector<int> &ids)
    {
        std::string script = "host::select";
        for (int id : ids)
            script += " " + std::to_string(id);
        eval(script);
    }

    // Runs the Tcl script (by default the command with args) and reports.
    Outcome run_script(const std::string &script)
    {
        std::vector<int> before = world_ids();
        long nodes = zirka_plugin_list_nodes();
        size_t messages = zirka_messages().size();
        ZirkaScriptRun r = zirka_capture_eval(script);
        Outcome o;
        o.code = r.code;
        o.out = r.out;
        o.err = r.err;
        o.messages.assign(zirka_messages().begin() + messages, zirka_messages().end());
        for (int id : world_ids())
            if (std::find(before.begin(), before.end(), id) == before.end())
                o.made.push_back(id);
        o.list_nodes = zirka_plugin_list_nodes() - nodes;
        return o;
    }

    Outcome run(const std::string &args) { return run_script("kvx_extrude_along_path_scale " + args); }

    // Loads OBJ text whose first object is the template and second the path,
    // selects them in that order and runs the command; expects one new object.
    int extrude(const std::string &obj, const std::string &amount)
    {
        std::vector<int> ids = load(obj);
        select(ids);
        Outcome o = run(amount);
        EXPECT_EQ(o.code, TCL_OK);
        EXPECT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(o.list_nodes, 0) << "list nodes the command did not release";
        return o.made.empty() ? -1 : o.made[0];
    }

    static std::vector<int> world_ids()
    {
        std::vector<int> ids;
        for (Object *o : zirka_world_objects())
            ids.push_back(zirka_object_id(o));
        return ids;
    }

    static std::vector<P3> vertices(int id)
    {
        Object *o = zirka_object_by_id(id);
        std::vector<P3> out;
        for (int i = 0; o && i < zirka_object_vertex_count(o); i++) {
            const Pos3 *p = zirka_head_vertex_pos(zirka_object_get_vertex_at_index(o, i));
            out.push_back({p->x, p->y, p->z});
        }
        return out;
    }

    static std::vector<std::vector<int>> surfaces(int id)
    {
        Object *o = zirka_object_by_id(id);
        std::vector<std::vector<int>> out;
        for (Surface *s : zirka_object_surfaces(o))
            out.push_back(zirka_surface_vertex_indices(o, s));
        return out;
    }

private:
    int files_ = 0;
};

// OBJ text for an object holding one line surface through the points;
// closed repeats the first index at the end. first is the 1-based index of
// the object's first vertex in the file.
inline std::string obj_line(const std::string &name, const std::vector<P3> &points, bool closed, int first)
{
    std::ostringstream s;
    s.precision(9);
    s << "o " << name << "\n";
    for (const P3 &p : points)
        s << "v " << p.x << " " << p.y << " " << p.z << "\n";
    s << "l";
    for (size_t i = 0; i < points.size(); i++)
        s << " " << first + (int)i;
    if (closed)
        s << " " << first;
    s << "\n";
    return s.str();
}

// Template then path, as one OBJ text.
inline std::string obj_case(const std::vector<P3> &tmpl, bool tmpl_closed, const std::vector<P3> &path,
                            bool path_closed)
{
    return obj_line("template", tmpl, tmpl_closed, 1) +
           obj_line("path", path, path_closed, 1 + (int)tmpl.size());
}

#endif
