#pragma once
// Splitting a run of rows among a few threads for the picture loops that are limited by how fast
// one core reaches memory.

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace qel::base {

// The threads worth starting for `work` units when one thread does `perThread` of them at least:
// 1 below that, otherwise up to the cores there are, and never more than `most`.
inline int ThreadsFor(long long work, long long perThread, int most)
{
    if (work < 2 * perThread)
        return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    const long long byWork = work / perThread;
    return static_cast<int>(std::clamp<long long>(std::min<long long>(cores == 0 ? 1 : cores, byWork), 1, most));
}

// Runs fn(begin, end) over 0..count split into `threads` consecutive ranges, the first on the
// calling thread. A thread that cannot be started leaves its range to the calling thread; the first
// exception thrown by any range is rethrown once all have ended.
template <typename Fn> void ParallelRanges(int count, int threads, Fn fn)
{
    threads = std::max(1, std::min(threads, count));
    if (threads == 1) {
        fn(0, count);
        return;
    }
    const auto bound = [&](int t) { return static_cast<int>(static_cast<long long>(count) * t / threads); };
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads - 1));
    int started = 1;
    for (; started < threads; ++started) {
        const int b = bound(started), e = bound(started + 1);
        try {
            pool.emplace_back([&fn, &failures, started, b, e] {
                try {
                    fn(b, e);
                } catch (...) {
                    failures[static_cast<std::size_t>(started)] = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            break;
        }
    }
    try {
        fn(0, bound(1));
        // Ranges whose thread could not be started.
        if (started < threads)
            fn(bound(started), count);
    } catch (...) {
        failures[0] = std::current_exception();
    }
    for (std::thread& th : pool)
        th.join();
    for (const std::exception_ptr& f : failures)
        if (f)
            std::rethrow_exception(f);
}

}  // namespace qel::base
