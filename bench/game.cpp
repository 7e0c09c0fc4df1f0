// The whole game on a virtual clock, unpaced: start-up to the first frame of
// the map, the terrain redrawn in full from a moved camera and a whole
// battle frame (that terrain, four tanks, the panel and the radar) at two
// screen sizes, the large one also with the terrain at half resolution, and
// ten minutes of the demo playing its campaign with every frame drawn. The
// terrain is cast with the view's defaults (the fastest caster, two threads
// where there are two cores) unless KORVATH_BENCH_PATH and
// KORVATH_BENCH_THREADS say otherwise. (Peak memory is the headless
// program's: /usr/bin/time -v korvath-headless --demo.)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ScratchFolder.h"
#include "game/App.h"
#include "game/AppPicture.h"
#include "game/BattleScreen.h"
#include "game/MapScreen.h"
#include "host/Host.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vpicture.h"
#include "terrain/SpriteBands.h"

namespace {

using Clock = std::chrono::steady_clock;

// Time passes only when the game sleeps; at each wait the game's state can be
// looked at (the sprite tree is consistent there).
class BenchHost : public Host {
public:
    using Check = std::function<void(App&, int32_t elapsed)>;

    explicit BenchHost(Check check) : m_check(std::move(check)) { Host::install(this); }
    ~BenchHost() override { Host::install(nullptr); }

    void redrawAll(Viewport&) override {}
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override { return 5000 + m_elapsed; }
    void sleepMs(int32_t ms) override
    {
        m_elapsed += std::max(ms, 0);
        if (m_app)
            m_check(*m_app, m_elapsed);
    }
    int32_t loadSound(const char*) override { return 0; } // every sound there, none heard
    void playSound(int32_t) override {}
    int32_t frameUs() override { return m_frameUs; }

    // A new game on a w x h screen until the check stops it.
    void run(int32_t w, int32_t h, bool demo, int32_t threads = 0)
    {
        m_app = new App;
        m_app->m_demo = demo;
        m_app->m_terrainThreads = threads;
        m_app->init(new Vdisplay);
        m_app->setWidthHeight(w, h);
        m_app->run();
        m_app = nullptr;
    }

