#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Png.h"
#include "TerrainFixtures.h"
#include "TerrainScene.h"
#include "data/DataFiles.h"
#include "terrain/Vterrain.h"

// Golden frames of the terrain view: the generated battlefield drawn from a
// fixed set of eyes, sizes and clip rectangles, each output buffer reduced to
// a checksum. The ray caster's steps, depth byte, texel choice and shading are
// exact rules, so any change to them (or to the layout generator) shows here.
// Every caster must give the same sums. A failure prints the whole table of
// new sums; paste it over kGolden only when the change of picture is meant. With KORVATH_GOLDEN_PNG set to a
// folder, every frame is also written there to look at.

namespace {

// Textures of one base colour each with strong noise, so shading meets
// channels near 255 and near 0 while the ground still reads as a landscape.
ref<Vilib> noiseLibrary(int32_t n)
{
    ref<Vilib> lib = textureLibrary(n);
    for (int32_t p = 0; p < n; p++) {
        uint32_t seed = 0x9E3779B9u * static_cast<uint32_t>(p + 1);
        int32_t base = static_cast<int32_t>(seed >> 8) & 0xC0C0C0;
        Array<int32_t>& px = lib->m_pictures[p]->m_pixels;
        for (int32_t k = 0; k < px.length; k++) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            px[k] = static_cast<int32_t>(0xFF000000u) | (base + static_cast<int32_t>(seed & 0x3F3F3F));
        }
    }
    return lib;
}

struct Golden {
    const char* name;
    uint64_t sum;
};

// clang-format off
const Golden kGolden[] = {
    {"strip 0", 0x81ADA7F475FADDECu}, {"strip 0 again", 0x81ADA7F475FADDECu},
    {"strip 0 moved", 0x1395DD03A1C78F72u}, {"strip 1", 0xB6481C76BFBC382Du},
    {"strip 2", 0xF6047681BD61A21Bu}, {"strip 3", 0x566F18DC660088C4u},
    {"strip 4", 0xDC21335FFD1EEABFu}, {"strip 5", 0xD32749999832947Eu},
    {"strip 6", 0xC16D72F3DB0972B7u}, {"strip 7", 0xBF2E4D659D740ECBu},
    {"hilltop 0", 0x8F1B78C79860102Du}, {"hilltop 8192", 0x45ED28E5200E410Bu},
    {"hilltop 16384", 0x33910386C69D348Eu}, {"hilltop 24576", 0xC252851DA04C3A64u},
    {"hilltop wide", 0x2F4E710AAF27D90Eu}, {"water", 0x057DB2F333DE16A6u},
    {"water low eye", 0x1CCD0955C949692Au}, {"odd size", 0xF157C1789235B0A4u},
    {"wide strip", 0x89A946BC198F68FAu}, {"clip before tops", 0xEED4E257D5ECA813u},
    {"clip full", 0x492F42D2EF15C931u}, {"clip lower part", 0x181D10DBFD0B8DDFu},
    {"clip above tops", 0x16DF14E1EA5C9C52u}, {"clip overhanging", 0xEC29BC0428101048u},
    {"direct full", 0x1150D0379567F631u}, {"direct clip", 0xEB6131CFBD71C4EDu},
    {"no ground", 0x638D99658048A825u}, {"no height map", 0x5C5D6E8E80A284C5u},
    {"no textures", 0x828943B4307A8D0Du}, {"before the crater", 0xB459E45F8340EC55u},
    {"crater", 0x5A21B7B8EF14E7DAu},
};
// clang-format on

class TerrainGoldenTest : public testing::TestWithParam<Caster> {
protected:
    static void SetUpTestSuite()
    {
        s_scene = new TerrainScene(dataDir(), false);
        s_scene->m_ground->setGroundTextures(noiseLibrary(16), 0);
    }
    static void TearDownTestSuite()
    {
        delete s_scene;
        s_scene = nullptr;
        InputStream::setResourceDir(".");
    }

