// nodes.cpp -- the pool of list nodes.
#include "nodes.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define NODE_POISON(node) ASAN_POISON_MEMORY_REGION((node), sizeof(List))
#define NODE_UNPOISON(node) ASAN_UNPOISON_MEMORY_REGION((node), sizeof(List))
#else
#define NODE_POISON(node) ((void)(node))
#define NODE_UNPOISON(node) ((void)(node))
#endif

static const size_t block_nodes = 1024;

NodePool::~NodePool()
{
    for (List *block : blocks_) {
#if defined(__SANITIZE_ADDRESS__)
        ASAN_UNPOISON_MEMORY_REGION(block, block_nodes * sizeof(List));
#endif
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
    for (size_t i = block_nodes; i-- > 0;)
        give(&block[i]);
    in_use_ += static_cast<long>(block_nodes);
}

List *NodePool::take(void *item)
{
    if (!free_)
        grow();
    List *node = free_;
    NODE_UNPOISON(node);
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
    NODE_POISON(node);
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
