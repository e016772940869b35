// The thread pool of independent analyses.
#include "jobs.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

bool run_jobs(std::size_t count, int jobs,
              const std::function<bool(std::size_t, std::string &)> &task,
              const std::function<void(std::size_t, bool, std::size_t)> &finished,
              bool stop_on_failure, std::string &why)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::size_t done = 0;
    std::mutex lock;
    auto worker = [&]() {
        for (std::size_t k = next++; k < count && !(stop_on_failure && failed); k = next++) {
            std::string reason;
            const bool ok = task(k, reason);
            std::lock_guard<std::mutex> guard(lock);
            if (!ok && !failed.exchange(true)) why = reason;
            ++done;
            if (finished) finished(k, ok, done);
        }
    };
    const int threads = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(1, jobs)), std::max<std::size_t>(count, 1)));
    std::vector<std::thread> pool;
    for (int j = 0; j < threads; ++j) pool.emplace_back(worker);
    for (std::thread &t : pool) t.join();
    return !failed;
}
