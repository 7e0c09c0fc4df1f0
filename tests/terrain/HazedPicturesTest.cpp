#include <gtest/gtest.h>

#include "TerrainFixtures.h"
#include "terrain/HazedPictures.h"

// A thing drawn larger than it is comes from its enlarged twin at a quarter
// of the scale, in clear air and in the haze alike; drawn small it is the
// picture itself.
TEST(HazedPictures, ThingsDrawnLargeComeFromTheirEnlargedTwin)
{
    ref<Vilib> lib = textureLibrary(3);
    HazedPictures things(lib, 1, 2, 0xFFFFFF);
    ASSERT_TRUE(things.holds(lib.get(), 2));
    EXPECT_FALSE(things.holds(lib.get(), 0));

    int32_t scale = 20000;
    EXPECT_EQ(things.at(1, 0, scale), things.at(1, 0));
    EXPECT_EQ(scale, 20000);
    scale = HazedPictures::kEnlargedFrom;
    EXPECT_EQ(things.at(1, 0, scale), things.at(1, 0)) << "a little larger is still the picture";

    scale = 5 * 32768;
    Vpicture* twin = things.at(1, 0, scale);
    EXPECT_EQ(scale, 5 * 32768 / HazedPictures::kEnlarge);
    ASSERT_NE(twin, things.at(1, 0));
    EXPECT_EQ(twin->m_width, 64 * HazedPictures::kEnlarge);

    // Half in the haze: the twin of the hazed picture, paler than the clear one.
    scale = 5 * 32768;
    Vpicture* hazed = things.at(1, 16384, scale);
    ASSERT_NE(hazed, twin);
    EXPECT_GT(hazed->m_pixels[0] & 0xFF, twin->m_pixels[0] & 0xFF);
}
