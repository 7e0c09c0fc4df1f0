#include <gtest/gtest.h>

#include "FontRasterizer.h"
#include "support/TextFixture.h"

namespace {

// The levels of glyph k of an opened font, one per pixel.
std::vector<uint8_t> glyphLevels(const ref<Vfont>& f, int32_t k)
{
    const int8_t* data = f->m_data.a;
    std::vector<uint8_t> runs(data + f->m_offsets[k], data + f->m_offsets[k + 1]);
    return FontFile::decodeRuns(runs);
}

// Every glyph with data fills exactly its box, as wide as its advance and as
// tall as the line.
void expectExactBoxes(const ref<Vfont>& f)
{
    for (int32_t k = 0; k <= f->m_last - f->m_first; k++) {
        if (f->m_offsets[k] == f->m_offsets[k + 1])
            continue;
        EXPECT_EQ(glyphLevels(f, k).size(), size_t(f->m_widths[k] * f->getHeight())) << char(f->m_first + k);
    }
}

using FontGenTest = FontTestDir;

} // namespace

TEST_F(FontGenTest, RenderedFontReadsBackExactly)
{
    FontRasterizer::Options o;
    o.m_fontPath = KORVATH_DEJAVU_DIR "/DejaVuSans-Bold.ttf";
    o.m_pixelSize = 14;
    FontFile file;
    std::string error;
    ASSERT_TRUE(FontRasterizer::render(o, file, &error)) << error;
    FontFile again;
    ASSERT_TRUE(FontRasterizer::render(o, again));
    EXPECT_EQ(file.encode(), again.encode()); // builds are reproducible

    ref<Vfont> f = new Vfont;
    ASSERT_TRUE(load(f, file.encode()));
    EXPECT_TRUE(f->getHeight() == file.m_height && f->m_extra == file.m_extra && f->charWidth(' ') == file.m_space);
    EXPECT_TRUE(f->m_first == 32 && f->m_last == 126);
    for (int32_t c = 33; c <= 126; c++) {
        const FontFile::Glyph& g = file.m_glyphs[c - 32];
        EXPECT_EQ(f->charWidth(char(c)), g.m_width) << char(c);
        EXPECT_EQ(glyphLevels(f, c - 32), FontFile::decodeRuns(g.m_runs)) << char(c);
    }
    expectExactBoxes(f);

    EXPECT_FALSE(FontRasterizer::render({"/no/such/font.ttf"}, file, &error));
    EXPECT_FALSE(error.empty());
}

TEST(GameFonts, LoadWithTheirLineHeightsAndEvenDigits)
{
    InputStream::setResourceDir(KORVATH_DATA_DIR);
    for (auto [name, height] : {std::pair{"f10.bin", 10}, std::pair{"f16.bin", 16}}) {
        ref<Vfont> f = new Vfont;
        ASSERT_TRUE(f->open(String::intern(name))) << name << " in " << KORVATH_DATA_DIR;
        EXPECT_EQ(f->getHeight(), height) << name;
        EXPECT_TRUE(f->m_extra > height / 2 && f->m_extra < height) << name; // the baseline
        EXPECT_GT(f->charWidth(' '), 0) << name;
        // Counters must not jitter: every digit has the width of '0'.
        for (char d = '1'; d <= '9'; d++)
            EXPECT_EQ(f->charWidth(d), f->charWidth('0')) << name << " " << d;
        for (char c = 33; c <= 126; c++)
            EXPECT_GT(f->charWidth(c), 0) << name << " " << c;
        expectExactBoxes(f);
    }
    InputStream::setResourceDir(".");
}
