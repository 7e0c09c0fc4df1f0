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

    // The letters of the languages past ASCII, each with its box of the
    // line's height, and the first table as an ASCII-only font has it.
    EXPECT_EQ(f->firstMissing("\xC3\x84\xC3\xB6\xC3\x9F \xC3\xA9\xC3\xA7 \xC5\x81\xC5\x93\xC5\xBE "
                              "\xD0\x81\xD0\x96\xD1\x8F\xD1\x9F \xC2\xA0\xC2\xAB\xC2\xBB"_s),
              -1);
    EXPECT_EQ(f->m_codes.length, static_cast<int32_t>(file.m_more.size()));
    for (const auto& [code, g] : file.m_more) {
        EXPECT_EQ(f->charWidth(code), g.m_width) << code;
        EXPECT_EQ(FontFile::decodeRuns(g.m_runs).size(), size_t(g.m_width * f->getHeight())) << code;
    }
    o.m_more.clear();
    ASSERT_TRUE(FontRasterizer::render(o, again));
    const std::vector<uint8_t> full = file.encode(), ascii = again.encode();
    EXPECT_TRUE(ascii.size() < full.size() && std::equal(ascii.begin(), ascii.end(), full.begin()));
    o.m_more = {{0x100, 0x17F}, {0xA0, 0xFF}};
    EXPECT_FALSE(FontRasterizer::render(o, again)); // ranges must rise

    EXPECT_TRUE(!FontRasterizer::render({"/no/such/font.ttf"}, file, &error) && !error.empty());
}
