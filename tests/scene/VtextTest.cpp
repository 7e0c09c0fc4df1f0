#include <gtest/gtest.h>

#include "support/TextFixture.h"

namespace {

using VtextTest = ScreenFixture<60, 30>;

ref<StringBuffer> buffer(const char* s)
{
    ref<StringBuffer> b = new StringBuffer;
    b->append(s);
    return b;
}

std::string wrapped(const ref<Vtheme>& theme, int32_t width, const char* s)
{
    ref<Vtext> t = new Vtext(theme);
    t->setWidthHeight(width, 0);
    t->setTextWrap(buffer(s));
    return t->toString()->c_str();
}

} // namespace

// A text is one pixel wider than its widest line; tab stops come every 35
// pixels counted with the margin: from 6 to 35, and from 40 a whole stop on
// to 70. Without a font the size stays.
TEST_F(VtextTest, SizesToTheWidestLineWithTabStops)
{
    ref<Vtext> t = new Vtext(m_theme, "ab"_s);
    struct Case {
        const char* text;
        int32_t width, lines;
    };
    for (Case c : {Case{"ab", 11, 1}, Case{"ab\nc", 11, 2}, Case{"a\nbcd\n", 16, 3}, Case{"a\tb\t", 70, 1}}) {
        SCOPED_TRACE(c.text);
        t->setText(String::copyOf(c.text));
        EXPECT_EQ(t->getWidth(), c.width);
        EXPECT_EQ(t->getHeight(), c.lines * kLine);
    }
    t->setText(nullptr, "ab"_s);
    EXPECT_EQ(t->getWidth(), 70);
}

TEST_F(VtextTest, WrapBreaksAtTheLastSpaceThatFits)
{
    // All characters 5 wide, lines of 40: the second space overflows.
    EXPECT_EQ(wrapped(m_theme, 40, "abc def ghi"), "abc def\nghi");
    // A wrapped line keeps its margin pixel too: "defg hij" would be 41.
    EXPECT_EQ(wrapped(m_theme, 40, "abc defg hij"), "abc\ndefg\nhij");
    // A word longer than the line stays whole; the next word moves on.
    EXPECT_EQ(wrapped(m_theme, 40, "abcdefghij kl mn"), "abcdefghij\nkl mn");
    // An overflow after a line feed does not reach back before it.
    EXPECT_EQ(wrapped(m_theme, 40, "ab cd\nefghijklmn"), "ab cd\nefghijklmn");
    EXPECT_EQ(wrapped(nullptr, 40, "abc def ghi"), "abc def ghi"); // no font
}

TEST_F(VtextTest, CountersCarryWrapAndKeepTheirLowestDigits)
{
    ref<Vtext> t = new Vtext(m_theme, "n"_s);
    t->setFieldWidth(3);
    EXPECT_EQ(t->getWidth(), 6 + 15);
    t->increment(); // an empty field stays empty
    EXPECT_EQ(fieldText(t), "");
    // Set to a number, then counted up (1), down (-1) or left (0). There is
    // no sign to show: counts stop at 0.
    struct Step {
        int32_t width, number, count;
        const char* field;
    };
    for (Step c : {Step{3, 999, 1, "000"}, Step{3, 12345, 0, "345"}, Step{4, 999, 1, "1000"}, Step{4, 0, 0, "0"},
                   Step{4, 0, -1, "0"}, Step{4, INT32_MIN, 0, "0"}}) {
        SCOPED_TRACE(c.number);
        t->setFieldWidth(c.width);
        t->setNumber(c.number);
        if (c.count)
            c.count > 0 ? t->increment() : t->decrement();
        EXPECT_EQ(fieldText(t), c.field);
        EXPECT_EQ(t->getWidth(), 6 + 5 * static_cast<int32_t>(strlen(c.field)));
    }
    t->setFieldWidth(3);
    t->setField(buffer("vwxyz"));
    EXPECT_EQ(fieldText(t), "xyz");
    t->setNumber(12345);
    EXPECT_EQ(t->getNumber(), 345);
    // A field of width 0 holds nothing; narrowing keeps the count inside.
    t->setFieldWidth(0);
    t->setNumber(7);
    t->increment();
    t->setField(buffer("abc"));
    EXPECT_EQ(t->m_fieldCount, 0);
    EXPECT_EQ(t->getWidth(), 6);
}

