#include <gtest/gtest.h>

#include <vector>

#include "TextFixture.h"

namespace {

class VmenuTest : public TextFixture {
protected:
    void TearDown() override
    {
        m_vp->removeAllStar();
        TextFixture::TearDown();
    }
    // A text menu of the given items at (10, 20), laid out on screen.
    ref<Vmenu> textMenu(std::vector<ref<String>> items)
    {
        ref<Vmenu> m = new Vmenu;
        for (const ref<String>& s : items)
            m->add(s);
        m->setXyi(10, 20);
        m_vp->add(m);
        m_vp->render();
        return m;
    }
    // A touch menu with the battle controls' keys in their order.
    ref<Vmenu> touchMenu(int32_t size)
    {
        ref<Vmenu> m = new Vmenu;
        m->m_buttonSize = size;
        for (char k : kBattleKeys)
            m->addTouch(k, 32);
        return m;
    }
    void render() { m_vp->render(); }

    static constexpr char kBattleKeys[8] = {'0', '2', '3', '8', '9', '4', '6', '5'};
    FakeHost m_host;
    ref<Viewport> m_vp = [] {
        ref<Viewport> vp = new Viewport;
        vp->setWidthHeight(480, 480);
        return vp;
    }();
};

ref<Vsprite> item(const ref<Vmenu>& m, int32_t n)
{
    ref<Vsprite> c = m->getChild();
    while (n-- > 0 && c)
        c = c->m_sibling;
    return c;
}

ref<Vsprite> picture(const ref<Vmenu>& m, int32_t n)
{
    return item(m, n)->getChild();
}

} // namespace

TEST_F(VmenuTest, KeysMoveRoundTheItemsPickByKeyAndPassOthersOn)
{
    ref<Vmenu> m = textMenu({"New Game"_s, "Help"_s});
    EXPECT_EQ(m->m_z, -1000);
    EXPECT_EQ(m->m_selected, item(m, 0));
    EXPECT_EQ(item(m, 1)->getAlpha(), 0x4000);

    EXPECT_EQ(m->key(4, 0, 0), 0);
    EXPECT_EQ(m->m_selected, item(m, 1));
    EXPECT_EQ(item(m, 0)->getAlpha(), 0x4000);
    EXPECT_EQ(item(m, 1)->getAlpha(), 0x8000);
    EXPECT_EQ(m->key(4, 0, 0), 0); // past the last, round to the first
    EXPECT_EQ(m->m_selected, item(m, 0));
    EXPECT_EQ(m->key(3, 0, 0), 0); // before the first, round to the last
    EXPECT_EQ(m->m_selected, item(m, 1));
    EXPECT_EQ(m->key(3, 0, 0), 0);
    EXPECT_EQ(m->m_selected, item(m, 0));
    EXPECT_EQ(m->key(10, 0, 0), 'N');
    EXPECT_EQ(m->key(5, 0, 0), 'N'); // a touch without a position is enter

    EXPECT_EQ(m->key('H', 0, 0), 'H');
    EXPECT_EQ(m->m_selected, item(m, 1));
    EXPECT_EQ(item(m, 0)->getAlpha(), 0x4000);
    EXPECT_EQ(m->key('Z', 0, 0), 'Z');
    EXPECT_EQ(m->m_selected, item(m, 1));
    EXPECT_EQ(m->key(0, 0, 0), 0);
    // Left and right on a plain item look for items keyed 1 and 2.
    EXPECT_EQ(m->key(1, 0, 0), 1);
    EXPECT_EQ(m->key(2, 0, 0), 2);
    EXPECT_EQ(m->m_selected, item(m, 1));
}

TEST_F(VmenuTest, LeftAndRightChangeSettingItems)
{
    ref<Vmenu> m = textMenu({"New Game"_s, "Sound: On"_s});
    ref<Vtext> level = m->addIcon("Level: Easy"_s, 7);
    m->select('S');
    EXPECT_EQ(m->getSelectedText(), item(m, 1));
    EXPECT_EQ(m->key(1, 0, 0), 'S');
    EXPECT_EQ(m->key(2, 0, 0), 'S');
    EXPECT_EQ(m->m_selected, item(m, 1));
    // An item with a picture is not a text item, even with a colon.
    m->select('L');
    EXPECT_EQ(m->getSelected(), level);
    EXPECT_EQ(m->getSelectedText(), nullptr);
    EXPECT_EQ(level->getImage(), 7);
    EXPECT_EQ(level->getWidth(), ref<Vtext>(new Vtext("Level: Easy"_s))->getWidth());
    EXPECT_EQ(m->key(2, 0, 0), 2);
}

