#include <gtest/gtest.h>

#include <string>

#include "game/MenuLayout.h"

namespace {

TEST(MenuLayout, TheMarginIsFourPercentOfTheShorterSideAndNeverTiny)
{
    struct Case {
        int32_t w, h, margin;
    };
    const Case cases[] = {
        {320, 240, 10},   // 9.6 rounded up
        {480, 320, 13},   // 12.8
        {240, 480, 10},   // portrait: the width is the shorter side
        {1920, 1080, 44}, // 43.2
        {480, 270, 11},   // the stage of full HD
        {50, 40, 4},      // a few pixels, however small the screen
        {0, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(MenuLayout::margin(c.w, c.h), c.margin);
    }
}

TEST(MenuLayout, ThePagesGrowByTheLargestWholeFactorThatFits)
{
    struct Case {
        int32_t w, h, scale;
    };
    const Case cases[] = {{320, 240, 1}, {639, 479, 1}, {640, 480, 2}, {1920, 1080, 4}, {1366, 768, 3},
                          {3000, 240, 1}, {100, 100, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(MenuLayout::scale(c.w, c.h, 320, 240), c.scale);
    }
    EXPECT_EQ(MenuLayout::scale(1920, 1080, 0, 240), 1); // no page: no growth
}

// Whatever the room, rows laid out at the pitch end inside it, never cover
// one another, keep the least gap and spread no farther than asked; and the
// pitch is 0 only when the rows cannot fit at the least gap.
TEST(MenuLayout, RowsAtThePitchFitTheirRoomWithoutCoveringEachOther)
{
    for (int32_t rows = 1; rows <= 16; rows++)
        for (int32_t height : {10, 16, 34})
            for (int32_t gap : {0, 1, 6})
                for (int32_t room = 0; room <= 400; room += 3) {
                    SCOPED_TRACE(std::to_string(rows) + " rows of " + std::to_string(height) + ", gap " +
                                 std::to_string(gap) + ", room " + std::to_string(room));
                    const int32_t most = 2 * height;
                    const int32_t p = MenuLayout::pitch(room, rows, height, gap, most);
                    const bool fits = rows * (height + gap) - gap <= room;
                    ASSERT_EQ(p > 0, fits);
                    if (p == 0)
                        continue;
                    ASSERT_GE(p, height + gap);
                    ASSERT_LE(p, most);
                    ASSERT_LE((rows - 1) * p + height, room);
                    // Spread as far as the room allows, up to the most.
                    if (rows > 1 && p < most) {
                        ASSERT_GT((rows - 1) * (p + 1) + height, room);
                    }
                }
}

TEST(MenuLayout, PitchesOfTheGamesPages)
{
    struct Case {
        const char* what;
        int32_t room, rows, height, gap, most, pitch;
    };
    const Case cases[] = {
        {"seven buttons at 480 x 320", 294, 7, 34, 0, 68, 43},
        {"seven buttons at 320 x 240", 220, 7, 34, 0, 68, 0},
        {"six buttons at 320 x 240", 220, 6, 34, 0, 68, 37},
        {"two buttons spread no farther than twice", 294, 2, 34, 0, 68, 68},
        {"ten options at 320 x 240", 182, 10, 16, 1, 22, 18},
        {"a most below the least gap", 300, 3, 16, 4, 10, 20},
        {"one row in too little room", 15, 1, 16, 0, 22, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MenuLayout::pitch(c.room, c.rows, c.height, c.gap, c.most), c.pitch);
    }
}

} // namespace
