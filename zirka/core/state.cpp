// state.cpp -- the host's one state record, and zirka_reset.
#include "core_state.h"

ZirkaState zirka_the_state;

static void forget(ZirkaState &s)
{
    zirka_world_release_all(s);
    s.messages.clear();
    s.tcl_log.clear();
    s.tcl_errors.clear();
    s.redraws = 0;
    s.plugin_list_nodes = 0;
}

// Releases everything at exit too, so that leak checkers see only real leaks.
ZirkaState::~ZirkaState() { forget(*this); }

void zirka_reset(void) { forget(zirka_state()); }
