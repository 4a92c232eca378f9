#pragma once
// Work on many pages at once: the import's per-page steps (reading,
// cutting, rewriting links, converting a page into a document) do not
// depend on one another, so they run on the machine's cores. Whatever
// depends on the order of pages (which file is written when, which entry
// comes first) stays with the caller, on its own thread.
#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

// Hands memory that was freed back to the system: memory freed on other
// threads stays in their own allocation arenas, and a large tree freed
// before the next is read would otherwise add to the next one's peak.
inline void ReleaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// The number of threads the import works with: the machine's cores, at
// most 8 (more add little and cost memory).
inline int ImportThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return int(std::clamp(cores, 1u, 8u));
}

// Calls fn(k) for every k from 0 to n - 1, on up to ImportThreads()
// threads, and returns when all calls are done. When calls throw, the
// exception of the lowest k is thrown again here, once every thread has
// stopped, as a loop in order would have thrown it; calls not yet begun by
// then are not made.
template <typename Fn>
void ParallelFor(int n, Fn &&fn)
{
    const int threads = std::min(ImportThreads(), n);
    if (threads <= 1) {
        for (int k = 0; k < n; ++k)
            fn(k);
        return;
    }
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    int errorAt = n;
    std::mutex errorMutex;
    auto work = [&] {
        for (int k = next++; k < n && !failed; k = next++) {
            try {
                fn(k);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (k < errorAt) {
                    error = std::current_exception();
                    errorAt = k;
                }
                failed = true;
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(size_t(threads - 1));
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    if (error)
        std::rethrow_exception(error);
}

// Calls make(k) for every k from 0 to n - 1 on several threads, a batch of
// pages at a time, then take(k, what make(k) gave) for the batch in order on
// the caller's thread: files are written in the pages' order, and what the
// pages give is held for one batch only.
template <typename Make, typename Take>
void ParallelInBatches(int n, Make &&make, Take &&take)
{
    using Result = std::invoke_result_t<Make &, int>;
    constexpr int kBatch = 256;
    std::vector<Result> results;
    for (int from = 0; from < n; from += kBatch) {
        const int size = std::min(kBatch, n - from);
        results.assign(size_t(size), Result());
        ParallelFor(size, [&](int j) { results[size_t(j)] = make(from + j); });
        for (int j = 0; j < size; ++j)
            take(from + j, std::move(results[size_t(j)]));
    }
}
