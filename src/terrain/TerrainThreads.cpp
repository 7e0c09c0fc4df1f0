#include "terrain/TerrainThreads.h"

TerrainThreads::TerrainThreads(int32_t count)
{
    for (int32_t t = 1; t < count; t++)
        m_workers.emplace_back(&TerrainThreads::work, this, t);
}

TerrainThreads::~TerrainThreads()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_workers)
        t.join();
}

void TerrainThreads::run(Job job, void* context)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_job = job;
        m_context = context;
        m_generation++;
        m_open = true;
    }
    m_wake.notify_all();
    job(context, 0);
    std::unique_lock<std::mutex> hold(m_lock);
    m_open = false;
    m_idle.wait(hold, [this] { return m_running == 0; });
}

void TerrainThreads::work(int32_t thread)
{
    uint64_t seen = 0;
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        m_wake.wait(hold, [&] { return m_stop || m_generation != seen; });
        if (m_stop)
            return;
        seen = m_generation;
        if (!m_open)
            continue;
        m_running++;
        Job job = m_job;
        void* context = m_context;
        hold.unlock();
        job(context, thread);
        hold.lock();
        if (--m_running == 0)
            m_idle.notify_one();
    }
}
