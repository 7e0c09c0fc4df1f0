#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ImageLibraryWriter.h"
#include "JpegEncoder.h"
#include "RleEncoder.h"
#include "support/LibraryFiles.h"

namespace {

// A disc with a soft edge over transparency, in a colour gradient: partial
// alpha along the rim, transparent corners, opaque inside.
SourcePicture disc(const std::string& name, int32_t size)
{
    SourcePicture p{name, size, size, size / 2, size / 3, {}};
    const double c = (size - 1) / 2.0, r = size * 0.42;
    for (int32_t y = 0; y < size; y++)
        for (int32_t x = 0; x < size; x++) {
            double edge = std::clamp(r - std::hypot(x - c, y - c) + 0.5, 0.0, 1.0);
            uint32_t a = static_cast<uint32_t>(std::lround(edge * 255));
            uint32_t red = static_cast<uint32_t>(255 * x / size), green = static_cast<uint32_t>(255 * y / size);
            p.argb.push_back((a << 24) | (red << 16) | (green << 8) | 0x60);
        }
    return p;
}

SourcePicture photo(const std::string& name, int32_t w, int32_t h, uint32_t seed)
{
    SourcePicture p{name, w, h, 0, 0, {}};
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            uint32_t n = rng() % 24;
            uint32_t red = std::min<uint32_t>(255, 60 + 150 * x / w + n);
            uint32_t green = std::min<uint32_t>(255, 90 + 100 * y / h + n);
            p.argb.push_back(0xFF000000u | (red << 16) | (green << 8) | (140 + n));
        }
    return p;
}

} // namespace

TEST(RleEncoderTest, RoundTripsExactlyThroughTheDecoder)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; round++) {
        int32_t w = 1 + static_cast<int32_t>(rng() % 70), h = 1 + static_cast<int32_t>(rng() % 5);
        std::vector<uint32_t> px;
        // Stretches of one kind (transparent, opaque, partial, mixed) of random lengths.
        while (px.size() < static_cast<size_t>(w * h)) {
            uint32_t kind = rng() % 4, len = 1 + rng() % (rng() % 3 ? 6 : 120);
            uint32_t colour = rng() % 5 ? rng() & 0xFFFFFF : 0xFFFFFF;
            for (uint32_t k = 0; k < len; k++) {
                uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? 1 + rng() % 254 : rng() % 256;
                px.push_back((a << 24) | (rng() % 8 ? colour : rng() & 0xFFFFFF));
            }
        }
        px.resize(static_cast<size_t>(w * h));
        for (bool opaque : {false, true}) {
            std::vector<uint32_t> predicted;
            auto stream = RleEncoder::encode(w, h, px, opaque, &predicted);
            ASSERT_EQ(stream.back(), 134);
            ASSERT_EQ(decodeRle(w, h, stream), predicted) << "round " << round;
        }
    }
}

TEST_F(LibraryTest, LibraryRoundTrip)
{
    ImageLibraryWriter writer;
    writer.add(photo("water", 64, 64, 1), PictureEncoding::Jpeg);
    // Every alpha level 0..15, in columns, over a grey.
    SourcePicture levels{"levels", 16, 3, 0, 0, {}};
    for (uint32_t i = 0; i < 48; i++)
        levels.argb.push_back(((i % 16 * 17) << 24) | 0xC0C0C0);
    writer.add(levels, PictureEncoding::JpegMasked);
    writer.add(disc("disc", 40), PictureEncoding::Rle);
    writer.add(photo("flat", 30, 20, 2), PictureEncoding::RleOpaque);
    writer.add(photo("big", 480, 320, 3), PictureEncoding::Jpeg); // larger than a page
    writer.add(disc("masked disc", 40), PictureEncoding::JpegMasked);
    // 16 opaque pixels then 3 transparent ones: a mask of two runs, the first
    // as long as a run can be.
    SourcePicture strip{"strip", 19, 1, 0, 0, {}};
    for (int32_t x = 0; x < 19; x++)
        strip.argb.push_back((x < 16 ? 0xFF000000u : 0u) | 0x4080C0);
    writer.add(strip, PictureEncoding::JpegMasked);
    std::string error;
    ASSERT_TRUE(writer.write(m_dir.str(), "lib", &error)) << error;

    ref<Vilib> lib = open("lib");
    ASSERT_EQ(lib->m_count, 7);
    // The large JPEG straddles the first two pages.
    EXPECT_TRUE(lib->m_offsets[4] < 32768 && lib->m_offsets[5] > 32768);
    EXPECT_TRUE(lib->lookup("masked disc"_s) == 5 && lib->lookup("nothing"_s) == -1);
    // Last first: going back to earlier records reopens their page.
    for (int32_t k = 6; k >= 0; k--)
        ASSERT_TRUE(lib->loadPicture(k)) << k;

    // JPEG pictures: opaque words 0xFFRRGGBB close to the source.
    for (int32_t k : {0, 4}) {
        ref<Vpicture> p = lib->loadPicture(k);
        SourcePicture src = photo(k ? "big" : "water", p->m_width, p->m_height, k ? 3 : 1);
        EXPECT_TRUE(p->m_opaque && p->m_type == 'j');
        auto px = words(p->m_pixels);
        double sum = 0;
        for (size_t i = 0; i < px.size(); i++) {
            ASSERT_EQ(px[i] >> 24, 0xFFu);
            sum += colourError(px[i], src.argb[i]);
        }
        EXPECT_LT(sum / static_cast<double>(px.size()), 10.0) << k;
    }

    // The mask keeps each level exactly; colours come premultiplied.
    auto lv = words(lib->loadPicture(1)->m_pixels);
    EXPECT_FALSE(lib->loadPicture(1)->m_opaque);
    for (uint32_t x = 0; x < 16; x++) {
        const uint32_t word = lv[16 + x];
        EXPECT_EQ(word >> 28, x) << x;
        EXPECT_LE(colourError(word, x == 15 ? word : (0xC0u * x >> 4) * 0x010101u), x ? 6 : 0) << x;
    }

    // Run-length pictures: exactly what the encoder predicts, hot spots kept.
    ref<Vpicture> d = lib->loadPicture(2);
    SourcePicture src = disc("disc", 40);
    std::vector<uint32_t> predicted;
    RleEncoder::encode(40, 40, src.argb, false, &predicted);
    EXPECT_EQ(words(d->m_pixels), predicted);
    EXPECT_TRUE(d->m_cx == 20 && d->m_cy == 13 && !d->m_opaque);
    EXPECT_TRUE(lib->loadPicture(3)->m_opaque && lib->loadPicture(3)->m_type == 'r');
    // Each pixel of a mask run keeps in its alpha byte how many follow it.
    auto px = words(lib->loadPicture(6)->m_pixels);
    ASSERT_EQ(px.size(), 19u);
    for (uint32_t x = 0; x < 16; x++)
        EXPECT_TRUE(px[x] >> 24 == 0xFF - x && colourError(px[x], 0x4080C0) <= 8) << x;
    EXPECT_EQ(std::vector<uint32_t>(px.begin() + 16, px.end()), (std::vector<uint32_t>{0x02000000u, 0x01000000u, 0}));
}

