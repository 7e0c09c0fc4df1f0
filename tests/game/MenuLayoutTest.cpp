#include <gtest/gtest.h>

#include <string>

#include "game/MenuLayout.h"

namespace {

TEST(MenuLayout, TheMarginIsFourPercentOfTheShorterSideAndPagesGrowByWholeFactors)
{
    struct Case {
        int32_t w, h, margin, scale; // the scale of a 320 x 240 page
    };
    const Case cases[] = {
        {320, 240, 10, 1},   // 9.6 rounded up
        {480, 320, 13, 1},   // 12.8
        {240, 480, 10, 1},   // portrait: the width is the shorter side
        {640, 480, 20, 2},   {1366, 768, 31, 3},
        {1920, 1080, 44, 4}, // 43.2
        {3000, 240, 10, 1},  // the height limits the growth
        {50, 40, 4, 1},      // a few pixels however small the screen, no shrinking
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(MenuLayout::margin(c.w, c.h), c.margin);
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

} // namespace