TEST_F(VmenuTest, TouchLabelsDropTheirKeyAndItemsStackWithRoomAround)
{
    ref<Vmenu> plain = new Vmenu;
    EXPECT_STREQ(plain->add("2 Go"_s)->toString()->c_str(), "2 Go");
    Vmenu::m_mouse = true;
    Vmenu::m_colorDefault = static_cast<int32_t>(0x80606080u);
    ref<Vmenu> m = new Vmenu;
    EXPECT_EQ(m->m_color, static_cast<int32_t>(0x80606080u));
    ref<Vtext> go = m->add("2 Go"_s);
    ref<Vtext> help = m->add("Help"_s);
    ref<Vtext> empty = m->add(""_s);
    EXPECT_STREQ(go->toString()->c_str(), "Go");
    EXPECT_EQ(go->getId(), '2');
    EXPECT_STREQ(help->toString()->c_str(), "Help");
    EXPECT_EQ(help->getId(), 'H');
    EXPECT_EQ(empty->getId(), 0);
    EXPECT_EQ(go->getY(), 3 << 15);
    EXPECT_EQ(help->getY(), (3 + kLine + 6) << 15);
    EXPECT_EQ(m->getHeight(), 3 * (kLine + 6));
    plain->removeAll();
    m->removeAll();
}

TEST_F(VmenuTest, TouchesPickTheItemUnderThemAndNothingBetween)
{
    ref<Vmenu> m = textMenu({"New Game"_s, "Resume"_s, "Help"_s});
    // Items are 8 high with 3 pixels above and below: on screen at y 23,
    // 37 and 51, the menu from 20 to 62.
    ASSERT_EQ(item(m, 1)->m_y0, 37);
    ASSERT_EQ(item(m, 1)->m_y1, 45);
    EXPECT_EQ(m->key(5, 12, 40), 'R');
    EXPECT_EQ(m->m_selected, item(m, 1));
    EXPECT_EQ(item(m, 0)->getAlpha(), 0x4000);
    EXPECT_EQ(m->key(5, 12, 33), 0); // between the first two items
    EXPECT_EQ(m->key(5, 12, 45), 0); // the bottom edge of "Resume"
    EXPECT_EQ(m->key(5, 12, 44), 'R');
    EXPECT_EQ(m->key(5, 5, 40), 0);  // left of the menu
    EXPECT_EQ(m->key(5, 12, 62), 0); // below it
    EXPECT_EQ(m->key(5, 12, 51), 'H');
    EXPECT_EQ(m->m_selected, item(m, 2));
}

TEST_F(VmenuTest, TouchButtonsTakeTheirEdgesAndStayLitFor200Ms)
{
    ref<Vmenu> m = touchMenu(48);
    EXPECT_EQ(item(m, 0)->getWidth(), 48);
    EXPECT_EQ(picture(m, 0)->getImage(), 32);
    EXPECT_EQ(picture(m, 0)->getAlpha(), 0x4000);
    item(m, 0)->setXyi(0, 0);
    item(m, 1)->setXyi(48, 0);
    for (int32_t i = 2; i < 8; i++)
        item(m, i)->setXyi(200, 200);
    m_vp->add(m);
    render();

    m_host.m_now = 1000;
    EXPECT_EQ(m->key(5, 48, 10), '0'); // the edge both buttons share: the first
    EXPECT_EQ(m->getSelected(), picture(m, 0));
    EXPECT_EQ(picture(m, 0)->getAlpha(), 0x8000);
    EXPECT_EQ(m->key(5, 49, 48), '2'); // bottom edge of the second
    EXPECT_EQ(picture(m, 0)->getAlpha(), 0x4000);
    EXPECT_EQ(m->key(5, 97, 10), 0);
    EXPECT_EQ(m->m_selected, item(m, 1));
    // Arrow keys are not for buttons: they pass through like any other key.
    EXPECT_EQ(m->key(4, 0, 0), 4);
    EXPECT_EQ(m->key('9', 0, 0), '9');
    EXPECT_EQ(m->m_selected, item(m, 4));

    m_host.m_now = 1200;
    m->fade();
    EXPECT_EQ(picture(m, 4)->getAlpha(), 0x8000);
    m_host.m_now = 1201;
    EXPECT_EQ(m->key(0, 0, 0), 0); // every key call lets the highlight fade
    EXPECT_EQ(picture(m, 4)->getAlpha(), 0x4000);

    // The clock may wrap between the touch and the fade.
    m_host.m_now = INT32_MAX - 50;
    m->select('6');
    m_host.m_now = static_cast<int32_t>(static_cast<uint32_t>(INT32_MAX) + 100);
    m->fade();
    EXPECT_EQ(picture(m, 6)->getAlpha(), 0x8000);
    m_host.m_now = static_cast<int32_t>(static_cast<uint32_t>(INT32_MAX) + 200);
    m->fade();
    EXPECT_EQ(picture(m, 6)->getAlpha(), 0x4000);
}