TEST_F(LibraryTest, PictureZeroCanBeARawRecordCarryingTheHeader)
{
    // A raw record holding only the shared header, then a JPEG body whose
    // frame size the reader patches in.
    std::vector<uint8_t> stream;
    ASSERT_TRUE(JpegEncoder::encode(8, 8, std::vector<uint32_t>(64, 0x20A040), 88, stream, nullptr));
    std::vector<uint8_t> header(stream.begin(), stream.begin() + 623);
    header[163] = header[164] = header[165] = header[166] = 0x77; // overwritten per picture
    std::vector<uint8_t> body = {0};
    body.insert(body.end(), stream.begin() + 623, stream.end());
    writePages(m_dir.path, "raw", libraryStream({record('h', 0, 0, header), record('j', 8, 8, body)}, 623 + 700));
    ref<Vilib> raw = open("raw");
    ref<Vpicture> j = raw->loadPicture(1);
    ASSERT_TRUE(j);
    EXPECT_TRUE(j->m_opaque);
    EXPECT_LE(colourError(static_cast<uint32_t>(j->m_pixels[27]), 0x20A040), 4);
    EXPECT_EQ(static_cast<uint32_t>(j->m_pixels[27]) >> 24, 0xFFu);
}

TEST(WriterErrors, InputTheFormatCannotHoldIsRefused)
{
    auto refused = [](const std::vector<std::pair<SourcePicture, PictureEncoding>>& pictures) {
        ImageLibraryWriter w;
        for (const auto& [p, e] : pictures)
            w.add(p, e);
        std::string error;
        return w.build(&error).empty() && !error.empty();
    };
    SourcePicture wrongSize = disc("wrong", 4);
    wrongSize.argb.pop_back();
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused({{wrongSize, PictureEncoding::Rle}}));
    // A name's length is one byte; JPEGs share the header of picture 0.
    EXPECT_TRUE(refused({{disc(std::string(256, 'n'), 4), PictureEncoding::Rle}}));
    EXPECT_FALSE(refused({{disc(std::string(255, 'n'), 4), PictureEncoding::Rle}, {disc("b", 4), PictureEncoding::RleOpaque}}));
    EXPECT_TRUE(refused({{disc("icon", 8), PictureEncoding::Rle}, {photo("sky", 8, 8, 1), PictureEncoding::Jpeg}}));
}

TEST_F(LibraryTest, MkilibBuildsFromAListAndReportsLines)
{
    const std::string tool = std::string(KORVATH_DATA_DIR) + "/../mkilib";
    SourcePicture a = photo("a", 16, 16, 5), b = disc("b", 12);
    ASSERT_TRUE(Png::write(m_dir.file("a.png"), 16, 16, a.argb.data(), false));
    ASSERT_TRUE(Png::write(m_dir.file("b.png"), 12, 12, b.argb.data(), true));
    EXPECT_EQ(Frame::read(m_dir.file("b.png")).px, b.argb); // alpha and all
    writeFile(m_dir.file("good.txt"), "# pictures\n\nsky jpeg a.png\nball rle b.png 6 5\n");
    writeFile(m_dir.file("bad.txt"), "sky jpeg a.png\n\nball bmp b.png\n");
    std::string out = m_dir.file("out"), message;
    ASSERT_EQ(runCommand(tool + " " + out + " lib " + m_dir.file("good.txt"), message), 0) << message;
    InputStream::setResourceDir(out);
    ref<Vilib> lib = open("lib");
    ASSERT_EQ(lib->m_count, 2);
    EXPECT_EQ(lib->lookup("ball"_s), 1);
    EXPECT_TRUE(lib->loadPicture(1)->m_cx == 6 && lib->loadPicture(1)->m_cy == 5);

    EXPECT_NE(runCommand(tool + " " + out + " lib " + m_dir.file("bad.txt"), message), 0);
    EXPECT_NE(message.find("bad.txt:3: unknown encoding \"bmp\""), std::string::npos) << message;
}
