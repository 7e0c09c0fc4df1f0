#include <gtest/gtest.h>

#include "support/FakeHost.h"
#include "support/Pixels.h"

TEST(Draw, RectBlendsByOpacity)
{
    ref<Vsprite> s(new Vsprite());
    Array<int32_t> buf = filled(8 * 4, 0xFF0000FF);
    const int32_t blue = static_cast<int32_t>(0xFF0000FF), red = static_cast<int32_t>(0xFFFF0000);
    // 0x80 is the exact even mix (both halves floored); 0x7F the general
    // blend a * c / 256 + (255 - a) * p / 256; 0 (low byte) draws nothing.
    s->drawRect(buf, 8, 4, 0, 0, 1, 1, red, 0x80);
    s->drawRect(buf, 8, 4, 1, 0, 2, 1, red, 0x7F);
    s->drawRect(buf, 8, 4, 2, 0, 3, 1, red, 0x100);
    EXPECT_EQ(buf[0], 0x007F007F);
    EXPECT_EQ(buf[1], 0x007E007F);
    EXPECT_EQ(buf[2], blue);
    // 255 stores the word as it is, on every row of the rectangle only; a
    // rectangle past the buffer is cut at its edges.
    s->drawRect(buf, 8, 4, 5, 1, 100, 100, 0x12345678, 0xFF);
    EXPECT_EQ(buf[5 + 8 * 1], 0x12345678);
    EXPECT_EQ(buf[7 + 8 * 3], 0x12345678);
    EXPECT_EQ(buf[4 + 8 * 3], blue);
    EXPECT_EQ(buf[5], blue);
}

TEST(Draw, GradientRowsCountFromTheSpritesOwnTop)
{
    FakeHost host;
    ref<Viewport> vp(new Viewport());
    vp->setWidthHeight(40, 120);
    ref<Vsprite> g = box(0, 10, 40, 100, 0);
    g->setColorGradient(static_cast<int32_t>(0x8000FF80));
    vp->add(g);
    vp->renderChangeDetect(0, 0, 32768);
    vp->m_dirtyCount = 0;
    // Rows 60..62 take the colours of gradient rows 50..52 (from black), and
    // half opacity mixes them evenly into what was there.
    for (int32_t i = 0; i < vp->m_pixels.length; i++)
        vp->m_pixels[i] = 0x00FE0000;
    vp->redraw(0, 60, 40, 63);
    vp->render();
    for (int32_t row = 60; row < 63; row++) {
        int32_t t = (row - 10) * (32768 / 100);
        int32_t c = (((t * 255) >> 15) << 8) | ((t * 0x80) >> 15);
        EXPECT_EQ(vp->m_pixels[row * 40 + 5], ((c >> 1) & 0x7F7F7F) + 0x7F0000) << row;
    }
    EXPECT_EQ(vp->m_pixels[59 * 40 + 5], 0x00FE0000);
    EXPECT_EQ(vp->m_pixels[63 * 40 + 5], 0x00FE0000);
    vp->removeAll();
}
