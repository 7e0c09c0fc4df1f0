#include <gtest/gtest.h>

#include <filesystem>

#include "FontRasterizer.h"
#include "FontTestDir.h"
#include "Png.h"
#include "runtime/Array.h"

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

ref<Vfont> openGameFont(const char* name)
{
    std::string saved = InputStream::resourceDir();
    InputStream::setResourceDir(KORVATH_DATA_DIR);
    ref<Vfont> f = new Vfont;
    EXPECT_TRUE(f->open(String::intern(name))) << name << " in " << KORVATH_DATA_DIR;
    InputStream::setResourceDir(saved);
    return f;
}

// Draws s the way text sprites do: tabs from the left edge, spaces skipped.
void drawText(const ref<Vfont>& f, const Array<int32_t>& px, int32_t w, int32_t h, int32_t x, int32_t y,
              const char* s)
{
    int32_t pen = 0;
    for (; *s; s++) {
        if (*s == '\t') {
            pen += f->tab(pen);
            continue;
        }
        if (*s != ' ')
            f->draw(*s, px, w, h, 0, 0, w, h, (x + pen) << 15, y << 15, 0xFFFFFF, 32768);
        pen += f->charWidth(*s);
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
    EXPECT_EQ(f->getHeight(), file.m_height);
    EXPECT_EQ(f->m_extra, file.m_extra);
    EXPECT_EQ(f->charWidth(' '), file.m_space);
    EXPECT_EQ(f->m_first, 32);
    EXPECT_EQ(f->m_last, 126);
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
    for (auto [name, height] : {std::pair{"f10.bin", 10}, std::pair{"f16.bin", 16}}) {
        ref<Vfont> f = openGameFont(name);
        EXPECT_EQ(f->getHeight(), height) << name;
        EXPECT_GT(f->m_extra, height / 2) << name; // the baseline
        EXPECT_LT(f->m_extra, height) << name;
        EXPECT_GT(f->charWidth(' '), 0) << name;
        // Counters must not jitter: every digit has the width of '0'.
        for (char d = '1'; d <= '9'; d++)
            EXPECT_EQ(f->charWidth(d), f->charWidth('0')) << name << " " << d;
        for (char c = 33; c <= 126; c++)
            EXPECT_GT(f->charWidth(c), 0) << name << " " << c;
        expectExactBoxes(f);
    }
}

// Renders the menu and HUD texts in both fonts over a gradient and a mid-grey
// into font-sample.png beside the test program, for the eye. Each line must
// stay inside its measured box plus the shadow pixel.
TEST(GameFonts, SampleStaysInsideItsMeasuredBoxes)
{
    const char* lines[] = {"New Game", "Resume", "Sound: On", "Help", "About", "Enemy:\t5",
                           "0123456789 +-.,:;!?()%/"};
    constexpr int32_t W = 480, H = 232;
    Array<int32_t> px(W * H);
    for (int32_t y = 0; y < H; y++)
        for (int32_t x = 0; x < W; x++)
            px[y * W + x] = x < W / 2 ? 0x808080 : ((x - W / 2) * 255 / (W / 2)) << 16 | (y * 255 / H) << 8 | 0x60;
    int32_t y = 4;
    for (const char* name : {"f10.bin", "f16.bin"}) {
        ref<Vfont> f = openGameFont(name);
        ASSERT_GT(f->getHeight(), 0);
        for (const char* s : lines) {
            for (int32_t x : {4, W / 2 + 4}) {
                Array<int32_t> before(W * H);
                std::copy(px.a, px.a + W * H, before.a);
                drawText(f, px, W, H, x, y, s);
                int32_t right = x + f->stringWidth(String::copyOf(s)) + 1;
                int32_t inked = 0;
                for (int32_t i = 0; i < W * H; i++) {
                    if (px[i] == before[i])
                        continue;
                    inked += px[i] == 0xFFFFFF;
                    ASSERT_TRUE(i % W >= x && i % W < right && i / W >= y && i / W <= y + f->getHeight())
                        << name << " '" << s << "' at " << i % W << "," << i / W;
                }
                EXPECT_GT(inked, 0) << name << " " << s;
            }
            y += f->getHeight() + 2;
        }
        y += 6;
    }
    std::filesystem::path out = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "font-sample.png";
    ASSERT_TRUE(Png::write(out.string(), W, H, reinterpret_cast<const uint32_t*>(px.a), false));
}
