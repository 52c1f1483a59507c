// The handler of kvx_extrude_along_path_scale: the phases in order, and the
// one exit that releases what they made.

#include <stdlib.h>
#include <string.h>

#include "extrude_work.h"

void ZIRKA_CALL extrude_along_path(int argc, const char **argv)
{
    ExtrudeWork w;
    memset(&w, 0, sizeof w);
    extrude_run(&w, argc, argv);
    extrude_work_release(&w);
}

int extrude_run(ExtrudeWork *w, int argc, const char **argv)
{
    if (extrude_validate(w, argc, argv) == 0 && extrude_align_template(w) == 0 && extrude_scale_profile(w) == 0 &&
        extrude_sweep(w) == 0 && extrude_skin_commit(w) == 0)
        return 0;
    return 1;
}

void extrude_work_release(ExtrudeWork *w)
{
    // The vertices in the lists belong to the host, which has no release for
    // them; it frees them when the command returns.
    list_free(&w->previous_ring);
    list_free(&w->current_ring);
    list_free(&w->template_list);
    list_free(&w->path_points);
    free(w->scale);
    w->scale = NULL;
    free(w->distance);
    w->distance = NULL;
    kvx_scratch_release(&w->scratch);
}
