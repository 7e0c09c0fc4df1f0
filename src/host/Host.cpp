#include "host/Host.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class BuiltinHost final : public Host {
public:
    void redrawAll(Viewport&) override {}
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override
    {
        auto t = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<int32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
    }
    void sleepMs(int32_t ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    int32_t loadSound(const char*) override { return -1; }
    void playSound(int32_t) override {}
};

BuiltinHost g_builtin;
std::atomic<Host*> g_host{&g_builtin};

} // namespace

bool Host::cachedSound(const char* name, int32_t& id) const
{
    for (const auto& [cached, cachedId] : m_sounds) {
        if (cached == name) {
            id = cachedId;
            return true;
        }
    }
    return false;
}

void Host::cacheSound(const char* name, int32_t id)
{
    for (auto& entry : m_sounds) {
        if (entry.first == name) {
            entry.second = id;
            return;
        }
    }
    m_sounds.emplace_back(name, id);
}

Host& Host::current()
{
    return *g_host.load(std::memory_order_acquire);
}

void Host::install(Host* host)
{
    g_host.store(host ? host : &g_builtin, std::memory_order_release);
}
