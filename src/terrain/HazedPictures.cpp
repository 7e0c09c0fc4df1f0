#include "terrain/HazedPictures.h"

#include <algorithm>

namespace {

// h made p with each pixel share/32768 of the way to colour, in h's own
// pixels where they are the size needed. The words keep their alpha and run
// length; the colour is premultiplied by the alpha, so the haze is too.
void hazeInto(const Vpicture& p, int32_t colour, int32_t share, Vpicture& h)
{
    h.m_opaque = p.m_opaque;
    h.m_type = p.m_type;
    h.m_width = p.m_width;
    h.m_height = p.m_height;
    h.m_cx = p.m_cx;
    h.m_cy = p.m_cy;
    h.m_smooth = false;
    if (h.m_pixels.length != p.m_pixels.length)
        h.m_pixels = Array<int32_t>(p.m_pixels.length);
    for (int32_t i = 0; i < p.m_pixels.length; i++) {
        const uint32_t w = static_cast<uint32_t>(p.m_pixels.a[i]);
        const int32_t a = static_cast<int32_t>(w >> 28);
        uint32_t out = w & 0xFF000000u;
        for (int32_t shift = 0; shift <= 16; shift += 8) {
            const int32_t c = static_cast<int32_t>((w >> shift) & 255), hz = ((colour >> shift) & 255) * a / 15;
            out |= static_cast<uint32_t>(std::min(c + (((hz - c) * share) >> 15), 255)) << shift;
        }
        h.m_pixels.a[i] = static_cast<int32_t>(out);
    }
    h.m_spans = p.m_spans;
    h.m_cores = p.m_cores;
}

} // namespace

HazedPictures::HazedPictures(const ref<Vilib>& lib, int32_t first, int32_t count, int32_t colour)
    : m_lib(lib), m_first(first), m_count(std::max(count, 0)), m_colour(colour)
{
    m_pictures = Array<ref<Vpicture>>(m_count * kLevels);
    m_enlarged = Array<ref<Vpicture>>(m_count * kLevels);
    for (int32_t i = 0; lib && i < m_count; i++) {
        ref<Vpicture> p = lib->loadPicture(first + i);
        if (!p || p->m_pixels.length < p->m_width * p->m_height)
            continue;
        m_pictures.a[i * kLevels] = p;
        for (int32_t l = 1; l < kLevels; l++)
            m_pictures.a[i * kLevels + l] = new Vpicture;
        fill(i, colour);
    }
}

bool HazedPictures::refill(const ref<Vilib>& lib, int32_t first, int32_t count, int32_t colour)
{
    if (lib != m_lib || first != m_first || count != m_count)
        return false;
    // The same pictures, each as large as when they were made (the library
    // may have read them again since).
    for (int32_t i = 0; i < m_count; i++) {
        const Vpicture* kept = m_pictures.a[i * kLevels].get();
        ref<Vpicture> p = lib->loadPicture(first + i);
        const bool whole = p && p->m_pixels.length >= p->m_width * p->m_height;
        if (!kept ? whole : !whole || p->m_width != kept->m_width || p->m_height != kept->m_height)
            return false;
    }
    for (int32_t i = 0; i < m_count; i++) {
        if (!m_pictures.a[i * kLevels])
            continue;
        ref<Vpicture> p = lib->loadPicture(first + i);
        if (p != m_pictures.a[i * kLevels] || colour != m_colour) {
            m_pictures.a[i * kLevels] = p;
            fill(i, colour);
        }
    }
    m_colour = colour;
    return true;
}

void HazedPictures::fill(int32_t i, int32_t colour)
{
    Vpicture& p = *m_pictures.a[i * kLevels];
    // Hundreds of them: the nearest pixel is enough, filtering is not.
    p.m_smooth = false;
    for (int32_t l = 0; l < kLevels; l++) {
        if (l > 0)
            hazeInto(p, colour, l * 32768 / kLevels, *m_pictures.a[i * kLevels + l]);
        // A twin that would not fit a picture is none.
        ref<Vpicture>& twin = m_enlarged.a[i * kLevels + l];
        if (!twin)
            twin = new Vpicture;
        if (!m_pictures.a[i * kLevels + l]->enlargeInto(*twin, kEnlarge))
            twin = nullptr;
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
