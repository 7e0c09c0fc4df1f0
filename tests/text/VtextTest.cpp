#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "TextFixture.h"
#include "runtime/StringBuffer.h"

namespace {

using VtextTest = TextFixture;

ref<StringBuffer> buffer(const char* s)
{
    ref<StringBuffer> b = new StringBuffer;
    b->append(s);
    return b;
}

ref<Viewport> screen(int32_t w, int32_t h)
{
    ref<Viewport> vp = new Viewport;
    vp->setWidthHeight(w, h);
    return vp;
}

int32_t at(const ref<Viewport>& vp, int32_t x, int32_t y)
{
    return vp->m_pixels[x + y * vp->m_width];
}

} // namespace

TEST_F(VtextTest, SizesToTheWidestLineOnePixelPastTheGlyphs)
{
    ref<Vtext> t = new Vtext("ab"_s);
    EXPECT_EQ(t->getWidth(), 11);
    EXPECT_EQ(t->getHeight(), kLine);
    t->setText("ab\nc"_s);
    EXPECT_EQ(t->getWidth(), 11);
    EXPECT_EQ(t->getHeight(), 2 * kLine);
    t->setText("a\nbcd\n"_s); // a final line feed starts an empty last line
    EXPECT_EQ(t->getWidth(), 16);
    EXPECT_EQ(t->getHeight(), 3 * kLine);
    EXPECT_EQ(t->m_textSum, 'a' + 'b' + 'c' + 'd' + 2 * '\n');

    // Tab stops every 35 pixels, counted with the one-pixel margin: after
    // "a" the pen is at 6 and jumps to 35; at 35 it jumps a whole stop.
    t->setText("a\tb"_s);
    EXPECT_EQ(t->getWidth(), 40);
    t->setText("abcdef\tb"_s);
    EXPECT_EQ(t->getWidth(), 31 + 4 + 5);
    t->setText("a\tb\t"_s);
    EXPECT_EQ(t->getWidth(), 70);

    // Another font through the constructor and setText.
    FontFile wide = blockFont();
    wide.m_height = 12;
    ref<Vfont> f = new Vfont;
    ASSERT_TRUE(load(f, wide.encode()));
    ref<Vtext> u = new Vtext(f, "W"_s);
    EXPECT_EQ(u->getWidth(), 10);
    EXPECT_EQ(u->getHeight(), 12);
    EXPECT_EQ(u->m_textColor, 0xFFFFFF);
    u->setText(m_font, "WW"_s);
    EXPECT_EQ(u->getWidth(), 19);
    EXPECT_EQ(u->getHeight(), kLine);
    EXPECT_TRUE(u->toString()->equals("WW"_s));
}

TEST_F(VtextTest, WrapBreaksAtTheLastSpaceThatFits)
{
    // Three three-letter words, every character 5 wide, in 8 characters: the
    // second space is where the line overflows and becomes the break.
    ref<Vtext> t = new Vtext;
    t->setWidthHeight(40, 0);
    t->setTextWrap(buffer("abc def ghi"));
    EXPECT_STREQ(t->toString()->c_str(), "abc def\nghi");
    EXPECT_EQ(t->getHeight(), 2 * kLine);

    // A wrapped line keeps its margin pixel: "defg hij" with the margin is
    // 41 wide and breaks again.
    t->setWidthHeight(40, 0);
    t->setTextWrap(buffer("abc defg hij"));
    EXPECT_STREQ(t->toString()->c_str(), "abc\ndefg\nhij");
    EXPECT_LE(t->getWidth(), 40);

    // A word longer than the line is left whole and the next word moves on.
    t->setWidthHeight(40, 0);
    t->setTextWrap(buffer("abcdefghij kl mn"));
    EXPECT_STREQ(t->toString()->c_str(), "abcdefghij\nkl mn");

    // The text's own line feeds end a line: an overflow on a later line does
    // not reach back to a space before the line feed.
    t->setWidthHeight(40, 0);
    t->setTextWrap(buffer("ab cd\nefghijklmn"));
    EXPECT_STREQ(t->toString()->c_str(), "ab cd\nefghijklmn");

    // A text without a font takes the default one to wrap.
    ref<Vtext> n = new Vtext(nullptr, nullptr);
    n->setWidthHeight(40, 0);
    n->setTextWrap(buffer("abc def ghi"));
    EXPECT_EQ(n->m_font, m_font);
    EXPECT_STREQ(n->toString()->c_str(), "abc def\nghi");
}

