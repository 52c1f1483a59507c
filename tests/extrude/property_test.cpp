// Properties of the result over many random templates and paths, drawn from
// a generator with a fixed state so that every run sees the same cases.

#include "extrude_test.h"

#include <cmath>
#include <random>

namespace {

Real3 centroid(const std::vector<Pos3> &points)
{
    Real3 c = {0, 0, 0};
    for (const Pos3 &p : points)
        c = c + real3(p);
    return (1.0L / points.size()) * c;
}

// The six axis directions; direction d and d ^ 1 are opposite.
const int kAxes[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

bool reverses(int d, int last) { return d != last && d / 2 == last / 2; }

class PropertyTest : public ExtrudeTest {
protected:
    std::mt19937 rng{20261208};

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    // A template of m points on a grid of eighths around a random place.
    std::vector<Pos3> random_template(int m)
    {
        const int at[3] = {uniform(-8, 8), uniform(-8, 8), uniform(-8, 8)};
        std::vector<Pos3> t;
        for (int i = 0; i < m; i++)
            t.push_back({float(at[0] + uniform(-8, 8) / 8.0), float(at[1] + uniform(-8, 8) / 8.0),
                         float(at[2] + uniform(-8, 8) / 8.0)});
        return t;
    }

    // A path of axis-aligned segments of whole lengths that never reverse:
    // runs in one direction are straight stretches (cosine exactly 1), the
    // corners between them right angles.
    std::vector<Pos3> axis_path(int n)
    {
        std::vector<Pos3> path = {{float(uniform(-5, 5)), float(uniform(-5, 5)), float(uniform(-5, 5))}};
        int last = uniform(0, 5);
        for (int i = 1; i < n; i++) {
            int d = last;
            if (uniform(0, 9) < 6)
                do
                    d = uniform(0, 5);
                while (reverses(d, last));
            last = d;
            int l = uniform(1, 4);
            Pos3 p = path.back();
            path.push_back({p.x + l * kAxes[d][0], p.y + l * kAxes[d][1], p.z + l * kAxes[d][2]});
        }
        return path;
    }

    // A path in free directions, each turning from the last by 5 to 85 degrees.
    std::vector<Pos3> turning_path(int n)
    {
        std::vector<Pos3> path = {{float(real(-3, 3)), float(real(-3, 3)), float(real(-3, 3))}};
        Real3 dir = unit({real(-1, 1), real(-1, 1), real(-1, 1) + 0.01});
        for (int i = 1; i < n; i++) {
            Real3 next;
            do {
                next = unit({real(-1, 1), real(-1, 1), real(-1, 1)});
            } while (i > 1 && !(dot(next, dir) > std::cos(85 * M_PI / 180) && dot(next, dir) < std::cos(5 * M_PI / 180)));
            dir = next;
            double l = real(0.5, 3);
            Pos3 p = path.back();
            path.push_back({float(p.x + l * dir.x), float(p.y + l * dir.y), float(p.z + l * dir.z)});
        }
        return path;
    }
};

TEST_F(PropertyTest, CountsAndUntouchedInputsOnAxisPaths)
{
    const char *amounts[] = {"100", "50", "0", "25", "150", "-30", "12.5"};
    for (int k = 0; k < 150; k++) {
        zirka_reset();
        int m = uniform(1, 7), n = uniform(3, 10);
        bool tmpl_closed = uniform(0, 1), path_closed = k % 5 == 4;
        std::vector<Pos3> tmpl = random_template(m), path = axis_path(n);
        const char *amount = amounts[uniform(0, 6)];
        SCOPED_TRACE("case " + std::to_string(k) + " amount " + amount + " m " + std::to_string(m) + " n " +
                     std::to_string(n) + (path_closed ? " closed path" : ""));

        std::vector<int> ids = place(tmpl, tmpl_closed, path, path_closed);
        select(ids);
        Outcome o = run(amount);
        if (path_closed && o.made.empty()) {
            // A random loop may close by turning straight back: refused.
            EXPECT_NE(o.err.find("turns back"), std::string::npos) << o.err;
            continue;
        }
        ASSERT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(o.list_nodes, 0);
        ASSERT_EQ(vertices(o.made[0]).size(), size_t(n) * m);
        size_t strips = path_closed ? n : n - 1;
        EXPECT_EQ(surfaces(o.made[0]).size(), strips * (tmpl_closed ? m : m - 1));

        // The template and the path are left as they were.
        EXPECT_EQ(vertices(ids[0]), tmpl);
        EXPECT_EQ(vertices(ids[1]), path);
    }
}

TEST_F(PropertyTest, MitrePointsLieOnTheBisectorPlane)
{
    for (int k = 0; k < 150; k++) {
        zirka_reset();
        int m = uniform(1, 6), n = uniform(3, 9);
        std::vector<Pos3> tmpl = random_template(m), path = turning_path(n);
        SCOPED_TRACE("case " + std::to_string(k));
        int id = extrude(tmpl, uniform(0, 1), path, false, "100");
        std::vector<Pos3> v = vertices(id);
        ASSERT_EQ(v.size(), size_t(n) * m);
        Real3 c0 = centroid(tmpl);
        // Ring j (1 .. n-2) is the mitre ring at path point j: each point lies
        // on the plane through the corner whose normal is the sum of the two
        // unit segment directions.
        for (int j = 1; j + 1 < n; j++) {
            Real3 corner = c0 + (real3(path[j]) - real3(path[0]));
            Real3 in = unit(real3(path[j]) - real3(path[j - 1])), out = unit(real3(path[j + 1]) - real3(path[j]));
            Real3 normal = unit(in + out);
            for (int i = 0; i < m; i++) {
                long double off = dot(real3(v[j * m + i]) - corner, normal);
                EXPECT_NEAR(off, 0.0, 2e-4) << "ring " << j << " vertex " << i;
            }
        }
        // Amount 100: the end ring has the template's shape.
        Real3 end = c0 + (real3(path[n - 1]) - real3(path[0]));
        for (int i = 0; i < m; i++)
            EXPECT_NEAR(norm(real3(v[(n - 1) * m + i]) - end), norm(real3(tmpl[i]) - c0), 2e-4);
    }
}

TEST_F(PropertyTest, ARunMakesAFewRingsWorthOfScratchVertices)
{
    // However long the path, the sweep reuses the rings it is done with, and
    // its mitre points go straight into the result. With the template
    // aligned to the first segment its own vertices are the first ring and
    // are never reused: the first corner makes the ring moved on, the turned
    // ring and its next ring; the second one more, and from then on nothing.
    // Turned onto the first segment, the template's copy and its turned ring
    // come first instead.
    struct {
        int n;
        bool aligned;
        long rings;
    } cases[] = {{3, true, 3}, {4, true, 4}, {50, true, 4}, {2000, true, 4}, {3, false, 4}, {2000, false, 4}};
    const int m = 16;
    std::vector<Pos3> circle;
    for (int i = 0; i < m; i++)
        circle.push_back({0, float(std::cos(2 * M_PI * i / m)), float(std::sin(2 * M_PI * i / m))});
    for (const auto &c : cases) {
        SCOPED_TRACE("n " + std::to_string(c.n) + (c.aligned ? " aligned" : " turned"));
        zirka_reset();
        // A zigzag after the first step: the path turns at every corner.
        std::vector<Pos3> path = {{0, 0, 0}, {1, c.aligned ? 0.0f : 1.0f, 0}};
        for (int i = 2; i < c.n; i++)
            path.push_back({float(i), float(i % 2 == 0), 0});
        // Within an outer transaction the command's scratch vertices stay
        // until the outer one ends, so that they can be counted.
        long before = zirka_free_vertex_count(), made = -1;
        int id = -1;
        zirka_transaction([&] {
            id = extrude(circle, true, path, false, "50");
            made = zirka_free_vertex_count() - before;
        });
        ASSERT_EQ(vertices(id).size(), size_t(c.n) * m);
        EXPECT_EQ(made, c.rings * m);
        EXPECT_EQ(zirka_free_vertex_count(), before) << "released as the command returns";
    }
}

} // namespace
