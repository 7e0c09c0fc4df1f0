#include <gtest/gtest.h>

#include <filesystem>

#include "Png.h"

TEST(Png, WritesAndReadsBackExactPixels)
{
    std::vector<uint32_t> px = {0xFF102030, 0x80FFFFFF, 0x00000000, 0xFFABCDEF, 0x7F000001, 0xFFFFFFFF};
    std::string path = (std::filesystem::temp_directory_path() / "korvath-png-test.png").string();
    ASSERT_TRUE(Png::write(path, 3, 2, px.data(), true));
    int32_t w = 0, h = 0;
    std::vector<uint32_t> back;
    ASSERT_TRUE(Png::read(path, w, h, back));
    EXPECT_TRUE(w == 3 && h == 2);
    EXPECT_EQ(back, px);
    // Without alpha every pixel reads back opaque.
    ASSERT_TRUE(Png::write(path, 3, 2, px.data(), false));
    ASSERT_TRUE(Png::read(path, w, h, back));
    EXPECT_EQ(back[1], 0xFFFFFFFFu);
    std::filesystem::remove(path);
    std::string why;
    EXPECT_FALSE(Png::read(path, w, h, back, &why));
    EXPECT_FALSE(why.empty());
}
