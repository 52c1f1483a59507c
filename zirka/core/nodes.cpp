// nodes.cpp -- the pool of list nodes.
#include "nodes.h"

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
        zirka_host_free(block);
    }
}

bool NodePool::grow() noexcept
{
    List *block = static_cast<List *>(zirka_host_alloc(block_nodes * sizeof(List)));
    if (!block)
        return false;
    try {
        blocks_.push_back(block);
    } catch (const std::bad_alloc &e) {
        zirka_host_free(block);
        zirka_memory_caught(e);
        return false;
    }
    // Linked last to first, so that nodes are handed out in address order.
    for (size_t i = block_nodes; i-- > 0;) {
        block[i].item = nullptr;
        block[i].next = free_;
        free_ = &block[i];
    }
    NODES_POISON(block, block_nodes * sizeof(List));
    return true;
}

bool NodePool::reserve(long n) noexcept
{
    while (held() - in_use_ < n)
        if (!grow())
            return false;
    return true;
}

List *NodePool::take(void *item) noexcept
{
    if (!free_ && !grow())
        return nullptr;
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
