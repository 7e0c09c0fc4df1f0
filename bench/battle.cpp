// The physics and the vehicles' logic of a busy battle on the test
// battlefield: the player, three enemies, the truck, six shells in flight
// with their smoke and flashes.
#include <benchmark/benchmark.h>

#include "Skirmish.h"
#include "game/Shell.h"

namespace {

// One 64 ms frame of the world: every body acts, moves and collides.
void BM_BusyStep(benchmark::State& state)
{
    BattleWorld w(99);
    Skirmish s(w);
    for (int32_t f = 0; f < 40; f++)
        s.frame(6);
    int64_t bodies = 0;
    for (auto _ : state) {
        s.frame(6);
        bodies += w.m_physics->count();
    }
    state.counters["bodies"] = static_cast<double>(bodies) / static_cast<double>(state.iterations());
    state.counters["shells"] = s.shellsFlying();
}
BENCHMARK(BM_BusyStep)->Unit(benchmark::kMicrosecond);

// Ten minutes of game time of that battle, physics and logic only.
void BM_TenMinutes(benchmark::State& state)
{
    for (auto _ : state) {
        BattleWorld w(99);
        Skirmish s(w);
        for (int32_t ms = 0; ms < 600000; ms += BattleWorld::kFrameMs)
            s.frame(6);
        benchmark::DoNotOptimize(s.digest());
    }
}
BENCHMARK(BM_TenMinutes)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
