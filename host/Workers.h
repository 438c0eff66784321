// A small set of threads that stay for the life of the process and share
// the tasks of one job at a time: the renderer splits each frame among them.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace walkhost {

class Workers {
public:
    // The process's workers: one thread per processor besides the caller's.
    static Workers& Shared();

    explicit Workers(int threads);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Threads that work on a job, the caller's included.
    int Size() const { return static_cast<int>(threads_.size()) + 1; }

    // Calls task(i) for every i from 0 to count - 1, spread over the workers
    // and the calling thread, and returns when all have returned. One job at
    // a time: Run is not called from two threads at once.
    void Run(int count, const std::function<void(int)>& task);

private:
    void Loop();
    void Drain();

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* task_ = nullptr;
    int count_ = 0;
    int next_ = 0;       // the next task to take
    int finished_ = 0;   // workers done with the current job
    unsigned long generation_ = 0;
    bool stop_ = false;
};

}  // namespace walkhost
