#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "TerrainScene.h"
#include "terrain/Vswf.h"

namespace {

constexpr int32_t kUnit = 32768;

std::string dataFolder()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data").string();
}

TerrainScene& scene()
{
    static TerrainScene s(dataFolder(), false);
    return s;
}

// Eyes in both start strips, each looking across the map toward the other
// side, as a battle starts: x from 41 (or 271) over 200 units, z from 41 over
// 430 units, headings within a quarter turn of east or west.
struct Eye {
    int32_t x, z, heading;
};

std::vector<Eye> eyes()
{
    std::vector<Eye> out;
    uint32_t seed = 77;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>(seed >> 17);
    };
    for (int32_t k = 0; k < 64; k++) {
        bool west = k % 2;
        int32_t x = (west ? 0x148000 : 0x878000) + V::fmul(next(), 0x640001);
        int32_t z = 0x148000 + V::fmul(next(), 0xD70001);
        out.push_back({x, z, (west ? 0x2000 : 0x6000) + (next() & 0x3FFF) - 0x2000});
    }
    return out;
}

// The whole terrain into the view's own buffer, the far limit of the rays
// being 192 units; by default with the fastest path and the default threads.
void render(benchmark::State& state, int32_t w, int32_t h, int32_t path = -1, int32_t threads = 0)
{
    if (scene().m_ground->edgeCount() == 0) {
        state.SkipWithError("no layout in the data folder next to the program");
        return;
    }
    if (path >= 0 && !Vterrain::supports(static_cast<Vterrain::CastPath>(path))) {
        state.SkipWithError("this processor has not the instructions of this path");
        return;
    }
    std::vector<Eye> spots = eyes();
    std::vector<ref<Vterrain>> views;
    for (const Eye& e : spots) {
        views.push_back(scene().view(w, h, e.x, e.z, e.heading));
        if (path >= 0)
            views.back()->setCastPath(static_cast<Vterrain::CastPath>(path));
        if (threads > 0)
            views.back()->setThreads(threads);
    }
    size_t k = 0;
    for (auto _ : state) {
        Vterrain& v = *views[k++ % views.size()];
        TerrainScene::render(v);
        benchmark::DoNotOptimize(v.m_pixels.a);
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_Render480x320(benchmark::State& state)
{
    render(state, 480, 320);
}
BENCHMARK(BM_Render480x320)->Unit(benchmark::kMillisecond);

void BM_Render1920x1080(benchmark::State& state)
{
    render(state, 1920, 1080);
}
BENCHMARK(BM_Render1920x1080)->Unit(benchmark::kMillisecond);

// Each caster on one and two threads: Args are the path (0 scalar, 1 AVX2,
// 2 AVX-512) and the thread count.
void BM_Render480x320Path(benchmark::State& state)
{
    render(state, 480, 320, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
}
BENCHMARK(BM_Render480x320Path)->ArgNames({"path", "threads"})->ArgsProduct({{0, 1, 2}, {1, 2}})->Unit(benchmark::kMillisecond);

void BM_Render1920x1080Path(benchmark::State& state)
{
    render(state, 1920, 1080, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
}
BENCHMARK(BM_Render1920x1080Path)->ArgNames({"path", "threads"})->ArgsProduct({{0, 1, 2}, {1, 2}})->Unit(benchmark::kMillisecond);

// One bilinear height lookup, along a path like a ray's.
void BM_GetHeight(benchmark::State& state)
{
    const VpolyTerrain& g = *scene().m_ground;
    int32_t x = 100 * kUnit, z = 200 * kUnit, sum = 0;
    for (auto _ : state) {
        for (int32_t k = 0; k < 1024; k++) {
            sum += g.getHeight(x, z);
            x += 1917;
            z -= 733;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_GetHeight);

// Reading the layout into the terrain polygon and making the height map, as
// the game does once and at every battle.
void BM_ReadLayoutAndMakeHeight(benchmark::State& state)
{
    scene();
    for (auto _ : state) {
        ref<VpolyTerrain> g = new VpolyTerrain;
        ref<Vswf> swf = new Vswf;
        swf->make(g, "layout"_s, 512, 512, 13007, 64, 0);
        g->makeHeight();
        benchmark::DoNotOptimize(g->m_heightMap.a);
    }
}
BENCHMARK(BM_ReadLayoutAndMakeHeight)->Unit(benchmark::kMillisecond);

} // namespace
