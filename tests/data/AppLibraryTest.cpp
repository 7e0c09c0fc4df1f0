#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "DataFiles.h"
#include "game/AppPicture.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
#include "support/Pixels.h"
#include "terrain/TerrainSky.h"

namespace {

constexpr int32_t kMargin = AppPicture::kMapMargin;

// Runs of pictures of one size, from index 0: count, width, height.
constexpr int32_t kSizes[][3] = {
    {7, 64, 64}, {1, 200, 34}, {1, 52, 34}, {7, 64, 64}, {1, 32, 32}, {12, 64, 72}, {3, 20, 20}, {9, 40, 40},
    {1, 320 + 2 * kMargin, 240 + 2 * kMargin}, {2, 480, 320}, {1, 64, 64}, {4, 4, 4}, {1, 480, 320},
    {4, TerrainSky::kWidth, TerrainSky::kHeight}, {1, 96, 120}, {1, 64, 128}, {1, 64, 40}, {1, 128, 40},
    {1, 112, 96}, {1, 96, 24}, {1, 112, 96}, {1, 48, 32}};

uint32_t pixel(const ref<Vpicture>& p, int32_t k) { return static_cast<uint32_t>(p->m_pixels[k]); }
int32_t alphaAt(const ref<Vpicture>& p, int32_t x, int32_t y) { return pixel(p, y * p->m_width + x) >> 28; }

// Mean colour difference between two columns (or rows) of a texture.
double lineDifference(const ref<Vpicture>& p, bool columns, int32_t a, int32_t b)
{
    double sum = 0;
    int32_t n = p->m_width;
    for (int32_t k = 0; k < n; ++k) {
        uint32_t pa = pixel(p, columns ? k * n + a : a * n + k), pb = pixel(p, columns ? k * n + b : b * n + k);
        for (int32_t s : {0, 8, 16})
            sum += std::abs(channel(pa, s) - channel(pb, s));
    }
    return sum / (3.0 * n);
}

class AppLibraryTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InputStream::setResourceDir(dataDir());
        s_lib = new Vilib(new Vdisplay(), "app"_s);
    }
    static void TearDownTestSuite()
    {
        s_lib = nullptr;
        InputStream::setResourceDir(".");
    }
    static ref<Vilib> s_lib;
};

ref<Vilib> AppLibraryTest::s_lib;

TEST_F(AppLibraryTest, EveryIndexDecodesAtItsSizeWithADistinctName)
{
    ASSERT_GE(s_lib->m_count, 50);
    std::map<std::string, int32_t> names;
    int32_t i = 0;
    for (const auto& [count, w, h] : kSizes)
        for (int32_t end = i + count; i < end; ++i) {
            ref<Vpicture> p = s_lib->loadPicture(i);
            ASSERT_TRUE(p) << "picture " << i;
            EXPECT_TRUE(p->m_width == w && p->m_height == h) << "picture " << i;
            EXPECT_TRUE(names.emplace(s_lib->m_names[i]->c_str(), i).second) << s_lib->m_names[i]->c_str() << " used twice";
        }
    EXPECT_EQ(i, AppPicture::kCount);
    EXPECT_EQ(s_lib->loadPicture(0)->m_type, 'j');
    // The splash and explosion hot spots the game relies on.
    EXPECT_EQ(s_lib->loadPicture(16)->m_cx, 16);
    for (i = 17; i <= 28; ++i)
        EXPECT_GT(s_lib->loadPicture(i)->m_cy, 36) << "explosion frame " << i << " should sit on its hot spot";
}

