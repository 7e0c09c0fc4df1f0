#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "TerrainFixtures.h"

namespace {

constexpr int32_t kCell = 65536;

// A 512 x 512 drawing whose rows are cut by vertical boundaries: each pair
// (x in units, colour) starts a region of that colour at x.
ref<VpolyTerrain> stripes(const std::vector<std::pair<int32_t, int32_t>>& cuts, int32_t colour0 = 0)
{
    ref<VpolyTerrain> p = new VpolyTerrain;
    p->init(512, 512, 4096, 64);
    p->setColor(0, colour0);
    for (auto [x, colour] : cuts)
        p->line(x * kUnit, 0, x * kUnit, 512 * kUnit, 0, p->addColor(colour));
    p->finish();
    return p;
}

ref<VpolyTerrain> flatMap(int32_t h)
{
    ref<VpolyTerrain> p = stripes({{0, 0x001000}});
    p->makeHeight();
    std::memset(p->m_heightMap.a, h, 65536);
    return p;
}

int32_t cell(const VpolyTerrain& p, int32_t col, int32_t row)
{
    return p.m_heightMap[row * 256 + col] & 255;
}

void setCell(VpolyTerrain& p, int32_t col, int32_t row, int32_t h)
{
    p.m_heightMap[row * 256 + col] = static_cast<int8_t>(h);
}

} // namespace

TEST(VpolyTerrain, AKnownDrawingGivesKnownBytes)
{
    // Grass at height 16 from x 0, water at 80 from x 256 (column 128).
    ref<VpolyTerrain> p = stripes({{0, 0x001000}, {256, 0x000050}});
    p->makeHeight();
    EXPECT_EQ(p->m_baseHeight, 16 * 4096);
    // Two 1-2-1 passes across the step, truncating after each.
    const int32_t expect[] = {16, 16, 20, 36, 60, 76, 80, 80};
    for (int32_t row : {0, 100, 255})
        for (int32_t k = 0; k < 8; k++)
            EXPECT_EQ(cell(*p, 124 + k, row), expect[k]) << row << " " << k;
    EXPECT_TRUE(cell(*p, 0, 7) == 16 && cell(*p, 255, 7) == 80) << "the smoothing does not wrap";
    // Height bytes: the lowest non-zero one of blue, green, red.
    for (auto [colour, height] : {std::pair{0x123456, 0x56}, {0x123400, 0x34}, {0x120000, 0x12}, {static_cast<int32_t>(0xFF000000u), 0}})
        EXPECT_EQ(VpolyTerrain::colorHeight(colour), height) << std::hex << colour;
}

