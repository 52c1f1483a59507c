// world.cpp -- the one owner of objects: it makes them, hands them to the
// world as undoable steps, undoes, redoes and prunes those steps, keeps the
// ordered selection, and frees objects (reset included). Nothing else
// decides when an object goes.
//
// The world is the applied steps' objects in the order they entered it:
// undo takes the last step's objects off its end and redo puts them back,
// both linear in the step. Each change makes room for what it adds before
// it changes anything, so that without memory it fails whole.
#include "core_state.h"

#include <algorithm>
#include <cassert>

/* ---- making and freeing ---------------------------------------------------------- */

Object *zirka_object_make(int type)
{
    ZirkaState &s = zirka_state();
    Object *object = zirka_host_new<Object>();
    if (!object)
        return nullptr;
    object->id = s.next_object_id;
    object->type = type;
    try {
        object->name = "object" + std::to_string(object->id);
        s.objects.emplace(object->id, object);
        if (s.transaction) {
            object->made_at = static_cast<long>(s.transaction->made.size());
            s.transaction->made.push_back(object);
        }
    } catch (const std::bad_alloc &e) {
        s.objects.erase(object->id);
        zirka_host_delete(object);
        zirka_memory_caught(e);
        return nullptr;
    }
    s.next_object_id++;
    return object;
}

// Takes the objects no longer selected out of the selection.
static void selection_drop_unselected(ZirkaState &s)
{
    s.selection.erase(std::remove_if(s.selection.begin(), s.selection.end(), [](Object *o) { return !o->selected; }),
                      s.selection.end());
    zirka_selection_list_rebuild(); // never fails: the selection has shrunk
}

static void object_free(ZirkaState &s, Object *object)
{
    assert(!object->in_world && !object->in_history && "only an object in no step is freed");
    if (object->selected) {
        object->selected = false;
        selection_drop_unselected(s);
    }
    if (s.transaction && object->made_at >= 0) // the running command made it: its record forgets it
        s.transaction->made[static_cast<size_t>(object->made_at)] = nullptr;
    s.objects.erase(object->id);
    storage_release(s.storage, object->records);
    zirka_host_delete(object);
}

static void give_back_ids(ZirkaState &s, int first_id)
{
    while (s.next_object_id > first_id && !zirka_object_by_id(s.next_object_id - 1))
        s.next_object_id--;
}

void zirka_objects_free(const HostVector<Object *> &objects, int first_id)
{
    ZirkaState &s = zirka_state();
    for (Object *object : objects)
        if (object && !object->in_history)
            object_free(s, object);
    give_back_ids(s, first_id);
}

void zirka_objects_discard(const std::vector<Object *> &made)
{
    ZirkaState &s = zirka_state();
    int first_id = s.next_object_id;
    for (Object *object : made) {
        first_id = std::min(first_id, object->id);
        object_free(s, object);
    }
    give_back_ids(s, first_id);
}

void zirka_world_release_all(ZirkaState &s)
{
    if (s.transaction)
        s.transaction->reset = true;
    s.world.clear();
    s.selection.clear();
    s.selection_list = nullptr;
    s.undo.clear();
    s.undo_done = 0;
    for (auto &entry : s.objects)
        zirka_host_delete(entry.second); // its vertex chunks go with it; the pools go below
    s.objects.clear();
    storage_release_all(s.storage);
}

void zirka_world_mark_all(void)
{
    ZirkaState &s = zirka_state();
    for (auto &entry : s.objects)
        entry.second->in_world = entry.second->in_history = entry.second->selected = false;
    for (Object *object : s.world)
        object->in_world = true;
    for (const ZirkaUndoStep &step : s.undo)
        for (Object *object : step.objects)
            object->in_history = true;
    for (Object *object : s.selection)
        object->selected = true;
}

/* ---- the world and its history -------------------------------------------------------- */

std::vector<Object *> zirka_world_objects(void)
{
    const ZirkaState &s = zirka_state();
    return std::vector<Object *>(s.world.begin(), s.world.end());
}

// Room for n more: grown geometrically, so that appending stays O(1).
template <class T> static void make_room(HostVector<T> *v, size_t n)
{
    if (v->capacity() < v->size() + n)
        v->reserve(std::max(v->size() + n, 2 * v->capacity()));
}

