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

TEST(VpolyTerrain, EachMapRowWalksTwoPolygonRowsAsOneSequence)
{
    ref<VpolyTerrain> p = new VpolyTerrain;
    p->init(512, 512, 64, 64);
    // The background's height is read by the same rule as every style's.
    p->setColor(0, 0x002000);
    int32_t a = p->addColor(0x000040), b = p->addColor(0x000060);
    p->addEdge(20 * 16, 20, 20 * 16, a, 0, true);   // map row 10: a from column 10 ...
    p->addEdge(400 * 16, 21, 400 * 16, b, 0, true); // ... and b from column 200
    p->addEdge(200 * 16, 60, 200 * 16, a, 0, true); // map row 30: a from column 100, but
    p->addEdge(100 * 16, 61, 100 * 16, b, 0, true); // b (at 50, behind) takes over from there
    p->finish();
    p->makeHeight();
    EXPECT_EQ(p->m_baseHeight, 32 * 4096);
    // A lone row of 0x40 or 0x60 among rows of 32, after two passes down the columns.
    const int32_t want[][3] = {{128, 0, 32}, {5, 10, 32}, {100, 10, 44}, {230, 10, 56}, {60, 30, 32}, {120, 30, 56}, {200, 30, 56}};
    for (const auto& w : want)
        EXPECT_EQ(cell(*p, w[0], w[1]), w[2]) << "column " << w[0] << " row " << w[1];
}

TEST(VpolyTerrain, SmoothingPassesKeepToTheirEdgeRules)
{
    ref<VpolyTerrain> p = new VpolyTerrain;
    Array<int8_t> src(8), dst(8);
    const uint8_t in[] = {0, 100, 0, 200, 10, 10, 10, 250};
    std::memcpy(src.a, in, 8);
    p->blur2(dst, src, 4, 2, 0);
    // Two rows of four, written transposed (column-major).
    EXPECT_EQ((std::vector<uint8_t>(dst.a, dst.a + 8)), (std::vector<uint8_t>{25, 10, 50, 10, 75, 70, 150, 190}));
    // A map of one value stays that value.
    ref<VpolyTerrain> flat = flatMap(77);
    Array<int8_t> scratch(65536);
    flat->blur(flat->m_heightMap, scratch, 2);
    EXPECT_TRUE(cell(*flat, 0, 0) == 77 && cell(*flat, 255, 255) == 77 && cell(*flat, 17, 200) == 77);
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

TEST(VpolyTerrain, ShadingHalvesBrightensAndCaps)
{
    ref<VpolyTerrain> p = new VpolyTerrain;
    EXPECT_EQ(static_cast<uint32_t>(p->shade(static_cast<int32_t>(0xFF808080u), -16385)), 0xFF404040u);
    EXPECT_EQ(static_cast<uint32_t>(p->shade(0x808080, -16384)), 0xFF404040u);
    EXPECT_EQ(p->shade(0x80F010, 20000), p->shade(0x80F010, 8192));
    EXPECT_EQ(static_cast<uint32_t>(p->shade(0x80F010, 8192)), 0xFFA0FF14u);
    EXPECT_EQ(static_cast<uint32_t>(p->shade(0x102030, 0)), 0xFF102030u);
    // The word and the colour-only forms agree for every channel value and
    // light, each channel shaded in its own place.
    int32_t wrong = 0;
    for (int32_t light = -20000; light <= 12000; light += 7)
        for (int32_t c = 0; c < 256; c++) {
            int32_t color = c << 16 | (255 - c) << 8 | (c * 7 & 255) | static_cast<int32_t>(0x80000000u);
            wrong += VpolyTerrain::shadeRgb(color, light) != (VpolyTerrain::shadeColor(color, light) & 0xFFFFFF);
        }
    EXPECT_EQ(wrong, 0);
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

TEST(VpolyTerrain, TheMapFromAboveIsTexturedAndShadedOnSlopes)
{
    // Grass at 16 rising to 48 from x (units), drawn from above at a scale.
    auto topDown = [](int32_t x, int32_t scale, int32_t w, int32_t h) {
        ref<VpolyTerrain> p = stripes({{0, 0x001000}, {x, 0x003000}});
        p->setGroundTextures(textureLibrary(8), 0);
        p->makeHeight();
        p->rescale(0, 0, scale);
        Array<int32_t> px(w * h);
        p->draw(px, w, h, 0, 0, w, h);
        return px;
    };
    // Two pixels a unit: texels every half unit, so one texel a pixel. Flat
    // ground shows the texel as it is: texture 2 (grass), column (u >> 14) & 63.
    Array<int32_t> px = topDown(256, 65536, 200, 20);
    EXPECT_EQ(static_cast<uint32_t>(px[5 * 200 + 70]), 0xFF000000u | 2u << 16 | 5u << 8 | 6u);
    // One pixel a unit: texel column 2x, row 2y; where the ground rises toward
    // x 60 the slope darkens it.
    Array<int32_t> shaded = topDown(60, 32768, 80, 4);
    EXPECT_EQ(static_cast<uint32_t>(shaded[1 * 80 + 29]), 0xFF000000u | 2u << 16 | 2u << 8 | 58u);
    EXPECT_LT(static_cast<uint32_t>(shaded[1 * 80 + 59]) & 0xFF, 118u & 63) << "rising ground ahead is darkened";
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

TEST(VpolyTerrain, TexelsFollowEachStylesPictureOrColour)
{
    ref<VpolyTerrain> p = stripes({{0, 0x001000}, {100, 0x100000}, {300, 0x000040}});
    // A picture wider than 64 texels gives its top left 64 x 64.
    ref<Vilib> lib = textureLibrary(8);
    ref<Vpicture> wide = new Vpicture;
    wide->m_width = 80;
    wide->m_height = 64;
    wide->m_pixels = Array<int32_t>(80 * 64);
    for (int32_t k = 0; k < 80 * 64; k++)
        wide->m_pixels[k] = k;
    lib->m_pictures[5] = wide;
    p->setGroundTextures(lib, 0);
    const int32_t grass = p->getXy2(50 * kUnit, 0), earth = p->getXy2(200 * kUnit, 0), water = p->getXy2(400 * kUnit, 0);
    ASSERT_EQ(p->m_textures[earth], VpolyTerrain::kEarth);
    p->m_textures[earth] = 5;
    const int32_t* t = p->texels();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(t[grass << 12 | 7 << 6 | 9]), 0xFF000000u | VpolyTerrain::kGrass << 16 | 7 << 8 | 9);
    EXPECT_EQ(static_cast<uint32_t>(t[water << 12 | 63 << 6 | 63]), 0xFF003F3Fu);
    EXPECT_EQ(t[earth << 12 | 2 << 6 | 3], 2 * 80 + 3);
    // Without a library each style is its colour; with it again, its picture.
    p->m_textureLib = nullptr;
    t = p->texels();
    EXPECT_EQ(t[grass << 12 | 1234], p->m_colors[grass]);
    EXPECT_EQ(t[water << 12], p->m_colors[water]);
    p->m_textureLib = lib;
    EXPECT_EQ(p->texels()[earth << 12 | 63 << 6], 63 * 80);
    // A picture the library replaced is copied again.
    ref<Vpicture> fresh = new Vpicture;
    fresh->m_width = fresh->m_height = 64;
    fresh->m_pixels = Array<int32_t>(64 * 64);
    fresh->m_pixels[0] = 42;
    lib->m_pictures[5] = fresh;
    EXPECT_EQ(p->texels()[earth << 12], 42);
}
