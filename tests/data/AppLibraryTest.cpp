#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "DataFiles.h"
#include "Png.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"

namespace {

struct Size {
    int32_t w = 0, h = 0;
};

Size expectedSize(int32_t i)
{
    if (i <= 6 || (i >= 9 && i <= 15) || i == 44)
        return {64, 64};
    if (i == 7)
        return {200, 34};
    if (i == 8)
        return {52, 34};
    if (i == 16)
        return {32, 32};
    if (i <= 28)
        return {64, 72};
    if (i <= 31)
        return {20, 20};
    if (i <= 40)
        return {40, 40};
    if (i == 41)
        return {320, 240};
    if (i >= 45 && i <= 48)
        return {4, 4};
    return {480, 320};
}

bool isTexture(int32_t i) { return i <= 6 || (i >= 9 && i <= 15); }

int32_t alphaAt(const ref<Vpicture>& p, int32_t x, int32_t y)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p->m_pixels[y * p->m_width + x]) >> 28);
}

int32_t channel(int32_t px, int32_t shift) { return (px >> shift) & 255; }

// Mean colour difference between two columns (or rows) of a texture.
double lineDifference(const ref<Vpicture>& p, bool columns, int32_t a, int32_t b)
{
    double sum = 0;
    int32_t n = columns ? p->m_height : p->m_width;
    for (int32_t k = 0; k < n; ++k) {
        int32_t pa = columns ? p->m_pixels[k * p->m_width + a] : p->m_pixels[a * p->m_width + k];
        int32_t pb = columns ? p->m_pixels[k * p->m_width + b] : p->m_pixels[b * p->m_width + k];
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
    for (int32_t i = 0; i < 50; ++i) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        ASSERT_TRUE(p) << "picture " << i;
        EXPECT_EQ(p->m_width, expectedSize(i).w) << "picture " << i;
        EXPECT_EQ(p->m_height, expectedSize(i).h) << "picture " << i;
        std::string name = s_lib->m_names[i]->c_str();
        EXPECT_FALSE(name.empty()) << "picture " << i;
        EXPECT_TRUE(names.emplace(name, i).second) << name << " used twice";
    }
    EXPECT_EQ(s_lib->loadPicture(0)->m_type, 'j');
    // The splash and explosion hot spots the game relies on.
    EXPECT_EQ(s_lib->loadPicture(16)->m_cx, 16);
    for (int32_t i = 17; i <= 28; ++i)
        EXPECT_GT(s_lib->loadPicture(i)->m_cy, 36) << "explosion frame " << i << " should sit on its hot spot";
}

TEST_F(AppLibraryTest, GroundTexturesAreOpaqueSeamlessTiles)
{
    for (int32_t i = 0; i < 16; ++i) {
        if (!isTexture(i))
            continue;
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

TEST_F(AppLibraryTest, MasksLeaveCornersTransparent)
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
    // Buttons are solid in the middle; icons show something; the radar scope
    // is see-through inside its rim.
    EXPECT_EQ(alphaAt(s_lib->loadPicture(7), 100, 16), 15);
    EXPECT_EQ(alphaAt(s_lib->loadPicture(8), 26, 16), 15);
    for (int32_t i = 32; i <= 40; ++i) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        int32_t solid = 0;
        for (int32_t k = 0; k < p->m_pixels.length; ++k)
            solid += (static_cast<uint32_t>(p->m_pixels[k]) >> 28) == 15;
        EXPECT_GT(solid, 80) << "icon " << i;
    }
    ref<Vpicture> radar = s_lib->loadPicture(44);
    EXPECT_GT(alphaAt(radar, 20, 40), 0);
    EXPECT_LT(alphaAt(radar, 20, 40), 15);
    EXPECT_EQ(alphaAt(radar, 2, 2), 0);
    // The victory overlay covers only part of the screen.
    ref<Vpicture> overlay = s_lib->loadPicture(43);
    int32_t clear = 0;
    for (int32_t k = 0; k < overlay->m_pixels.length; ++k)
        clear += (static_cast<uint32_t>(overlay->m_pixels[k]) >> 28) == 0;
    EXPECT_GT(clear, overlay->m_pixels.length / 2);
    for (int32_t i : {41, 42, 49})
        EXPECT_TRUE(s_lib->loadPicture(i)->m_opaque) << "picture " << i;
}

TEST_F(AppLibraryTest, RadarAndButtonsFitTheirLayout)
{
    // The scope is a disc of radius 31 around pixel (31, 31): solid or
    // see-through inside, clear outside.
    ref<Vpicture> radar = s_lib->loadPicture(44);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            double d = std::hypot(x - 31.0, y - 31.0);
            if (d < 29.5) {
                EXPECT_GT(alphaAt(radar, x, y), 0) << x << "," << y;
            } else if (d > 32.5) {
                EXPECT_EQ(alphaAt(radar, x, y), 0) << x << "," << y;
            }
        }
    // White text with a shadow needs a darkish plate under it.
    for (int32_t i : {7, 8}) {
        ref<Vpicture> b = s_lib->loadPicture(i);
        double luma = 0;
        int32_t n = 0;
        for (int32_t y = 8; y < 26; ++y)
            for (int32_t x = 12; x < b->m_width - 12; ++x, ++n) {
                int32_t px = b->m_pixels[y * b->m_width + x];
                luma += 0.3 * channel(px, 16) + 0.59 * channel(px, 8) + 0.11 * channel(px, 0);
            }
        EXPECT_LT(luma / n, 130) << "button " << i;
    }
}

