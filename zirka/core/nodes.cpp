// nodes.cpp -- the pool of list nodes.
#include "nodes.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define NODES_POISON(p, size) ASAN_POISON_MEMORY_REGION((p), (size))
#define NODES_UNPOISON(p, size) ASAN_UNPOISON_MEMORY_REGION((p), (size))
#else
#define NODES_POISON(p, size) ((void)(p), (void)(size))
#define NODES_UNPOISON(p, size) ((void)(p), (void)(size))
#endif

NodePool::~NodePool()
{
    for (List *block : blocks_) {
        NODES_UNPOISON(block, block_nodes * sizeof(List));
        std::free(block);
    }
}

void NodePool::grow()
{
    List *block = static_cast<List *>(std::malloc(block_nodes * sizeof(List)));
    if (!block)
        std::abort();
    blocks_.push_back(block);
    // Linked last to first, so that nodes are handed out in address order.
    for (size_t i = block_nodes; i-- > 0;) {
        block[i].item = nullptr;
        block[i].next = free_;
        free_ = &block[i];
    }
    NODES_POISON(block, block_nodes * sizeof(List));
}

List *NodePool::take(void *item)
{
    if (!free_)
        grow();
    List *node = free_;
    NODES_UNPOISON(node, sizeof(List));
    free_ = node->next;
    node->item = item;
    node->next = nullptr;
    in_use_++;
    return node;
}

void NodePool::give(List *node)
{
    node->item = nullptr;
    node->next = free_;
    free_ = node;
    NODES_POISON(node, sizeof(List));
    in_use_--;
}

long NodePool::give_list(List *head)
{
    long n = 0;
    while (head) {
        List *next = head->next;
        give(head);
        head = next;
        n++;
    }
    return n;
}
