#include "WindowGeometry.h"

#include <algorithm>

namespace {

// Rounds towards minus infinity, so the pixel left of the screen does not
// round to column 0.
int32_t floorDiv(int64_t a, int64_t b)
{
    return static_cast<int32_t>(a >= 0 ? a / b : -((-a + b - 1) / b));
}

} // namespace

WindowGeometry::WindowGeometry(int32_t windowW, int32_t windowH, int32_t drawableW, int32_t drawableH)
    : m_windowW(std::max(windowW, 1)), m_windowH(std::max(windowH, 1)), m_drawableW(std::max(drawableW, 1)),
      m_drawableH(std::max(drawableH, 1))
{
}

WindowGeometry WindowGeometry::resized(int32_t windowW, int32_t windowH) const
{
    return WindowGeometry(windowW, windowH, pixelsW(windowW), pixelsH(windowH));
}

int32_t WindowGeometry::scaleDown(int32_t v, int32_t to, int32_t from)
{
    return floorDiv(static_cast<int64_t>(v) * to, from);
}

int32_t WindowGeometry::scaleUp(int32_t v, int32_t to, int32_t from)
{
    return -floorDiv(-static_cast<int64_t>(v) * to, from);
}

int32_t WindowGeometry::shownScale(int32_t width, int32_t height, int32_t scale, int32_t minWidth, int32_t minHeight)
{
    int32_t k = std::max(scale, 1);
    while (k > 1 && (width / k < minWidth || height / k < minHeight))
        k--;
    return k;
}

int32_t WindowGeometry::logicalW(int32_t scale, int32_t least) const
{
    return std::max(m_drawableW / std::max(scale, 1), least);
}

int32_t WindowGeometry::logicalH(int32_t scale, int32_t least) const
{
    return std::max(m_drawableH / std::max(scale, 1), least);
}

WindowGeometry::Rect WindowGeometry::screen(int32_t width, int32_t height, int32_t scale) const
{
    const int32_t w = std::max(width, 1), h = std::max(height, 1);
    int32_t sw = w * scale, sh = h * scale;
    if (sw > m_drawableW || sh > m_drawableH) {
        // Scaled down to fit, keeping the shape, as the game fits a picture
        // wider than the screen.
        const int64_t byWidth = static_cast<int64_t>(m_drawableW) * h, byHeight = static_cast<int64_t>(m_drawableH) * w;
        if (byWidth <= byHeight) {
            sw = m_drawableW;
            sh = static_cast<int32_t>(byWidth / w);
        } else {
            sh = m_drawableH;
            sw = static_cast<int32_t>(byHeight / h);
        }
    }
    return Rect{std::max((m_drawableW - sw) / 2, 0), std::max((m_drawableH - sh) / 2, 0), std::max(sw, 1),
                std::max(sh, 1)};
}

void WindowGeometry::logical(const Rect& shown, int32_t width, int32_t height, int32_t& x, int32_t& y) const
{
    // In real pixels the point is at x * drawableW / windowW; the logical
    // column is (that - shown.x) * width / shown.w, kept in one fraction so
    // no rounding comes between.
    const int32_t w = std::max(width, 1), h = std::max(height, 1);
    const int64_t nx = (static_cast<int64_t>(x) * m_drawableW - static_cast<int64_t>(shown.x) * m_windowW) * w;
    const int64_t ny = (static_cast<int64_t>(y) * m_drawableH - static_cast<int64_t>(shown.y) * m_windowH) * h;
    x = std::clamp(floorDiv(nx, static_cast<int64_t>(m_windowW) * std::max(shown.w, 1)), 0, w - 1);
    y = std::clamp(floorDiv(ny, static_cast<int64_t>(m_windowH) * std::max(shown.h, 1)), 0, h - 1);
}
