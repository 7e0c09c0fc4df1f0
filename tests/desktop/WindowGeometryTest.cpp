#include <gtest/gtest.h>

#include <array>

#include "WindowGeometry.h"

namespace {

std::array<int32_t, 4> rect(const WindowGeometry::Rect& r)
{
    return {r.x, r.y, r.w, r.h};
}

// The logical pixel under window coordinates (x, y).
std::array<int32_t, 2> under(const WindowGeometry& g, const WindowGeometry::Rect& shown, int32_t w, int32_t h,
                             int32_t x, int32_t y)
{
    g.logical(shown, w, h, x, y);
    return {x, y};
}

} // namespace

// The same window on desktops of scale 1, 1.5 and 2: the player's scale
// counts real pixels, the window's coordinates hold them (rounded up), and
// the mouse lands on the logical pixel drawn under it.
TEST(DesktopWindowGeometry, TheScaleCountsRealPixelsAndTheMouseFindsThem)
{
    // Scale 1: as without HiDPI, a window of 960 x 640 at scale 2.
    const WindowGeometry one(960, 640, 960, 640);
    EXPECT_FALSE(one.scaled());
    EXPECT_EQ(one.shownScale(2, 480, 320), 2);
    EXPECT_EQ(one.logicalW(2, 480), 480);
    EXPECT_EQ(rect(one.screen(480, 320, 2)), (std::array<int32_t, 4>{0, 0, 960, 640}));
    EXPECT_EQ(under(one, one.screen(480, 320, 2), 480, 320, 101, 61), (std::array<int32_t, 2>{50, 30}));
    EXPECT_EQ(one.coordsW(960), 960);

    // Scale 2: the same 960 x 640 coordinates are 1920 x 1280 pixels, which
    // hold 480 x 320 at scale 4; window (101, 61) is pixel (202, 122).
    const WindowGeometry two(960, 640, 1920, 1280);
    EXPECT_TRUE(two.scaled());
    EXPECT_EQ(two.shownScale(4, 480, 320), 4);
    EXPECT_EQ(two.logicalW(4, 480), 480);
    EXPECT_EQ(two.logicalH(4, 320), 320);
    const WindowGeometry::Rect all = two.screen(480, 320, 4);
    EXPECT_EQ(rect(all), (std::array<int32_t, 4>{0, 0, 1920, 1280}));
    EXPECT_EQ(under(two, all, 480, 320, 101, 61), (std::array<int32_t, 2>{50, 30}));
    EXPECT_EQ(under(two, all, 480, 320, 959, 639), (std::array<int32_t, 2>{479, 319}));
    EXPECT_EQ(two.coordsW(480 * 3), 720);
    EXPECT_EQ(two.pixelsW(960), 1920);
    // Resized on the same desktop: still two pixels a coordinate.
    EXPECT_EQ(two.resized(1000, 700).drawableW(), 2000);
    EXPECT_EQ(two.resized(1000, 700).drawableH(), 1400);

    // Scale 1.5: 700 x 500 coordinates are 1050 x 750 pixels; at scale 2
    // they hold 525 x 375 logical pixels.
    const WindowGeometry half(700, 500, 1050, 750);
    EXPECT_EQ(half.shownScale(2, 480, 320), 2);
    EXPECT_EQ(half.logicalW(2, 480), 525);
    EXPECT_EQ(half.logicalH(2, 320), 375);
    const WindowGeometry::Rect full = half.screen(525, 375, 2);
    EXPECT_EQ(under(half, full, 525, 375, 1, 1), (std::array<int32_t, 2>{0, 0})); // pixel 1.5: logical 0.75
    EXPECT_EQ(under(half, full, 525, 375, 2, 2), (std::array<int32_t, 2>{1, 1}));
    EXPECT_EQ(under(half, full, 525, 375, 699, 499), (std::array<int32_t, 2>{524, 374}));
    // A screen of 480 x 320 not yet laid out anew lies centred, 45 pixels
    // (30 coordinates) in: coordinate 29 is left of it, 32 in its column 1.
    const WindowGeometry::Rect centred = half.screen(480, 320, 2);
    EXPECT_EQ(rect(centred), (std::array<int32_t, 4>{45, 55, 960, 640}));
    EXPECT_EQ(under(half, centred, 480, 320, 29, 36), (std::array<int32_t, 2>{0, 0}));
    EXPECT_EQ(under(half, centred, 480, 320, 32, 38), (std::array<int32_t, 2>{1, 1}));
    EXPECT_EQ(under(half, centred, 480, 320, 5000, -5), (std::array<int32_t, 2>{479, 0}));
    // 320 pixels at scale 1 need 213 1/3 coordinates: 214, which hold 321.
    EXPECT_EQ(half.coordsH(320), 214);
    EXPECT_EQ(half.pixelsH(214), 321);
    EXPECT_EQ(half.coordsW(480 * 3), 960);
}

// Too small for the game at the player's scale, a smaller one is used;
// below one pixel per game pixel the screen is scaled down, keeping its
// shape; scales count pixels, not coordinates.
TEST(DesktopWindowGeometry, ASmallWindowShowsASmallerScaleThenScalesDown)
{
    const int32_t shown[][4] = {{960, 640, 2, 2}, {959, 640, 2, 1}, {1500, 999, 3, 3}, {1500, 959, 3, 2}, {300, 200, 4, 1}};
    for (const auto& s : shown)
        EXPECT_EQ(WindowGeometry::shownScale(s[0], s[1], s[2], 480, 320), s[3]) << s[0] << " x " << s[1];
    // 960 x 640 coordinates at scale 2 hold 480 x 320 at 4, at scale 1 only 2.
    EXPECT_EQ(WindowGeometry(960, 640, 1920, 1280).shownScale(4, 480, 320), 4);
    EXPECT_EQ(WindowGeometry(960, 640, 960, 640).shownScale(4, 480, 320), 2);
    const WindowGeometry tiny(200, 150, 400, 300);
    EXPECT_EQ(tiny.logicalW(1, 480), 480);
    EXPECT_EQ(rect(tiny.screen(480, 320, 1)), (std::array<int32_t, 4>{0, 17, 400, 266}));
    EXPECT_EQ(under(tiny, tiny.screen(480, 320, 1), 480, 320, 100, 75), (std::array<int32_t, 2>{240, 160}));
}
