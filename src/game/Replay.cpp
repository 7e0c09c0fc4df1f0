#include "game/Replay.h"

#ifndef KORVATH_VERSION
#define KORVATH_VERSION "unknown"
#endif

const char* Replay::version()
{
    return KORVATH_VERSION;
}

uint32_t Replay::hash(const uint8_t* bytes, std::size_t n, uint32_t h)
{
    for (std::size_t i = 0; i < n; i++)
        h = (h ^ bytes[i]) * 16777619u;
    return h;
}

uint32_t Replay::pictureHash(const int32_t* pixels, int32_t n)
{
    uint32_t h = kHashStart;
    for (int32_t i = 0; i < n; i++) {
        const uint32_t c = static_cast<uint32_t>(pixels[i]);
        const uint8_t rgb[3] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
        h = hash(rgb, 3, h);
    }
    return h;
}
