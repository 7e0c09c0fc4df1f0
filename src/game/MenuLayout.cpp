#include "game/MenuLayout.h"

#include <algorithm>

int32_t MenuLayout::margin(int32_t width, int32_t height)
{
    const int32_t shorter = std::max(std::min(width, height), 0);
    return std::max((shorter * 4 + 99) / 100, kLeastMargin);
}

int32_t MenuLayout::scale(int32_t width, int32_t height, int32_t pageWidth, int32_t pageHeight)
{
    if (pageWidth <= 0 || pageHeight <= 0)
        return 1;
    return std::max(1, std::min(width / pageWidth, height / pageHeight));
}

int32_t MenuLayout::pitch(int32_t room, int32_t rows, int32_t rowHeight, int32_t leastGap, int32_t most)
{
    const int32_t least = rowHeight + std::max(leastGap, 0);
    most = std::max(most, least);
    if (rows <= 0 || rowHeight > room)
        return 0;
    if (rows == 1)
        return most;
    const int32_t spread = std::min((room - rowHeight) / (rows - 1), most);
    return spread >= least ? spread : 0;
}
