// transaction.cpp -- a command as one transaction: all of it, or, when
// memory ran out on the way, nothing of it; and what it made but left out of
// the world released as it returns.
//
// The world, the undo history and the selection are copied before the body
// runs (a few pointers each), the free-standing vertices' arena is marked,
// and the allocation failures are counted. While the body runs, an undo step
// that a new step makes unreachable keeps its objects (world.cpp), so that
// the copy can be put back. When the body returns:
//
//  - when the count moved, the copies are put back and the free-standing
//    vertices made since are freed; nothing reaches what the body made any
//    more, so the next point releases all of it, and then the blocks kept
//    for reuse go back to the system;
//  - every object made during the body that is neither in the world nor in
//    an undo step is released, and so is every object of the steps the
//    body made unreachable;
//  - the ids of released objects at the top are given back, so that the
//    next object is numbered as if they had never been made.
#include "core_state.h"

#include <algorithm>
#include <functional>

namespace {

// Releases what nothing reaches any more: objects made since first_id, and
// the objects of the history as it was (the steps that the body dropped).
void release_unreachable(ZirkaTransaction &t, bool history_kept)
{
    ZirkaState &s = zirka_state();
    uint32_t epoch = ++s.mark_epoch;
    for (const ZirkaUndoStep &step : s.undo)
        for (Object *object : step.objects)
            object->mark = epoch;
    auto unreachable = [&](const Object *object) { return object->mark != epoch && !object->in_world; };
    if (history_kept && !t.reset)
        for (const ZirkaUndoStep &step : t.undo)
            for (Object *object : step.objects)
                if (unreachable(object))
                    zirka_object_release(object); // an object is in one step only
    for (int id = t.first_id; id < s.next_object_id; id++) {
        Object *object = zirka_object_by_id(id);
        if (object && unreachable(object))
            zirka_object_release(object);
    }
    zirka_ids_give_back(t.first_id);
}

void roll_back(ZirkaTransaction &t)
{
    ZirkaState &s = zirka_state();
    for (Object *object : s.world)
        object->in_world = false;
    s.world.swap(t.world);
    for (Object *object : s.world)
        object->in_world = true;
    s.undo.swap(t.undo);
    s.undo_done = t.undo_done;
    s.selection.swap(t.selection);
    zirka_selection_list_rebuild(); // without nodes for it, the selection is empty
    FreeVertices &free = s.free_vertices;
    if (t.had_free_vertices) {
        zirka_arena_rewind(s.arenas, free.arena, t.free_vertex_mark);
        free.count = t.free_vertex_count;
    } else if (free.arena) {
        zirka_arena_unref(s.arenas, free.arena);
        free = FreeVertices{};
    }
}

// The ids of the objects in the world now that were not in before.
std::vector<int> added_since(const HostVector<Object *> &before)
{
    std::vector<int> old, added;
    for (const Object *object : before)
        old.push_back(object->id);
    std::sort(old.begin(), old.end());
    for (const Object *object : zirka_state().world)
        if (!std::binary_search(old.begin(), old.end(), object->id))
            added.push_back(object->id);
    return added;
}

// Runs body as a transaction (or within the one running). Returns false
// when an allocation failed meanwhile; *added (may be NULL) receives the
// ids of the objects it added to the world.
bool run(const std::function<void()> &body, std::vector<int> *added)
{
    ZirkaState &s = zirka_state();
    long failures = zirka_memory_failures();
    if (s.transaction) {
        // Within another: that one puts things back.
        HostVector<Object *> before;
        try {
            before = s.world;
            body();
            if (added)
                *added = added_since(before);
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
    t.had_free_vertices = s.free_vertices.arena != nullptr;
    if (t.had_free_vertices) {
        t.free_vertex_mark = zirka_arena_mark(s.free_vertices.arena);
        t.free_vertex_count = s.free_vertices.count;
    }
    s.transaction = &t;
    try {
        body();
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
    }
    s.transaction = nullptr;
    bool ok = zirka_memory_failures() == t.failures;
    if (!ok && !t.reset)
        roll_back(t);
    if (added) {
        added->clear();
        try {
            if (ok && !t.reset)
                *added = added_since(t.world);
        } catch (const std::bad_alloc &) {
            // Only the list of ids is lost.
        }
    }
    release_unreachable(t, ok);
    // What the body took goes back to the system, not to the blocks kept
    // for reuse: memory has run short.
    if (!ok)
        zirka_arenas_release_spare(s.arenas);
    return ok;
}

} // namespace

void zirka_ids_give_back(int first_id)
{
    ZirkaState &s = zirka_state();
    while (s.next_object_id > first_id && !zirka_object_by_id(s.next_object_id - 1))
        s.next_object_id--;
}

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
