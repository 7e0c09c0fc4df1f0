#include <gtest/gtest.h>

#include <tuple>

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
    EXPECT_EQ(std::tuple(buf[0], buf[1], buf[2]), std::tuple(0x007F007F, 0x007E007F, blue));
    // 255 stores the word as it is, on every row of the rectangle only; a
    // rectangle past the buffer is cut at its edges.
    s->drawRect(buf, 8, 4, 5, 1, 100, 100, 0x12345678, 0xFF);
    EXPECT_EQ(std::tuple(buf[5 + 8 * 1], buf[7 + 8 * 3], buf[4 + 8 * 3], buf[5]), std::tuple(0x12345678, 0x12345678, blue, blue));
}

