#pragma once
#include <gtest/gtest.h>

#include "FontFile.h"
#include "runtime/InputStream.h"
#include "runtime/StringBuffer.h"
#include "scene/Vfont.h"
#include "scene/Vmenu.h"
#include "scene/Vtheme.h"
#include "support/FakeHost.h"
#include "support/Files.h"

// A temporary data folder that font files are written to and opened from.
class FontTestDir : public ::testing::Test {
protected:
    void SetUp() override { InputStream::setResourceDir(m_dir.str()); }
    void TearDown() override { InputStream::setResourceDir("."); }
    // Writes bytes as "t.bin" and opens them into font; the result of open.
    bool load(const ref<Vfont>& font, const std::vector<uint8_t>& bytes)
    {
        writeFile(m_dir.file("t.bin"), std::string(bytes.begin(), bytes.end()));
        return font->open("t.bin"_s);
    }
    TempDir m_dir{"font"};
};

// Installs, while a test runs, a default font in which every glyph is a solid
// block of full ink 8 pixels high: '0'..'9' and 'a'..'z' 5 wide, 'W' 9, the
// space 5 (tab stops every 35), in a theme of white text, no menu colour
// and no inset.
class TextFixture : public FontTestDir {
protected:
    static constexpr int32_t kLine = 8;

    void SetUp() override
    {
        FontTestDir::SetUp();
        FontFile f;
        f.m_space = 5, f.m_height = kLine, f.m_first = '0';
        for (int32_t c = '0'; c <= 'z'; c++) {
            int32_t w = (c <= '9' || c >= 'a') ? 5 : c == 'W' ? 9 : 0;
            f.m_glyphs.push_back({w, FontFile::encodeRuns(std::vector<uint8_t>(w * kLine, 15))});
        }
        m_font = new Vfont;
        ASSERT_TRUE(load(m_font, f.encode()));
        m_theme = new Vtheme;
        m_theme->m_font = m_font, m_theme->m_textColor = 0xFFFFFF;
    }
    static ref<Viewport> screen(int32_t w, int32_t h)
    {
        ref<Viewport> vp = new Viewport;
        vp->setWidthHeight(w, h);
        return vp;
    }
    static int32_t at(const ref<Viewport>& vp, int32_t x, int32_t y) { return vp->m_pixels[x + y * vp->m_width]; }

    ref<Vfont> m_font;
    ref<Vtheme> m_theme;
};

// The text fixture with a w x h screen on a fake host, emptied afterwards.
template <int32_t W, int32_t H>
class ScreenFixture : public TextFixture {
protected:
    void TearDown() override
    {
        m_vp->removeAllStar();
        TextFixture::TearDown();
    }
    FakeHost m_host;
    ref<Viewport> m_vp = screen(W, H);
};

// The field of t as it reads, first character first.
inline std::string fieldText(const ref<Vtext>& t)
{
    return {std::reverse_iterator(t->m_field.a + t->m_fieldCount), std::reverse_iterator(t->m_field.a)};
}
