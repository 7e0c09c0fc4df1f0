#include "terrain/TerrainCast.h"

#include <algorithm>

#include "runtime/Check.h"
#include "terrain/VpolyTerrain.h"

TerrainCast::Ray TerrainCast::ray(int32_t x) const
{
    // Per unit of distance (1/16 unit) the ray moves a sixteenth of the
    // forward direction plus d times the sideways one.
    int32_t d = (step * (x - width / 2)) >> 4;
    Ray r{};
    r.dx = ((d * cos) >> 15) - ((-sin) >> 4);
    r.dz = ((d * sin) >> 15) + ((-cos) >> 4);
    r.posX = eyeX + start * r.dx;
    r.posZ = eyeZ + start * r.dz;
    r.at = y1 * width + x;
    r.last = y0 * width + x;
    return r;
}

int32_t TerrainCast::next(Columns& walk) const
{
    for (;;) {
        if (walk.x >= walk.end) {
            if (walk.end < 0)
                return -1;
            int32_t from = x0 + nextBlock.fetch_add(1, std::memory_order_relaxed) * kBlock;
            if (from >= x1) {
                walk.end = -1;
                return -1;
            }
            walk.x = from;
            walk.end = std::min(from + kBlock, x1);
        }
        int32_t x = walk.x++;
        int32_t topRow = x < topLength ? std::max<int32_t>(top[x], y0) : y0;
        walk.skyFrom = own ? topRow : y0;
        if (topRow - 3 < y1 && cast)
            return x;
        // Sky only, from the bottom of the clip up to where the sky starts.
        paintSky(x, walk.skyFrom, y1);
    }
}

void TerrainCast::finish(int32_t x, int32_t at, int32_t skyFrom) const
{
    int32_t rowsLeft = (at - x) / width;
    if (y0 == 0 && x < topLength)
        top[x] = static_cast<int16_t>(rowsLeft);
    paintSky(x, skyFrom, rowsLeft);
}

void TerrainCast::paintSky(int32_t x, int32_t from, int32_t to) const
{
    if (panorama) {
        const int32_t* column = panorama + ((((heading + skyAngles[x]) & 32767) * panoramaWidth) >> 15);
        for (int32_t r = std::min(to, skyLength) - 1; r >= from; r--) {
            KV_CHECK(r >= 0 && r * width + x < pixelCount, "TerrainCast::paintSky");
            pixels[r * width + x] = column[skyRows[r]];
        }
        return;
    }
    for (int32_t r = std::min(to, skyLength) - 1; r >= from; r--) {
        KV_CHECK(r >= 0 && r * width + x < pixelCount, "TerrainCast::paintSky");
        pixels[r * width + x] = sky[r];
    }
}

int32_t TerrainCast::crossedStyle(int32_t x, int32_t z) const
{
    return ground->crossedStyle(x, z);
}
