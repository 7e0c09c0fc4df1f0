#include <gtest/gtest.h>

#include <tuple>

#include "support/TextFixture.h"

namespace {

constexpr char kBattleKeys[8] = {'0', '2', '3', '8', '9', '4', '6', '5'};

class VmenuTest : public ScreenFixture<480, 480> {
protected:
    // A text menu of the items at (10, 20), laid out on screen.
    ref<Vmenu> textMenu(std::initializer_list<const char*> items)
    {
        ref<Vmenu> m = new Vmenu(m_theme);
        for (const char* s : items)
            m->add(String::intern(s));
        m->setXyi(10, 20);
        m_vp->add(m);
        m_vp->render();
        return m;
    }
    // The battle controls' buttons in their order.
    ref<Vmenu> touchMenu(int32_t size)
    {
        ref<Vmenu> m = new Vmenu(m_theme);
        m->m_buttonSize = size;
        for (char k : kBattleKeys)
            m->addTouch(k, 32);
        return m;
    }
};

ref<Vsprite> item(const ref<Vmenu>& m, int32_t n)
{
    ref<Vsprite> c = m->getChild();
    while (n-- > 0 && c)
        c = c->m_sibling;
    return c;
}

int32_t lit(const ref<Vmenu>& m, int32_t n)
{
    ref<Vsprite> c = item(m, n);
    return (c->getChild() ? c->getChild() : c)->getAlpha();
}

} // namespace

TEST_F(VmenuTest, KeysMoveRoundTheItemsPickByKeyAndChangeSettingItems)
{
    ref<Vmenu> m = textMenu({"New Game", "Sound: On"});
    ref<Vtext> level = m->addIcon("Level: Easy"_s, 7);
    EXPECT_EQ(m->m_selected, item(m, 0));
    EXPECT_EQ(lit(m, 1), 0x4000);
    struct Press {
        int32_t key, back, ordinal;
    };
    // Down; up round past the first to the last and down round to the
    // first; enter, and a touch without a position; left and right on a
    // plain item look for items keyed 1 and 2, on a setting they change it.
    const Press presses[] = {{4, 0, 1},     {3, 0, 0},     {3, 0, 2},     {4, 0, 0},   {10, 'N', 0}, {5, 'N', 0},
                             {1, 1, 0},     {2, 2, 0},     {'S', 'S', 1}, {'Z', 'Z', 1}, {1, 'S', 1},  {2, 'S', 1}};
    for (const Press& p : presses) {
        SCOPED_TRACE(p.key);
        EXPECT_EQ(m->key(p.key, 0, 0), p.back);
        EXPECT_EQ(m->selectedOrdinal(), p.ordinal);
        EXPECT_EQ(lit(m, p.ordinal ? 0 : 1), 0x4000);
    }
    EXPECT_EQ(m->getSelectedText(), item(m, 1));
    // An item with a picture is no text item, whatever it reads; its size
    // is that of its text.
    m->select('L');
    EXPECT_EQ(m->getSelected(), level);
    EXPECT_EQ(m->getSelectedText(), nullptr);
    EXPECT_EQ(level->getWidth(), ref<Vtext>(new Vtext(m_theme, "Level: Easy"_s))->getWidth());
    EXPECT_EQ(m->key(2, 0, 0), 2);
    // Up from outside the items goes to the last.
    m->m_selected = new Vsprite;
    EXPECT_EQ(m->key(3, 0, 0), 0);
    EXPECT_EQ(m->selectedOrdinal(), 2);
}

// Two menus of two looks side by side: each takes colour, text colour, margin
// and pointer use from its own theme (with a pointer a label drops its key),
// and a later change of a theme reaches the items its menus add from then on.
TEST_F(VmenuTest, EachMenuBuildsInTheLookOfItsOwnTheme)
{
    ref<Vtheme> grey = new Vtheme;
    grey->m_font = m_font;
    grey->m_textColor = 0xFF0000;
    grey->m_menuColor = static_cast<int32_t>(0x80606080);
    grey->m_mouse = true;
    grey->m_inset = 2;
    ref<Vmenu> plain = new Vmenu(m_theme), framed = new Vmenu(grey);
    ref<Vtext> a = plain->add("2 Go"_s), b = framed->add("2 Go"_s);
    EXPECT_EQ(std::tuple(plain->m_color, a->m_textColor, a->getX(), std::string(a->toString()->c_str())),
              std::tuple(0, 0xFFFFFF, 0, std::string("2 Go")));
    EXPECT_EQ(std::tuple(framed->m_color, b->m_textColor, b->getX(), std::string(b->toString()->c_str()), b->getId()),
              std::tuple(static_cast<int32_t>(0x80606080), 0xFF0000, 2 << 15, std::string("Go"), static_cast<int32_t>('2')));
    EXPECT_STREQ(framed->add("H"_s)->toString()->c_str(), "H");
    EXPECT_EQ(framed->add(""_s)->getId(), 0);
    EXPECT_EQ(framed->getWidth(), b->getWidth() + 4);
    grey->m_inset = 5;
    EXPECT_EQ(std::pair(framed->add("Help"_s)->getX(), plain->add("Help"_s)->getX()), std::pair(5 << 15, 0));
    // Items stand 3 pixels apart above and below.
    EXPECT_EQ(b->getY(), 3 << 15);
    EXPECT_EQ(framed->getHeight(), 4 * (kLine + 6));
    plain->removeAll();
    framed->removeAll();
}

