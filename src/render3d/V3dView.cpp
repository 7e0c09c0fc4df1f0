#include "render3d/V3dView.h"

#include <algorithm>

#include "math/Vmat.h"

V3dView::V3dView()
{
    m_light = new Vector;
    m_work = new Vector;
    m_mat = new Vmat;
}

V3dView::~V3dView() = default;

void V3dView::setWidthHeight(int32_t w, int32_t h)
{
    // Compared with the last request rather than the buffer, which belongs to
    // the game thread; nothing requested yet means this is the first sizing.
    bool first = m_newWidth.load() == 0 && m_newHeight.load() == 0;
    if (w == m_newWidth.load() && h == m_newHeight.load())
        return;
    m_newHeight.store(h);
    m_newWidth.store(w);
    if (first)
        screenResize();
}

bool V3dView::screenResize()
{
    int32_t w = m_newWidth.load();
    int32_t h = m_newHeight.load();
    if (w == m_width && h == m_height)
        return false;
    Viewport::setWidthHeight(w, h);
    w = m_width;
    h = m_height;
    m_focal = ((std::min(w, h) >> 1) * 0x1C000) >> 15;
    m_centerX = w << 14;
    m_centerY = h * m_horizon;
    m_zbuf = V::allocShort(w * h);
    return true;
}

void V3dView::setHorizon(int32_t h)
{
    m_horizon = h;
    m_centerY = h * m_height;
}