    ref<Vterrain> view(int32_t w, int32_t h, int32_t x, int32_t z, int32_t heading) const
    {
        ref<Vterrain> v = s_scene->view(w, h, x, z, heading);
        useCaster(*v, GetParam());
        for (int32_t k = 0; k < v->m_pixels.length; k++)
            v->m_pixels[k] = 0x01020304; // not sky, not terrain
        return v;
    }
    void full(const std::string& name, Vterrain& v)
    {
        TerrainScene::render(v);
        record(name, v.m_pixels, v);
    }
    void record(const std::string& name, const Array<int32_t>& pixels, const Vterrain& v, int32_t width = 0)
    {
        m_sums.push_back({name, checksum(pixels, v)});
        width = width ? width : v.m_width;
        if (const char* dir = std::getenv("KORVATH_GOLDEN_PNG"))
            Png::write(std::string(dir) + "/" + name + ".png", width, pixels.length / width,
                       reinterpret_cast<const uint32_t*>(pixels.a), false);
    }

    static TerrainScene* s_scene;
    std::vector<std::pair<std::string, uint64_t>> m_sums;
};

TerrainScene* TerrainGoldenTest::s_scene = nullptr;

// A cell of the map picked by a rule: the highest, or the first water.
int32_t highestCell(const VpolyTerrain& g)
{
    int32_t best = 0;
    for (int32_t k = 1; k < 65536; k++)
        if ((g.m_heightMap[k] & 255) > (g.m_heightMap[best] & 255))
            best = k;
    return best;
}

} // namespace

