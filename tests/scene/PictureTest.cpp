#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "scene/CoverMap.h"
#include "support/LibraryFiles.h"

namespace {

uint32_t at(const Array<int32_t>& px, int32_t width, int32_t x, int32_t y)
{
    return static_cast<uint32_t>(px[y * width + x]);
}

// A w x h picture of the given words, row by row.
ref<Vpicture> pic(int32_t w, int32_t h, std::initializer_list<uint32_t> pixels)
{
    ref<Vpicture> p = blank(w, h);
    int32_t i = 0;
    for (uint32_t v : pixels)
        p->m_pixels[i++] = static_cast<int32_t>(v);
    return p;
}

} // namespace

TEST(RleDecoder, MalformedStreamsStayInsideThePicture)
{
    // A run longer than the picture, a colour cut in half, no closing code.
    testing::internal::CaptureStderr();
    auto px = decodeRle(4, 1, {149, 0x7C});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("longer than"), std::string::npos);
    EXPECT_EQ(px, (std::vector<uint32_t>{0x0E000000, 0x0D000000, 0x0C000000, 0x0B000000}));
    auto cut = decodeRle(3, 1, {0x7C, 0x00, 150, 0x03});
    EXPECT_EQ(cut, (std::vector<uint32_t>{0xF1F80000, 0xF0F80000, 0}));
    Array<int8_t> empty;
    ref<Vpicture> p = blank(2, 2);
    p->drawRle(empty, 0, 100);
    EXPECT_EQ(p->m_pixels[0], 0);
}

TEST(PictureDraw, OpaqueFastPathPlacesAtTheNextWholePixel)
{
    ref<Vpicture> p = pic(4, 2, {0xF0000001, 0xF0000002, 0xF0000003, 0xF0000004, 0xF0000005, 0xF0000006, 0xF0000007, 0xF0000008});
    p->m_opaque = true;
    Array<int32_t> px = filled(32 * 8, 0x11000000);
    ASSERT_TRUE(p->draw(px, 32, 8, 0, 0, 32, 8, 10 * 32768 + 16384, 3 * 32768, 32768, 0, 32768));
    EXPECT_EQ(at(px, 32, 10, 3), 0x11000000u);
    EXPECT_EQ(at(px, 32, 11, 3), 0xF0000001u); // words copied unchanged, top byte included
    EXPECT_EQ(at(px, 32, 14, 4), 0xF0000008u);
    EXPECT_EQ(at(px, 32, 15, 4), 0x11000000u);
}

TEST(PictureDraw, DepthTestAndTransparentRuns)
{
    // Two transparent pixels (runs 1, 0), a half-transparent grey, an opaque red.
    ref<Vpicture> p = pic(4, 1, {0x01000000, 0, 0x80404040, 0xF0FF0000});
    Array<int32_t> px = filled(4 * 2, 0xFF202020);
    for (int32_t x = 0; x < 4; x++)
        px[x] = 0x63202020; // row 0 at depth 99
    // z = 100 is behind depth 99: nothing drawn; in front of depth 255: drawn at depth 100.
    ASSERT_TRUE(p->draw(px, 4, 2, 0, 0, 4, 2, 0, 0, 32768, 100, 32768));
    ASSERT_TRUE(p->draw(px, 4, 2, 0, 1, 4, 2, 0, 32768, 32768, 100, 32768));
    EXPECT_EQ(words(px), (std::vector<uint32_t>{0x63202020, 0x63202020, 0x63202020, 0x63202020, 0xFF202020, 0xFF202020,
                                                0x64505050, 0x64FF0000}));
}