TEST_F(VmenuTest, DimmingAppliesToButtonsOnly)
{
    ref<Vmenu> text = textMenu({"New Game"_s, "Help"_s});
    text->setDim(0x6000);
    EXPECT_EQ(text->m_dim, 0x4000);
    EXPECT_EQ(item(text, 1)->getAlpha(), 0x4000);
    EXPECT_EQ(item(text, 0)->getAlpha(), 0x8000);

    ref<Vmenu> touch = touchMenu(72);
    touch->setDim(0x6000);
    EXPECT_EQ(touch->m_dim, 0x6000);
    for (int32_t i = 0; i < 8; i++) {
        EXPECT_EQ(picture(touch, i)->getAlpha(), 0x6000);
        EXPECT_EQ(item(touch, i)->getAlpha(), 0x8000);
    }
    touch->removeAllStar();
}

TEST_F(VmenuTest, OrdinalsCountItemsAndStopAtTheEnd)
{
    ref<Vmenu> m = textMenu({"New Game"_s, "Resume"_s, "Help"_s});
    m->selectOrdinal(1);
    EXPECT_EQ(m->selectedOrdinal(), 1);
    EXPECT_EQ(item(m, 1)->getAlpha(), 0x8000);
    m->selectOrdinal(5); // the current item is dimmed, no other is chosen
    EXPECT_EQ(m->m_selected, item(m, 1));
    EXPECT_EQ(item(m, 1)->getAlpha(), 0x4000);
    EXPECT_EQ(item(m, 2)->getAlpha(), 0x4000);
    m->selectOrdinal(-1);
    EXPECT_EQ(m->m_selected, item(m, 1));
    m->selectOrdinal(2);
    EXPECT_EQ(m->selectedOrdinal(), 2);
    EXPECT_EQ(item(m, 2)->getAlpha(), 0x8000);
    m->select('R');
    m->select('R'); // already selected: nothing changes
    m->select('Q');
    EXPECT_EQ(m->selectedOrdinal(), 1);
    m->m_selected = new Vsprite; // not one of the items
    EXPECT_EQ(m->selectedOrdinal(), 3);
    EXPECT_EQ(m->key(4, 0, 0), 0); // down from outside starts at the first
    EXPECT_EQ(m->selectedOrdinal(), 0);
    m->m_selected = new Vsprite;
    EXPECT_EQ(m->key(3, 0, 0), 0); // up from outside starts at the last
    EXPECT_EQ(m->selectedOrdinal(), 2);
}

TEST_F(VmenuTest, AnEmptyMenuSelectsNothingAndPassesKeysOn)
{
    for (int32_t size : {0, 48}) {
        ref<Vmenu> m = new Vmenu;
        m->m_buttonSize = size;
        m_vp->add(m);
        render();
        EXPECT_EQ(m->getSelected(), nullptr);
        EXPECT_EQ(m->getSelectedText(), nullptr);
        EXPECT_EQ(m->key(3, 0, 0), size ? 3 : 0);
        EXPECT_EQ(m->key(4, 0, 0), size ? 4 : 0);
        EXPECT_EQ(m->key(10, 0, 0), size ? 10 : 0);
        EXPECT_EQ(m->key(1, 0, 0), 1);
        EXPECT_EQ(m->key(5, 30, 30), 0);
        EXPECT_EQ(m->key('A', 0, 0), 'A');
        m->select();
        m->select('A');
        m->selectOrdinal(0);
        m->deselect();
        m->fade();
        m->setDim(0x2000);
        m->resize(480, 320);
        EXPECT_EQ(m->selectedOrdinal(), 0);
        EXPECT_EQ(m->m_selected, nullptr);
        m->off();
    }
}