TEST(VpolyTerrain, HeightsAreBilinearAndWrapOnBothAxes)
{
    ref<VpolyTerrain> p = flatMap(40);
    // Cells (col, row, byte): a square of four, a pair across the column
    // seam, a pair across the row seam, and a cliff from 0 to 255.
    const int32_t cells[][3] = {{10, 20, 100}, {11, 20, 200}, {10, 21, 0}, {11, 21, 50}, {255, 30, 100}, {0, 30, 200}, {0, 31, 0},
                                {50, 255, 10}, {50, 0, 30},  {80, 80, 0},  {81, 80, 1},  {80, 81, 255}, {81, 81, 254}};
    for (const auto& c : cells)
        setCell(*p, c[0], c[1], c[2]);
    const int32_t h = kCell / 2;
    struct Case {
        const char* name;
        int32_t x, z, want;
    };
    const Case cases[] = {
        {"equal corners, whatever the fractions", 12345678, 7654321, 40 * 4096},
        {"a corner is its byte", 10 * kCell, 20 * kCell, 100 * 4096},
        {"half way along x", 10 * kCell + h, 20 * kCell, 150 * 4096},
        {"half way along z", 10 * kCell, 20 * kCell + h, 50 * 4096},
        {"the middle", 10 * kCell + h, 20 * kCell + h, (100 + 200 + 0 + 50) * 1024},
        {"column 255 runs on into column 0", 255 * kCell + h, 30 * kCell, 150 * 4096},
        {"to the left of column 0", -h, 30 * kCell, 150 * 4096},
        {"a whole map further", 255 * kCell + h + 256 * kCell, 30 * kCell - 256 * kCell, 150 * 4096},
        {"row 255 runs on into row 0", 50 * kCell, 255 * kCell + h, 20 * 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(p->getHeight(c.x, c.z), c.want);
    }
    // The cliff stays inside its ends.
    const int32_t cliff = p->getHeight(80 * kCell + 100, 81 * kCell - 16);
    EXPECT_TRUE(cliff > 254 * 4096 && cliff <= 255 * 4096) << cliff;
    EXPECT_EQ(p->getCell(80 * kCell + 5, 81 * kCell + 5), 255);
}

TEST(VpolyTerrain, CratersOnlyLowerTheGroundInsideTheMap)
{
    ref<VpolyTerrain> p = flatMap(100);
    int32_t ground = 100 * 4096, r = 3 * kUnit;
    int32_t x = 60 * kCell, z = 70 * kCell;
    EXPECT_FALSE(p->makeHole(x, ground + r + 4096, z, r)) << "a sphere above the ground";
    EXPECT_EQ(cell(*p, 60, 70), 100);
    EXPECT_TRUE(p->makeHole(x, ground, z, r));
    EXPECT_EQ(cell(*p, 60, 70), (ground - r) >> 12);
    EXPECT_LT(cell(*p, 61, 70), 100);
    EXPECT_EQ(cell(*p, 62, 70), 100) << "two cells away lies outside the radius";
    EXPECT_FALSE(p->makeHole(x, ground, z, r)) << "the same crater again lowers nothing";
    // Deeper than the ground: the bottom is 0.
    EXPECT_TRUE(p->makeHole(120 * kCell, 2 * kUnit, 120 * kCell, 10 * kUnit));
    EXPECT_EQ(cell(*p, 120, 120), 0);
    // At the corner of the map: nothing wraps to the far side.
    EXPECT_TRUE(p->makeHole(0, ground, 0, r));
    EXPECT_LT(cell(*p, 0, 0), 100);
    EXPECT_EQ(cell(*p, 255, 0), 100);
    EXPECT_EQ(cell(*p, 0, 255), 100);
    EXPECT_EQ(cell(*p, 255, 255), 100);
    EXPECT_FALSE(p->makeHole(-100 * kCell, ground, 40 * kCell, r));
}

TEST(VpolyTerrain, GroundClassesTexturesAndFriction)
{
    // The colour classes of the battle set-up.
    const int32_t colours[] = {0x000010, 0x001010, 0x001000, 0x100010, 0x100000, 0x101010, 0x000000, 0x101000};
    const int32_t classes[] = {0, 1, 2, 3, 4, 5, 5, 6};
    for (int32_t k = 0; k < 8; k++)
        EXPECT_EQ(VpolyTerrain::colorClass(colours[k]), classes[k]) << std::hex << colours[k];
    ref<VpolyTerrain> p = stripes({{0, 0x001000}, {100, 0x000030}, {200, 0x400000}}, 0x7777);
    ref<Vilib> lib = textureLibrary(16);
    p->setGroundTextures(lib, 9);
    EXPECT_EQ(p->m_colors[0], p->m_colors[1]);
    EXPECT_TRUE(p->m_textures[1] == 11 && p->m_textures[2] == 9 && p->m_textures[3] == 13);
    EXPECT_TRUE(p->getTexture(150 * kUnit, 3 * kUnit) == 9 && p->getTexture(250 * kUnit + 512 * kUnit, 3 * kUnit) == 13);
    testing::internal::CaptureStderr();
    p->setFrictionRestitution(64, 1, 1);
    p->setFrictionRestitution(-1, 1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "VpolyTerrain: no ground style 64\nVpolyTerrain: no ground style -1\n");
}

TEST(VpolyTerrain, CornerWordsFollowTheHeightMapThroughCratersAndTheWrap)
{
    // What a corner word must hold, straight from the map.
    auto expected = [](const VpolyTerrain& p, int32_t col, int32_t row) {
        auto h = [&](int32_t c, int32_t r) { return static_cast<uint32_t>(cell(p, c & 255, r & 255)); };
        return h(col, row) | h(col + 1, row) << 8 | h(col, row + 1) << 16 | h(col + 1, row + 1) << 24;
    };
    auto wrongWords = [&](VpolyTerrain& p) {
        const uint32_t* words = p.corners();
        int32_t wrong = 0;
        for (int32_t k = 0; k < 65536; k++)
            wrong += words[k] != expected(p, k & 255, k >> 8);
        return wrong;
    };
    ref<VpolyTerrain> p = stripes({{0, 0x001000}, {256, 0x000050}});
    const uint32_t* before = p->corners();
    EXPECT_EQ(before[1234], 0u) << "a map not made yet is flat at 0";
    p->makeHeight();
    EXPECT_EQ(wrongWords(*p), 0);
    // A crater, then single cells on the seams: each changes the words of
    // its cell and of the three cells before it, across the wrap.
    EXPECT_TRUE(p->makeHole(100 * kCell, 40 * 4096, 60 * kCell, 5 * kCell));
    setCell(*p, 0, 0, 200);
    setCell(*p, 255, 128, 3);
    setCell(*p, 17, 255, 99);
    EXPECT_EQ(wrongWords(*p), 0);
    EXPECT_EQ(p->corners()[255 * 256 + 255] >> 24, 200u) << "the last cell's far corner is the first cell";
    EXPECT_EQ(p->corners(), before) << "kept, not made anew";
    // The bilinear height from a word is the map's own.
    for (int32_t x : {0, 77777, 3 * kCell + 12345, 255 * kCell + 65535})
        for (int32_t z : {0, 99999, 40 * kCell + 40000})
            EXPECT_EQ(VpolyTerrain::blendCorners(p->corners()[(z >> 16 & 255) * 256 + (x >> 16 & 255)], (x >> 4) & 4095,
                                                 (z >> 4) & 4095),
                      p->getHeight(x, z));
}