TEST(PictureDraw, ScaledAndBlended)
{
    // 2 x 2 opaque picture of four colours drawn at scale 2 and half opacity.
    ref<Vpicture> p = pic(2, 2, {0xF0FF0000, 0xF000FF00, 0xF00000FF, 0xF0FFFFFF});
    p->m_opaque = true;
    Array<int32_t> px = filled(8 * 8, 0xFF000000);
    ASSERT_TRUE(p->draw(px, 8, 8, 0, 0, 8, 8, 2 * 32768, 32768, 65536, 0, 16384));
    // Scale 2 without a depth (the interface): step 16384, so each source
    // pixel covers 2 x 2 destination pixels.
    // f = 32768 - (16384 * 16 >> 4) = 16384: half of each.
    for (auto [x, y, c] : {std::tuple{1, 1, 0xFF000000u}, {2, 1, 0x007F0000u}, {3, 2, 0x007F0000u}, {4, 2, 0x00007F00u},
                           {2, 3, 0x0000007Fu}, {5, 4, 0x007F7F7Fu}, {6, 4, 0xFF000000u}})
        EXPECT_EQ(at(px, 8, x, y), c) << x << "," << y;
    // With a depth (a picture in the world) it is filtered: between the
    // source pixels the colours blend (on a source pixel its colour, halfway
    // from red to green, amid all four, outside).
    Array<int32_t> world = filled(8 * 8, 0xFF000000);
    ASSERT_TRUE(p->draw(world, 8, 8, 0, 0, 8, 8, 2 * 32768, 32768, 65536, 7, 32768));
    EXPECT_EQ(std::tuple(at(world, 8, 2, 1), at(world, 8, 3, 1), at(world, 8, 3, 2), at(world, 8, 6, 4)),
              std::tuple(0x07FF0000u, 0x077F7F00u, 0x077F7F7Fu, 0xFF000000u));
    // Shrunk to a third, the 2 x 2 picture fits in one pixel: nearest neighbour takes (0, 0).
    Array<int32_t> small = filled(4 * 4, 0xFF000000);
    ASSERT_TRUE(p->draw(small, 4, 4, 0, 0, 4, 4, 32768, 32768, 10923, 7, 32768));
    EXPECT_EQ(std::pair(at(small, 4, 1, 1), at(small, 4, 2, 1)), std::pair(0x07FF0000u, 0xFF000000u));
    // Scale 0 draws nothing and succeeds; pixels gone (evicted) draw nothing and say so.
    EXPECT_TRUE(p->draw(small, 4, 4, 0, 0, 4, 4, 0, 0, 0, 0, 32768));
    p->m_pixels = Array<int32_t>();
    EXPECT_FALSE(p->draw(small, 4, 4, 0, 0, 4, 4, 0, 0, 32768, 0, 32768));
}

// A picture near the eye is drawn from a twin four times its size at a
// quarter of the scale: it covers the same pixels, its colours blend
// between the source pixels instead of standing in blocks, and its
// transparent runs count down as the decoder's do, so a drawer may skip them.
TEST(PictureDraw, AnEnlargedTwinDrawnSmallerCoversTheSamePixelsWithSoftEdges)
{
    // Opaque red and green side by side over a transparent row.
    ref<Vpicture> p = pic(2, 2, {0xF0FF0000, 0xF000FF00, 0x01000000, 0});
    ref<Vpicture> big = p->enlarged(4);
    ASSERT_TRUE(big && big->m_width == 8 && big->m_height == 8);
    // The edges keep their pixels' colours, three eighths of the way from red
    // is three eighths green, and the alpha fades toward the transparent row.
    const std::vector<uint32_t> b = words(big->m_pixels);
    EXPECT_EQ(std::tuple(b[0], b[7], b[3], b[3 * 8] >> 28), std::tuple(0xF0FF0000u, 0xF000FF00u, 0xF09F5F00u, 9u));
    EXPECT_EQ(std::vector<uint32_t>(b.begin() + 56, b.end()), // a run counting down to its end
              (std::vector<uint32_t>{7 << 24, 6 << 24, 5 << 24, 4 << 24, 3 << 24, 2 << 24, 1 << 24, 0}));

    // Drawn near (six times its size), the twin of an opaque picture at a
    // quarter of the scale covers exactly the pixels the picture covers.
    p->m_pixels[2] = static_cast<int32_t>(0xF00000FFu);
    p->m_pixels[3] = static_cast<int32_t>(0xF0FFFFFFu);
    big = p->enlarged(4);
    for (int32_t scale : {6 * 32768, 5 * 32768 + 1234}) {
        Array<int32_t> plain = filled(40 * 40, 0xFF000000), twin = filled(40 * 40, 0xFF000000);
        ASSERT_TRUE(p->draw(plain, 40, 40, 0, 0, 40, 40, 3 * 32768 + 500, 2 * 32768, scale, 9, 32768));
        ASSERT_TRUE(big->draw(twin, 40, 40, 0, 0, 40, 40, 3 * 32768 + 500, 2 * 32768, scale / 4, 9, 32768));
        int32_t covered = 0;
        for (int32_t i = 0; i < 40 * 40; i++) {
            const bool inPlain = (plain[i] >> 24 & 255) == 9, inTwin = (twin[i] >> 24 & 255) == 9;
            covered += inPlain;
            EXPECT_EQ(inTwin, inPlain) << i % 40 << ", " << i / 40;
        }
        EXPECT_GT(covered, 60);
    }
}