// The battle controls of the touch layout on landscape and portrait screens:
// the area below a four-line status panel (64 pixels of the large font), the
// menu at the bottom of the screen.
TEST_F(VmenuTest, ButtonGridPutsMenuAndViewLeftUpAndDownRightAndTheRestBelow)
{
    struct Layout {
        int32_t w, h, size, height;
        int32_t left, right, bottomX[4], rowY[3];
    };
    const Layout layouts[] = {
        {480, 320, 72, 229, -20, 427, {-20, 129, 278, 427}, {6, 91, 176}},
        {480, 320, 48, 229, -8, 439, {-8, 141, 290, 439}, {18, 103, 188}},
        {320, 480, 72, 256, -20, 268, {-20, 76, 172, 268}, {12, 108, 204}},
        {320, 480, 48, 256, -8, 280, {-8, 88, 184, 280}, {24, 120, 216}},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(testing::Message() << l.w << "x" << l.h << " buttons " << l.size);
        m_vp->setWidthHeight(l.w, l.h);
        ref<Vmenu> m = touchMenu(l.size);
        m->resize(l.w, l.h - 64);
        EXPECT_EQ(m->getWidth(), 0);
        EXPECT_EQ(m->getHeight(), l.height);
        for (int32_t i = 0; i < 4; i++) {
            EXPECT_EQ(item(m, i)->getX(), (i % 2 == 0 ? l.left : l.right) << 15) << i;
            EXPECT_EQ(item(m, i)->getY(), l.rowY[i / 2] << 15) << i;
            EXPECT_EQ(item(m, 4 + i)->getX(), l.bottomX[i] << 15) << i;
            EXPECT_EQ(item(m, 4 + i)->getY(), l.rowY[2] << 15) << i;
        }

        m->setXyi(0, l.h - m->getHeight());
        m_vp->add(m);
        render();
        // Every button's middle is on screen, and a touch there gives its key:
        // menu and view on the left, up and down on the right, then aim,
        // left, right and fire from left to right along the bottom.
        const char where[8] = {'L', 'R', 'L', 'R', 'B', 'B', 'B', 'B'};
        int32_t lastBottom = -1;
        for (int32_t i = 0; i < 8; i++) {
            ref<Vsprite> b = item(m, i);
            int32_t cx = (b->m_x0 + b->m_x1) / 2, cy = (b->m_y0 + b->m_y1) / 2;
            EXPECT_TRUE(cx > 0 && cx < l.w && cy > 0 && cy < l.h) << i;
            EXPECT_EQ(m->key(5, cx, cy), kBattleKeys[i]) << i;
            if (where[i] == 'L') {
                EXPECT_LT(cx, l.w / 4) << i;
            }
            if (where[i] == 'R') {
                EXPECT_GT(cx, l.w * 3 / 4) << i;
            }
            if (where[i] == 'B') {
                EXPECT_GT(b->m_y0, item(m, 3)->m_y0 + l.size / 2) << i;
                EXPECT_GT(cx, lastBottom) << i;
                lastBottom = cx;
            }
        }
        m_vp->removeAllStar();
    }
}

TEST_F(VmenuTest, AnAreaTooSmallForTheGridStillSpacesTheButtons)
{
    ref<Vmenu> m = touchMenu(72);
    for (auto [w, h] : {std::pair{0, 0}, std::pair{20, 2}, std::pair{-500, -300}, std::pair{30, 1000}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        m->resize(w, h);
        EXPECT_GT(m->getHeight(), 0);
        // Columns and rows in order, no button over another.
        EXPECT_GE(item(m, 1)->getX() - item(m, 0)->getX(), 72 << 15);
        EXPECT_GE(item(m, 2)->getY() - item(m, 0)->getY(), 72 << 15);
        EXPECT_GE(item(m, 4)->getY() - item(m, 2)->getY(), 72 << 15);
        for (int32_t i = 5; i < 8; i++)
            EXPECT_GE(item(m, i)->getX() - item(m, i - 1)->getX(), 72 << 15) << i;
    }
    m->removeAllStar();
    // A text menu keeps its layout.
    ref<Vmenu> t = new Vmenu;
    t->add("Help"_s);
    t->resize(480, 320);
    EXPECT_EQ(t->getHeight(), kLine + 6);
    EXPECT_EQ(item(t, 0)->getY(), 3 << 15);
    t->removeAll();
}
