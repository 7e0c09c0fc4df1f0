#include <gtest/gtest.h>

#include <tuple>

#include "support/Pixels.h"
#include "support/TextFixture.h"

namespace {

// Space 4, line height 2, glyphs 'a'..'f'.
FontFile testFont()
{
    FontFile f;
    f.m_space = 4;
    f.m_height = 2;
    f.m_extra = 1;
    f.m_first = 'a';
    f.m_glyphs = {
        {16, {0x0F}},       // a: one row of 16 pixels of full ink
        {3, {0x37}},        // b: three pixels at coverage 7
        {2, {0x41}},        // c: 2 x 2 at coverage 1
        {2, {0x4F}},        // d: 2 x 2 of full ink
        {0, {}},            // e: empty
        {3, {0x34, 0x33}},  // f: a row at coverage 4, a row at coverage 3
    };
    return f;
}

class VfontTest : public FontTestDir {
protected:
    void SetUp() override
    {
        FontTestDir::SetUp();
        m_font = new Vfont;
        ASSERT_TRUE(load(m_font, testFont().encode()));
    }
    void draw(int32_t c, const Array<int32_t>& px, int32_t w, int32_t h, int32_t x, int32_t y,
              int32_t color = 0xFFFFFF, int32_t alpha = 32768)
    {
        m_font->draw(c, px, w, h, 0, 0, w, h, x << 15, y << 15, color, alpha);
    }
    // An empty font: no widths, no height, nothing drawn, no tab stops.
    static void expectEmpty(const ref<Vfont>& f)
    {
        EXPECT_EQ(f->charWidth(' ') + f->charWidth('a') + f->getHeight() + f->tab(5) + f->stringWidth("a\tb"_s), 0);
        Array<int32_t> px = filled(64, 0x123456);
        for (int32_t c = 0; c < 128; c++)
            f->draw(c, px, 8, 8, 0, 0, 8, 8, 0, 0, 0xFFFFFF, 32768);
        EXPECT_EQ(words(px), std::vector<uint32_t>(64, 0x123456));
    }
    ref<Vfont> m_font;
};

} // namespace

TEST_F(VfontTest, MeasuresCharactersTabsAndStrings)
{
    // The space has its own advance, outside the range too; nothing below the
    // first code or above the last.
    for (auto [c, width] : {std::pair{'a', 16}, {' ', 4}, {'e', 0}, {'`', 0}, {'g', 0}})
        EXPECT_EQ(m_font->charWidth(c), width) << c;
    EXPECT_EQ(std::tuple(m_font->tab(0), m_font->tab(30), m_font->tab(28)), std::tuple(28, 26, 28));
    EXPECT_EQ(m_font->stringWidth("a\tb"_s), 16 + 12 + 3);
    EXPECT_EQ(std::pair(m_font->stringWidth("ab b"_s), m_font->stringWidth(nullptr)), std::pair(26, 0));
    // Fixed-point positions round down to the pixel (drawing off the buffer's
    // edges is left to the font fuzzer's replays).
    Array<int32_t> one = filled(4 * 2, 0);
    m_font->draw('d', one, 4, 2, 0, 0, 4, 2, (2 << 15) - 1, 0, 0xFFFFFF, 32768);
    EXPECT_TRUE(one[1] == 0xFFFFFF && one[3] == 0);

    // Codes 128..255 of the first table are Latin-1 letters now that texts
    // are code points, not chars.
    FontFile wide;
    wide.m_height = 1;
    wide.m_first = 32;
    wide.m_glyphs.assign(224, FontFile::Glyph{1, {0x1F}});
    ref<Vfont> f = new Vfont;
    ASSERT_TRUE(load(f, wide.encode()));
    EXPECT_TRUE(f->charWidth('~') == 1 && f->charWidth(0xE4) == 1 && f->hasGlyph(0xFF) && !f->hasGlyph(0x100));
}

