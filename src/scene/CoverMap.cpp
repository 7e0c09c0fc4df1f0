#include "scene/CoverMap.h"

#include <algorithm>
#include <cstring>

void CoverMap::resize(int32_t width, int32_t height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_groups = (m_width + kGroup - 1) >> kShift;
    m_depths.resize(static_cast<std::size_t>(m_groups) * m_height);
}

void CoverMap::clearRows(int32_t y0, int32_t y1)
{
    y0 = std::max(y0, 0);
    y1 = std::min(y1, m_height);
    if (y0 < y1)
        std::memset(m_depths.data() + static_cast<std::size_t>(y0) * m_groups, 0xFF,
                    static_cast<std::size_t>(y1 - y0) * m_groups);
}

void CoverMap::cover(int32_t y, int32_t x0, int32_t x1, uint8_t z)
{
    if (y < 0 || y >= m_height)
        return;
    const int32_t g0 = (std::max(x0, 0) + kGroup - 1) >> kShift, g1 = std::min(x1, m_width) >> kShift;
    uint8_t* groups = m_depths.data() + static_cast<std::size_t>(y) * m_groups;
    for (int32_t g = g0; g < g1; g++)
        groups[g] = std::min(groups[g], z);
}
