// Operations on single three-float vectors: the cosine of the angle between
// two of them and their unit cross product.
#include "kvx_geom.h"

#include <cassert>
#include <cmath>

double vec3_cos_angle(const Pos3 *a, const Pos3 *b)
{
    assert(a && b && "vec3_cos_angle reads two vectors");
    const double ax = a->x, ay = a->y, az = a->z;
    const double bx = b->x, by = b->y, bz = b->z;
    // Both lengths are formed before either is tested; a length that is not a
    // number passes the exact zero tests and carries through to the result.
    const double len_a = std::sqrt(ax * ax + ay * ay + az * az);
    const double len_b = std::sqrt(bx * bx + by * by + bz * bz);
    if (len_a == 0.0)
        return 0.0;
    if (len_b == 0.0)
        return 0.0;
    return (ax * bx + az * bz + ay * by) / (len_b * len_a);
}

void vec3_cross_unit(const Pos3 *a, const Pos3 *b, Pos3 *out)
{
    assert(a && b && "vec3_cross_unit reads two vectors");
    if (!out)
        return;
    const double ax = a->x, ay = a->y, az = a->z;
    const double bx = b->x, by = b->y, bz = b->z;
    out->x = (float)(ay * bz - az * by);
    out->y = (float)(az * bx - ax * bz);
    // The length takes x and y as stored but z at full precision, before it
    // is rounded into out.
    const double z = ax * by - ay * bx;
    out->z = (float)z;
    const double ox = out->x, oy = out->y;
    const double len = std::sqrt(ox * ox + oy * oy + z * z);
    if (len == 0.0)
        return;
    vec3_scale_by(out, 1.0 / len);
}