TEST_F(VtextTest, StackingMakesTextsBelowAndCentred)
{
    m_theme->m_inset = 2;
    ref<Vsprite> panel = new Vsprite;
    panel->addBottom(m_theme, "ab"_s, 0);
    ref<Vtext> b = panel->addBottom(m_theme, "a\t"_s, 2);
    EXPECT_EQ(b->getY(), kLine << 15);
    EXPECT_EQ(b->getWidth(), 35 + 10); // widened by two digits
    EXPECT_EQ(panel->getWidth(), 45 + 4);
    ref<Vtext> c = panel->addCenterBottom(m_theme, "b"_s, 1);
    EXPECT_EQ(std::pair(c->getX(), c->getY()), std::pair((49 - 11) * 16384, (2 * kLine) << 15));
    panel->removeAll();
}

// A most width cuts a one-line text to the start that fits (the dots of
// this font have no width), never after a space or separator, keeps room
// for the field, and gives the whole text back when lifted.
TEST_F(VtextTest, AMostWidthCutsALineBeforeItsDotsAndLiftingItRestoresIt)
{
    struct Case {
        const char* text;
        int32_t field; // digits shown in a field, -1 for none
        int32_t most;
        int32_t shown; // characters drawn, -1 for all
        int32_t width;
    };
    const Case cases[] = {
        {"abc def", -1, 40, -1, 36}, // fits as it is
        {"abc def", -1, 36, -1, 36}, // exactly
        {"abc def", -1, 30, 5, 26},  // "abc d"
        {"abc def", -1, 21, 3, 16},  // "abc " loses its space
        {"abc def", -1, 3, 0, 1},    // nothing fits but the dots
        {"ab\ncdefgh", -1, 10, -1, 31}, // two lines are left whole
        {"abcdef", 12, 30, 3, 26},   // the field's two digits keep their room
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " most " + std::to_string(c.most));
        ref<Vtext> t = new Vtext(m_theme, String::copyOf(c.text));
        if (c.field >= 0) {
            t->setFieldWidth(2);
            t->setNumber(c.field);
        }
        t->setMostWidth(c.most);
        EXPECT_EQ(t->m_shown, c.shown);
        EXPECT_EQ(t->getWidth(), c.width);
        EXPECT_STREQ(t->toString()->c_str(), c.text);
        t->setMostWidth(0);
        EXPECT_EQ(t->m_shown, -1);
    }
    // Drawn cut, nothing shows past the characters kept; a new text is cut anew.
    ref<Vtext> t = new Vtext(m_theme, "abcdefgh"_s);
    t->setMostWidth(20);
    m_vp->add(t);
    m_vp->render();
    EXPECT_EQ(at(m_vp, 15, 3), 0xFFFFFF);
    for (int32_t x = 17; x < 45; x++)
        EXPECT_EQ(at(m_vp, x, 3), 0) << x;
    t->setText("ab"_s);
    EXPECT_EQ(t->m_shown, -1);
    EXPECT_EQ(t->getWidth(), 11);
}

// Under a half-transparent group a text blends and casts no shadow, and its
// field keeps the sprite's own opacity; without a font only the background is
// drawn.
TEST_F(VtextTest, DrawsFromOnePixelInWithTheFieldAtItsOwnOpacity)
{
    ref<Vtext> t = new Vtext(m_theme, "ab"_s), u = new Vtext(m_theme, "a"_s), n = new Vtext(m_theme, nullptr, "ab"_s);
    t->setXyi(2, 3);
    ref<Vsprite> group = new Vsprite;
    group->setAlpha(16384);
    group->setXyi(0, 12);
    group->add(u);
    n->setWidthHeight(4, 4);
    n->setXyi(30, 0);
    u->setFieldWidth(1);
    u->setNumber(4);
    n->setFieldWidth(2);
    n->setNumber(5);
    u->setColor(static_cast<int32_t>(0xFF202020));
    n->setColor(static_cast<int32_t>(0xFF0000FF));
    for (const ref<Vsprite>& s : {ref<Vsprite>(t), group, ref<Vsprite>(n)})
        m_vp->add(s);
    m_vp->render();
    EXPECT_EQ(at(m_vp, 31, 1), int32_t(0xFF0000FF));
    for (int32_t x = 0; x < 16; x++)
        EXPECT_EQ(at(m_vp, x, 5), x >= 3 && x <= 12 ? 0xFFFFFF : 0) << x;
    EXPECT_EQ(at(m_vp, 5, 11), 0); // the shadow row below the sprite is cut
    EXPECT_EQ(at(m_vp, 0, 14), int32_t(0xFF202020));
    EXPECT_EQ(at(m_vp, 1, 14), 0x7F7F7F + 0x101010);
    EXPECT_EQ(at(m_vp, 6, 14), 0xFFFFFF);
}

