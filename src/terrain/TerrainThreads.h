#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Worker threads kept for the life of a terrain view, so that a drawing
// does not pay for starting threads. run hands every worker the same job
// and does a share of it on the calling thread; the job divides the work by
// itself (the threads claim blocks of columns in turn), so a worker that has
// not begun by the time the caller is done is simply left out.
class TerrainThreads {
public:
    using Job = void (*)(void* context, int32_t thread);

    // count - 1 workers; the caller of run is thread 0.
    explicit TerrainThreads(int32_t count);
    ~TerrainThreads();
    TerrainThreads(const TerrainThreads&) = delete;
    TerrainThreads& operator=(const TerrainThreads&) = delete;

    int32_t count() const { return static_cast<int32_t>(m_workers.size()) + 1; }
    // Runs job(context, t) on the workers (t = 1, 2, ...) and on the calling
    // thread (t = 0); returns when every worker that began it has ended.
    void run(Job job, void* context);

private:
    void work(int32_t thread);

    std::vector<std::thread> m_workers;
    std::mutex m_lock;
    std::condition_variable m_wake; // a job was posted, or the end
    std::condition_variable m_idle; // the last worker left a job
    Job m_job = nullptr;
    void* m_context = nullptr;
    uint64_t m_generation = 0; // jobs posted
    bool m_open = false;       // workers may still join the current job
    int32_t m_running = 0;     // workers inside the current job
    bool m_stop = false;
};
