#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "TerrainFixtures.h"
#include "TerrainScene.h"
#include "data/DataFiles.h"
#include "terrain/SpriteBands.h"
#include "terrain/TerrainThreads.h"
#include "scene/Vpicture.h"

// The threads that cast the terrain together; these tests also run under
// ThreadSanitizer (./test).

namespace {

// Repeatable random numbers below n.
struct Random {
    explicit Random(uint32_t first) : seed(first) {}
    uint32_t operator()(uint32_t n)
    {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    }
    uint32_t seed;
};

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

// Pictures of every kind the landscape shows (opaque, edged, faded, tiny
// and enlarged, partly off the buffer, behind and before the ground) drawn
// in bands by two and three threads give the pixels one thread gives.
TEST(TerrainThreads, PicturesDrawnInBandsAreThoseOneThreadDraws)
{
    Random next(12345);
    std::vector<ref<Vpicture>> pictures;
    for (int32_t i = 0; i < 6; i++) {
        ref<Vpicture> p = new Vpicture;
        p->m_width = static_cast<int16_t>(8 + next(40));
        p->m_height = static_cast<int16_t>(8 + next(40));
        p->m_pixels = Array<int32_t>(p->m_width * p->m_height);
        for (int32_t k = 0; k < p->m_pixels.length; k++) {
            const uint32_t a = next(3) == 0 ? 0 : next(2) == 0 ? 15 : 1 + next(14);
            p->m_pixels[k] = static_cast<int32_t>(a << 28 | (a ? next(0x1000000) * a / 15 : 0));
        }
        pictures.push_back(p);
    }
    const int32_t w = 640, h = 400;
    Array<int32_t> ground(w * h);
    for (int32_t k = 0; k < ground.length; k++)
        ground[k] = static_cast<int32_t>(next(256) << 24 | next(0x1000000));
    SpriteBands bands;
    struct Drawn {
        Vpicture* p;
        int32_t sx, sy, scale, z, alpha;
    };
    std::vector<Drawn> drawn;
    for (int32_t i = 0; i < 60; i++) {
        const Drawn d{pictures[next(6)].get(), (static_cast<int32_t>(next(w + 100)) - 50) << 15,
                      (static_cast<int32_t>(next(h + 100)) - 50) << 15, 4000 + static_cast<int32_t>(next(250000)),
                      static_cast<int32_t>(next(256)), next(2) ? 32768 : static_cast<int32_t>(next(32768))};
        drawn.push_back(d);
        bands.add(d.p, 0, 0, w, h, d.sx, d.sy, d.scale, d.z, d.alpha);
    }
    // One thread draws them far to near, those at one depth in the order given.
    std::stable_sort(drawn.begin(), drawn.end(), [](const Drawn& a, const Drawn& b) { return a.z > b.z; });
    Array<int32_t> alone(w * h);
    std::copy(ground.a, ground.a + ground.length, alone.a);
    for (const Drawn& d : drawn)
        d.p->draw(alone, w, h, 0, 0, w, h, d.sx, d.sy, d.scale, d.z, d.alpha);
    for (int32_t threads : {1, 2, 3}) {
        TerrainThreads workers(threads);
        Array<int32_t> shared(w * h);
        std::copy(ground.a, ground.a + ground.length, shared.a);
        bands.draw(shared, w, h, &workers);
        EXPECT_TRUE(std::equal(shared.a, shared.a + shared.length, alone.a)) << threads << " threads";
    }
}

// Trees and houses stand in front of each other: pictures with solid middles
// and soft, ragged edges, drawn plain and filtered, faded or not, at depths
// that tie and differ, over a ground nearer and farther than them. Passing by
// what nearer pictures hide gives the frame that drawing everything gives.
TEST(TerrainThreads, PicturesHiddenByNearerOnesArePassedByWithoutChangingTheFrame)
{
    Random next(777);
    std::vector<ref<Vpicture>> pictures;
    for (int32_t i = 0; i < 5; i++) {
        ref<Vpicture> p = new Vpicture;
        const int32_t pw = 16 + static_cast<int32_t>(next(40)), ph = 16 + static_cast<int32_t>(next(40));
        p->m_width = static_cast<int16_t>(pw);
        p->m_height = static_cast<int16_t>(ph);
        p->m_smooth = i % 2 == 0;
        p->m_pixels = Array<int32_t>(pw * ph);
        for (int32_t y = 0; y < ph; y++)
            for (int32_t x = 0; x < pw; x++) {
                // An ellipse: opaque inside, a soft rim, clear outside.
                const int32_t dx = 2 * x - pw, dy = 2 * y - ph;
                const int32_t r = dx * dx * 256 / (pw * pw) + dy * dy * 256 / (ph * ph);
                const uint32_t a = r < 200 ? 15 : r < 256 ? 1 + next(14) : 0;
                p->m_pixels[y * pw + x] = static_cast<int32_t>(a << 28 | (a ? next(0x1000000) * a / 15 : 0));
            }
        p->findSpans();
        pictures.push_back(p);
    }
    const int32_t w = 320, h = 200;
    Array<int32_t> ground(w * h);
    for (int32_t k = 0; k < ground.length; k++)
        ground[k] = static_cast<int32_t>((k % 7 == 0 ? next(40) : 200 + next(56)) << 24 | next(0x1000000));
    for (int32_t scene = 0; scene < 4; scene++) {
        SpriteBands bands;
        for (int32_t i = 0; i < 80; i++)
            bands.add(pictures[next(5)].get(), 0, 0, w, h, (static_cast<int32_t>(next(w)) - 30) << 15,
                      (static_cast<int32_t>(next(h)) - 30) << 15, 20000 + static_cast<int32_t>(next(200000)),
                      static_cast<int32_t>(30 + next(20)), next(5) ? 32768 : static_cast<int32_t>(next(32768)));
        Array<int32_t> passing(w * h), drawing(w * h);
        std::copy(ground.a, ground.a + ground.length, passing.a);
        std::copy(ground.a, ground.a + ground.length, drawing.a);
        TerrainThreads workers(scene % 2 + 1);
        bands.draw(passing, w, h, &workers);
        SpriteBands::setPassingHidden(false);
        bands.draw(drawing, w, h, &workers);
        SpriteBands::setPassingHidden(true);
        EXPECT_TRUE(std::equal(passing.a, passing.a + passing.length, drawing.a)) << "scene " << scene;
        EXPECT_FALSE(std::equal(passing.a, passing.a + passing.length, ground.a));
    }
}