TEST_F(VfontTest, GlyphsPastTheFirstTableAndTheReplacementOfMissingLetters)
{
    FontFile file = testFont();
    const std::vector<uint8_t> old = file.encode();
    file.m_more = {{0xE4, {5, {0x5F, 0x50}}}, {0x416, {7, {0xEF}}}, {0xFFFD, {4, {0x8F}}}};
    const std::vector<uint8_t> bytes = file.encode();
    // The first table is written as before, so old readers still read it.
    ASSERT_TRUE(bytes.size() > old.size() && std::equal(old.begin(), old.end(), bytes.begin()));
    ASSERT_TRUE(load(m_font, bytes));

    EXPECT_TRUE(m_font->hasGlyph(0xE4) && m_font->hasGlyph(0x416) && m_font->hasGlyph(' '));
    EXPECT_FALSE(m_font->hasGlyph(0x417) || m_font->hasGlyph('g') || m_font->hasGlyph('e'));
    // A letter without a glyph takes the replacement's room; a control code none.
    for (auto [c, width] : {std::pair{0xE4, 5}, {0x416, 7}, {0x417, 4}, {0x80, 4}, {0x10FFFF, 4}, {'g', 0},
                            {'\r', 0}, {-1, 0}})
        EXPECT_EQ(m_font->charWidth(c), width) << c;
    // UTF-8 "aä", "Ж", and a lone byte E4 (Latin-1 ä) and C3 (Latin-1 Ã, missing).
    EXPECT_EQ(m_font->stringWidth("a\xC3\xA4\xD0\x96"_s), 16 + 5 + 7);
    EXPECT_EQ(m_font->stringWidth("\xE4\xC3"_s), 5 + 4);
    EXPECT_EQ(std::tuple(m_font->firstMissing("ab\xC3\xA4\tf\n\xD0\x96 "_s), m_font->firstMissing("a\xD0\x97"_s),
                         m_font->firstMissing("ag"_s), m_font->firstMissing(nullptr)),
              std::tuple(-1, 0x417, 'g', -1));

    // A missing letter draws the replacement's pixels.
    Array<int32_t> a = filled(8 * 2, 0), b = filled(8 * 2, 0);
    draw(0xFFFD, a, 8, 2, 1, 0);
    draw(0x42F, b, 8, 2, 1, 0);
    EXPECT_TRUE(words(a) == words(b) && a[1] == 0xFFFFFF);
    draw(0xE4, b, 8, 2, 1, 0);
    EXPECT_NE(words(a), words(b));

    // Without U+FFFD the replacement is '?'; without either, nothing.
    FontFile q;
    q.m_height = 1, q.m_first = '?';
    q.m_glyphs = {{3, {0x3F}}};
    ASSERT_TRUE(load(m_font, q.encode()));
    EXPECT_TRUE(m_font->charWidth(0x416) == 3 && m_font->charWidth('@') == 0);
    ASSERT_TRUE(load(m_font, old));
    EXPECT_TRUE(m_font->charWidth(0x416) == 0 && m_font->charWidth('a') == 16);
}

TEST_F(VfontTest, DamagedGlyphsPastTheFirstTableRefuseTheWholeFile)
{
    const std::vector<uint8_t> old = testFont().encode();
    // After the first table: count, then per glyph step, length, width; the
    // total length; the data.
    std::vector<uint8_t> good = old;
    good.insert(good.end(), {2, 10, 1, 2, 0x90, 0x5B, 1, 1, 2, 0x2F, 0x1F});
    ASSERT_TRUE(load(m_font, good));
    EXPECT_TRUE(m_font->charWidth('f' + 10) == 2 && m_font->charWidth('f' + 10 + 2139) == 1);
    const std::vector<std::vector<uint8_t>> damaged = {
        {0},                                         // no glyphs announced
        {1, 0, 1, 1, 1, 0x1F},                       // a code step of 0
        {1, 0xC3, 0xFF, 0x7F, 1, 1, 1, 0x1F},        // a code past U+10FFFF
        {1, 1, 0, 1, 0},                             // an empty glyph
        {1, 1, 3, 1, 3, 0x1F, 0x1F, 0x1F},           // longer than its box (1 x 2)
        {1, 1, 1, 1, 2, 0x1F},                       // the total does not match
        {1, 1, 1, 1, 1},                             // the data cut off
        {1, 1, 1, 1, 1, 0x1F, 0},                    // bytes after the data
        {0x83, 0x80, 0, 1, 1, 1, 0x1F},              // more glyphs than the file holds
    };
    for (size_t i = 0; i < damaged.size(); i++) {
        std::vector<uint8_t> bytes = old;
        bytes.insert(bytes.end(), damaged[i].begin(), damaged[i].end());
        ref<Vfont> f = new Vfont;
        EXPECT_FALSE(load(f, bytes)) << i;
        expectEmpty(f);
    }
}

