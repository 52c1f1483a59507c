// list.cpp -- the host's singly linked lists.
//
// Plug-ins' lists and the host's own use the same nodes; only the nodes made
// through list_add_item / list_clone are counted, so that a test can see
// whether a command released every list it made.
#include "core_state.h"

#include <cassert>

static List *list_node(void *item)
{
    List *node = new List;
    node->item = item;
    node->next = nullptr;
    return node;
}

void zirka_internal_list_append(List **head, List **tail, void *item)
{
    List *node = list_node(item);
    if (*tail)
        (*tail)->next = node;
    else
        *head = node;
    *tail = node;
}

void zirka_internal_list_free(List **head)
{
    List *node = *head;
    while (node) {
        List *next = node->next;
        delete node;
        node = next;
    }
    *head = nullptr;
}

long zirka_plugin_list_nodes(void) { return zirka_state().plugin_list_nodes; }

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
    List *head = nullptr, *tail = nullptr;
    for (; list; list = list->next) {
        zirka_internal_list_append(&head, &tail, list->item);
        zirka_state().plugin_list_nodes++;
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
    *list = list_node(item);
    zirka_state().plugin_list_nodes++;
}

ZIRKA_API void ZIRKA_CALL list_free(List **list)
{
    assert(list && "list_free takes the address of a list variable");
    long n = list_count(*list);
    zirka_internal_list_free(list);
    zirka_state().plugin_list_nodes -= n;
}

} // extern "C"