TEST_F(AppLibraryTest, SkiesGoRoundAndThingsStandOnTheirFeet)
{
    for (int32_t i = AppPicture::kSky; i < AppPicture::kSky + AppPicture::kSkies; ++i) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        ASSERT_TRUE(p);
        const int32_t w = p->m_width;
        // A full turn: the last column runs on into the first.
        double seam = 0, inside = 0;
        for (int32_t y = 0; y < p->m_height; ++y)
            for (int32_t s : {0, 8, 16}) {
                seam += std::abs(channel(pixel(p, y * w + w - 1), s) - channel(pixel(p, y * w), s));
                inside += std::abs(channel(pixel(p, y * w + w / 2), s) - channel(pixel(p, y * w + w / 2 + 1), s));
            }
        EXPECT_LE(seam, 2 * inside + 6 * p->m_height) << "sky " << i;
    }
    // Dusk is warm at the horizon, a clear day blue above it.
    auto horizon = [&](int32_t sky) { return pixel(s_lib->loadPicture(sky), TerrainSky::kHorizonRow * TerrainSky::kWidth); };
    EXPECT_GT(channel(horizon(AppPicture::kSky + AppPicture::kSkyDusk), 16),
              channel(horizon(AppPicture::kSky + AppPicture::kSkyDusk), 0) + 40);
    ref<Vpicture> clear = s_lib->loadPicture(AppPicture::kSky);
    EXPECT_GT(channel(pixel(clear, 0), 0), channel(pixel(clear, 0), 16) + 60);
    for (int32_t i = AppPicture::kThing; i < AppPicture::kThing + AppPicture::kThings; ++i) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        ASSERT_TRUE(p);
        EXPECT_TRUE(p->m_cx == p->m_width / 2 && p->m_cy == p->m_height - 1) << "thing " << i;
        EXPECT_EQ(alphaAt(p, 0, 0), 0) << "thing " << i << " has the sky around it";
        int32_t feet = 0;
        for (int32_t x = 0; x < p->m_width; ++x)
            feet += alphaAt(p, x, p->m_height - 1) > 8;
        EXPECT_GT(feet, 0) << "thing " << i << " touches the ground";
    }
}

TEST_F(AppLibraryTest, GroundTexturesAreOpaqueSeamlessTiles)
{
    for (int32_t i : {0, 1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14, 15}) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->m_width, p->m_height);
        EXPECT_EQ(p->m_width & (p->m_width - 1), 0) << "texture " << i << " is not a power of two";
        EXPECT_TRUE(p->m_opaque);
        // Across the wrap the step between edge texels is no bigger than the
        // steps between neighbours inside the tile; a seam stands out above
        // them all.
        int32_t n = p->m_width;
        for (bool columns : {true, false}) {
            double steepest = 0;
            for (int32_t k = 0; k < n - 1; ++k)
                steepest = std::max(steepest, lineDifference(p, columns, k, k + 1));
            EXPECT_LE(lineDifference(p, columns, n - 1, 0), steepest * 1.05 + 1)
                << "texture " << i << (columns ? " seam in x" : " seam in y");
        }
    }
}

TEST_F(AppLibraryTest, MasksLeaveCornersTransparentAndButtonsDark)
{
    std::vector<int32_t> cornered = {7, 8, 44};
    for (int32_t i = 16; i <= 40; ++i)
        if (i < 29 || i > 31)
            cornered.push_back(i);
    for (int32_t i : cornered) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        ASSERT_TRUE(p);
        int32_t w = p->m_width, h = p->m_height;
        EXPECT_FALSE(p->m_opaque) << "picture " << i;
        for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
            EXPECT_EQ(alphaAt(p, x, y), 0) << "picture " << i << " corner " << x << "," << y;
    }
    // Icons show something; the radar scope is see-through inside its rim;
    // the victory overlay covers only part of the screen.
    auto solid = [](const ref<Vpicture>& p, uint32_t alpha) {
        int32_t n = 0;
        for (int32_t k = 0; k < p->m_pixels.length; ++k)
            n += pixel(p, k) >> 28 == alpha;
        return n;
    };
    for (int32_t i = 32; i <= 40; ++i)
        EXPECT_GT(solid(s_lib->loadPicture(i), 15), 80) << "icon " << i;
    const int32_t rim = alphaAt(s_lib->loadPicture(44), 20, 40);
    EXPECT_TRUE(rim > 0 && rim < 15) << rim;
    EXPECT_GT(solid(s_lib->loadPicture(43), 0), 480 * 320 / 2);
    for (int32_t i : {41, 42, 49})
        EXPECT_TRUE(s_lib->loadPicture(i)->m_opaque) << "picture " << i;
    // Buttons are solid, and dark enough under their white, shadowed text.
    for (int32_t i : {7, 8}) {
        ref<Vpicture> b = s_lib->loadPicture(i);
        EXPECT_EQ(alphaAt(b, b->m_width / 2, 16), 15);
        double luma = 0;
        int32_t n = 0;
        for (int32_t y = 8; y < 26; ++y)
            for (int32_t x = 12; x < b->m_width - 12; ++x, ++n) {
                uint32_t px = pixel(b, y * b->m_width + x);
                luma += 0.3 * channel(px, 16) + 0.59 * channel(px, 8) + 0.11 * channel(px, 0);
            }
        EXPECT_LT(luma / n, 130) << "button " << i;
    }
}