TEST_F(AppLibraryTest, ExplosionGrowsFlaresAndFadesToSmoke)
{
    // Covered area (sum of alpha) and glow (alpha-weighted red) per frame.
    std::vector<double> area, glow;
    for (int32_t i = 17; i <= 28; ++i) {
        ref<Vpicture> p = s_lib->loadPicture(i);
        double a = 0, red = 0;
        for (int32_t k = 0; k < p->m_pixels.length; ++k) {
            a += static_cast<uint32_t>(p->m_pixels[k]) >> 28;
            red += channel(p->m_pixels[k], 16);
        }
        area.push_back(a);
        glow.push_back(a > 0 ? red / a : 0);
    }
    EXPECT_LT(area[0], area[2]);
    EXPECT_LT(area[2], area[5]);
    EXPECT_GT(glow[2], glow[6]);
    EXPECT_GT(glow[6], glow[10]);
    EXPECT_LT(area[11], area[10] / 2) << "the last frame is almost gone";
    EXPECT_GT(area[11], 0);
}

TEST_F(AppLibraryTest, BattleSitesAndCapitalsLieOnLand)
{
    ref<Vpicture> map = s_lib->loadPicture(41);
    ASSERT_TRUE(map);
    // Sea is blue-dominant; land (fields, hills, rivers' thin lines aside) is not.
    auto landShare = [&](int32_t col, int32_t row) {
        int32_t land = 0;
        for (int32_t y = row * 20; y < row * 20 + 20; ++y)
            for (int32_t x = col * 20; x < col * 20 + 20; ++x) {
                int32_t px = map->m_pixels[y * 320 + x];
                land += channel(px, 0) < channel(px, 16) + 12;
            }
        return land / 400.0;
    };
    const int32_t sites[][2] = {{14, 1}, {15, 1}, {12, 2}, {13, 2}, {11, 3}, {0, 4}, {4, 4},
                                {5, 4},  {6, 4},  {7, 4},  {8, 4},  {9, 4},  {10, 4}, {0, 5},
                                {3, 5},  {0, 6},  {1, 6},  {2, 6},  {2, 7}};
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

TEST(AppLibraryGeneration, IsDeterministicAndRoundTripsThroughTheReader)
{
    ScratchDir dir("imagegen");
    std::filesystem::create_directories(dir.path / "png");
    ASSERT_TRUE(runTool("imagegen " + dir.str() + " " + assetsDir() + "/europe.txt --png " + dir.str() + "/png"));
    // The same bytes as the build's own run.
    for (int32_t page = 0; std::filesystem::exists(dataDir() + "/app" + std::to_string(page) + ".bin"); ++page) {
        std::string file = "/app" + std::to_string(page) + ".bin";
        EXPECT_EQ(readBytes(dir.str() + file), readBytes(dataDir() + file)) << file;
    }
    InputStream::setResourceDir(dir.str());
    ref<Vilib> lib = new Vilib(new Vdisplay(), "app"_s);
    ASSERT_GE(lib->m_count, 50);
    for (int32_t i = 0; i < lib->m_count; ++i) {
        std::string png = dir.str() + "/png/" + std::to_string(i) + "_" + lib->m_names[i]->c_str() + ".png";
        int32_t w = 0, h = 0;
        std::vector<uint32_t> source;
        ASSERT_TRUE(Png::read(png, w, h, source)) << png;
        ref<Vpicture> p = lib->loadPicture(i);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->m_width * p->m_height, w * h);
        // Fully transparent and fully opaque texels keep their alpha; solid
        // colours come back within the error of 15-bit colour or JPEG.
        double colourError = 0;
        int32_t solid = 0, alphaMisses = 0;
        for (size_t k = 0; k < source.size(); ++k) {
            uint32_t d = static_cast<uint32_t>(p->m_pixels[static_cast<int32_t>(k)]);
            uint32_t sa = source[k] >> 24, da = d >> 28;
            alphaMisses += (sa == 0 && da != 0) || (sa == 255 && da != 15);
            if (sa == 255 && da == 15) {
                for (int32_t s : {0, 8, 16})
                    colourError += std::abs(static_cast<int32_t>(source[k] >> s & 255) - static_cast<int32_t>(d >> s & 255));
                ++solid;
            }
        }
        EXPECT_LE(alphaMisses, static_cast<int32_t>(source.size() / 100)) << lib->m_names[i]->c_str();
        if (solid > 0) {
            EXPECT_LT(colourError / (3.0 * solid), 8.0) << lib->m_names[i]->c_str();
        }
    }
    InputStream::setResourceDir(".");
}

} // namespace
