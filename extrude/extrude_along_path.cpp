// The handler of kvx_extrude_along_path_scale: the phases in order, and the
// one exit that releases what they made.

#include <stdlib.h>
#include <string.h>

#include "extrude_work.h"

void ZIRKA_CALL extrude_along_path(int argc, const char **argv)
{
    ExtrudeWork w;
    memset(&w, 0, sizeof w);

    if (extrude_validate(&w, argc, argv) == 0 && extrude_align_template(&w) == 0 &&
        extrude_scale_profile(&w) == 0 && extrude_sweep(&w) == 0)
        extrude_skin_commit(&w);

    // Every list and table the call made; the vertices in the lists belong
    // to the host, which has no release for them.
    list_free(&w.previous_ring);
    list_free(&w.current_ring);
    list_free(&w.template_list);
    list_free(&w.path_points);
    free(w.scale);
    kvx_scratch_release(&w.scratch);
}
