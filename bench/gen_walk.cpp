// gen_walk -- the benchmark's input: a regular m-gon and an n-point random
// walk, as OBJ polylines.
//
//   gen_walk M N OUTDIR
//
// OUTDIR/template.obj: "o template", the m vertices of the regular m-gon of
// radius 1 in the plane x = 0, as the closed line "l 1 2 ... m 1".
// OUTDIR/path.obj: "o path", the walk as the open line "l 1 2 ... n".
// Every coordinate is written with "%.9g".
//
// The walk: from the origin heading +x, each step turns the heading by an
// angle between 10 and 80 degrees about a random axis across it, then goes
// 0.5 to 2 along it; the random numbers come from a 32-bit linear
// congruential generator (1664525, 1013904223) started at 20240601. Only
// + - * / and sqrt are used, all in double, so the points are the same bit
// for bit wherever the same generator runs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const uint32_t start = 20240601u;
const double cos10 = 0.984807753012208;   // cos(10 degrees)
const double cos80 = 0.17364817766693041; // cos(80 degrees)

struct Random {
    uint32_t state = start;
    double next()
    {
        state = 1664525u * state + 1013904223u;
        return state / 4294967296.0;
    }
};

struct Point {
    double x, y, z;
};

std::vector<Point> walk(int n)
{
    Random rnd;
    double px = 0.0, py = 0.0, pz = 0.0;
    double dx = 1.0, dy = 0.0, dz = 0.0;
    std::vector<Point> points{{px, py, pz}};
    for (int k = 0; k < n - 1; k++) {
        if (k > 0) {
            double c = cos80 + (cos10 - cos80) * rnd.next();
            double s = std::sqrt(1 - c * c);
            double a, b, r2;
            for (;;) {
                a = 2 * rnd.next() - 1;
                b = 2 * rnd.next() - 1;
                r2 = a * a + b * b;
                if (!(r2 > 1 || r2 < 1e-4))
                    break;
            }
            double r = std::sqrt(r2);
            a = a / r;
            b = b / r;
            // u: the unit vector across the heading, from its smallest axis.
            double ax = std::fabs(dx), ay = std::fabs(dy), az = std::fabs(dz);
            double ux, uy, uz;
            if (ax <= ay && ax <= az) {
                ux = 1 - dx * dx;
                uy = -dx * dy;
                uz = -dx * dz;
            } else if (ay <= az) {
                ux = -dy * dx;
                uy = 1 - dy * dy;
                uz = -dy * dz;
            } else {
                ux = -dz * dx;
                uy = -dz * dy;
                uz = 1 - dz * dz;
            }
            double inv = 1 / std::sqrt(ux * ux + uy * uy + uz * uz);
            ux = ux * inv;
            uy = uy * inv;
            uz = uz * inv;
            double vx = dy * uz - dz * uy, vy = dz * ux - dx * uz, vz = dx * uy - dy * ux;
            double nx = c * dx + s * (a * ux + b * vx);
            double ny = c * dy + s * (a * uy + b * vy);
            double nz = c * dz + s * (a * uz + b * vz);
            inv = 1 / std::sqrt(nx * nx + ny * ny + nz * nz);
            dx = nx * inv;
            dy = ny * inv;
            dz = nz * inv;
        }
        double length = 0.5 + 1.5 * rnd.next();
        px = px + length * dx;
        py = py + length * dy;
        pz = pz + length * dz;
        points.push_back({px, py, pz});
    }
    return points;
}

std::vector<Point> polygon(int m)
{
    const double pi = 3.141592653589793;
    std::vector<Point> points;
    for (int j = 0; j < m; j++)
        points.push_back({0.0, std::cos(2 * pi * j / m), std::sin(2 * pi * j / m)});
    return points;
}

bool write_obj(const std::string &file, const char *name, const std::vector<Point> &points, bool closed)
{
    std::FILE *out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    std::fprintf(out, "o %s\n", name);
    for (const Point &p : points)
        std::fprintf(out, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
    std::fputs("l", out);
    for (size_t i = 1; i <= points.size(); i++)
        std::fprintf(out, " %zu", i);
    std::fputs(closed ? " 1\n" : "\n", out);
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: gen_walk M N OUTDIR\n");
        return 2;
    }
    int m = std::atoi(argv[1]), n = std::atoi(argv[2]);
    if (m < 3 || n < 2) {
        std::fprintf(stderr, "gen_walk: need M >= 3 and N >= 2\n");
        return 2;
    }
    std::string dir = argv[3];
    mkdir(dir.c_str(), 0777);
    if (!write_obj(dir + "/template.obj", "template", polygon(m), true) ||
        !write_obj(dir + "/path.obj", "path", walk(n), false)) {
        std::fprintf(stderr, "gen_walk: cannot write in %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
