/*
 * nodes.h -- the host's own list nodes: a pool with a free list.
 *
 * The plug-ins' lists are built and released node by node (list_add_item,
 * list_free), often a ring's worth at a time and over and over within one
 * command. The pool hands out nodes from blocks and takes them back on a
 * free list, so that churn costs no heap call and the blocks stay as hot
 * as the lists that use them. Under AddressSanitizer a node on the free
 * list is poisoned, so reading a released node is still reported. Blocks
 * come from the host's allocator (memory.h): without memory for one, no
 * node is handed out.
 */
#ifndef ZIRKA_NODES_H
#define ZIRKA_NODES_H

#include "zirka_host.h"

#include "memory.h"

#include <cstddef>
#include <vector>

class NodePool {
public:
    NodePool() = default;
    NodePool(const NodePool &) = delete;
    NodePool &operator=(const NodePool &) = delete;
    ~NodePool();

    // A node holding item, next NULL; NULL when there is no memory for it.
    List *take(void *item) noexcept;
    // Makes sure that the next n takes find their nodes; false when there is
    // no memory for them.
    bool reserve(long n) noexcept;
    // Puts the node back on the free list.
    void give(List *node);
    // Puts every node of the list back; returns how many there were.
    long give_list(List *head);
    // Nodes handed out and not given back.
    long in_use() const { return in_use_; }
    // Nodes the pool holds, in use or free.
    long held() const { return static_cast<long>(blocks_.size() * block_nodes); }

    static const size_t block_nodes = 1024;

private:
    List *free_ = nullptr;
    HostVector<List *> blocks_;
    long in_use_ = 0;
    bool grow() noexcept;
};

#endif /* ZIRKA_NODES_H */
