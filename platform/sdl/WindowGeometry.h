#pragma once
#include <cstdint>

// A window's two sizes: its coordinates, in which the desktop places it and
// the mouse moves, and the real pixels of what is drawn into it, more of them
// on a HiDPI desktop (twice as many each way at a desktop scale of 2). The
// game's whole scale counts real pixels, so its picture stays sharp at any
// desktop scale. The arithmetic between the two, without SDL.
class WindowGeometry {
public:
    // A rectangle of real pixels.
    struct Rect {
        int32_t x = 0;
        int32_t y = 0;
        int32_t w = 1;
        int32_t h = 1;
    };

    WindowGeometry() = default;
    // A window of windowW x windowH coordinates drawn as drawableW x
    // drawableH real pixels.
    WindowGeometry(int32_t windowW, int32_t windowH, int32_t drawableW, int32_t drawableH);
    // The same window at another size in coordinates, on the same desktop
    // scale.
    WindowGeometry resized(int32_t windowW, int32_t windowH) const;

    int32_t windowW() const { return m_windowW; }
    int32_t windowH() const { return m_windowH; }
    int32_t drawableW() const { return m_drawableW; }
    int32_t drawableH() const { return m_drawableH; }
    // Whether real pixels and coordinates differ (a desktop scale other than 1).
    bool scaled() const { return m_windowW != m_drawableW || m_windowH != m_drawableH; }
    // Real pixels of a length in coordinates (rounded down), and the
    // coordinates that hold a length of real pixels (rounded up).
    int32_t pixelsW(int32_t coords) const { return scaleDown(coords, m_drawableW, m_windowW); }
    int32_t pixelsH(int32_t coords) const { return scaleDown(coords, m_drawableH, m_windowH); }
    int32_t coordsW(int32_t pixels) const { return scaleUp(pixels, m_windowW, m_drawableW); }
    int32_t coordsH(int32_t pixels) const { return scaleUp(pixels, m_windowH, m_drawableH); }

    // The scale at which a drawable of width x height real pixels shows at
    // least minWidth x minHeight logical pixels: scale, or smaller down to 1.
    static int32_t shownScale(int32_t width, int32_t height, int32_t scale, int32_t minWidth, int32_t minHeight);
    // The same for this window's drawable.
    int32_t shownScale(int32_t scale, int32_t minWidth, int32_t minHeight) const
    {
        return shownScale(m_drawableW, m_drawableH, scale, minWidth, minHeight);
    }
    // The logical size the drawable holds at scale, never under the least.
    int32_t logicalW(int32_t scale, int32_t least) const;
    int32_t logicalH(int32_t scale, int32_t least) const;
    // Where a logical screen of width x height lies in the drawable at
    // scale: centred; too large for it, scaled down to fit, keeping its shape.
    Rect screen(int32_t width, int32_t height, int32_t scale) const;
    // The logical pixel of a screen of width x height lying at shown (real
    // pixels) under the point x, y in window coordinates; a point outside
    // the screen gives the nearest one on its edge.
    void logical(const Rect& shown, int32_t width, int32_t height, int32_t& x, int32_t& y) const;

private:
    static int32_t scaleDown(int32_t v, int32_t to, int32_t from);
    static int32_t scaleUp(int32_t v, int32_t to, int32_t from);

    int32_t m_windowW = 1;
    int32_t m_windowH = 1;
    int32_t m_drawableW = 1;
    int32_t m_drawableH = 1;
};
