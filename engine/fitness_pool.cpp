#include "engine/fitness_pool.h"

#include <sched.h>

#include <algorithm>
#include <memory>

namespace vorn {

namespace {
// Indexes handed out per grab: large enough to keep the lock cold, small
// enough to balance programs of very different lengths.
constexpr std::size_t chunk = 4;
// Checks of the job counter before a worker goes to sleep (each a yield).
constexpr int spin_checks = 2000;
}  // namespace

unsigned usable_cpus() {
    // A mask large enough for any machine, rather than the fixed 1024 CPUs
    // of cpu_set_t.
    constexpr int max_cpus = 1 << 14;
    struct Free {
        void operator()(cpu_set_t* set) const { CPU_FREE(set); }
    };
    const std::unique_ptr<cpu_set_t, Free> set(CPU_ALLOC(max_cpus));
    const std::size_t size = CPU_ALLOC_SIZE(max_cpus);
    if (set && sched_getaffinity(0, size, set.get()) == 0) {
        return static_cast<unsigned>(std::max(1, CPU_COUNT_S(size, set.get())));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

unsigned scoring_threads(unsigned requested, std::size_t programs) {
    const unsigned cpus = usable_cpus();
    const unsigned threads = requested == 0 ? cpus : std::min(requested, cpus);
    return static_cast<unsigned>(std::clamp<std::size_t>(programs, 1, threads));
}

FitnessPool::FitnessPool(unsigned threads) {
    threads = threads == 0 ? usable_cpus() : std::min(threads, usable_cpus());
    for (unsigned t = 1; t < threads; ++t) {
        workers_.emplace_back([this, t] { worker_loop(t); });
    }
}

FitnessPool::~FitnessPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Ends a worker's spin at once: on a busy machine its yields can
        // take seconds, and every run ends with a pool's end.
        ++job_;
    }
    start_.notify_all();
    for (auto& worker : workers_) {
        worker.join();
    }
}

void FitnessPool::take_indexes(unsigned thread) {
    for (;;) {
        std::size_t begin = 0;
        std::size_t end = 0;
        {
            std::lock_guard lock(mutex_);
            if (next_ >= count_ || error_) {
                return;
            }
            begin = next_;
            end = std::min(count_, begin + chunk);
            next_ = end;
        }
        try {
            for (std::size_t i = begin; i < end; ++i) {
                (*work_)(i, thread);
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!error_) {
                error_ = std::current_exception();
            }
            return;
        }
    }
}

void FitnessPool::worker_loop(unsigned thread) {
    std::size_t seen_job = 0;
    for (;;) {
        // A short spin catches the next job without the cost of a wake-up;
        // an idle pool then sleeps on the condition variable.
        for (int spin = 0; spin < spin_checks && job_.load(std::memory_order_acquire) == seen_job;
             ++spin) {
            std::this_thread::yield();
        }
        {
            std::unique_lock lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || job_ != seen_job; });
            if (stopping_) {
                return;
            }
            seen_job = job_;
        }
        take_indexes(thread);
        {
            std::lock_guard lock(mutex_);
            --busy_;
        }
        done_.notify_all();
    }
}

void FitnessPool::for_each_index(
    std::size_t count, const std::function<void(std::size_t index, unsigned thread)>& work) {
    if (workers_.empty() || count <= chunk) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i, 0);
        }
        return;
    }
    {
        std::lock_guard lock(mutex_);
        work_ = &work;
        count_ = count;
        next_ = 0;
        busy_ = static_cast<unsigned>(workers_.size());
        error_ = nullptr;
        ++job_;
    }
    start_.notify_all();
    take_indexes(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    work_ = nullptr;
    if (error_) {
        std::rethrow_exception(error_);
    }
}

}  // namespace vorn
