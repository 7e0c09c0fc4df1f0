#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TerrainFixtures.h"
#include "TerrainScene.h"
#include "data/DataFiles.h"
#include "terrain/TerrainThreads.h"

// Every way of casting the terrain (the scalar reference, the vector
// packets, one thread, two or three) must draw the very frames the scalar
// caster draws alone: pixels, depth bytes and column tops, over many eyes
// and sizes, odd ones and ones the packets do not divide, with the sky as a
// gradient or a panorama, with haze or without.

namespace {

struct Frame {
    std::string name;
    uint64_t sum;
};

class TerrainCasters : public testing::TestWithParam<Caster> {
protected:
    static void SetUpTestSuite() { s_scene = new TerrainScene(dataDir(), false); }
    static void TearDownTestSuite()
    {
        delete s_scene;
        s_scene = nullptr;
        InputStream::setResourceDir(".");
    }

    // The frames of one caster: for each size and eye a full drawing, the
    // same again (the column tops now known), a clip in the middle, and a
    // drawing straight into a larger target at an offset.
    static std::vector<Frame> frames(const Caster& caster)
    {
        struct Size {
            int32_t w, h;
        };
        const Size sizes[] = {{1, 1}, {3, 2}, {7, 5}, {8, 8}, {17, 9}, {33, 40}, {100, 37}, {317, 203}, {961, 541}};
        std::vector<Frame> out;
        uint32_t seed = 99;
        auto next = [&] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int32_t>(seed >> 8);
        };
        for (const Size& s : sizes) {
            for (int32_t e = 0; e < 5; e++) {
                const std::string name = std::to_string(s.w) + "x" + std::to_string(s.h) + " eye " + std::to_string(e);
                // One by one, last first as GCC on x86-64 draws them: a call's
                // arguments come in the order each compiler chooses.
                const int32_t heading = next() & 0x7FFF;
                const int32_t z = next() & 0xFFFFFF;
                const int32_t x = next() & 0xFFFFFF;
                ref<Vterrain> v = s_scene->view(s.w, s.h, x, z, heading);
                if (e == 4)
                    v->setWxhz(v->getWx(), 0x800, v->getWz()); // right on the ground: the rays start farther out
                if (e & 1) {
                    // A sky panorama and haze: the sky turns with the view and every pixel fades.
                    v->setSkyPanorama(testPanorama(300, 70));
                    v->setHaze(0x9AB4C8, 10 * e, 30000);
                }
                useCaster(*v, caster);
                if (caster.threads > 1)
                    v->setThreads(2 + (e & 1)); // and three threads: blocks of columns that do not split evenly
                for (int32_t k = 0; k < v->m_pixels.length; k++)
                    v->m_pixels[k] = 0x01020304;
                TerrainScene::render(*v);
                out.push_back({name, checksum(v->m_pixels, *v)});
                TerrainScene::render(*v);
                out.push_back({name + " again", checksum(v->m_pixels, *v)});
                v->setHeading(v->getHeading() + 1000);
                TerrainScene::render(*v);
                out.push_back({name + " turned", checksum(v->m_pixels, *v)});
                v->drawTerrain(v->m_pixels, s.w, s.h, s.w / 3, s.h / 4, s.w - s.w / 5, s.h - s.h / 6);
                out.push_back({name + " clip", checksum(v->m_pixels, *v)});
                Array<int32_t> target((s.w + 9) * (s.h + 4));
                v->m_pixels = Array<int32_t>();
                v->drawTerrain(target, s.w + 9, s.h + 4, 5, 3, s.w + 5, s.h + 3);
                out.push_back({name + " direct", checksum(target, *v)});
            }
        }
        return out;
    }

    static TerrainScene* s_scene;
};

TerrainScene* TerrainCasters::s_scene = nullptr;

} // namespace

TEST_P(TerrainCasters, DrawWhatTheScalarCasterDrawsAlone)
{
    if (!Vterrain::supports(GetParam().path))
        GTEST_SKIP() << "this processor has not the instructions of " << GetParam().name;
    static const std::vector<Frame> reference = frames(kCasters[0]);
    const std::vector<Frame> got = frames(GetParam());
    ASSERT_EQ(got.size(), reference.size());
    for (size_t k = 0; k < got.size(); k++)
        EXPECT_EQ(got[k].sum, reference[k].sum) << got[k].name;
}

INSTANTIATE_TEST_SUITE_P(Casters, TerrainCasters, testing::ValuesIn(kCasters), casterName);