    int32_t m_elapsed = 0;
    int32_t m_frameUs = Host::kPhoneFrameUs; // the frames of the virtual clock

private:
    Check m_check;
    ref<App> m_app;
};

// The data next to the program and a preferences folder of its own, holding
// the record given (or none).
struct Folders {
    explicit Folders(const std::string& record)
    {
        InputStream::setResourceDir((std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data").string());
        if (!record.empty())
            std::ofstream(m_prefs / "korvath", std::ios::binary).write(record.data(), static_cast<std::streamsize>(record.size()));
        Vdisplay::setPrefsDir(m_prefs.string());
    }
    ~Folders()
    {
        Vdisplay::setPrefsDir("");
    }
    ScratchFolder m_folder{"bench"};
    const std::filesystem::path& m_prefs = m_folder.path();
};

// An Allied campaign at the first front on the hard level: three enemies on
// the field with the player's tank.
std::string hardCampaign()
{
    std::string b;
    for (int32_t v : {1, 5, 2, 0, 0, 1, 0, 40, 20, 20, 0, 0})
        b += {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)};
    return b;
}

void BM_StartUpToMap(benchmark::State& state)
{
    Folders folders("");
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        BenchHost host([&](App& app, int32_t) {
            if (dynamic_cast<MapScreen*>(app.top()) && !app.stopRequested()) {
                state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
                app.requestStop();
            }
        });
        host.run(480, 320, false);
    }
}
BENCHMARK(BM_StartUpToMap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The terrain view as the environment asks, for figures per caster:
// KORVATH_BENCH_PATH (scalar, avx2 or avx512) and KORVATH_BENCH_THREADS;
// KORVATH_BENCH_PLAIN=1 takes the sky picture, the haze and the things on
// the land away, for what the look costs in the same program;
// KORVATH_BENCH_PICTURE_ROWS=single draws pictures a pixel at a time;
// KORVATH_BENCH_HIDDEN=drawn draws the parts of things that nearer things
// hide; KORVATH_BENCH_CAMERA=lazy frames the battle with the lazy camera (higher
// and farther back, the horizon higher: less land in view).
void castAsAsked(App& app)
{
    Vterrain& terrain = *app.m_battle->m_terrain;
    if (const char* hidden = std::getenv("KORVATH_BENCH_HIDDEN"))
        SpriteBands::setPassingHidden(std::string(hidden) != "drawn");
    if (const char* camera = std::getenv("KORVATH_BENCH_CAMERA"))
        app.m_battle->m_camera->m_lazy = std::string(camera) == "lazy";
    if (const char* rows = std::getenv("KORVATH_BENCH_PICTURE_ROWS"))
        Vpicture::setVectorRows(std::string(rows) != "single");
    if (const char* plain = std::getenv("KORVATH_BENCH_PLAIN"); plain && std::string(plain) == "1") {
        terrain.setSkyPanorama(nullptr);
        terrain.setHaze(0, 0, 0);
        terrain.removeAll();
    }
    if (const char* path = std::getenv("KORVATH_BENCH_PATH")) {
        const std::string p = path;
        terrain.setCastPath(p == "scalar" ? Vterrain::kScalarPath
                            : p == "avx2" ? Vterrain::kAvx2Path
                                          : Vterrain::kAvx512Path);
    }
    if (const char* threads = std::getenv("KORVATH_BENCH_THREADS"))
        terrain.setThreads(std::atoi(threads));
}

enum class Measure { kFrame, kTerrain };

// A hundred trees and houses on a fan ahead of the camera, 30 to 140 units
// away, besides the site's own: a frame with many things in view.
void crowd(App& app)
{
    Vterrain& terrain = *app.m_battle->m_terrain;
    for (int32_t i = 0; i < 100; i++) {
        const int32_t a = terrain.getHeading() + (i % 10 - 5) * 400, d = (30 + (i / 10) * 12) << 15;
        const int32_t x = terrain.m_wx + V::fmul(d, V::fsin(a)), z = terrain.m_wz - V::fmul(d, V::fcos(a));
        ref<Vsprite> s = new Vsprite;
        s->setImage(app.m_lib, i % 7 == 0 ? AppPicture::kHouse : AppPicture::kTree);
        s->m_scale = 2400;
        s->setWxyz(x, terrain.getHeight(x, z), z);
        terrain.add(s);
    }
}

// From the start-up menu into the battle ('R' resumes the campaign, Enter
// leaves the map), then frames with the camera moved a little each time, so
// the terrain is cast again in full: the whole frame, or only the terrain
// into its own buffer.
void battle(benchmark::State& state, int32_t w, int32_t h, Measure measure, bool halfTerrain = false,
            bool crowded = false)
{
    Folders folders(hardCampaign());
    bool measured = false;
    int32_t pressed = 0;
    BenchHost host([&](App& app, int32_t elapsed) {
        if (app.stopRequested())
            return;
        if (pressed < 2 && elapsed >= 2200 + 500 * pressed) {
            const int32_t k = pressed++ == 0 ? 'R' : 10;
            app.input().keyDownSys(k);
            app.input().keyUpSys(k);
        }
        if (elapsed < 4500 || !app.m_battle->m_terrain || !app.m_battle->m_terrain->isLinked())
            return;
        Vterrain& terrain = *app.m_battle->m_terrain;
        castAsAsked(app);
        terrain.setHalfResolution(halfTerrain);
        if (crowded)
            crowd(app);
        state.SetLabel(std::string(terrain.castPath() == Vterrain::kScalarPath ? "scalar"
                                   : terrain.castPath() == Vterrain::kAvx2Path ? "avx2"
                                                                               : "avx512") +
                       ", " + std::to_string(terrain.threads()) + " threads");
        for (auto _ : state) {
            app.m_battle->m_tank->m_heading ^= 1;
            app.m_battle->m_camera->lookAt();
            if (measure == Measure::kTerrain) {
                terrain.m_changed = true;
                terrain.renderTerrain();
                continue;
            }
            app.m_battle->m_physics->step(64);
            app.m_battle->m_hud->radar();
            app.m_battle->m_hud->status();
            app.render();
        }
        measured = true;
        app.requestStop();
    });
    host.run(w, h, false);
    if (!measured)
        state.SkipWithError("the battle did not start");
}

void BM_TerrainRedraw480x320(benchmark::State& state) { battle(state, 480, 320, Measure::kTerrain); }
void BM_TerrainRedraw1920x1080(benchmark::State& state) { battle(state, 1920, 1080, Measure::kTerrain); }
void BM_BattleFrame480x320(benchmark::State& state) { battle(state, 480, 320, Measure::kFrame); }
void BM_BattleFrame1920x1080(benchmark::State& state) { battle(state, 1920, 1080, Measure::kFrame); }
void BM_BattleFrame1920x1080HalfTerrain(benchmark::State& state) { battle(state, 1920, 1080, Measure::kFrame, true); }
void BM_BattleFrameHundredThings480x320(benchmark::State& state) { battle(state, 480, 320, Measure::kFrame, false, true); }
void BM_BattleFrameHundredThings1920x1080(benchmark::State& state) { battle(state, 1920, 1080, Measure::kFrame, false, true); }
BENCHMARK(BM_TerrainRedraw480x320)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TerrainRedraw1920x1080)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BattleFrame480x320)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BattleFrame1920x1080)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BattleFrame1920x1080HalfTerrain)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BattleFrameHundredThings480x320)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BattleFrameHundredThings1920x1080)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Ten minutes of game time: the demo's campaign from a first start, map
// screens and battles, every frame rendered.
void BM_DemoTenMinutes(benchmark::State& state)
{
    for (auto _ : state) {
        Folders folders("");
        BenchHost host([](App& app, int32_t elapsed) {
            if (elapsed >= 600000)
                app.requestStop();
        });
        host.run(480, 320, true);
    }
}
BENCHMARK(BM_DemoTenMinutes)->Unit(benchmark::kMillisecond)->Iterations(1);

