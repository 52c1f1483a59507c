// transaction.cpp -- a command as one transaction: all of it, or, when
// memory ran out on the way, nothing of it (zirka_core.h: Commands, Memory).
//
// Before the body runs, the world, the undo history and the selection are
// copied (pointers) and the allocation failures counted. While it runs,
// world.cpp records every object it makes and keeps the objects of the
// steps a new step made unreachable, so that the copy can be put back.
// When the body returns, the copy is put back if the count moved; then the
// objects it made that are in no undo step are freed (and, when it
// succeeded, those of the steps it dropped), its free-standing vertices and
// loose surfaces are released, and the freed ids at the top given back.
#include "core_state.h"

#include <algorithm>
#include <functional>

namespace {

void roll_back(ZirkaState &s, ZirkaTransaction &t)
{
    s.world.swap(t.world);
    s.undo.swap(t.undo);
    s.undo_done = t.undo_done;
    s.selection.swap(t.selection);
    zirka_world_mark_all();
    zirka_selection_list_rebuild(); // without nodes for it, the selection is empty
}

// The ids of the objects it made that are in the world now, in world order.
std::vector<int> added_by(const ZirkaState &s, const ZirkaTransaction &t)
{
    std::vector<int> added;
    for (const Object *object : t.made)
        if (object && object->in_world)
            added.push_back(object->id);
    std::sort(added.begin(), added.end()); // ids count up as objects are made
    std::vector<int> in_order;
    for (const Object *object : s.world)
        if (std::binary_search(added.begin(), added.end(), object->id))
            in_order.push_back(object->id);
    return in_order;
}

// Runs body as a transaction (or within the one running). Returns false
// when an allocation failed meanwhile; *added (may be NULL, else empty)
// receives the ids of the objects it made and added to the world.
bool run(const std::function<void()> &body, std::vector<int> *added)
{
    ZirkaState &s = zirka_state();
    long failures = zirka_memory_failures();
    if (s.transaction) {
        // Within another: that one puts things back.
        const HostVector<Object *> &made = s.transaction->made;
        size_t first = made.size();
        try {
            body();
            if (added && !s.transaction->reset)
                for (size_t i = first; i < made.size(); i++)
                    if (made[i] && made[i]->in_world)
                        added->push_back(made[i]->id);
        } catch (const std::bad_alloc &e) {
            zirka_memory_caught(e);
        }
        return zirka_memory_failures() == failures;
    }
    ZirkaTransaction t;
    try {
        t.world = s.world;
        t.undo = s.undo;
        t.selection = s.selection;
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return false; // the body never ran: nothing to put back
    }
    t.undo_done = s.undo_done;
    t.first_id = s.next_object_id;
    t.failures = failures;
    t.free_vertices = s.storage.free_vertices.size();
    t.loose = s.storage.loose_floor = s.storage.loose.size();
    s.transaction = &t;
    try {
        body();
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
    }
    s.transaction = nullptr;
    s.storage.loose_floor = 0;
    bool ok = zirka_memory_failures() == t.failures;
    if (t.reset)
        return ok; // everything it made went with the reset
    for (Object *object : t.made)
        if (object)
            object->made_at = -1;
    try {
        if (added && ok)
            *added = added_by(s, t);
    } catch (const std::bad_alloc &) {
        // Only the list of ids is lost.
    }
    if (!ok)
        roll_back(s, t);
    else
        for (const ZirkaUndoStep &step : t.undo) // the history as it was: the steps dropped since
            zirka_objects_free(step.objects, t.first_id);
    zirka_objects_free(t.made, t.first_id);
    s.storage.free_vertices.truncate(t.free_vertices);
    storage_loose_release(s.storage, t.loose);
    return ok;
}

} // namespace

bool zirka_transaction(const std::function<void()> &body) { return run(body, nullptr); }

ZirkaCommandOutcome zirka_command_run(const std::string &name, const std::function<void()> &call)
{
    ZirkaCommandOutcome outcome;
    outcome.out_of_memory = !run(call, &outcome.added);
    if (outcome.out_of_memory && !zirka_state().transaction) {
        try {
            zirka_message_show("out of memory: " + name + " was cancelled, nothing changed");
        } catch (const std::bad_alloc &) {
            zirka_message_show("out of memory: a command was cancelled, nothing changed");
        }
    }
    return outcome;
}
