// Scale profile: the outline's size at every path entry, linear in the
// distance travelled, from 1 at the first entry to the scale fraction at the
// last; stored as the ratio of each size to the size before it, because the
// sweep makes each ring by scaling the ring before it. The distances stay
// for the texture coordinates of the skin.

#include <math.h>
#include <stdlib.h>

#include "extrude_work.h"

void *(*extrude_table_alloc)(size_t size) = malloc;

int extrude_scale_profile(ExtrudeWork *w)
{
    int count = list_count(w->path_points);
    double *scale = (double *)extrude_table_alloc((size_t)count * sizeof(double));
    double *length = (double *)extrude_table_alloc((size_t)count * sizeof(double));
    if (!scale || !length) {
        free(scale);
        free(length);
        return extrude_refuse(EXTRUDE_NO_MEMORY);
    }
    w->scale = scale;
    w->distance = length;

    scale[0] = 1.0;
    length[0] = 0.0;
    const List *node = w->path_points;
    for (int i = 1; i < count; i++, node = node->next) {
        const Pos3 *a = extrude_path_point(node);
        const Pos3 *b = extrude_path_point(node->next);
        double dx = (double)a->x - b->x, dy = (double)a->y - b->y, dz = (double)a->z - b->z;
        length[i] = length[i - 1] + sqrt(dz * dz + dy * dy + dx * dx);
    }

    // Validation merges coincident points, so the total is never 0 here;
    // the stand-in for a zero total keeps the profile defined on its own.
    double total = length[count - 1];
    if (total == 0.0)
        total = 0.0001;
    double r = 1 / total;
    for (int i = 1; i < count; i++)
        scale[i] = 1 - (1 - w->scale_fraction) * (length[i] * r);

    // A size of 0 before the last entry would make the next ratio a division
    // by zero and every later ring not a number (possible with amounts below 0).
    for (int i = 1; i < count - 1; i++)
        if (scale[i] == 0.0)
            return extrude_refuse("extrude_along_path(): scale reaches 0 before the end of the path!\n");

    // Descending, so that each division reads the absolute size before it.
    for (int i = count - 1; i >= 1; i--)
        scale[i] = scale[i] / scale[i - 1];
    return 0;
}
