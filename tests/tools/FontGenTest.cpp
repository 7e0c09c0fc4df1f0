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
        // Each glyph with data fills exactly its box: its advance by the line.
        EXPECT_TRUE(g.m_runs.empty() || glyphLevels(f, c - 32).size() == size_t(g.m_width * f->getHeight())) << char(c);
    }

    EXPECT_TRUE(!FontRasterizer::render({"/no/such/font.ttf"}, file, &error) && !error.empty());
}