// A touch or a hover in the gap between items must pick nothing.
TEST_F(VmenuTest, TouchesAndThePointerFindTheItemUnderThemAndNothingBetween)
{
    // Items 8 high with 3 pixels around: "Resume" spans y 37..45 on screen.
    ref<Vmenu> m = textMenu({"New Game", "Resume", "Help"});
    ASSERT_EQ(item(m, 1)->m_y0, 37);
    EXPECT_TRUE(m->hover(12, 40));
    EXPECT_TRUE(m->m_selected == item(m, 1) && lit(m, 1) == 0x8000 && lit(m, 0) == 0x4000);
    EXPECT_EQ(m->key(5, 12, 40), 'R');
    // Between items, on a bottom edge, left of the menu or below it: nothing
    // under it, nothing changes.
    for (auto [x, y] : {std::pair{12, 33}, std::pair{12, 45}, std::pair{5, 40}, std::pair{12, 62}}) {
        EXPECT_FALSE(m->hover(x, y)) << x << "," << y;
        EXPECT_EQ(m->key(5, x, y), 0) << x << "," << y;
        EXPECT_EQ(m->m_selected, item(m, 1));
    }
    EXPECT_EQ(m->itemAt(12, 51), item(m, 2));
    EXPECT_EQ(m->key(5, 12, 51), 'H');
}

TEST_F(VmenuTest, ButtonsTakeTheirEdgesLightUnderThePointerAndStayLitFor200Ms)
{
    ref<Vmenu> m = touchMenu(48);
    EXPECT_EQ(lit(m, 0), 0x4000);
    item(m, 1)->setXyi(48, 0);
    for (int32_t i = 2; i < 8; i++)
        item(m, i)->setXyi(200 + 60 * i, 200);
    m_vp->add(m);
    m_vp->render();
    // The edge both share goes to the first; the bottom edge of the second
    // is its own; past them, nothing.
    for (auto [x, y, key, first] : {std::tuple{48, 10, '0', 0x8000}, {49, 48, '2', 0x4000}, {97, 10, '\0', 0x4000}}) {
        EXPECT_EQ(m->key(5, x, y), key) << x << "," << y;
        EXPECT_EQ(lit(m, 0), first) << x << "," << y;
    }
    EXPECT_EQ(m->getSelected(), item(m, 1)->getChild());
    // Arrows and other keys pass through a button menu.
    EXPECT_EQ(std::pair(m->key(4, 0, 0), m->key('9', 0, 0)), (std::pair<char, char>(4, '9')));
    // The pointer lights a button as a touch does.
    EXPECT_TRUE(m->hover(325, 210));
    EXPECT_EQ(lit(m, 2), 0x8000);
    EXPECT_FALSE(m->hover(315, 210));

    // The game's time lets it fade (a replay fades it at the same frame),
    // not the clock.
    // 200 ms after its selection a button goes dim (the time adds up); a new
    // selection starts its time over, and time going backwards, or on for
    // ever, neither undoes nor wraps it. Every key call lets it fade.
    m_host.m_now = 100000;
    for (auto [key, index, before, after, times] : {std::tuple{'9', 4, 150, 1, 1}, {'6', 6, -500, INT32_MAX, 4}}) {
        m->select(key);
        m->advance(before);
        m->advance(key == '9' ? 50 : 0);
        m->fade();
        EXPECT_EQ(lit(m, index), 0x8000) << key;
        for (int32_t i = 0; i < times; i++)
            m->advance(after);
        EXPECT_EQ(m->key(0, 0, 0), 0);
        EXPECT_EQ(lit(m, index), 0x4000) << key;
    }

    // Buttons take another dim level; text menus keep theirs.
    m->setDim(0x6000);
    EXPECT_EQ(lit(m, 7), 0x6000);
    ref<Vmenu> text = textMenu({"New Game", "Help"});
    text->setDim(0x6000);
    EXPECT_TRUE(text->m_dim == 0x4000 && lit(text, 1) == 0x4000);
}

