#pragma once
#include <cstdint>

// How the page shows the game: the logical screen at a whole scale of the
// display's pixels, filling the browser's window the way the desktop window's
// size sets the game's (a wider window, a wider battlefield). Pure arithmetic,
// so that it is tested without a browser.
struct WebScreen {
    // The logical screen the game was made for, and the smallest shown.
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 320;
    static constexpr int32_t kMostScale = 8;

    int32_t scale = 1;      // display pixels per game pixel
    int32_t maxScale = 1;   // the largest at which the game's screen fits
    int32_t width = kWidth; // the game's screen, logical pixels
    int32_t height = kHeight;

    // The fit for a window of windowW x windowH display pixels. wanted: the
    // player's scale, 0 for the largest that shows at least the 480 x 320
    // screen; a wish larger than fits is cut to the largest.
    static WebScreen fit(int32_t windowW, int32_t windowH, int32_t wanted);
    // A point of the canvas shown shownW x shownH (any unit, e.g. CSS
    // pixels) as a whole logical pixel of this screen, clamped onto it.
    void logical(double x, double y, double shownW, double shownH, int32_t& lx, int32_t& ly) const;
};
