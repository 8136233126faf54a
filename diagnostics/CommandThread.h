#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

// One thread of its own that runs posted jobs in order, so that a test's commands
// never hold up the thread that asks for them.
class CommandThread {
public:
    CommandThread();
    // Like shutDown().
    ~CommandThread();
    CommandThread(const CommandThread &) = delete;
    CommandThread &operator=(const CommandThread &) = delete;

    // Queues a job; ignored once shut down.
    void post(std::function<void()> job);
    // Drops the jobs not yet begun and waits for the current one, which its owner
    // should have asked to end quickly. Called on the thread itself it only asks.
    void shutDown();
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void run(std::stop_token stop);

    std::mutex m_mutex;
    std::condition_variable_any m_ready;
    std::deque<std::function<void()>> m_jobs;  // guarded by m_mutex
    bool m_shutDown = false;                   // guarded by m_mutex
    std::jthread m_thread;  // last: starts once the members above exist
};