TEST_F(VtextTest, CountersCarryWrapAndKeepTheirLowestDigits)
{
    ref<Vtext> t = new Vtext("n"_s);
    t->setFieldWidth(3);
    EXPECT_EQ(t->getWidth(), 6 + 15); // three digits of room
    EXPECT_EQ(t->m_fieldCount, 0);
    t->increment(); // an empty field stays empty
    EXPECT_EQ(t->m_fieldCount, 0);

    t->setNumber(999);
    EXPECT_EQ(t->getWidth(), 21);
    t->increment();
    EXPECT_EQ(fieldText(t), "000");
    EXPECT_EQ(t->getNumber(), 0);
    t->increment();
    EXPECT_EQ(fieldText(t), "001");

    t->setFieldWidth(4);
    t->setNumber(999);
    t->increment();
    EXPECT_EQ(fieldText(t), "1000");
    EXPECT_EQ(t->getWidth(), 6 + 20);
    t->setNumber(9);
    t->increment();
    EXPECT_EQ(fieldText(t), "10");
    t->decrement();
    EXPECT_EQ(fieldText(t), "9");

    t->setFieldWidth(3);
    t->setNumber(12345);
    EXPECT_EQ(fieldText(t), "345");
    EXPECT_EQ(t->getNumber(), 345);
    t->setNumber(0);
    EXPECT_EQ(fieldText(t), "0");

    // Below zero the field has no sign to show: it stops at 0.
    t->decrement();
    EXPECT_EQ(fieldText(t), "0");
    t->setNumber(-42);
    EXPECT_EQ(fieldText(t), "0");
    t->setNumber(INT32_MIN);
    EXPECT_EQ(fieldText(t), "0");

    t->setField(buffer("vwxyz"));
    EXPECT_EQ(fieldText(t), "xyz");
    EXPECT_EQ(t->getWidth(), 21);
    t->setField(nullptr);
    EXPECT_EQ(t->m_fieldCount, 0);
    EXPECT_EQ(t->getWidth(), 6);

    // A field of width 0 holds nothing, and narrowing a full field keeps the
    // count within the new one.
    t->setNumber(777);
    t->setFieldWidth(0);
    EXPECT_EQ(t->m_fieldCount, 0);
    t->setNumber(7);
    t->increment();
    t->setField(buffer("abc"));
    EXPECT_EQ(t->m_fieldCount, 0);
    EXPECT_EQ(t->getNumber(), 0);
    t->setFieldWidth(-3);
    EXPECT_EQ(t->m_fieldWidth, 0);
}

TEST_F(VtextTest, StackingMakesTexts)
{
    Vsprite::m_inset = 2;
    ref<Vsprite> panel = new Vsprite;
    ref<Vtext> a = panel->addBs("ab"_s);
    ref<Vtext> b = panel->addBottom("a\t"_s, 2);
    EXPECT_EQ(a->getX(), 2 << 15);
    EXPECT_EQ(a->getY(), 0);
    EXPECT_EQ(b->getY(), kLine << 15);
    EXPECT_EQ(b->m_fieldWidth, 2);
    EXPECT_EQ(b->getWidth(), 35 + 10);
    EXPECT_EQ(panel->getWidth(), 45 + 4);
    EXPECT_EQ(panel->getHeight(), 2 * kLine);
    b->setNumber(7);
    EXPECT_EQ(b->getWidth(), 40);

    ref<Vtext> c = panel->addCenterBs("a"_s);
    EXPECT_EQ(c->getX(), (49 - 6) * 16384);
    EXPECT_EQ(c->getY(), (2 * kLine) << 15);
    ref<Vtext> d = panel->addCenterBottom("b"_s, 1);
    EXPECT_EQ(d->getWidth(), 11);
    EXPECT_EQ(d->getX(), (49 - 11) * 16384);
    EXPECT_EQ(panel->getHeight(), 4 * kLine);
    EXPECT_EQ(d->getParent(), panel);
    panel->removeAll();
}