// A pixel covering half of what is behind it or more takes the picture's
// depth (a model behind is hidden by it); a fainter one keeps the depth
// behind it (a model there is drawn whole over it): a soft edge or a thing
// fading out of the way never cuts a hole in a tank. Pictures without a
// depth always write theirs.
TEST(PictureDraw, OnlyWhatCoversHalfOfTheBackgroundTakesThePicturesDepth)
{
    ref<Vpicture> p = pic(3, 1, {0x70FFFFFF, 0x80FFFFFF, 0xF0FFFFFF}); // 7, 8 and 15 sixteenths
    const auto depths = [&](int32_t z, int32_t alpha) {
        Array<int32_t> px = filled(3, static_cast<int32_t>(0xC8000000u)); // ground at depth 200
        EXPECT_TRUE(p->draw(px, 3, 1, 0, 0, 3, 1, 0, 0, 32768, z, alpha));
        std::vector<uint32_t> d;
        for (int32_t x = 0; x < 3; x++)
            d.push_back(at(px, 3, x, 0) >> 24);
        return d;
    };
    EXPECT_EQ(depths(50, 32768), (std::vector<uint32_t>{200, 50, 50}));
    EXPECT_EQ(depths(50, 24000), (std::vector<uint32_t>{200, 200, 50})) << "faded, 8 sixteenths cover less than half";
    EXPECT_EQ(depths(50, 12000), (std::vector<uint32_t>{200, 200, 200}));
    EXPECT_EQ(depths(0, 12000), (std::vector<uint32_t>{0, 0, 0}));
}

// Random pictures with runs of clear, partly and fully opaque pixels, over a
// buffer of random colours and depths, at scales from a fifth to three times
// and depths with and without a test: eight pixels at a time draw what one
// at a time draws, and the row spans skip only transparent columns. (That a
// drawer skips a clear run at once rather than pixel by pixel makes it faster,
// not different.)
TEST(PictureDraw, EightPixelsAtATimeAndRowSpansDrawTheSamePixelsAsOneAtATimeOverWholeRows)
{
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    int32_t drew = 0;
    for (int32_t round = 0; round < 60; round++) {
        const int32_t w = 1 + static_cast<int32_t>(next(70)), h = 1 + static_cast<int32_t>(next(20));
        ref<Vpicture> p = blank(w, h);
        for (int32_t y = 0; y < h; y++) {
            for (int32_t x = 0; x < w; x++) {
                const uint32_t kind = next(3), a = kind == 0 ? 0 : kind == 1 ? 15 : 1 + next(14);
                uint32_t colour = 0;
                for (int32_t c = 0; c < 3; c++)
                    colour |= (next(256) * a / 15) << (8 * c);
                p->m_pixels[y * w + x] = static_cast<int32_t>(a << 28 | colour);
            }
            // A clear pixel tells how many clear ones follow, up to 15.
            for (int32_t x = w - 1, clear = -1; x >= 0; x--) {
                uint32_t& word = reinterpret_cast<uint32_t&>(p->m_pixels[y * w + x]);
                clear = word >> 28 == 0 ? std::min(clear + 1, 15) : -1;
                if (clear >= 0)
                    word = static_cast<uint32_t>(clear) << 24;
            }
        }
        ref<Vpicture> whole = blank(w, h); // no spans: every column of every row
        std::copy(p->m_pixels.a, p->m_pixels.a + p->m_pixels.length, whole->m_pixels.a);
        p->findSpans();
        const int32_t scale = 6000 + static_cast<int32_t>(next(3 * 32768));
        const int32_t z = round % 5 == 0 ? 0 : static_cast<int32_t>(next(256));
        const int32_t sx = static_cast<int32_t>(next(40 << 15)) - (10 << 15), sy = static_cast<int32_t>(next(8 << 15)) - (2 << 15);
        Array<int32_t> background(96 * 24);
        for (int32_t i = 0; i < background.length; i++)
            background[i] = static_cast<int32_t>(next(256) << 24 | next(1 << 24));
        Array<int32_t> vector = filled(96 * 24, 0), single = filled(96 * 24, 0), rows = filled(96 * 24, 0);
        for (Array<int32_t>* a : {&vector, &single, &rows})
            std::copy(background.a, background.a + background.length, a->a);
        ASSERT_TRUE(p->draw(vector, 96, 24, 3, 0, 93, 24, sx, sy, scale, z, 32768));
        Vpicture::setVectorRows(false);
        ASSERT_TRUE(p->draw(single, 96, 24, 3, 0, 93, 24, sx, sy, scale, z, 32768));
        ASSERT_TRUE(whole->draw(rows, 96, 24, 3, 0, 93, 24, sx, sy, scale, z, 32768));
        Vpicture::setVectorRows(true);
        SCOPED_TRACE(testing::Message() << "round " << round << ": " << w << " x " << h << " at scale " << scale << ", depth " << z);
        ASSERT_TRUE(std::equal(vector.a, vector.a + vector.length, single.a));
        ASSERT_TRUE(std::equal(rows.a, rows.a + rows.length, single.a));
        drew += !std::equal(vector.a, vector.a + vector.length, background.a);
    }
    EXPECT_GT(drew, 40) << "most drawings change the buffer";
}

