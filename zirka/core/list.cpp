// list.cpp -- the plug-ins' lists: nodes from the host's pool, those made
// by list_add_item / list_clone counted (zirka_plugin_list_nodes).
#include "core_state.h"

#include <cassert>

long zirka_plugin_list_nodes(void) { return zirka_state().plugin_list_nodes; }

List *zirka_node_take(void *item)
{
    List *node = zirka_state().storage.nodes.take();
    if (node)
        *node = List{item, nullptr};
    return node;
}

long zirka_nodes_give(List *head)
{
    long n = 0;
    for (List *next; head; head = next, n++) {
        next = head->next;
        zirka_state().storage.nodes.give(head);
    }
    return n;
}

extern "C" {

ZIRKA_API int ZIRKA_CALL list_count(List *list)
{
    int n = 0;
    for (; list; list = list->next)
        n++;
    return n;
}

ZIRKA_API List *ZIRKA_CALL list_clone(List *list)
{
    ZirkaState &s = zirka_state();
    List *head = nullptr;
    List **at = &head;
    for (; list; list = list->next) {
        if (!(*at = zirka_node_take(list->item))) {
            s.plugin_list_nodes -= zirka_nodes_give(head); // all or nothing
            return nullptr;
        }
        at = &(*at)->next;
        s.plugin_list_nodes++;
    }
    return head;
}

ZIRKA_API void *ZIRKA_CALL list_get_item(List *list, int index)
{
    if (index < 0)
        return nullptr;
    for (; list; list = list->next, index--)
        if (index == 0)
            return list->item;
    return nullptr;
}

// Walks to the end as a simple host does; callers that append many items
// pass the last node's next field instead of the head.
ZIRKA_API void ZIRKA_CALL list_add_item(List **list, void *item)
{
    assert(list && "list_add_item takes the address of a list variable");
    while (*list)
        list = &(*list)->next;
    List *node = zirka_node_take(item);
    if (!node)
        return; // the list stays as it was
    *list = node;
    zirka_state().plugin_list_nodes++;
}

ZIRKA_API void ZIRKA_CALL list_free(List **list)
{
    assert(list && "list_free takes the address of a list variable");
    zirka_state().plugin_list_nodes -= zirka_nodes_give(*list);
    *list = nullptr;
}

} // extern "C"