TEST_F(VfontTest, FullInkEvenMixAndGeneralBlendWithTheirShadows)
{
    Array<int32_t> px = filled(20 * 4, 0xAB204060);
    draw('a', px, 20, 4, 1, 0, 0x12FFFFFF);
    for (int32_t x = 0; x < 20; x++) {
        EXPECT_EQ(px[x], x >= 1 && x <= 16 ? 0x12FFFFFF : int32_t(0xAB204060)) << x;
        // Full ink casts a half-bright shadow one down and one right.
        EXPECT_EQ(px[20 + x], x >= 2 && x <= 17 ? 0x102030 : int32_t(0xAB204060)) << x;
    }
    draw('b', px, 20, 4, 0, 2);
    for (int32_t x = 0; x < 5; x++) {
        EXPECT_EQ(px[40 + x], x <= 2 ? 0x8F9FAF : int32_t(0xAB204060)) << x;
        // Half coverage casts a quarter-darker shadow.
        EXPECT_EQ(px[60 + x], x >= 1 && x <= 3 ? 0x183048 : int32_t(0xAB204060)) << x;
    }
    // Coverages other than 15 and 7 blend each channel, rounding down.
    px = filled(4 * 3, 0xFF814020);
    draw('f', px, 4, 3, 0, 0, 0x00FF80);
    // Coverage 4: 0x81 - 33, 0x40 + 47, 0x20 + 24; coverage 3, not shadowed:
    // 0x81 - 25 (-24.2 rounds down); shadow only: a quarter darker.
    EXPECT_EQ(std::tuple(px[0], px[4], px[4 + 3], px[8], px[8 + 1]),
              std::tuple(0x606F38, 0x686332, 0x613018, int32_t(0xFF814020), 0x613018));
}

TEST_F(VfontTest, PartialOpacityScalesCoverageAndDropsTheShadow)
{
    Array<int32_t> px = filled(20 * 3, 0x204060);
    draw('c', px, 20, 3, 0, 0, 0xFFFFFF, 16384); // coverage 1 becomes 0: skipped
    draw('a', px, 20, 3, 0, 1, 0xFFFFFF, 16384); // coverage 15 becomes 7: an even mix
    for (int32_t x = 0; x < 20; x++) {
        EXPECT_EQ(px[x], 0x204060) << x;
        EXPECT_EQ(px[20 + x], x < 16 ? 0x8F9FAF : 0x204060) << x;
        EXPECT_EQ(px[40 + x], 0x204060) << x;
    }
    // Opacities beyond the range neither overflow a channel nor cast a shadow.
    draw('a', px, 20, 3, 0, 0, 0xFFFFFF, 65536);
    draw('d', px, 20, 3, 18, 1, 0xFFFFFF, -32768);
    EXPECT_EQ(std::tuple(px[0], px[21], px[20 + 18]), std::tuple(0xFFFFFF, 0x8F9FAF, 0x204060));
}

