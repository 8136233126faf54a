#include "diagnostics/CommandThread.h"

CommandThread::CommandThread() : m_thread([this](std::stop_token stop) { run(stop); }) {}

CommandThread::~CommandThread() { shutDown(); }

void CommandThread::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown)
            return;
        m_jobs.push_back(std::move(job));
    }
    m_ready.notify_one();
}

void CommandThread::shutDown()
{
    {
        std::lock_guard lock(m_mutex);
        m_shutDown = true;
        m_jobs.clear();
    }
    m_thread.request_stop();
    if (m_thread.joinable() && !isCurrent())
        m_thread.join();
}

void CommandThread::run(std::stop_token stop)
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            if (!m_ready.wait(lock, stop, [this] { return !m_jobs.empty(); }))
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}
