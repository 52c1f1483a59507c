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

struct Prefaulter::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
    uintptr_t from = 0, to = 0;        // the request, under mutex
    std::atomic<bool> pending{false};  // a request not yet taken
    std::atomic<bool> stop{false};
    std::atomic<bool> usable{true};    // the kernel knows MADV_POPULATE_WRITE

    void run()
    {
        static const uintptr_t page = 4096, step = uintptr_t(256) << 10;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || pending; });
            if (stop)
                return;
            uintptr_t p = from & ~(page - 1), end = (to + page - 1) & ~(page - 1);
            pending = false;
            lock.unlock();
            // In steps, so that a newer request (the builder has moved on)
            // is taken up soon.
            while (p < end && !pending && !stop) {
                uintptr_t n = std::min(end - p, step);
                if (madvise(reinterpret_cast<void *>(p), n, MADV_POPULATE_WRITE) != 0 && errno == EINVAL) {
                    usable = false;
                    break;
                }
                p += n;
            }
            lock.lock();
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

void Prefaulter::ahead(void *from, void *to)
{
    if (!worker_) {
        if (!prefault_wanted())
            return;
        worker_ = std::make_unique<Worker>();
        try {
            worker_->thread = std::thread([w = worker_.get()] { w->run(); });
        } catch (const std::system_error &) {
            worker_->usable = false; // no thread: every fault stays where it happens
        }
    }
    if (!worker_->usable || !worker_->thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        worker_->from = reinterpret_cast<uintptr_t>(from);
        worker_->to = reinterpret_cast<uintptr_t>(to);
        worker_->pending = true;
    }
    worker_->wake.notify_one();
}

#else

struct Prefaulter::Worker {};
Prefaulter::Prefaulter() = default;
Prefaulter::~Prefaulter() = default;
void Prefaulter::ahead(void *, void *) {}

#endif
