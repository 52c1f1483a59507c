/*
 * prefault.h -- fresh memory faulted in ahead of its first use, on another
 * core.
 *
 * The first write to a fresh page of memory costs the kernel a page fault
 * and a page of zeros, microseconds each on the virtual machines this runs
 * on: for a large object that is a third of the time it takes to build.
 * A Prefaulter has a thread of its own do that work for the part of an
 * arena block just ahead of where records are being made, so that the
 * building thread mostly finds its pages there already. It never writes to
 * the memory: it asks the kernel to populate the pages (Linux 5.14 and
 * later), which leaves their contents alone and is harmless for pages
 * already there, even for a range that has been unmapped meanwhile.
 * Elsewhere (other systems, older kernels, the sanitizer builds) it does
 * nothing.
 */
#ifndef ZIRKA_PREFAULT_H
#define ZIRKA_PREFAULT_H

#include <memory>

class Prefaulter {
public:
    Prefaulter();
    Prefaulter(const Prefaulter &) = delete;
    Prefaulter &operator=(const Prefaulter &) = delete;
    ~Prefaulter(); // stops the thread

    // Asks for [from, to) to be faulted in soon: after the range being done
    // when it continues it, instead of it otherwise. The thread starts on
    // the first request; without memory or a thread for it, nothing is
    // faulted in ahead.
    void ahead(void *from, void *to) noexcept;

    struct Worker;

private:
    std::unique_ptr<Worker> worker_;
    bool given_up_ = false;
};

#endif /* ZIRKA_PREFAULT_H */
