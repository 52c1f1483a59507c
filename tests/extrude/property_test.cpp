// Properties of the result over many random templates and paths, drawn from
// a generator with a fixed state so that every run sees the same cases.

#include "extrude_test.h"

#include <cmath>
#include <random>

namespace {

struct D3 {
    double x, y, z;
};

D3 d3(P3 p)
{
    return {p.x, p.y, p.z};
}
D3 sub(D3 a, D3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3 add(D3 a, D3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
double dot(D3 a, D3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double len(D3 a)
{
    return std::sqrt(dot(a, a));
}
D3 unit(D3 a)
{
    double l = len(a);
    return {a.x / l, a.y / l, a.z / l};
}

D3 centroid(const std::vector<P3> &points)
{
    D3 c = {0, 0, 0};
    for (const P3 &p : points)
        c = add(c, d3(p));
    return {c.x / points.size(), c.y / points.size(), c.z / points.size()};
}

// Size of the outline at each path entry: linear in the distance travelled.
std::vector<double> sizes(const std::vector<P3> &path, double fraction)
{
    std::vector<double> length(path.size(), 0.0);
    for (size_t i = 1; i < path.size(); i++)
        length[i] = length[i - 1] + len(sub(d3(path[i]), d3(path[i - 1])));
    std::vector<double> size;
    for (double l : length)
        size.push_back(1 - (1 - fraction) * l / length.back());
    return size;
}

class PropertyTest : public ExtrudeTest {
protected:
    std::mt19937 rng{20261208};

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    // A template of m points on a grid of eighths around a random place.
    std::vector<P3> random_template(int m)
    {
        D3 at = {double(uniform(-8, 8)), double(uniform(-8, 8)), double(uniform(-8, 8))};
        std::vector<P3> t;
        for (int i = 0; i < m; i++)
            t.push_back({float(at.x + uniform(-8, 8) / 8.0), float(at.y + uniform(-8, 8) / 8.0),
                         float(at.z + uniform(-8, 8) / 8.0)});
        return t;
    }

    // A path of axis-aligned segments of whole lengths that never reverse:
    // runs in one direction are straight stretches (cosine exactly 1), the
    // corners between them right angles.
    std::vector<P3> axis_path(int n)
    {
        static const int dirs[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
        std::vector<P3> path = {{float(uniform(-5, 5)), float(uniform(-5, 5)), float(uniform(-5, 5))}};
        int last = uniform(0, 5);
        for (int i = 1; i < n; i++) {
            int d = last;
            if (uniform(0, 9) < 6)
                while ((d = uniform(0, 5)) / 2 == last / 2 && d != last) {
                }
            last = d;
            int l = uniform(1, 4);
            P3 p = path.back();
            path.push_back({p.x + l * dirs[d][0], p.y + l * dirs[d][1], p.z + l * dirs[d][2]});
        }
        return path;
    }

    // A path in free directions, each turning from the last by 5 to 85 degrees.
    std::vector<P3> turning_path(int n)
    {
        std::vector<P3> path = {{float(real(-3, 3)), float(real(-3, 3)), float(real(-3, 3))}};
        D3 dir = unit({real(-1, 1), real(-1, 1), real(-1, 1) + 0.01});
        for (int i = 1; i < n; i++) {
            D3 next;
            do {
                next = unit({real(-1, 1), real(-1, 1), real(-1, 1)});
            } while (i > 1 && !(dot(next, dir) > std::cos(85 * M_PI / 180) && dot(next, dir) < std::cos(5 * M_PI / 180)));
            dir = next;
            double l = real(0.5, 3);
            P3 p = path.back();
            path.push_back({float(p.x + l * dir.x), float(p.y + l * dir.y), float(p.z + l * dir.z)});
        }
        return path;
    }
};

TEST_F(PropertyTest, CountsAndRingSizesOnAxisPaths)
{
    const char *amounts[] = {"100", "50", "0", "25", "150", "-30", "12.5"};
    for (int k = 0; k < 150; k++) {
        zirka_reset();
        int m = uniform(1, 7), n = uniform(3, 10);
        bool tmpl_closed = uniform(0, 1), path_closed = k % 5 == 4;
        std::vector<P3> tmpl = random_template(m), path = axis_path(n);
        const char *amount = amounts[uniform(0, 6)];
        SCOPED_TRACE("case " + std::to_string(k) + " amount " + amount + " m " + std::to_string(m) + " n " +
                     std::to_string(n) + (path_closed ? " closed path" : ""));

        std::vector<int> ids = load(obj_case(tmpl, tmpl_closed, path, path_closed));
        select(ids);
        Outcome o = run(amount);
        if (path_closed && o.made.empty()) {
            // A random loop may close by turning straight back: refused.
            EXPECT_NE(o.err.find("turns back"), std::string::npos) << o.err;
            continue;
        }
        ASSERT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(o.list_nodes, 0);
        std::vector<P3> v = vertices(o.made[0]);
        ASSERT_EQ(v.size(), size_t(n) * m);
        size_t strips = path_closed ? n : n - 1;
        EXPECT_EQ(surfaces(o.made[0]).size(), strips * (tmpl_closed ? m : m - 1));

        // The template and the path are left as they were.
        EXPECT_EQ(vertices(ids[0]), tmpl);
        EXPECT_EQ(vertices(ids[1]), path);

        if (path_closed)
            continue;
        // Rings on straight stretches and the end ring are the template,
        // moved with the path, turned, and scaled by the size at their point.
        double fraction = std::strtod(amount, nullptr) / 100;
        std::vector<double> size = sizes(path, float(fraction * 100) * 0.01);
        D3 c0 = centroid(tmpl);
        for (int j = 1; j < n; j++) {
            bool straight = j == n - 1;
            if (!straight) {
                D3 in = sub(d3(path[j]), d3(path[j - 1])), out = sub(d3(path[j + 1]), d3(path[j]));
                straight = dot(in, out) == len(in) * len(out);
            }
            if (!straight)
                continue;
            D3 centre = add(c0, sub(d3(path[j]), d3(path[0])));
            for (int i = 0; i < m; i++) {
                double want = len(sub(d3(tmpl[i]), c0)) * std::fabs(size[j]);
                double got = len(sub(d3(v[j * m + i]), centre));
                EXPECT_NEAR(got, want, 1e-4 * (1 + want)) << "ring " << j << " vertex " << i;
            }
        }
    }
}

TEST_F(PropertyTest, MitrePointsLieOnTheBisectorPlane)
{
    for (int k = 0; k < 150; k++) {
        zirka_reset();
        int m = uniform(1, 6), n = uniform(3, 9);
        std::vector<P3> tmpl = random_template(m), path = turning_path(n);
        SCOPED_TRACE("case " + std::to_string(k));
        int id = extrude(obj_case(tmpl, uniform(0, 1), path, false), "100");
        std::vector<P3> v = vertices(id);
        ASSERT_EQ(v.size(), size_t(n) * m);
        D3 c0 = centroid(tmpl);
        // Ring j (1 .. n-2) is the mitre ring at path point j: each point lies
        // on the plane through the corner whose normal is the sum of the two
        // unit segment directions.
        for (int j = 1; j + 1 < n; j++) {
            D3 corner = add(c0, sub(d3(path[j]), d3(path[0])));
            D3 in = unit(sub(d3(path[j]), d3(path[j - 1]))), out = unit(sub(d3(path[j + 1]), d3(path[j])));
            D3 normal = unit(add(in, out));
            for (int i = 0; i < m; i++) {
                double off = dot(sub(d3(v[j * m + i]), corner), normal);
                EXPECT_NEAR(off, 0.0, 2e-4) << "ring " << j << " vertex " << i;
            }
        }
        // Amount 100: the end ring has the template's shape.
        D3 end = add(c0, sub(d3(path[n - 1]), d3(path[0])));
        for (int i = 0; i < m; i++)
            EXPECT_NEAR(len(sub(d3(v[(n - 1) * m + i]), end)), len(sub(d3(tmpl[i]), c0)), 2e-4);
    }
}

TEST_F(PropertyTest, UndoAndRedoOnRandomCases)
{
    for (int k = 0; k < 20; k++) {
        zirka_reset();
        std::vector<P3> tmpl = random_template(uniform(2, 6)), path = turning_path(uniform(3, 6));
        std::vector<int> ids = load(obj_case(tmpl, true, path, false));
        select(ids);
        Outcome o = run("60");
        ASSERT_EQ(o.made.size(), 1u);
        std::vector<P3> made = vertices(o.made[0]);
        eval("host::undo");
        EXPECT_EQ(world_ids(), ids);
        eval("host::redo");
        EXPECT_EQ(world_ids(), (std::vector<int>{ids[0], ids[1], o.made[0]}));
        EXPECT_EQ(vertices(o.made[0]), made);
        EXPECT_EQ(vertices(ids[0]), tmpl);
    }
}

} // namespace
