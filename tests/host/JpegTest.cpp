#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "JpegEncoder.h"
#include "host/JpegLibjpeg.h"
#include "host/JpegStb.h"

namespace {

using Decode = bool (*)(const unsigned char*, std::size_t, unsigned char*, int64_t);

bool decode(Decode d, const std::vector<uint8_t>& stream, std::vector<uint32_t>& out, int64_t room)
{
    return d(stream.data(), stream.size(), reinterpret_cast<unsigned char*>(out.data()), room);
}

} // namespace

// The browser's decoder draws the game's pictures as libjpeg does, within its
// rounding, in the same pixel format, and refuses what libjpeg refuses
// without writing a pixel.
TEST(Jpeg, BothDecodersDrawAPictureAlikeAndRefuseTheSameStreams)
{
    // Gradients and a hard edge, at the quality the game's pictures have.
    constexpr int32_t w = 40, h = 24;
    std::vector<uint32_t> rgb(w * h);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            rgb[y * w + x] = (x * 6) << 16 | (y * 10) << 8 | (x > 20 ? 200 : 30);
    std::vector<uint8_t> stream;
    ASSERT_TRUE(JpegEncoder::encode(w, h, rgb, 88, stream, nullptr));

    std::vector<uint32_t> ours(w * h), theirs(w * h);
    ASSERT_TRUE(decode(JpegLibjpeg::decode, stream, ours, w * h * 4));
    ASSERT_TRUE(decode(JpegStb::decode, stream, theirs, w * h * 4));
    int32_t differ = 0;
    for (int32_t i = 0; i < w * h; i++) {
        ASSERT_EQ(ours[i] >> 24, 0xFFu) << i;
        ASSERT_EQ(theirs[i] >> 24, 0xFFu) << i;
        for (int32_t shift = 0; shift < 24; shift += 8) {
            const int32_t a = (ours[i] >> shift) & 255, b = (theirs[i] >> shift) & 255, source = (rgb[i] >> shift) & 255;
            EXPECT_LE(std::abs(a - b), 3) << i;
            EXPECT_LE(std::abs(a - source), 24) << i;
            differ += a != b;
        }
    }
    EXPECT_LT(differ, w * h * 3 / 4) << "mostly the same levels";

    testing::internal::CaptureStderr();
    for (Decode d : {JpegLibjpeg::decode, JpegStb::decode}) {
        std::vector<uint32_t> untouched(w * h, 7);
        EXPECT_FALSE(decode(d, stream, untouched, w * h * 4 - 1)) << "one byte too few";
        EXPECT_FALSE(decode(d, {1, 2, 3, 4, 5, 6}, untouched, w * h * 4));
        EXPECT_FALSE(decode(d, {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, untouched, w * h * 4)) << "a header cut short";
        EXPECT_EQ(untouched, std::vector<uint32_t>(w * h, 7));
    }
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}
