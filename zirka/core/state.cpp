// state.cpp -- the host's one state record, its release and zirka_reset.
#include "core_state.h"

ZirkaState zirka_the_state;

// Releases everything at exit too, so that leak checkers see only real leaks.
ZirkaState::~ZirkaState() { zirka_state_release(*this); }

void zirka_state_release(ZirkaState &s)
{
    if (s.transaction)
        s.transaction->reset = true;
    s.world.clear();
    s.selection.clear();
    s.nodes.give_list(s.selection_list);
    s.selection_list = nullptr;
    s.undo.clear();
    s.undo_done = 0;
    zirka_objects_release_all(s);
    s.messages.clear();
    s.tcl_log.clear();
    s.tcl_errors.clear();
    s.redraws = 0;
    s.plugin_list_nodes = 0;
}

void zirka_reset(void) { zirka_state_release(zirka_state()); }
