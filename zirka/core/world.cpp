// world.cpp -- the world, the undo history and the ordered selection.
//
// Each change makes room for what it adds before it changes anything, so
// that without memory it fails whole and leaves everything as it was.
#include "core_state.h"

#include <algorithm>
#include <cassert>

std::vector<Object *> zirka_world_objects(void)
{
    const ZirkaState &s = zirka_state();
    return std::vector<Object *>(s.world.begin(), s.world.end());
}

static bool contains(const HostVector<Object *> &objects, const Object *object)
{
    return std::find(objects.begin(), objects.end(), object) != objects.end();
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
        // The steps that could have been redone go; the new one takes a place.
        if (s.undo.capacity() < s.undo_done + 1)
            s.undo.reserve(std::max(s.undo_done + 1, 2 * s.undo.capacity()));
        // From here on nothing allocates.
        for (Object *object : objects) {
            assert(!object->in_world && "an object enters the world once");
            object->in_world = true;
            s.world.push_back(object);
        }
        // A new step makes the undone steps unreachable: their objects go now,
        // unless one of them is still in use (selected, or entering the world
        // again with this step). While a transaction runs they go when it
        // ends, so that it can still bring them back.
        if (!s.transaction)
            for (size_t i = s.undo_done; i < s.undo.size(); i++)
                for (Object *object : s.undo[i].objects)
                    if (!object->in_world && !contains(s.selection, object))
                        zirka_object_release(object);
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
    bool selection_changed = false;
    for (Object *object : step.objects) {
        object->in_world = false;
        s.world.erase(std::remove(s.world.begin(), s.world.end(), object), s.world.end());
        auto sel = std::remove(s.selection.begin(), s.selection.end(), object);
        if (sel != s.selection.end()) {
            s.selection.erase(sel, s.selection.end());
            selection_changed = true;
        }
    }
    if (selection_changed)
        zirka_selection_list_rebuild();
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

std::vector<std::string> zirka_undo_names(void)
{
    const ZirkaState &s = zirka_state();
    std::vector<std::string> out;
    for (size_t i = 0; i < s.undo_done; i++)
        out.emplace_back(s.undo[i].name.data(), s.undo[i].name.size());
    return out;
}

std::vector<std::string> zirka_redo_names(void)
{
    const ZirkaState &s = zirka_state();
    std::vector<std::string> out;
    for (size_t i = s.undo_done; i < s.undo.size(); i++)
        out.emplace_back(s.undo[i].name.data(), s.undo[i].name.size());
    return out;
}

bool zirka_selection_list_rebuild(void)
{
    ZirkaState &s = zirka_state();
    s.nodes.give_list(s.selection_list);
    s.selection_list = nullptr;
    List **at = &s.selection_list;
    for (Object *object : s.selection) {
        if (!(*at = s.nodes.take(object))) {
            s.nodes.give_list(s.selection_list);
            s.selection_list = nullptr;
            s.selection.clear();
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
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        return false;
    }
    // The nodes of the old list come back before the new one is built.
    if (!s.nodes.reserve(static_cast<long>(chosen.size()) - static_cast<long>(s.selection.size())))
        return false;
    s.selection.swap(chosen);
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