TEST_P(TerrainGoldenTest, FramesMatchTheirChecksums)
{
    if (!Vterrain::supports(GetParam().path))
        GTEST_SKIP() << "this processor has not the instructions of " << GetParam().name;
    VpolyTerrain& g = *s_scene->m_ground;
    // Start strips: eyes like a battle's first frame (east strip, then
    // west, by turns), looking across the map within a quarter turn.
    struct Eye {
        int32_t x, z, heading;
    };
    const Eye strips[] = {
        {0xA21708, 0x4CFE1C, 0x4562}, {0x484F48, 0xAB6C2C, 0x1907}, {0xBCDB60, 0x3C04C2, 0x56E4},
        {0x1507F0, 0xB23854, 0x3BEA}, {0xDAB658, 0x3A22B0, 0x4B40}, {0x3CE7C0, 0x801FEA, 0x3DB5},
        {0xAD0000, 0xDBC26E, 0x5E88}, {0x6C73A0, 0x1643D6, 0x2267},
    };
    for (int32_t k = 0; k < 8; k++) {
        ref<Vterrain> v = view(480, 320, strips[k].x, strips[k].z, strips[k].heading);
        full("strip " + std::to_string(k), *v);
        if (k == 0) {
            // The per-column tops of the last frame: a second drawing, then
            // one after the eye has moved and turned.
            full("strip 0 again", *v);
            v->move(3 * kUnit);
            v->setHeading(v->getHeading() + 300);
            full("strip 0 moved", *v);
        }
    }

    // The hilltop, each compass direction, and a wide screen from there.
    int32_t top = highestCell(g);
    int32_t hx = (top & 255) * 65536 + 1234, hz = (top >> 8) * 65536 + 4321;
    for (int32_t heading : {0, 0x2000, 0x4000, 0x6000})
        full("hilltop " + std::to_string(heading), *view(480, 320, hx, hz, heading));
    full("hilltop wide", *view(1920, 1080, hx, hz, 0x5123));

    // Water, by the first water cell met along a line across the map, seen
    // from the chase camera and from right on the surface (the rays start
    // farther out for an eye that low).
    int32_t wx = 0, wz = 0;
    for (int32_t k = 0; k < 512 && !wx; k++)
        if (VpolyTerrain::colorClass(g.getRgb(k * kUnit, k * kUnit)) == VpolyTerrain::kWater)
            wx = wz = k * kUnit + kUnit / 2;
    ASSERT_NE(wx, 0) << "no water on the diagonal";
    full("water", *view(480, 320, wx, wz, 0x1800));
    ref<Vterrain> low = view(480, 320, wx, wz, 0x5800);
    low->setWxhz(wx, 0x1000, wz);
    full("water low eye", *low);

    // Odd sizes: a centre column that is not halfway, a short focal length.
    full("odd size", *view(317, 203, 0x300000, 0xA00000, 0x3333));
    full("wide strip", *view(1920, 1080, 0x900000, 0x500000, 0x6400));

    // Partial redraws into the own buffer, with and without column tops,
    // and a clip whose bottom lies above some columns' terrain.
    ref<Vterrain> part = view(480, 320, 0x200000, 0x900000, 0x2100);
    part->drawTerrain(part->m_pixels, 480, 320, 100, 50, 300, 200);
    record("clip before tops", part->m_pixels, *part);
    full("clip full", *part);
    part->setWxyz(part->getWx() + kUnit, part->getWy(), part->getWz());
    part->drawTerrain(part->m_pixels, 480, 320, 0, 60, 480, 320);
    record("clip lower part", part->m_pixels, *part);
    part->drawTerrain(part->m_pixels, 480, 320, 40, 0, 440, part->m_top[240] + 2);
    record("clip above tops", part->m_pixels, *part);
    part->drawTerrain(part->m_pixels, 480, 320, -20, -20, 9000, 9000);
    record("clip overhanging", part->m_pixels, *part);

    // No own buffer: the view draws straight into the target, sky from y0.
    ref<Vterrain> direct = view(480, 320, 0x600000, 0x300000, 0x7000);
    direct->m_pixels = Array<int32_t>();
    Array<int32_t> target(640 * 400);
    for (int32_t k = 0; k < target.length; k++)
        target[k] = 0x05060708;
    direct->drawTerrain(target, 640, 400, 0, 0, 480, 320);
    record("direct full", target, *direct, 640);
    direct->drawTerrain(target, 640, 400, 200, 100, 640, 400);
    record("direct clip", target, *direct, 640);

    // No ground at all: only the sky.
    ref<Vterrain> bare = view(480, 320, 0x500000, 0x400000, 0x0800);
    bare->m_polyTerrain = nullptr;
    full("no ground", *bare);

    // A drawing whose height map is not made yet: flat ground at 0.
    ref<VpolyTerrain> unmade = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    swf->make(unmade, "layout"_s, 512, 512, 13007, 64, 0);
    unmade->setGroundTextures(noiseLibrary(16), 0);
    ref<Vterrain> early = view(480, 320, 0x500000, 0x400000, 0x0800);
    early->m_polyTerrain = unmade;
    full("no height map", *early);

    // Flat colours when the ground has no texture library.
    ref<Vilib> textures = g.m_textureLib;
    g.m_textureLib = nullptr;
    full("no textures", *view(480, 320, 0x500000, 0x400000, 0x0800));
    g.m_textureLib = textures;

    // A fresh crater in front of the eye, then the map made again.
    ref<Vterrain> crater = view(480, 320, 0x400000, 0x400000, 0);
    full("before the crater", *crater);
    int32_t cz = 0x400000 - 40 * kUnit;
    crater->makeHole(0x400000, g.getHeight(0x400000, cz), cz, 6 * kUnit);
    ASSERT_TRUE(crater->m_changed);
    full("crater", *crater);
    EXPECT_NE(m_sums.back().second, m_sums[m_sums.size() - 2].second);
    g.makeHeight();

    // Compare, and on any difference print the table to paste.
    std::string table;
    char line[160];
    for (const auto& [name, sum] : m_sums) {
        std::snprintf(line, sizeof line, "    {\"%s\", 0x%016" PRIX64 "u},\n", name.c_str(), sum);
        table += line;
    }
    ASSERT_EQ(m_sums.size(), std::size(kGolden)) << table;
    for (size_t k = 0; k < m_sums.size(); k++) {
        EXPECT_EQ(m_sums[k].first, kGolden[k].name) << table;
        EXPECT_EQ(m_sums[k].second, kGolden[k].sum) << m_sums[k].first;
    }
    if (HasFailure())
        std::printf("New checksums:\n%s", table.c_str());
}

INSTANTIATE_TEST_SUITE_P(Casters, TerrainGoldenTest, testing::ValuesIn(kCasters), casterName);