bool zirka_world_add_objects(const std::string &name, const std::vector<Object *> &objects)
{
    ZirkaState &s = zirka_state();
    try {
        ZirkaUndoStep step{HostString(name.data(), name.size()), HostVector<Object *>(objects.begin(), objects.end())};
        make_room(&s.world, objects.size());
        make_room(&s.undo, s.undo_done + 1 > s.undo.size() ? 1 : 0);
        // From here on nothing allocates. The steps that could have been
        // redone are dropped; their objects go, unless one enters the world
        // again with this step. While a transaction runs they go when it
        // ends, so that it can still bring them back.
        for (size_t i = s.undo_done; i < s.undo.size(); i++)
            for (Object *object : s.undo[i].objects)
                object->in_history = false;
        for (Object *object : objects) {
            assert(!object->in_world && "an object enters the world once");
            object->in_world = object->in_history = true;
            s.world.push_back(object);
        }
        if (!s.transaction)
            for (size_t i = s.undo_done; i < s.undo.size(); i++)
                zirka_objects_free(s.undo[i].objects, s.next_object_id);
        s.undo.erase(s.undo.begin() + static_cast<std::ptrdiff_t>(s.undo_done), s.undo.end());
        s.undo.push_back(std::move(step));
        s.undo_done = s.undo.size();
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return false;
    }
    return true;
}

bool zirka_undo(void)
{
    ZirkaState &s = zirka_state();
    if (s.undo_done == 0)
        return false;
    const ZirkaUndoStep &step = s.undo[--s.undo_done];
    bool was_selected = false;
    for (size_t i = step.objects.size(); i-- > 0;) {
        Object *object = step.objects[i];
        assert(s.world.back() == object && "the last step's objects end the world");
        s.world.pop_back();
        object->in_world = false;
        was_selected |= object->selected;
        object->selected = false;
    }
    if (was_selected)
        selection_drop_unselected(s);
    return true;
}

bool zirka_redo(void)
{
    ZirkaState &s = zirka_state();
    if (s.undo_done == s.undo.size())
        return false;
    const ZirkaUndoStep &step = s.undo[s.undo_done];
    try {
        make_room(&s.world, step.objects.size());
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return false;
    }
    s.undo_done++;
    for (Object *object : step.objects) {
        object->in_world = true;
        s.world.push_back(object);
    }
    return true;
}

static std::vector<std::string> step_names(size_t from, size_t to)
{
    const ZirkaState &s = zirka_state();
    std::vector<std::string> out;
    for (size_t i = from; i < to; i++)
        out.emplace_back(s.undo[i].name.data(), s.undo[i].name.size());
    return out;
}

std::vector<std::string> zirka_undo_names(void) { return step_names(0, zirka_state().undo_done); }
std::vector<std::string> zirka_redo_names(void) { return step_names(zirka_state().undo_done, zirka_state().undo.size()); }

/* ---- the selection ---------------------------------------------------------------------- */

bool zirka_selection_list_rebuild(void)
{
    ZirkaState &s = zirka_state();
    zirka_nodes_give(s.selection_list);
    s.selection_list = nullptr;
    List **at = &s.selection_list;
    for (Object *object : s.selection) {
        if (!(*at = zirka_node_take(object))) {
            for (Object *o : s.selection)
                o->selected = false;
            s.selection.clear();
            zirka_selection_list_rebuild(); // of nothing: gives the nodes back
            return false;
        }
        at = &(*at)->next;
    }
    return true;
}

bool zirka_select(const std::vector<int> &ids)
{
    ZirkaState &s = zirka_state();
    HostVector<Object *> chosen;
    try {
        for (int id : ids) {
            Object *object = zirka_object_by_id(id);
            if (!object || !object->in_world)
                return false;
            chosen.push_back(object);
        }
        // Each object at most once: the command would take it twice.
        HostVector<Object *> sorted(chosen);
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
            return false;
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return false;
    }
    // The nodes of the old list come back before the new one is built.
    if (!s.storage.nodes.reserve(static_cast<long>(chosen.size()) - static_cast<long>(s.selection.size())))
        return false;
    for (Object *object : s.selection)
        object->selected = false;
    s.selection.swap(chosen);
    for (Object *object : s.selection)
        object->selected = true;
    return zirka_selection_list_rebuild();
}

std::vector<Object *> zirka_selection(void)
{
    const ZirkaState &s = zirka_state();
    return std::vector<Object *>(s.selection.begin(), s.selection.end());
}

extern "C" {

ZIRKA_API List *ZIRKA_CALL zirka_selection_get_objects_ordered(void) { return zirka_state().selection_list; }

// Without memory the object stays out of the world, and the failure is
// counted: the running command fails.
ZIRKA_API void ZIRKA_CALL add_undoable_world_add_object(const char *name, Object *object)
{
    try {
        zirka_world_add_objects(name ? name : "", {object});
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e); // the name or the one-object list
    }
}

} // extern "C"
