#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "WindowGeometry.h"

namespace {

using Pair = std::array<int32_t, 2>;
using Box = std::array<int32_t, 4>;

Box box(const WindowGeometry::Rect& r)
{
    return {r.x, r.y, r.w, r.h};
}

// The logical pixel of a w x h screen shown at scale under window coordinates p.
Pair under(const WindowGeometry& g, int32_t w, int32_t h, int32_t scale, Pair p)
{
    g.logical(g.screen(w, h, scale), w, h, p[0], p[1]);
    return p;
}

} // namespace

// Desktops of scale 1, 2 and 1.5: the player's scale counts real pixels, and
// the mouse lands on the logical pixel drawn under it (window (101, 61) at
// scale 2 is pixel (202, 122); at 1.5, coordinate 1 is pixel 1.5, logical
// 0.75). Too small a window shows a smaller scale, then scales down.
TEST(DesktopWindowGeometry, TheScaleCountsRealPixelsAndTheMouseFindsThem)
{
    const struct {
        WindowGeometry g;
        int32_t scale, w, h;
        std::vector<std::pair<Pair, Pair>> clicks;
    } cases[] = {
        {{960, 640, 960, 640}, 2, 480, 320, {{{101, 61}, {50, 30}}, {{959, 639}, {479, 319}}}},
        {{960, 640, 1920, 1280}, 4, 480, 320, {{{101, 61}, {50, 30}}, {{959, 639}, {479, 319}}}},
        {{700, 500, 1050, 750}, 2, 525, 375, {{{1, 1}, {0, 0}}, {{2, 2}, {1, 1}}, {{699, 499}, {524, 374}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.g.drawableW());
        EXPECT_EQ(c.g.shownScale(c.scale + 1, 480, 320), c.scale);
        EXPECT_TRUE(c.g.logicalW(c.scale, 480) == c.w && c.g.logicalH(c.scale, 320) == c.h);
        EXPECT_EQ(box(c.g.screen(c.w, c.h, c.scale)), (Box{0, 0, c.g.drawableW(), c.g.drawableH()}));
        for (const auto& [at, want] : c.clicks)
            EXPECT_EQ(under(c.g, c.w, c.h, c.scale, at), want) << at[0] << ", " << at[1];
    }
    const WindowGeometry two(960, 640, 1920, 1280), half(700, 500, 1050, 750), tiny(200, 150, 400, 300);
    EXPECT_TRUE(two.scaled() && !WindowGeometry(960, 640, 960, 640).scaled());
    EXPECT_TRUE(two.pixelsW(960) == 1920 && two.coordsW(480 * 3) == 720 && two.resized(1000, 700).drawableH() == 1400);
    // 320 pixels need 213 1/3 coordinates: 214, which hold 321.
    EXPECT_TRUE(half.coordsH(320) == 214 && half.pixelsH(214) == 321 && half.coordsW(1440) == 960);
    // A 480 x 320 screen not yet laid out anew lies centred, 45 pixels (30
    // coordinates) in: coordinate 29 is left of it, 32 in its column 1.
    EXPECT_EQ(box(half.screen(480, 320, 2)), (Box{45, 55, 960, 640}));
    EXPECT_EQ(under(half, 480, 320, 2, {29, 36}), (Pair{0, 0}));
    EXPECT_EQ(under(half, 480, 320, 2, {32, 38}), (Pair{1, 1}));
    EXPECT_EQ(under(half, 480, 320, 2, {5000, -5}), (Pair{479, 0}));
    // Below one pixel per game pixel: scaled down, keeping the shape.
    const int32_t shown[][4] = {{960, 640, 2, 2}, {959, 640, 2, 1}, {1500, 959, 3, 2}, {300, 200, 4, 1}};
    for (const auto& s : shown)
        EXPECT_EQ(WindowGeometry::shownScale(s[0], s[1], s[2], 480, 320), s[3]) << s[0] << " x " << s[1];
    EXPECT_EQ(box(tiny.screen(480, 320, 1)), (Box{0, 17, 400, 266}));
    EXPECT_EQ(under(tiny, 480, 320, 1, {100, 75}), (Pair{240, 160}));
}