TEST_F(VtextTest, DrawsGlyphsFromOnePixelInAndFieldsAfterTheText)
{
    FakeHost host;
    ref<Viewport> vp = screen(40, 24);
    ref<Vtext> t = new Vtext("ab"_s);
    t->setXyi(2, 3);
    vp->add(t);
    vp->render();
    for (int32_t x = 0; x < 16; x++)
        EXPECT_EQ(at(vp, x, 5), x >= 3 && x <= 12 ? 0xFFFFFF : 0) << x;
    EXPECT_EQ(at(vp, 5, 2), 0);
    EXPECT_EQ(at(vp, 5, 10), 0xFFFFFF);
    EXPECT_EQ(at(vp, 5, 11), 0); // the last row of shadow lies outside the sprite

    // Under a half-transparent group the text blends and casts no shadow;
    // the field keeps the sprite's own opacity.
    ref<Vsprite> group = new Vsprite;
    group->setAlpha(16384);
    group->setXyi(0, 12);
    ref<Vtext> u = new Vtext("a"_s);
    u->setFieldWidth(1);
    u->setNumber(4);
    u->setColor(static_cast<int32_t>(0xFF202020));
    group->add(u);
    vp->add(group);
    vp->render();
    EXPECT_EQ(at(vp, 1, 14), 0x7F7F7F + 0x101010);
    EXPECT_EQ(at(vp, 5, 15), 0x7F7F7F + 0x101010);
    EXPECT_EQ(at(vp, 6, 14), 0xFFFFFF);
    EXPECT_EQ(at(vp, 0, 14), int32_t(0xFF202020));
    vp->removeAll();
    group->removeAll();
}

TEST_F(VtextTest, ClippedRedrawKeepsTheShadowsOfGlyphsOutsideTheClip)
{
    FakeHost host;
    ref<Viewport> vp = screen(30, 24);
    ref<Vtext> t = new Vtext("a\na"_s);
    t->setFieldWidth(3); // room right of the glyphs, where the shadow falls
    t->setColor(static_cast<int32_t>(0xFF404040));
    vp->add(t);
    vp->render();
    ASSERT_EQ(at(vp, 6, 4), 0x202020); // shadow right of the first 'a'
    ASSERT_EQ(at(vp, 6, 8), 0x202020); // and below it, beside the second
    std::vector<int32_t> full(vp->m_pixels.a, vp->m_pixels.a + vp->m_pixels.length);

    // Rectangles that start exactly on the shadow column and row.
    for (Rect r : {Rect{6, 0, 30, 24}, Rect{0, 8, 30, 24}}) {
        for (int32_t i = 0; i < vp->m_pixels.length; i++)
            vp->m_pixels[i] = 0x123456;
        vp->redraw(r.x0, r.y0, r.x1, r.y1);
        vp->render();
        for (int32_t y = r.y0; y < t->m_y1; y++)
            for (int32_t x = r.x0; x < t->m_x1; x++)
                ASSERT_EQ(at(vp, x, y), full[x + y * 30]) << x << "," << y;
    }
    vp->removeAll();
}

