#pragma once
#include <cstdint>

// The numbers a page is laid out by: the margin kept clear at the screen's
// edges, the whole factor pages grow by on a large screen, and the pitch of
// rows that stay inside their room without covering one another. Only
// arithmetic, so that the menus, the pages and the battle's panel share it.
class MenuLayout {
public:
    // Clear at every edge of a width x height screen: 4% of its shorter
    // side, rounded up, and never less than kLeastMargin.
    static int32_t margin(int32_t width, int32_t height);
    // The largest whole factor at which a page of pageWidth x pageHeight
    // still fits a width x height screen; at least 1.
    static int32_t scale(int32_t width, int32_t height, int32_t pageWidth, int32_t pageHeight);
    // From the top of one row to the next, for rows rows of rowHeight pixels
    // in room pixels: spread as far as fits but no farther than most, and at
    // least rowHeight + leastGap; 0 when the rows do not fit at that gap.
    // A single row fits when it is no taller than room.
    static int32_t pitch(int32_t room, int32_t rows, int32_t rowHeight, int32_t leastGap, int32_t most);

    static constexpr int32_t kLeastMargin = 4;
};
