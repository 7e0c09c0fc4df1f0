#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "TerrainFixtures.h"
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

// A picture of w x h whose pixel (x, y) has the alpha alpha(x, y) (0 clear
// to 15 opaque) and a random colour premultiplied by it.
template <typename Alpha>
ref<Vpicture> picture(Random& next, int32_t w, int32_t h, Alpha alpha)
{
    ref<Vpicture> p = new Vpicture;
    p->m_width = static_cast<int16_t>(w);
    p->m_height = static_cast<int16_t>(h);
    p->m_pixels = Array<int32_t>(w * h);
    for (int32_t k = 0; k < w * h; k++) {
        const uint32_t a = alpha(k % w, k / w);
        p->m_pixels[k] = static_cast<int32_t>(a << 28 | (a ? next(0x1000000) * a / 15 : 0));
    }
    return p;
}

// A ground of random colours and depth bytes.
Array<int32_t> makeGround(Random& next, int32_t w, int32_t h)
{
    Array<int32_t> g(w * h);
    for (int32_t k = 0; k < g.length; k++)
        g[k] = static_cast<int32_t>(next(256) << 24 | next(0x1000000));
    return g;
}

} // namespace

// Pictures of every kind the landscape shows (opaque, edged, faded, tiny
// and enlarged, partly off the buffer, behind and before the ground) drawn
// in bands by two and three threads give the pixels one thread gives.
TEST(TerrainThreads, PicturesDrawnInBandsAreThoseOneThreadDraws)
{
    Random next(12345);
    std::vector<ref<Vpicture>> pictures;
    for (int32_t i = 0; i < 6; i++) {
        const int32_t pw = 8 + static_cast<int32_t>(next(40)), ph = 8 + static_cast<int32_t>(next(40));
        pictures.push_back(picture(next, pw, ph, [&](int32_t, int32_t) { return next(3) == 0 ? 0 : next(2) == 0 ? 15 : 1 + next(14); }));
    }
    const int32_t w = 640, h = 400;
    const Array<int32_t> ground = makeGround(next, w, h);
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
