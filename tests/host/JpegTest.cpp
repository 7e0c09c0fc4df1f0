#include <gtest/gtest.h>

#include <vector>

#include "JpegEncoder.h"
#include "host/JpegBuiltin.h"
#include "host/JpegLibjpeg.h"

namespace {

using Decode = bool (*)(const unsigned char*, std::size_t, unsigned char*, int64_t);

bool decode(Decode d, const std::vector<uint8_t>& stream, std::vector<uint32_t>& out, int64_t room)
{
    return d(stream.data(), stream.size(), reinterpret_cast<unsigned char*>(out.data()), room);
}

} // namespace

// The browser's decoder draws the pictures libjpeg draws, bit for bit: soft
// gradients, hard edges, noise that drives the inverse transform past the
// sample range, at low and full quality and at sizes that cut blocks; and it
// refuses, without writing a pixel, what libjpeg refuses.
TEST(Jpeg, TheBuiltinDecoderDrawsWhatLibjpegDrawsAndRefusesTheSameStreams)
{
    uint32_t seed = 1;
    auto noise = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0xFFFFFF; };
    struct Case {
        int32_t w, h, quality;
        bool noisy;
    };
    for (const Case& c : {Case{40, 24, 88, false}, Case{33, 17, 88, true}, Case{64, 64, 100, true},
                          Case{9, 70, 25, false}, Case{1, 1, 88, false}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " q" << c.quality);
        std::vector<uint32_t> rgb(c.w * c.h);
        for (int32_t y = 0; y < c.h; y++)
            for (int32_t x = 0; x < c.w; x++)
                rgb[y * c.w + x] = c.noisy ? noise() : (x * 6) << 16 | (y * 10 & 255) << 8 | (x > c.w / 2 ? 200 : 30);
        std::vector<uint8_t> stream;
        ASSERT_TRUE(JpegEncoder::encode(c.w, c.h, rgb, c.quality, stream, nullptr));
        std::vector<uint32_t> theirs(c.w * c.h), ours(c.w * c.h + 1, 7);
        ASSERT_TRUE(decode(JpegLibjpeg::decode, stream, theirs, c.w * c.h * 4));
        ASSERT_TRUE(decode(JpegBuiltin::decode, stream, ours, c.w * c.h * 4));
        EXPECT_EQ(ours.back(), 7u) << "written past the picture";
        ours.pop_back();
        EXPECT_EQ(ours, theirs);
    }

    std::vector<uint8_t> stream;
    ASSERT_TRUE(JpegEncoder::encode(16, 16, std::vector<uint32_t>(256, 0x808080), 88, stream, nullptr));
    std::vector<uint8_t> cut(stream.begin(), stream.end() - 4);
    testing::internal::CaptureStderr();
    std::vector<uint32_t> untouched(256, 7);
    EXPECT_FALSE(decode(JpegBuiltin::decode, cut, untouched, 256 * 4)) << "the coded data cut short";
    for (Decode d : {JpegLibjpeg::decode, JpegBuiltin::decode}) {
        EXPECT_FALSE(decode(d, stream, untouched, 256 * 4 - 1)) << "one byte too few";
        EXPECT_FALSE(decode(d, {1, 2, 3, 4, 5, 6}, untouched, 256 * 4));
        EXPECT_FALSE(decode(d, {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, untouched, 256 * 4)) << "a header cut short";
    }
    EXPECT_EQ(untouched, std::vector<uint32_t>(256, 7));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}
