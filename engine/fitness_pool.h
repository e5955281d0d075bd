#pragma once
// A fixed set of worker threads, created once per run, that share out the
// indexes of one job between themselves and the calling thread.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vorn {

// The CPUs this process may run on (its affinity mask, which taskset,
// schedulers and containers narrow); at least 1.
[[nodiscard]] unsigned usable_cpus();

// The scoring threads a run uses: `requested` (0: every usable CPU), never
// more than the usable CPUs nor than the programs to score, at least 1.
[[nodiscard]] unsigned scoring_threads(unsigned requested, std::size_t programs);

class FitnessPool {
public:
    // `threads` counts the calling thread too; 0 means every usable CPU, and
    // no more than those are made.
    explicit FitnessPool(unsigned threads);
    ~FitnessPool();
    FitnessPool(const FitnessPool&) = delete;
    FitnessPool& operator=(const FitnessPool&) = delete;

    [[nodiscard]] unsigned threads() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Calls work(index, thread) for every index below count, spread over the
    // threads (thread 0 is the caller); returns when all are done. The first
    // exception thrown by work is rethrown here.
    void for_each_index(std::size_t count,
                        const std::function<void(std::size_t index, unsigned thread)>& work);

private:
    void worker_loop(unsigned thread);
    void take_indexes(unsigned thread);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(std::size_t, unsigned)>* work_ = nullptr;
    std::size_t count_ = 0;
    std::size_t next_ = 0;
    unsigned busy_ = 0;
    // Written under the mutex; also read without it while a worker spins
    // briefly before it sleeps, so that back-to-back jobs start at once.
    std::atomic<std::size_t> job_ = 0;
    bool stopping_ = false;
    std::exception_ptr error_;
};

}  // namespace vorn