// A row's core is its longest run of fully opaque pixels; a cover map takes
// only the groups of eight wholly inside what a drawing covers with them,
// and a drawing passes by exactly the groups covered nearer than itself.
TEST(PictureDraw, CoresMarkWholeGroupsAndHiddenGroupsArePassedBy)
{
    ref<Vpicture> p = blank(12, 2);
    const uint32_t opaque = 0xF0FFFFFFu, half = 0x80404040u;
    for (int32_t x = 0; x < 12; x++) {
        p->m_pixels[x] = static_cast<int32_t>(x == 3 || x == 9 ? half : opaque); // runs 0-2, 4-8, 10-11
        p->m_pixels[12 + x] = static_cast<int32_t>(half);
    }
    p->findSpans();
    ASSERT_EQ(p->m_cores.length, 4);
    EXPECT_EQ(std::pair(p->m_cores[0], p->m_cores[1]), std::pair(4, 9));
    EXPECT_EQ(p->m_cores[2], p->m_cores[3]) << "no opaque pixel";

    CoverMap cover;
    cover.resize(40, 2);
    cover.clearRows(0, 2);
    // Drawn four times as large from column 1, the core covers columns
    // 17 .. 36: group 3 (24 .. 31) whole, the others in part.
    p->m_smooth = false;
    p->markCover(cover, 0, 0, 40, 2, 32768, 0, 4 * 32768, 30, 32768);
    EXPECT_EQ(std::vector<int32_t>(cover.row(0), cover.row(0) + 5), (std::vector<int32_t>{255, 255, 255, 30, 255}));
    cover.clearRows(0, 2);
    p->m_smooth = true;
    p->markCover(cover, 0, 0, 40, 2, 0, 0, 5 * 32768, 30, 32768); // filtered: the cores of both rows it mixes
    EXPECT_EQ(std::vector<int32_t>(cover.row(0), cover.row(0) + 5), (std::vector<int32_t>{255, 255, 255, 255, 255}))
        << "the row below has no core";
    p->m_smooth = false;
    p->markCover(cover, 0, 0, 40, 2, 32768, 0, 4 * 32768, 30, 20000);
    EXPECT_EQ(cover.row(0)[3], 255) << "faded: nothing hidden";

    // A map that says groups 1 and 2 of row 0 are hidden at depth 10: a
    // drawing at 20 leaves them alone, one at 10 (or nearer) does not.
    cover.clearRows(0, 2);
    cover.cover(0, 5, 24, 10);
    EXPECT_EQ(std::vector<int32_t>(cover.row(0), cover.row(0) + 4), (std::vector<int32_t>{255, 10, 10, 255}));
    ref<Vpicture> plain = blank(40, 1);
    for (int32_t x = 0; x < 40; x++)
        plain->m_pixels[x] = static_cast<int32_t>(opaque);
    plain->m_smooth = false;
    for (int32_t z : {20, 10}) {
        Array<int32_t> buffer = filled(40 * 2, static_cast<int32_t>(0xFF000000u));
        ASSERT_TRUE(plain->drawCovered(cover, buffer, 40, 2, 0, 0, 40, 1, 0, 0, 32768 + 1, z, 32768));
        int32_t drawn = 0;
        for (int32_t x = 0; x < 40; x++)
            drawn += at(buffer, 40, x, 0) != 0xFF000000u;
        EXPECT_EQ(drawn, z == 20 ? 24 : 40) << "depth " << z;
        EXPECT_EQ(at(buffer, 40, 8, 0), z == 20 ? 0xFF000000u : static_cast<uint32_t>(z) << 24 | 0xFFFFFF);
    }
}