TEST_F(VtextTest, AtAWholeScaleTheTextGrowsWithItsPlaceTabsAndField)
{
    // Lines, a tab and a field, drawn at scale 1 and under a group at scale
    // 3: each pixel of the large one is the small pixel it stands for.
    auto draw = [&](int32_t k) {
        ref<Viewport> vp = screen(60 * k, 30 * k);
        ref<Vsprite> group = new Vsprite;
        group->setScale(k << 15);
        ref<Vtext> t = new Vtext(m_theme, "a\tb\nW"_s);
        t->setXyi(2, 3);
        t->setFieldWidth(2);
        t->setNumber(7);
        t->setColor(static_cast<int32_t>(0xFF304050));
        group->add(t);
        vp->add(group);
        vp->render();
        EXPECT_EQ(t->m_x1 - t->m_x0, k * t->m_width);
        std::vector<int32_t> px(vp->m_pixels.a, vp->m_pixels.a + vp->m_pixels.length);
        vp->removeAllStar();
        return px;
    };
    const std::vector<int32_t> small = draw(1), large = draw(3);
    for (int32_t y = 0; y < 90; y++)
        for (int32_t x = 0; x < 180; x++)
            ASSERT_EQ(large[y * 180 + x], small[(y / 3) * 60 + x / 3]) << x << "," << y;
    // A scale that is not whole draws the glyphs at their own size.
    ref<Vsprite> group = new Vsprite;
    group->setScale(0xC000);
    ref<Vtext> t = new Vtext(m_theme, "W"_s);
    group->add(t);
    m_vp->add(group);
    m_vp->render();
    EXPECT_EQ(at(m_vp, 9, 1), 0xFFFFFF);
}

TEST_F(VtextTest, ClippedRedrawKeepsTheShadowsOfGlyphsOutsideTheClip)
{
    ref<Vtext> t = new Vtext(m_theme, "a\na"_s);
    t->setFieldWidth(3); // room right of the glyphs, where the shadow falls
    t->setColor(static_cast<int32_t>(0xFF404040));
    m_vp->add(t);
    m_vp->render();
    ASSERT_EQ(at(m_vp, 6, 8), 0x202020);
    std::vector<int32_t> full(m_vp->m_pixels.a, m_vp->m_pixels.a + m_vp->m_pixels.length);
    // Rectangles that start on the shadow column and on the shadow row.
    for (Rect r : {Rect{6, 0, 60, 30}, Rect{0, 8, 60, 30}}) {
        for (int32_t i = 0; i < m_vp->m_pixels.length; i++)
            m_vp->m_pixels[i] = 0x123456;
        m_vp->redraw(r.x0, r.y0, r.x1, r.y1);
        m_vp->render();
        for (int32_t y = r.y0; y < t->m_y1; y++)
            for (int32_t x = r.x0; x < t->m_x1; x++)
                ASSERT_EQ(at(m_vp, x, y), full[x + y * 60]) << x << "," << y;
    }
}

TEST_F(VtextTest, TextColourAndCounterChangesRedrawOnlyTheText)
{
    ref<Vtext> t = new Vtext(m_theme, "ab"_s);
    t->setFieldWidth(2);
    t->setNumber(12);
    t->setXyi(4, 5);
    m_vp->add(t);
    m_vp->add(box(40, 0, 10, 10));
    m_vp->render();
    auto onlyTheText = [&](const char* change) {
        m_vp->renderChangeDetect(0, 0, 32768);
        EXPECT_EQ(FakeHost::dirtyList(*m_vp), (std::vector<Rect>{{4, 5, 25, 13}})) << change;
        m_vp->render();
    };
    t->setTextColor(0xFF0000);
    onlyTheText("colour");
    EXPECT_EQ(at(m_vp, 6, 6), 0xFF0000);
    t->increment();
    onlyTheText("same width, another digit");
    t->setNumber(29);
    m_vp->render();
    t->setNumber(38);
    onlyTheText("the same digits' sum in another order");
}

