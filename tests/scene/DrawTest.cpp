#include <gtest/gtest.h>

#include "FakeHost.h"
#include "scene/Viewport.h"
#include "scene/Vsprite.h"

namespace {

constexpr int32_t ONE = 32768;

int32_t px(uint32_t v)
{
    return static_cast<int32_t>(v);
}

Array<int32_t> filled(int32_t n, uint32_t v)
{
    Array<int32_t> a(n);
    for (int32_t i = 0; i < n; i++)
        a[i] = px(v);
    return a;
}

} // namespace

TEST(Draw, RectBlendsByOpacity)
{
    ref<Vsprite> s(new Vsprite());
    Array<int32_t> buf = filled(8 * 4, 0xFF0000FF); // blue, depth 255

    // 0x80 is the exact even mix: both halves floored before adding.
    s->drawRect(buf, 8, 4, 0, 0, 2, 1, px(0xFFFF0000), 0x80);
    EXPECT_EQ(buf[0], 0x007F007F);
    EXPECT_EQ(buf[2], px(0xFF0000FF));
    // 0x7F takes the general blend: a * colour / 256 + (255 - a) * pixel / 256.
    s->drawRect(buf, 8, 4, 2, 0, 3, 1, px(0xFFFF0000), 0x7F);
    EXPECT_EQ(buf[2], 0x007E007F);
    // Only the low byte of the alpha counts; 0 draws nothing.
    s->drawRect(buf, 8, 4, 3, 0, 4, 1, px(0xFFFF0000), 0x100);
    EXPECT_EQ(buf[3], px(0xFF0000FF));

    // 255 stores the colour word as it is, depth byte included, on every row
    // of the rectangle and nowhere else.
    s->drawRect(buf, 8, 4, 4, 1, 7, 4, 0x12345678, 0xFF);
    for (int32_t y = 1; y < 4; y++) {
        for (int32_t x = 4; x < 7; x++)
            EXPECT_EQ(buf[x + 8 * y], 0x12345678) << x << "," << y;
        EXPECT_EQ(buf[3 + 8 * y], px(0xFF0000FF));
        EXPECT_EQ(buf[7 + 8 * y], px(0xFF0000FF));
    }
    EXPECT_EQ(buf[5], px(0xFF0000FF));

    // Rectangles reaching past the buffer are cut at its edges; empty or
    // inverted ones draw nothing.
    Array<int32_t> small = filled(4 * 3, 0);
    s->drawRect(small, 4, 3, -5, -5, 100, 100, 7, 255);
    for (int32_t i = 0; i < small.length; i++)
        EXPECT_EQ(small[i], 7);
    s->drawRect(small, 4, 3, 3, 1, 1, 2, 9, 255);
    s->drawRow(small, 4, 3, 1, 2, 3, 5, 255);
    EXPECT_EQ(small[4 * 2], 7);
    EXPECT_EQ(small[4 * 2 + 1], 5);
    EXPECT_EQ(small[4 * 2 + 3], 7);
    EXPECT_EQ(small[4], 7);
}

TEST(Draw, GradientRowsCountFromTheSpritesOwnTop)
{
    FakeHost host;
    ref<Viewport> vp(new Viewport());
    vp->setWidthHeight(40, 120);
    ref<Vsprite> g(new Vsprite());
    g->setXyi(0, 10);
    g->setWidthHeight(40, 100);
    g->setColorGradient(px(0xFF00FF80));
    vp->add(g);
    vp->renderChangeDetect(0, 0, ONE);
    vp->m_dirtyCount = 0;

    // Draw only rows 60..62: their colours are those of rows 50..52 of the
    // gradient, not of its first rows.
    vp->redraw(0, 60, 40, 63);
    vp->render();
    int32_t step = 32768 / 100;
    for (int32_t row = 60; row < 63; row++) {
        int32_t t = (row - 10) * step;
        int32_t expect = px(0xFF000000) | (((t * 255) >> 15) << 8) | ((t * 0x80) >> 15);
        EXPECT_EQ(vp->m_pixels[row * 40 + 5], expect) << row;
    }
    EXPECT_EQ(vp->m_pixels[59 * 40 + 5], 0);
    EXPECT_EQ(vp->m_pixels[63 * 40 + 5], 0);

    // Half opacity blends each row into what lies below.
    g->setColorGradient(px(0x8000FF00));
    vp->m_pixels[109 * 40] = px(0x00FF0000);
    vp->redraw(0, 109, 1, 110);
    vp->render();
    int32_t green = (99 * step * 255) >> 15;
    EXPECT_EQ(vp->m_pixels[109 * 40], (0x7F << 16) + ((green >> 1) << 8));
    vp->removeAll();
}

TEST(Draw, ChildrenAreClippedAndGroupsPassThrough)
{
    FakeHost host;
    ref<Viewport> vp(new Viewport());
    vp->setWidthHeight(30, 20);
    vp->setColor(px(0xFF101010));
    ref<Vsprite> group(new Vsprite());
    group->setXyi(5, 5);
    ref<Vsprite> a(new Vsprite());
    a->setWidthHeight(10, 10);
    a->setColor(px(0xFFAA0000));
    ref<Vsprite> b(new Vsprite());
    b->setXyi(8, 8); // overlaps a, added later: drawn over it
    b->setWidthHeight(10, 10);
    b->setColor(px(0xFF00BB00));
    group->add(a);
    group->add(b);
    vp->add(group);
    vp->renderChangeDetect(0, 0, ONE);
    vp->m_dirtyCount = 0;

    // Redraw a 4 x 4 window only: nothing outside it changes.
    vp->redraw(12, 12, 16, 16);
    vp->render();
    for (int32_t y = 0; y < 20; y++)
        for (int32_t x = 0; x < 30; x++) {
            int32_t expect = 0;
            if (x >= 12 && x < 16 && y >= 12 && y < 16) {
                if (x >= 13 && y >= 13)
                    expect = px(0xFF00BB00);
                else if (x < 15 && y < 15)
                    expect = px(0xFFAA0000);
                else
                    expect = px(0xFF101010);
            }
            EXPECT_EQ(vp->m_pixels[y * 30 + x], expect) << x << "," << y;
        }
    vp->removeAllStar();
}
