// Independent analyses run a few at a time: the one thread pool of the sweep and the design.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Runs task(k, why) for k = 0 .. count-1 on `jobs` threads (at least one), taking the next k as
// a thread frees up. After each task, finished(k, ok, done) runs under one lock (progress lines,
// shared tallies), done counting the tasks finished so far. With stop_on_failure no task starts
// after one returned false. Returns true when every task that ran returned true; why then holds
// the first failure's reason.
bool run_jobs(std::size_t count, int jobs,
              const std::function<bool(std::size_t k, std::string &why)> &task,
              const std::function<void(std::size_t k, bool ok, std::size_t done)> &finished,
              bool stop_on_failure, std::string &why);
