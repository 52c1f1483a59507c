// extrude_test.h -- a fixture for running the command through the stand-in
// host: put a template and a path in the world, select them, run
// kvx_extrude_along_path_scale through Tcl, and look at what it made, what
// it said and what it left behind.
#ifndef EXTRUDE_TEST_H
#define EXTRUDE_TEST_H

#include "pos3.h"
#include "shapes.h"
#include "zirka_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

// kSquare the other way round: clockwise seen from +x.
inline const std::vector<Pos3> kSquareBack = {{0, -1, -1}, {0, -1, 1}, {0, 1, 1}, {0, 1, -1}};

// What one run of the command did: what it produced, and what it did to the
// host.
struct Outcome : RunRecord {
    std::vector<std::string> messages; // message-dialog texts
    std::vector<int> made;             // ids of new objects in the world
    long list_nodes = 0;               // plug-in list nodes left allocated
};

class ExtrudeTest : public ZirkaTest {
protected:
    // Puts the objects into the world as one step; returns their ids.
    static std::vector<int> add(const std::vector<Object *> &objects)
    {
        zirka_world_add_objects("shapes", objects);
        std::vector<int> ids;
        for (Object *o : objects)
            ids.push_back(zirka_object_id(o));
        return ids;
    }

    // A template line and a path line in the world; returns their ids.
    static std::vector<int> place(const std::vector<Pos3> &tmpl, bool tmpl_closed, const std::vector<Pos3> &path,
                                  bool path_closed)
    {
        return add({line_object(tmpl, line_type(tmpl_closed)), line_object(path, line_type(path_closed))});
    }

    void select(const std::vector<int> &ids) { ASSERT_TRUE(zirka_select(ids)); }

    // Runs the Tcl script (by default the command with args) and reports.
    Outcome run_script(const std::string &script)
    {
        std::vector<int> before = world_ids();
        long nodes = zirka_plugin_list_nodes();
        size_t messages = zirka_messages().size();
        Outcome o;
        static_cast<RunRecord &>(o) = zirka_capture_eval(script);
        o.messages.assign(zirka_messages().begin() + messages, zirka_messages().end());
        for (int id : world_ids())
            if (std::find(before.begin(), before.end(), id) == before.end())
                o.made.push_back(id);
        o.list_nodes = zirka_plugin_list_nodes() - nodes;
        return o;
    }

    Outcome run(const std::string &args) { return run_script("kvx_extrude_along_path_scale " + args); }

    // Places the template and the path, selects them in that order and runs
    // the command; expects one new object and returns its id.
    int extrude(const std::vector<Pos3> &tmpl, bool tmpl_closed, const std::vector<Pos3> &path, bool path_closed,
                const std::string &amount)
    {
        select(place(tmpl, tmpl_closed, path, path_closed));
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

    static std::vector<Pos3> vertices(int id)
    {
        Object *o = zirka_object_by_id(id);
        std::vector<Pos3> out;
        for (int i = 0; o && i < zirka_object_vertex_count(o); i++)
            out.push_back(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(o, i)));
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
};

#endif
