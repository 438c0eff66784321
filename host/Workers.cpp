#include "Workers.h"

#include <algorithm>

namespace walkhost {

Workers& Workers::Shared()
{
    static Workers workers(static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u)) - 1);
    return workers;
}

Workers::Workers(int threads)
{
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this] { Loop(); });
}

Workers::~Workers()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void Workers::Drain()
{
    for (;;) {
        int i = 0;
        const std::function<void(int)>* task = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (next_ >= count_)
                return;
            i = next_++;
            task = task_;
        }
        (*task)(i);
    }
}

void Workers::Loop()
{
    unsigned long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_)
                return;
            seen = generation_;
        }
        Drain();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++finished_;
        }
        done_.notify_all();
    }
}

void Workers::Run(int count, const std::function<void(int)>& task)
{
    if (threads_.empty() || count <= 1) {
        for (int i = 0; i < count; ++i)
            task(i);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = &task;
        count_ = count;
        next_ = 0;
        finished_ = 0;
        ++generation_;
    }
    wake_.notify_all();
    Drain();
    // Every worker takes part in every job (if only to find nothing left),
    // so none can still hold this job's task when the next one starts.
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return finished_ == static_cast<int>(threads_.size()); });
}

}  // namespace walkhost
