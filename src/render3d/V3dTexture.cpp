#include "render3d/V3dTexture.h"

V3dTexture::V3dTexture() = default;
V3dTexture::~V3dTexture() = default;

void V3dTexture::set(const ref<String>& name, const Array<int32_t>& pixels, int32_t width,
                     int32_t height, bool transparent)
{
    m_name = name;
    m_pixels = pixels;
    m_width = width;
    m_height = height;
    m_transparent = transparent;
    if (width == height && width > 0 && (width & (width - 1)) == 0) {
        int32_t k = 0;
        while ((width >>= 1) != 0)
            k++;
        m_shift = k;
    }
}

bool V3dTexture::usable() const
{
    // A picture set later with another shape leaves the old shift behind, so
    // the shape is checked against the shift, not just remembered.
    if (m_shift < 0 || m_shift > 12)
        return false;
    int32_t side = 1 << m_shift;
    return m_width == side && m_height == side && m_pixels.length >= side * side;
}
