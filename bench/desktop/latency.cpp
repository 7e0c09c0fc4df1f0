// The desktop window program's host with SDL's dummy video driver (set
// SDL_VIDEODRIVER=offscreen to go through a real renderer), timed on the
// wall clock: what the tests check on a clock of their own.
//
// BM_KeyToScreen: the game at 60 frames a second in its main menu. Each
// iteration stamps a key (Down: the menu's highlight moves) as it is queued,
// and the time runs until the next picture with something new in it reaches
// the screen. The median is the figure to read; the game waits in a menu,
// where nothing else moves, so every paint after the key is the key's.
//
// BM_FramePacing/FPS: the game at FPS frames a second for three seconds of
// its title and map: the frames it began against those the wall clock had
// room for (frames_per_expected, 1 when paced right), the median and the
// longest time between two frames.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include <unistd.h>

#include "ScratchFolder.h"
#include "SdlHost.h"
#include "game/App.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"

namespace {

using Clock = std::chrono::steady_clock;

// Stamps the first paint after a key.
class StampingHost : public SdlHost {
public:
    void show(const Viewport& vp, const int32_t* rects, int32_t n) override
    {
        SdlHost::show(vp, rects, n);
        if (n > 0 && m_waiting.exchange(false))
            m_shown.store(Clock::now().time_since_epoch().count());
    }
    std::atomic<bool> m_waiting{false};
    std::atomic<int64_t> m_shown{0};
};

SDL_Event keyEvent(uint32_t type)
{
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = SDLK_DOWN;
    e.key.keysym.scancode = SDL_SCANCODE_DOWN;
    return e;
}

// The drivers that need no display or sound card, and preferences of its
// own (a scratch folder, removed by the destructor).
class Desk {
public:
    Desk()
    {
        ::setenv("SDL_VIDEODRIVER", ::getenv("SDL_VIDEODRIVER") ? ::getenv("SDL_VIDEODRIVER") : "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        Vdisplay::setPrefsDir(m_prefs.path().string());
        InputStream::setResourceDir(KORVATH_DATA_DIR);
    }
    ~Desk() { Vdisplay::setPrefsDir(""); }

private:
    ScratchFolder m_prefs{"latency"};
};

void BM_KeyToScreen(benchmark::State& state)
{
    Desk desk;
    StampingHost host;
    HostOptions o;
    o.m_mute = true;
    o.m_frameUs = 16667;
    std::vector<double> ms;
    std::thread user([&] {
        // The title, then the map with the main menu over it, long before this.
        std::this_thread::sleep_for(std::chrono::milliseconds(4000));
        for (auto _ : state) {
            host.m_waiting.store(true);
            const Clock::time_point sent = Clock::now();
            SDL_Event down = keyEvent(SDL_KEYDOWN), up = keyEvent(SDL_KEYUP);
            SDL_PushEvent(&down);
            SDL_PushEvent(&up);
            while (host.m_waiting.load())
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            const Clock::time_point shown(Clock::duration(host.m_shown.load()));
            const double took = std::chrono::duration<double>(shown - sent).count();
            state.SetIterationTime(took);
            ms.push_back(took * 1000);
            // The next key lands anywhere in a frame, as a player's would.
            std::this_thread::sleep_for(std::chrono::microseconds(37000 + 1000 * (state.iterations() % 17)));
        }
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    host.run(o, [] { return ref<V3dView>(new App); });
    user.join();
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) {
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
    }
}
BENCHMARK(BM_KeyToScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100)->Repetitions(1);

// Stamps each paced frame as it asks for its pace, on the wall clock.
class PacedHost : public SdlHost {
public:
    int32_t frameUs() override
    {
        m_stamps.push_back(Clock::now());
        return SdlHost::frameUs();
    }
    std::vector<Clock::time_point> m_stamps; // game thread, read after the run
};

void BM_FramePacing(benchmark::State& state)
{
    Desk desk;
    const int32_t fps = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        PacedHost host;
        HostOptions o;
        o.m_mute = true;
        o.m_frameUs = 1000000 / fps;
        std::atomic<V3dView*> game{nullptr};
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            while (!game.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            game.load()->requestStop();
        });
        host.run(o, [&game] {
            ref<V3dView> app = new App;
            game.store(app.get());
            return app;
        });
        user.join();
        const std::vector<Clock::time_point>& t = host.m_stamps;
        if (t.size() < 2)
            continue;
        std::vector<double> gaps;
        for (std::size_t i = 1; i < t.size(); i++)
            gaps.push_back(std::chrono::duration<double, std::milli>(t[i] - t[i - 1]).count());
        const double seconds = std::chrono::duration<double>(t.back() - t.front()).count();
        state.SetIterationTime(seconds);
        std::sort(gaps.begin(), gaps.end());
        state.counters["frames_per_expected"] = static_cast<double>(gaps.size()) / (seconds * fps);
        state.counters["median_gap_ms"] = gaps[gaps.size() / 2];
        state.counters["longest_gap_ms"] = gaps.back();
    }
}
BENCHMARK(BM_FramePacing)->Arg(20)->Arg(60)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
