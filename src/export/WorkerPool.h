#pragma once
// A fixed set of threads that run jobs in the order given. The command-line export renders
// several items at once with it; every file still gets its name, its number and its progress
// report on the run's own thread, in item order.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace pellmark::exporting {

class WorkerPool {
  public:
    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs `job` on a worker; the future reports its end, or the exception it threw.
    std::future<void> submit(std::function<void()> job);

  private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace pellmark::exporting