// The battle controls on landscape and portrait screens, laid out inside the
// area below a status panel of four 16-pixel lines, at the screen's bottom;
// then squeezed into too little room, never on top of each other.
TEST_F(VmenuTest, ButtonGridPutsMenuAndViewLeftUpAndDownRightAndTheRestBelow)
{
    struct Layout {
        int32_t w, h, size, height, right, bottomX[4], rowY[3];
    };
    const Layout layouts[] = {
        {480, 320, 72, 256, 408, {0, 136, 272, 408}, {0, 92, 184}},
        {320, 480, 48, 228, 272, {0, 90, 181, 272}, {0, 90, 180}},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(testing::Message() << l.w << "x" << l.h << " buttons " << l.size);
        m_vp->setWidthHeight(l.w, l.h);
        ref<Vmenu> m = touchMenu(l.size);
        m->resize(l.w, l.h - 64);
        EXPECT_EQ(std::pair(m->getWidth(), m->getHeight()), std::pair(0, l.height));
        for (int32_t i = 0; i < 4; i++) {
            EXPECT_EQ(std::pair(item(m, i)->getX() >> 15, item(m, i)->getY() >> 15), std::pair(i % 2 ? l.right : 0, l.rowY[i / 2])) << i;
            EXPECT_EQ(std::pair(item(m, 4 + i)->getX() >> 15, item(m, 4 + i)->getY() >> 15), std::pair(l.bottomX[i], l.rowY[2])) << i;
        }
        // On screen, a touch on each button's middle gives its key.
        m->setXyi(0, l.h - m->getHeight());
        m_vp->add(m);
        m_vp->render();
        for (int32_t i = 0; i < 8; i++) {
            ref<Vsprite> b = item(m, i);
            EXPECT_EQ(m->key(5, (b->m_x0 + b->m_x1) / 2, (b->m_y0 + b->m_y1) / 2), kBattleKeys[i]) << i;
        }
        m_vp->removeAllStar();
    }
    ref<Vmenu> m = touchMenu(72);
    for (auto [w, h] : {std::pair{0, 0}, std::pair{20, 2}, std::pair{-500, -300}, std::pair{30, 1000}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        m->resize(w, h);
        const int32_t b = item(m, 0)->getWidth();
        EXPECT_TRUE(m->getHeight() > 0 && b >= 36) << b;
        EXPECT_GE(item(m, 1)->getX() - item(m, 0)->getX(), b << 15);
        EXPECT_GE(item(m, 2)->getY() - item(m, 0)->getY(), b << 15);
        for (int32_t i = 5; i < 8; i++)
            EXPECT_GE(item(m, i)->getX() - item(m, i - 1)->getX(), b << 15) << i;
    }
    m->removeAllStar();
}

// Menus with nothing in them: no crash, nothing chosen.
TEST_F(VmenuTest, EmptyMenusStaySafe)
{
    for (int32_t size : {0, 48}) {
        ref<Vmenu> e = new Vmenu(m_theme);
        e->m_buttonSize = size;
        m_vp->add(e);
        m_vp->render();
        for (char k : {3, 4, 10})
            EXPECT_EQ(e->key(k, 0, 0), size ? k : 0);
        EXPECT_EQ(std::pair(e->key(5, 30, 30), e->key('A', 0, 0)), (std::pair<char, char>(0, 'A')));
        e->select();
        e->fade();
        e->resize(480, 320);
        EXPECT_TRUE(!e->m_selected && !e->getSelected());
    }
}

TEST_F(VmenuTest, TranslatedItemsAreKeyedByTheirOwnFirstLetters)
{
    // UTF-8 first letters: plain, lower case, with a mark, a digit, none;
    // Cyrillic by the Russian layout's keys: А, я, Н, Й, and Ж, Ё on sign keys.
    EXPECT_EQ((std::vector{Vmenu::letterKey("Neu"_s), Vmenu::letterKey("ja"_s), Vmenu::letterKey("\xC3\x9C" "ber"_s),
                           Vmenu::letterKey("\xC5\x81\xC3\xB3""d\xC5\xBA"_s), Vmenu::letterKey("2x"_s),
                           Vmenu::letterKey("\xC3\x97"_s), Vmenu::letterKey(nullptr)}),
              (std::vector<int32_t>{'N', 'J', 'U', 'L', '2', 0, 0}));
    EXPECT_EQ((std::vector{Vmenu::letterKey("\xD0\x90"_s), Vmenu::letterKey("\xD1\x8F"_s), Vmenu::letterKey("\xD0\x9D"_s),
                           Vmenu::letterKey("\xD0\x99"_s), Vmenu::letterKey("\xD0\x96"_s), Vmenu::letterKey("\xD0\x81"_s)}),
              (std::vector<int32_t>{'F', 'Z', 'Y', 'Q', 0, 0}));
}
