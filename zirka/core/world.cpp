// world.cpp -- the world, the undo history and the ordered selection.
#include "core_state.h"

#include <algorithm>
#include <cassert>

std::vector<Object *> zirka_world_objects(void) { return zirka_state().world; }

static bool contains(const std::vector<Object *> &objects, const Object *object)
{
    return std::find(objects.begin(), objects.end(), object) != objects.end();
}

void zirka_world_add_objects(const std::string &name, const std::vector<Object *> &objects)
{
    ZirkaState &s = zirka_state();
    // A new step makes the undone steps unreachable: their objects go now,
    // unless one of them is still in use (selected, or entering the world
    // again with this step).
    std::vector<Object *> unreachable;
    for (size_t i = s.undo_done; i < s.undo.size(); i++)
        unreachable.insert(unreachable.end(), s.undo[i].objects.begin(), s.undo[i].objects.end());
    s.undo.resize(s.undo_done);
    s.undo.push_back(ZirkaUndoStep{name, objects});
    s.undo_done = s.undo.size();
    for (Object *object : objects) {
        assert(!object->in_world && "an object enters the world once");
        object->in_world = true;
        s.world.push_back(object);
    }
    for (Object *object : unreachable)
        if (!object->in_world && !contains(s.selection, object))
            zirka_object_release(object);
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
        zirka_selection_changed();
    return true;
}

bool zirka_redo(void)
{
    ZirkaState &s = zirka_state();
    if (s.undo_done == s.undo.size())
        return false;
    const ZirkaUndoStep &step = s.undo[s.undo_done++];
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
        out.push_back(s.undo[i].name);
    return out;
}

std::vector<std::string> zirka_redo_names(void)
{
    const ZirkaState &s = zirka_state();
    std::vector<std::string> out;
    for (size_t i = s.undo_done; i < s.undo.size(); i++)
        out.push_back(s.undo[i].name);
    return out;
}

void zirka_selection_changed(void)
{
    ZirkaState &s = zirka_state();
    s.nodes.give_list(s.selection_list);
    s.selection_list = nullptr;
    List **at = &s.selection_list;
    for (Object *object : s.selection) {
        *at = s.nodes.take(object);
        at = &(*at)->next;
    }
}

bool zirka_select(const std::vector<int> &ids)
{
    std::vector<Object *> chosen;
    for (int id : ids) {
        Object *object = zirka_object_by_id(id);
        if (!object || !object->in_world)
            return false;
        chosen.push_back(object);
    }
    zirka_state().selection = chosen;
    zirka_selection_changed();
    return true;
}

std::vector<Object *> zirka_selection(void) { return zirka_state().selection; }

extern "C" {

ZIRKA_API List *ZIRKA_CALL zirka_selection_get_objects_ordered(void) { return zirka_state().selection_list; }

ZIRKA_API void ZIRKA_CALL add_undoable_world_add_object(const char *name, Object *object)
{
    zirka_world_add_objects(name ? name : "", {object});
}

} // extern "C"
