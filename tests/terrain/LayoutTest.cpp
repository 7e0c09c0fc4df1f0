#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "data/DataFiles.h"
#include "TerrainScene.h"
#include "TerrainFixtures.h"

namespace {

// The battlefield as a land site battle reads it, shared by the tests here.
class LayoutTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_scene = new TerrainScene(dataDir(), false); }
    static void TearDownTestSuite()
    {
        delete s_scene;
        InputStream::setResourceDir(".");
    }
    static TerrainScene* s_scene;
};

TerrainScene* LayoutTest::s_scene = nullptr;

} // namespace

TEST_F(LayoutTest, BothStartStripsOfferPlentyOfGoodSpots)
{
    // The battle set-up's random spots: x from 41 (or 271) over 200 units,
    // z from 41 over 430 units.
    uint32_t seed = 2024;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>(seed >> 17);
    };
    for (int32_t x0 : {0x148000, 0x878000}) {
        int32_t good = 0, tries = 5000;
        for (int32_t k = 0; k < tries; k++) {
            int32_t x = x0 + V::fmul(next(), 0x640001), z = 0x148000 + V::fmul(next(), 0xD70001);
            good += s_scene->m_field->startSpot(x, z);
        }
        double share = 100.0 * good / tries;
        std::printf("start strip from x %d: %.1f %% of spots are good\n", x0 >> 15, share);
        RecordProperty(x0 == 0x148000 ? "west_strip_good_percent" : "east_strip_good_percent", static_cast<int>(share));
        EXPECT_GE(share, 30.0) << "strip from x " << (x0 >> 15);
    }
}

TEST_F(LayoutTest, TheEdgesJoinUpAndTheReliefIsAsPlanned)
{
    const VpolyTerrain& g = *s_scene->m_ground;
    auto cell = [&](int32_t c, int32_t r) { return g.m_heightMap[(r & 255) * 256 + (c & 255)] & 255; };
    int32_t worstInside = 0, worstSeam = 0, low = 255, high = 0;
    for (int32_t a = 0; a < 256; a++)
        for (int32_t b = 0; b < 256; b++) {
            low = std::min(low, cell(a, b));
            high = std::max(high, cell(a, b));
            int32_t step = std::max(std::abs(cell(a, b) - cell(a + 1, b)), std::abs(cell(a, b) - cell(a, b + 1)));
            int32_t& worst = a == 255 || b == 255 ? worstSeam : worstInside;
            worst = std::max(worst, step);
        }
    // Across the seams (column 255 to 0, row 255 to 0) the ground runs on
    // about as smoothly as anywhere else; only the smoothing, which does not
    // wrap, leaves a byte or two more there.
    EXPECT_LE(worstSeam, worstInside + 3);
    EXPECT_GE(low, 10);
    EXPECT_GE(high, 130);
    EXPECT_LE(high, 210);
    int32_t sameClass = 0;
    for (int32_t z = 0; z < 512; z++)
        sameClass += s_scene->m_field->groundClass(kUnit / 8, z * kUnit) == s_scene->m_field->groundClass(512 * kUnit - kUnit / 8, z * kUnit);
    EXPECT_GE(sameClass, 500);
}

TEST_F(LayoutTest, WaterReadsAsWaterOnLandAndRiverSites)
{
    TerrainScene river(dataDir(), true);
    int32_t water = 0;
    for (int32_t z = 0; z < 512; z += 2)
        for (int32_t x = 0; x < 512; x += 2) {
            int32_t land = s_scene->m_ground->getTexture(x * kUnit, z * kUnit);
            int32_t wet = river.m_ground->getTexture(x * kUnit, z * kUnit);
            EXPECT_EQ(wet, land + 9);
            water += land == 0;
        }
    EXPECT_GT(water, 1500);
}