// A minute of the demo's first battle at 60 frames a second, every frame as
// the game paces it: the median and the 99th percentile of a frame's work.
// threads: of the terrain, 0 for the default (one thread is the browser's).
void demoAt60(benchmark::State& state, int32_t w, int32_t h, int32_t threads = 0)
{
    for (auto _ : state) {
        Folders folders("");
        int32_t battleFrom = -1;
        FrameStats stats;
        BenchHost host([&](App& app, int32_t elapsed) {
            if (battleFrom < 0 && dynamic_cast<BattleScreen*>(app.top())) {
                battleFrom = elapsed;
                app.m_stats = FrameStats();
            }
            if (battleFrom >= 0 && elapsed >= battleFrom + 60000 && !app.stopRequested()) {
                stats = app.m_stats;
                app.requestStop();
            }
        });
        host.m_frameUs = 16667;
        host.run(w, h, true, threads);
        state.counters["frames"] = static_cast<double>(stats.frames());
        state.counters["median_ms"] = stats.percentileUs(50) / 1000.0;
        state.counters["p99_ms"] = stats.percentileUs(99) / 1000.0;
    }
}
void BM_DemoBattleAt60_480x320(benchmark::State& state) { demoAt60(state, 480, 320); }
void BM_DemoBattleAt60_640x360(benchmark::State& state) { demoAt60(state, 640, 360); }
BENCHMARK(BM_DemoBattleAt60_480x320)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DemoBattleAt60_640x360)->Unit(benchmark::kMillisecond)->Iterations(1);
void BM_DemoBattleAt60_480x320_OneThread(benchmark::State& state) { demoAt60(state, 480, 320, 1); }
void BM_DemoBattleAt60_960x540_OneThread(benchmark::State& state) { demoAt60(state, 960, 540, 1); }
BENCHMARK(BM_DemoBattleAt60_480x320_OneThread)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DemoBattleAt60_960x540_OneThread)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
