// terrainview DATA OUT: reads the layout back through the engine and writes
// OUT/layout-preview.png (the top-down map beside the height map) and the
// frames OUT/terrain-*.png seen from a few eyes across the battlefield.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "TerrainScene.h"
#include "math/V.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kNorth = 0, kEast = 0x2000, kSouth = 0x4000, kWest = 0x6000;

struct Eye {
    int32_t x, z;
};

// The spot nearest to (x, z) units that the battle set-up would accept.
Eye startSpot(const TerrainScene& scene, int32_t x, int32_t z)
{
    for (int32_t r = 0; r < 256; r++)
        for (int32_t dz = -r; dz <= r; dz++)
            for (int32_t dx = -r; dx <= r; dx++)
                if ((std::abs(dx) == r || std::abs(dz) == r) &&
                    scene.m_field->startSpot((x + dx) * kUnit, (z + dz) * kUnit))
                    return {(x + dx) * kUnit, (z + dz) * kUnit};
    return {x * kUnit, z * kUnit};
}

// The highest cell in the band of columns [x0, x1) units.
Eye highest(const TerrainScene& scene, int32_t x0, int32_t x1)
{
    Eye best{0, 0};
    int32_t top = -1;
    for (int32_t z = 0; z < 512; z += 2)
        for (int32_t x = x0; x < x1; x += 2) {
            int32_t h = scene.m_ground->getHeight(x * kUnit, z * kUnit);
            if (h > top) {
                top = h;
                best = {x * kUnit, z * kUnit};
            }
        }
    return best;
}

// A point of the river's plain (marsh) on the column x, nearest to z.
Eye riverPlain(const TerrainScene& scene, int32_t x)
{
    for (int32_t d = 0; d < 512; d++)
        for (int32_t z : {256 + d, 256 - d})
            if (scene.m_field->groundClass(x * kUnit, z * kUnit) == VpolyTerrain::kMarsh)
                return {x * kUnit, z * kUnit};
    return {x * kUnit, 256 * kUnit};
}

bool shoot(const TerrainScene& scene, const std::string& path, int32_t w, int32_t h, Eye eye, int32_t heading)
{
    ref<Vterrain> v = scene.view(w, h, eye.x, eye.z, heading);
    TerrainScene::render(*v);
    bool ok = TerrainScene::writePng(*v, path);
    std::printf("%s: eye (%d, %d) heading %d\n", path.c_str(), eye.x / kUnit, eye.z / kUnit, heading);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: terrainview DATA OUT\n");
        return 2;
    }
    TerrainScene scene(argv[1], false);
    std::string out = std::string(argv[2]) + "/";
    bool ok = scene.writePreview(out + "layout-preview.png");
    Eye west = startSpot(scene, 140, 170), east = startSpot(scene, 400, 300);
    Eye summit = highest(scene, 200, 320), hill = highest(scene, 60, 190);
    ok &= shoot(scene, out + "terrain-river.png", 480, 320, riverPlain(scene, 20), kEast);
    ok &= shoot(scene, out + "terrain-hilltop.png", 480, 320, hill, hill.z > 256 * kUnit ? kNorth : kSouth);
    ok &= shoot(scene, out + "terrain-ridge.png", 480, 320, {summit.x + 60 * kUnit, summit.z}, kWest);
    ok &= shoot(scene, out + "terrain-north.png", 480, 320, west, kNorth);
    ok &= shoot(scene, out + "terrain-east.png", 480, 320, west, kEast);
    ok &= shoot(scene, out + "terrain-south.png", 480, 320, west, kSouth);
    ok &= shoot(scene, out + "terrain-west.png", 480, 320, west, kWest);
    ok &= shoot(scene, out + "terrain-wide.png", 1280, 720, east, kWest);
    // A shell's crater on the grass about 40 units ahead, dug after the view
    // was first drawn.
    Eye blast = startSpot(scene, (east.x >> 15) - 40, east.z >> 15);
    ref<Vterrain> v = scene.view(480, 320, east.x, east.z, kWest);
    v->lookAt(blast.x, blast.z);
    TerrainScene::render(*v);
    int32_t before = v->getHeight(blast.x, blast.z);
    v->makeHole(blast.x, before, blast.z, 3 * kUnit);
    std::printf("crater at (%d, %d), %d units deep, heading %d\n", blast.x / kUnit, blast.z / kUnit,
                (before - v->getHeight(blast.x, blast.z)) / kUnit, v->getHeading());
    TerrainScene::render(*v);
    ok &= TerrainScene::writePng(*v, out + "terrain-crater.png");
    return ok ? 0 : 1;
}