// A clip or an enlarged block that loses a shadow, or draws past the clip.
TEST_F(VfontTest, ClippedAndBlockDrawingsAreTheFullSmallDrawingPixelForPixel)
{
    // Glyphs overlapping so that shadows fall on ink, drawn in blocks of b
    // pixels from b times the position, within a clip.
    constexpr int32_t W = 12, H = 6, kBg = 0x406080;
    auto render = [&](int32_t b, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        Array<int32_t> px = filled(W * b * H * b, kBg);
        int32_t x = 1;
        for (char c : {'d', 'f', 'b', 'c', 'd'}) {
            m_font->draw(c, px, W * b, H * b, x0, y0, x1, y1, (x * b) << 15, (2 * b) << 15, 0xFFFFFF, 32768, b);
            x += m_font->charWidth(c) - 1;
        }
        return px;
    };
    // Inside the clip the pixels of the whole drawing, outside none.
    auto expectClipped = [&](int32_t b, const Array<int32_t>& whole, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        Array<int32_t> part = render(b, x0, y0, x1, y1);
        for (int32_t i = 0; i < part.length; i++) {
            int32_t x = i % (W * b), y = i / (W * b);
            bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            ASSERT_EQ(part[i], inside ? whole[i] : kBg) << "clip " << x0 << "," << y0 << "-" << x1 << "," << y1 << " at " << x << "," << y;
        }
    };
    const Array<int32_t> small = render(1, 0, 0, W, H), large = render(3, 0, 0, 3 * W, 3 * H);
    // Every large pixel is the small pixel it stands for.
    for (int32_t y = 0; y < H * 3; y++)
        for (int32_t x = 0; x < W * 3; x++)
            ASSERT_EQ(large[y * W * 3 + x], small[(y / 3) * W + x / 3]) << x << "," << y;
    for (int32_t x0 = 0; x0 < W; x0++)
        for (int32_t x1 = x0 + 1; x1 <= W; x1++)
            for (int32_t y0 = 0; y0 < H; y0++)
                for (int32_t y1 = y0 + 1; y1 <= H; y1++)
                    expectClipped(1, small, x0, y0, x1, y1);
    // Clips cutting through the blocks draw just their part of them.
    for (auto [x0, y0, x1, y1] : {std::tuple{4, 7, 20, 11}, std::tuple{0, 0, 36, 8}, std::tuple{17, 5, 18, 16}})
        expectClipped(3, large, x0, y0, x1, y1);
}

TEST_F(VfontTest, MissingTruncatedOrMalformedFilesLeaveAnEmptyFont)
{
    auto rejected = [&](const std::vector<uint8_t>* bytes, const char* why) {
        ASSERT_TRUE(load(m_font, testFont().encode()));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(bytes ? load(m_font, *bytes) : m_font->open("nothing.bin"_s)) << why;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(bytes ? "not a valid font" : "/nothing.bin"),
                  std::string::npos) << why;
        expectEmpty(m_font);
    };
    rejected(nullptr, "missing");
    std::vector<uint8_t> whole = testFont().encode();
    for (size_t n = 0; n < whole.size(); n++) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        rejected(&cut, "truncated");
    }
    // space 4, height 2, extra 0, then range, glyph table and data.
    const std::vector<std::pair<std::vector<uint8_t>, const char*>> bad = {
        {{4, 2, 0, 66, 65, 0}, "first > last"},
        {{4, 2, 0, 65, 0x82, 0x00, 0}, "last 256"},
        {{4, 2, 0, 65, 65, 1, 0, 1, 0x1F}, "width 0"},
        {{4, 2, 0, 65, 65, 1, 0x88, 0x01, 1, 0x1F}, "width 1025"},
        {{4, 2, 0, 65, 65, 5, 2, 5, 0, 0, 0, 0, 0}, "5 runs for a 2 x 2 box"},
        {{4, 2, 0, 65, 65, 1, 1, 2, 0x1F, 0x1F}, "size above the glyph lengths"},
        {{4, 2, 0, 65, 66, 1, 1, 1, 1, 1, 0x1F}, "size below the glyph lengths"},
        {{4, 0, 0, 65, 65, 1, 1, 1, 0x1F}, "line height 0"},
        {{4, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0, 65, 65, 0, 0}, "height beyond 31 bits"},
    };
    for (const auto& [bytes, why] : bad)
        rejected(&bytes, why);
    // (What a font may allocate for the bytes it holds is the fuzzer's check.)
    EXPECT_TRUE(load(m_font, {4, 2, 0, 65, 66, 1, 1, 1, 1, 2, 0x1F, 0x1F}));
    EXPECT_EQ(m_font->charWidth('B'), 1);
}
