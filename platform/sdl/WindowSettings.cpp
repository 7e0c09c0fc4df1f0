#include "WindowSettings.h"

#include <cstdio>

#include "host/Vdisplay.h"

namespace {

constexpr int32_t kSlots = 4;

int32_t slot(const int8_t* b, int32_t k)
{
    return (b[2 * k] & 255) + 256 * (b[2 * k + 1] & 255);
}

} // namespace

bool WindowSettings::load()
{
    int8_t b[2 * kSlots] = {};
    const int32_t got = Vdisplay::loadRecord(kKey, b, sizeof b);
    if (got < 0)
        return false;
    const int32_t w = slot(b, 0), h = slot(b, 1), scale = slot(b, 2), full = slot(b, 3);
    // The same bounds as the command line's.
    if (got < 2 * kSlots || w < 16 || w > 4096 || h < 16 || h > 4096 || scale < 1 || scale > 16 || full > 1) {
        std::fprintf(stderr, "korvath: the window settings %s are damaged; using the defaults\n",
                     Vdisplay::recordPath(kKey).c_str());
        return false;
    }
    m_width = w;
    m_height = h;
    m_scale = scale;
    m_fullscreen = full != 0;
    return true;
}

bool WindowSettings::save() const
{
    const int32_t v[kSlots] = {m_width, m_height, m_scale, m_fullscreen ? 1 : 0};
    int8_t b[2 * kSlots];
    for (int32_t k = 0; k < kSlots; k++) {
        b[2 * k] = static_cast<int8_t>(v[k] & 255);
        b[2 * k + 1] = static_cast<int8_t>((v[k] >> 8) & 255);
    }
    return Vdisplay::storeRecord(kKey, b, sizeof b);
}
