#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FontFile.h"
#include "FontTestDir.h"
#include "scene/Vfont.h"
#include "scene/Vmenu.h"
#include "scene/Vtext.h"
#include "support/FakeHost.h"

// A test font in which every glyph is a solid block of full ink: 'a'..'z'
// and '0'..'9' are 5 pixels wide, 'W' is 9, the space 5 (so the tab stop is
// 35) and a line 8 pixels high. Installed as the default font of texts, with
// white text and no default menu colour, while the test runs.
class TextFixture : public FontTestDir {
protected:
    static constexpr int32_t kLine = 8;

    void SetUp() override
    {
        FontTestDir::SetUp();
        m_savedFont = Vtext::m_fontDefault;
        m_savedColor = Vtext::m_textcolorDefault;
        m_savedMouse = Vmenu::m_mouse;
        m_savedMenuColor = Vmenu::m_colorDefault;
        m_savedInset = Vsprite::m_inset;
        m_font = new Vfont;
        ASSERT_TRUE(load(m_font, blockFont().encode()));
        Vtext::m_fontDefault = m_font;
        Vtext::m_textcolorDefault = 0xFFFFFF;
        Vmenu::m_mouse = false;
        Vmenu::m_colorDefault = 0;
        Vsprite::m_inset = 0;
    }
    void TearDown() override
    {
        Vtext::m_fontDefault = m_savedFont;
        Vtext::m_textcolorDefault = m_savedColor;
        Vmenu::m_mouse = m_savedMouse;
        Vmenu::m_colorDefault = m_savedMenuColor;
        Vsprite::m_inset = m_savedInset;
        FontTestDir::TearDown();
    }

    static FontFile blockFont()
    {
        FontFile f;
        f.m_space = 5;
        f.m_height = kLine;
        f.m_extra = 6;
        f.m_first = '0';
        for (int32_t c = '0'; c <= 'z'; c++) {
            int32_t w = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ? 5 : c == 'W' ? 9 : 0;
            FontFile::Glyph g;
            g.m_width = w;
            if (w > 0)
                g.m_runs = FontFile::encodeRuns(std::vector<uint8_t>(static_cast<size_t>(w * kLine), 15));
            f.m_glyphs.push_back(g);
        }
        return f;
    }

    ref<Vfont> m_font;
    ref<Vfont> m_savedFont;
    int32_t m_savedColor = 0;
    bool m_savedMouse = false;
    int32_t m_savedMenuColor = 0;
    int32_t m_savedInset = 0;
};

// The field of t as it reads, first character first.
inline std::string fieldText(const ref<Vtext>& t)
{
    std::string s;
    for (int32_t i = t->m_fieldCount - 1; i >= 0; i--)
        s += t->m_field[i];
    return s;
}
