#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "DataFiles.h"
#include "game/AppPicture.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
#include "terrain/TerrainSky.h"

namespace {

constexpr int32_t kMargin = AppPicture::kMapMargin;

// Runs of pictures of one size, from index 0: count, width, height.
constexpr int32_t kSizes[][3] = {
    {7, 64, 64}, {1, 200, 34}, {1, 52, 34}, {7, 64, 64}, {1, 32, 32}, {12, 64, 72}, {3, 20, 20}, {9, 40, 40},
    {1, 320 + 2 * kMargin, 240 + 2 * kMargin}, {2, 480, 320}, {1, 64, 64}, {4, 4, 4}, {1, 480, 320},
    {4, TerrainSky::kWidth, TerrainSky::kHeight}, {1, 96, 120}, {1, 64, 128}, {1, 64, 40}, {1, 128, 40},
    {1, 112, 96}, {1, 96, 24}, {1, 112, 96}, {1, 48, 32}};

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
    // The splash's hot spot the game relies on.
    EXPECT_EQ(s_lib->loadPicture(16)->m_cx, 16);
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

} // namespace
