#include "terrain/HazedPictures.h"

#include <algorithm>

namespace {

// p with each pixel share/32768 of the way to colour. The words keep their
// alpha and run length; the colour is premultiplied by the alpha, so the
// haze is too.
ref<Vpicture> hazed(const Vpicture& p, int32_t colour, int32_t share)
{
    ref<Vpicture> h = new Vpicture;
    h->m_opaque = p.m_opaque;
    h->m_type = p.m_type;
    h->m_width = p.m_width;
    h->m_height = p.m_height;
    h->m_cx = p.m_cx;
    h->m_cy = p.m_cy;
    h->m_smooth = false;
    h->m_pixels = Array<int32_t>(p.m_pixels.length);
    for (int32_t i = 0; i < p.m_pixels.length; i++) {
        const uint32_t w = static_cast<uint32_t>(p.m_pixels.a[i]);
        const int32_t a = static_cast<int32_t>(w >> 28);
        uint32_t out = w & 0xFF000000u;
        for (int32_t shift = 0; shift <= 16; shift += 8) {
            const int32_t c = static_cast<int32_t>((w >> shift) & 255), hz = ((colour >> shift) & 255) * a / 15;
            out |= static_cast<uint32_t>(std::min(c + (((hz - c) * share) >> 15), 255)) << shift;
        }
        h->m_pixels.a[i] = static_cast<int32_t>(out);
    }
    h->m_spans = p.m_spans;
    return h;
}

} // namespace

HazedPictures::HazedPictures(const ref<Vilib>& lib, int32_t first, int32_t count, int32_t colour)
    : m_lib(lib), m_first(first), m_count(std::max(count, 0))
{
    m_pictures = Array<ref<Vpicture>>(m_count * kLevels);
    m_enlarged = Array<ref<Vpicture>>(m_count * kLevels);
    for (int32_t i = 0; lib && i < m_count; i++) {
        ref<Vpicture> p = lib->loadPicture(first + i);
        if (!p || p->m_pixels.length < p->m_width * p->m_height)
            continue;
        // Hundreds of them: the nearest pixel is enough, filtering is not.
        p->m_smooth = false;
        for (int32_t l = 0; l < kLevels; l++) {
            m_pictures.a[i * kLevels + l] = l == 0 ? p : hazed(*p, colour, l * 32768 / kLevels);
            m_enlarged.a[i * kLevels + l] = m_pictures.a[i * kLevels + l]->enlarged(kEnlarge);
        }
    }
}

Vpicture* HazedPictures::at(int32_t image, int32_t share, int32_t& scale) const
{
    const int32_t i = (image - m_first) * kLevels + level(share);
    Vpicture* big = m_enlarged.a[i].get();
    if (scale <= kEnlargedFrom || !big)
        return m_pictures.a[i].get();
    scale /= kEnlarge;
    return big;
}

int32_t HazedPictures::level(int32_t share)
{
    return std::clamp((share * kLevels + 16384) >> 15, 0, kLevels - 1);
}

Vpicture* HazedPictures::at(int32_t image, int32_t share) const
{
    return m_pictures.a[(image - m_first) * kLevels + level(share)].get();
}