TEST_F(AppLibraryTest, BattleSitesAndCapitalsLieOnLand)
{
    ref<Vpicture> map = s_lib->loadPicture(AppPicture::kMap);
    ASSERT_TRUE(map);
    // Sea is blue-dominant; land (fields, hills, rivers' thin lines aside) is
    // not. Cells are counted from the grid's corner, inside the margin.
    auto landShare = [&](int32_t col, int32_t row) {
        int32_t land = 0;
        for (int32_t y = kMargin + row * 20; y < kMargin + row * 20 + 20; ++y)
            for (int32_t x = kMargin + col * 20; x < kMargin + col * 20 + 20; ++x) {
                uint32_t p = pixel(map, y * map->m_width + x);
                land += channel(p, 0) < channel(p, 16) + 12;
            }
        return land / 400.0;
    };
    const int32_t sites[][2] = {{14, 1}, {15, 1}, {12, 2}, {13, 2}, {11, 3}, {0, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 4},
                                {8, 4},  {9, 4},  {10, 4}, {0, 5},  {3, 5},  {0, 6}, {1, 6}, {2, 6}, {2, 7}};
    for (const auto& s : sites) {
        // The cell on the Strait of Dover has the coasts of both shores.
        double wanted = (s[0] == 0 && s[1] == 5) ? 0.33 : 0.6;
        EXPECT_GE(landShare(s[0], s[1]), wanted) << "site cell " << s[0] << "," << s[1];
    }
    // Open sea where it belongs: the North Sea, the Baltic, the Gulf of Lion
    // and the Black Sea.
    for (auto [col, row] : {std::pair{1, 1}, {7, 1}, {3, 11}, {15, 10}})
        EXPECT_LT(landShare(col, row), 0.15) << "sea cell " << col << "," << row;
}

TEST_F(AppLibraryTest, DecodingIntoAPictureReusesItsPixelsAndKeepsNothing)
{
    ref<Vilib> lib = new Vilib(new Vdisplay(), "app"_s);
    // Explosion frames are run-length pictures of one size, skies JPEGs: each
    // decoded over the one before must come out as decoded afresh.
    for (int32_t first : {17, AppPicture::kSky}) {
        Vpicture pic;
        ASSERT_TRUE(lib->decodeInto(first, pic));
        const int32_t* buffer = pic.m_pixels.a;
        for (int32_t i = first + 1; i < first + 3; ++i) {
            ASSERT_TRUE(lib->decodeInto(i, pic));
            EXPECT_EQ(pic.m_pixels.a, buffer) << "picture " << i << " was given a buffer of its own";
            ref<Vpicture> fresh = s_lib->loadPicture(i);
            EXPECT_TRUE(pic.m_type == fresh->m_type && pic.m_opaque == fresh->m_opaque);
            ASSERT_EQ(pic.m_pixels.length, fresh->m_pixels.length);
            EXPECT_TRUE(std::equal(pic.m_pixels.a, pic.m_pixels.a + pic.m_pixels.length, fresh->m_pixels.a))
                << "picture " << i;
            EXPECT_EQ(pic.m_spans.length, fresh->m_spans.length);
            EXPECT_TRUE(std::equal(pic.m_cores.a, pic.m_cores.a + pic.m_cores.length, fresh->m_cores.a));
            EXPECT_FALSE(lib->m_pictures[i]) << "the library kept picture " << i;
        }
    }
    Vpicture pic;
    EXPECT_FALSE(lib->decodeInto(-1, pic) || lib->decodeInto(lib->m_count, pic));
}

TEST(AppLibraryGeneration, IsDeterministic)
{
    TempDir dir("imagegen");
    ASSERT_TRUE(runTool("imagegen " + dir.str() + " " + assetsDir() + "/europe.txt"));
    ASSERT_TRUE(std::filesystem::exists(dataDir() + "/app1.bin"));
    for (int32_t page = 0; std::filesystem::exists(dataDir() + "/app" + std::to_string(page) + ".bin"); ++page) {
        std::string file = "/app" + std::to_string(page) + ".bin";
        EXPECT_EQ(readFile(dir.str() + file), readFile(dataDir() + file)) << file;
    }
}

} // namespace
