#include "terrain/SpriteBands.h"

#include <algorithm>

#include "scene/Vpicture.h"
#include "terrain/TerrainThreads.h"

namespace {

std::atomic<bool> passHidden{true};

} // namespace

void SpriteBands::setPassingHidden(bool on)
{
    passHidden.store(on, std::memory_order_relaxed);
}

void SpriteBands::clear()
{
    m_items.clear();
    m_area = 0;
    m_top = m_bottom = 0;
}

void SpriteBands::add(Vpicture* picture, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy,
                      int32_t scale, int32_t z, int32_t alpha)
{
    if (!picture || x0 >= x1 || y0 >= y1)
        return;
    if (m_items.empty()) {
        m_top = y0;
        m_bottom = y1;
    }
    m_top = std::min(m_top, y0);
    m_bottom = std::max(m_bottom, y1);
    m_area += static_cast<int64_t>(x1 - x0) * (y1 - y0);
    m_items.push_back(Item{picture, x0, y0, x1, y1, sx, sy, scale, z, alpha, static_cast<int32_t>(m_items.size())});
}

void SpriteBands::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, TerrainThreads* threads)
{
    if (m_items.empty())
        return;
    std::sort(m_items.begin(), m_items.end(),
              [](const Item& a, const Item& b) { return a.z != b.z ? a.z > b.z : a.order < b.order; });
    m_pixels = &pixels;
    m_width = width;
    m_height = height;
    if (m_cover.width() != width || m_cover.height() != height)
        m_cover.resize(width, height);
    if (!threads || threads->count() < 2 || m_area < kSharedFrom) {
        drawRows(m_top, m_bottom);
        return;
    }
    m_nextBand.store(0, std::memory_order_relaxed);
    threads->run(drawShare, this);
}

void SpriteBands::drawShare(void* context, int32_t)
{
    SpriteBands& bands = *static_cast<SpriteBands*>(context);
    for (;;) {
        const int32_t y0 = bands.m_top + bands.m_nextBand.fetch_add(1, std::memory_order_relaxed) * kBandRows;
        if (y0 >= bands.m_bottom)
            return;
        bands.drawRows(y0, std::min(y0 + kBandRows, bands.m_bottom));
    }
}

void SpriteBands::drawRows(int32_t y0, int32_t y1) const
{
    m_cover.clearRows(y0, y1);
    for (const Item& i : m_items) {
        if (!passHidden.load(std::memory_order_relaxed))
            break;
        const int32_t cy0 = std::max(y0, i.y0), cy1 = std::min(y1, i.y1);
        if (cy0 < cy1)
            i.picture->markCover(m_cover, i.x0, cy0, i.x1, cy1, i.sx, i.sy, i.scale, i.z, i.alpha);
    }
    for (const Item& i : m_items) {
        const int32_t cy0 = std::max(y0, i.y0), cy1 = std::min(y1, i.y1);
        if (cy0 < cy1)
            i.picture->drawCovered(m_cover, *m_pixels, m_width, m_height, i.x0, cy0, i.x1, cy1, i.sx, i.sy, i.scale,
                                   i.z, i.alpha);
    }
}
