// prefault.cpp -- the thread that faults in arena memory ahead of its use.
#include "prefault.h"

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

static const uintptr_t page = 4096;

struct Prefaulter::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
    uintptr_t next = 0, end = 0; // what is still to do, under mutex
    bool stop = false;           // under mutex
    std::atomic<bool> usable{true}; // the kernel knows MADV_POPULATE_WRITE

    // In steps, so that a request for memory further on (the builder has
    // moved into another block) is taken up soon.
    void run()
    {
        static const uintptr_t step = uintptr_t(256) << 10;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || next < end; });
            if (stop)
                return;
            uintptr_t p = next, n = std::min(end - p, step);
            next = p + n;
            lock.unlock();
            if (madvise(reinterpret_cast<void *>(p), n, MADV_POPULATE_WRITE) != 0 && errno == EINVAL)
                usable = false;
            lock.lock();
            if (!usable)
                next = end;
        }
    }
};

// ZIRKA_PREFAULT=0 in the environment leaves every fault to the thread
// that writes first (for measuring what the prefaulter brings).
static bool prefault_wanted(void)
{
    static const bool wanted = [] {
        const char *setting = std::getenv("ZIRKA_PREFAULT");
        return !setting || std::strcmp(setting, "0") != 0;
    }();
    return wanted;
}

Prefaulter::Prefaulter() = default;

Prefaulter::~Prefaulter()
{
    if (!worker_ || !worker_->thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        worker_->stop = true;
    }
    worker_->wake.notify_one();
    worker_->thread.join();
}

void Prefaulter::ahead(void *from, void *to) noexcept
{
    if (!worker_) {
        if (!prefault_wanted() || given_up_)
            return;
        try {
            worker_ = std::make_unique<Worker>();
            worker_->thread = std::thread([w = worker_.get()] { w->run(); });
        } catch (const std::exception &) {
            // No memory or no thread: every fault stays where it happens.
            given_up_ = true;
            if (worker_)
                worker_->usable = false;
            return;
        }
    }
    if (!worker_->usable || !worker_->thread.joinable())
        return;
    uintptr_t start = reinterpret_cast<uintptr_t>(from) & ~(page - 1);
    uintptr_t stop = (reinterpret_cast<uintptr_t>(to) + page - 1) & ~(page - 1);
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        if (start >= worker_->next && start <= worker_->end) {
            // More of the same block: the worker goes on where it is.
            worker_->end = std::max(worker_->end, stop);
        } else {
            worker_->next = start;
            worker_->end = stop;
        }
    }
    worker_->wake.notify_one();
}

#else

struct Prefaulter::Worker {};
Prefaulter::Prefaulter() = default;
Prefaulter::~Prefaulter() = default;
void Prefaulter::ahead(void *, void *) noexcept {}

#endif
