#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "TerrainFixtures.h"
#include "TerrainScene.h"
#include "data/DataFiles.h"
#include "terrain/TerrainThreads.h"

// The threads that cast the terrain together; these tests also run under
// ThreadSanitizer (./test).

namespace {

// Work items claimed one at a time, as the casters claim blocks of columns.
struct Claims {
    std::atomic<int32_t> next{0};
    std::vector<std::atomic<int32_t>> done = std::vector<std::atomic<int32_t>>(500);
    std::atomic<int32_t> badThread{0};
    int32_t threads = 0;

    static void job(void* context, int32_t thread)
    {
        Claims& c = *static_cast<Claims*>(context);
        if (thread < 0 || thread >= c.threads)
            c.badThread++;
        for (int32_t k = c.next++; k < 500; k = c.next++)
            c.done[static_cast<size_t>(k)]++;
    }
};

} // namespace

TEST(TerrainThreads, EveryItemIsDoneOnceWhetherOrNotTheWorkersJoinIn)
{
    for (int32_t count : {1, 2, 4}) {
        TerrainThreads threads(count);
        EXPECT_EQ(threads.count(), count);
        for (int32_t run = 0; run < 50; run++) {
            Claims claims;
            claims.threads = count;
            threads.run(Claims::job, &claims);
            int32_t wrong = 0;
            for (const std::atomic<int32_t>& d : claims.done)
                wrong += d != 1;
            ASSERT_EQ(wrong, 0) << count << " threads, run " << run;
            ASSERT_EQ(claims.badThread, 0);
        }
    }
}

TEST(TerrainThreads, SeveralThreadsDrawWhatOneDraws)
{
    TerrainScene scene(dataDir(), false);
    auto draw = [&](const Caster& caster, int32_t threads, int32_t w, int32_t h) {
        ref<Vterrain> v = scene.view(w, h, 0x6C73A0, 0x1643D6, 0x2267);
        useCaster(*v, caster);
        v->setThreads(threads);
        TerrainScene::render(*v);
        v->move(2 * kUnit);
        TerrainScene::render(*v);
        std::vector<int32_t> out(v->m_pixels.a, v->m_pixels.a + v->m_pixels.length);
        out.insert(out.end(), v->m_top.a, v->m_top.a + v->m_top.length);
        return out;
    };
    for (const Caster& caster : kCasters) {
        if (!Vterrain::supports(caster.path))
            continue;
        for (int32_t threads : {2, 3})
            for (auto [w, h] : {std::pair{120, 80}, std::pair{97, 61}})
                EXPECT_EQ(draw(caster, threads, w, h), draw(kCasters[0], 1, w, h))
                    << caster.name << " on " << threads << " threads, " << w << "x" << h;
    }
    InputStream::setResourceDir(".");
}
