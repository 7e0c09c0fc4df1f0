#include "WebScreen.h"

#include <algorithm>
#include <cmath>

WebScreen WebScreen::fit(int32_t windowW, int32_t windowH, int32_t wanted)
{
    windowW = std::max(windowW, 1);
    windowH = std::max(windowH, 1);
    WebScreen s;
    s.maxScale = std::clamp(std::min(windowW / kWidth, windowH / kHeight), 1, kMostScale);
    s.scale = wanted > 0 ? std::min(wanted, s.maxScale) : s.maxScale;
    s.width = std::max(windowW / s.scale, 1);
    s.height = std::max(windowH / s.scale, 1);
    return s;
}

void WebScreen::logical(double x, double y, double shownW, double shownH, int32_t& lx, int32_t& ly) const
{
    auto one = [](double v, double shown, int32_t size) {
        if (!(shown > 0))
            return 0;
        // Floor, so the pixel left of the screen does not round to column 0.
        const double p = std::floor(v * size / shown);
        return static_cast<int32_t>(std::clamp(p, 0.0, static_cast<double>(size - 1)));
    };
    lx = one(x, shownW, width);
    ly = one(y, shownH, height);
}