TEST_F(VtextTest, ChangesOfTextColourAndCounterRedrawOnlyTheText)
{
    FakeHost host;
    ref<Viewport> vp = screen(60, 30);
    ref<Vtext> t = new Vtext("ab"_s);
    t->setFieldWidth(2);
    t->setNumber(12);
    t->setXyi(4, 5);
    vp->add(t);
    vp->add(box(40, 0, 10, 10));
    vp->render();

    t->setTextColor(0xFF0000);
    vp->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(FakeHost::dirtyList(*vp), (std::vector<Rect>{{4, 5, 25, 13}}));
    vp->render();
    EXPECT_EQ(at(vp, 6, 6), 0xFF0000);

    t->increment(); // 13: the same width, a new digit
    vp->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(FakeHost::dirtyList(*vp), (std::vector<Rect>{{4, 5, 25, 13}}));
    vp->render();
    vp->renderChangeDetect(0, 0, 32768);
    EXPECT_TRUE(FakeHost::dirtyList(*vp).empty());
    vp->removeAll();
}

TEST_F(VtextTest, AFrameTakesItsChildsSizeAndDrawsOnlyItsText)
{
    FakeHost host;
    ref<Viewport> vp = screen(40, 30);
    ref<Vtext> frame = new Vtext("a"_s);
    frame->add(box(0, 0, 30, 20, 0xFF00FF00));
    frame->setText("ab"_s);
    EXPECT_EQ(frame->getWidth(), 30);
    EXPECT_EQ(frame->getHeight(), 20);
    vp->add(frame);
    vp->render();
    EXPECT_EQ(at(vp, 2, 2), 0xFFFFFF);
    EXPECT_EQ(at(vp, 20, 15), 0); // the child is not drawn
    vp->removeAllStar();
}

TEST_F(VtextTest, ATextWithoutAFontKeepsItsSizeAndDrawsOnlyItsBackground)
{
    FakeHost host;
    Vtext::m_fontDefault = nullptr;
    ref<Viewport> vp = screen(20, 20);
    ref<Vtext> t = new Vtext("ab"_s);
    EXPECT_EQ(t->getWidth(), 0);
    t->setWidthHeight(12, 6);
    t->setColor(static_cast<int32_t>(0xFF0000FF));
    t->setText("abc"_s);
    t->setFieldWidth(3);
    t->setNumber(99);
    t->increment();
    t->setTextWrap(buffer("ab cd"));
    EXPECT_EQ(t->getWidth(), 12);
    EXPECT_EQ(t->getHeight(), 6);
    EXPECT_EQ(fieldText(t), "100");
    vp->add(t);
    vp->render();
    EXPECT_EQ(at(vp, 3, 3), int32_t(0xFF0000FF));
    EXPECT_EQ(at(vp, 13, 3), 0);
    vp->removeAll();
}

TEST_F(VtextTest, TextResourcesAreReadWrappedAndCapped)
{
    ref<Vtext> t = new Vtext("old"_s);
    t->setWidthHeight(40, 0);
    testing::internal::CaptureStdout();
    t->setFile("missing.txt"_s);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Could not open /missing.txt\n");
    EXPECT_STREQ(t->toString()->c_str(), "old");

    {
        std::ofstream out(m_dir / "page.txt", std::ios::binary);
        out.write("abc def\0 ghi\n", 13);
    }
    t->setWidthHeight(40, 0);
    t->setFile("page.txt"_s);
    EXPECT_STREQ(t->toString()->c_str(), "abc def\nghi\n"); // the NUL is dropped

    // A huge file is cut to its first 64 KiB, with a line saying so.
    {
        std::ofstream out(m_dir / "huge.txt", std::ios::binary);
        std::string line(99, 'a');
        line += '\n';
        for (int32_t i = 0; i < 2000; i++)
            out << line;
    }
    t->setWidthHeight(1000, 0);
    testing::internal::CaptureStdout();
    t->setFile("huge.txt"_s);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("/huge.txt is longer than 65536 bytes"),
              std::string::npos);
    EXPECT_EQ(t->toString()->length(), 65536);
    EXPECT_EQ(t->getHeight(), (65536 / 100 + 1) * kLine);

    t->setFile(nullptr);
    t->setFile("../escape"_s);
    EXPECT_EQ(t->toString()->length(), 65536);
}
