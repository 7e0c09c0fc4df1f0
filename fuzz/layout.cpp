// The vector layout: the input is the resource "layout", read whole and drawn
// into the terrain polygon (room for 13007 crossings, 64 colours) and given
// the ground textures of a land site; the polygon's style grid must answer as
// its plain lookup does. One input in a hundred is drawn at the game's size,
// 512 x 512, turned into the height map and seen: terrain frames from a high
// eye, a low one and one at the map's wrapping edge, a crater, and the
// top-down map. The others are drawn 64 x 64: the reader does the same work
// at any size, while crossings and the style grid grow with the rows and
// pixels, and at 512 x 512 they cost several times the parse.
#include <cstdint>

#include "host/Vdisplay.h"
#include "math/V.h"
#include "scene/Vilib.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"
#include "support/FuzzSample.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vswf.h"
#include "terrain/Vterrain.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kW = 96, kH = 64;

ref<Vilib> appLibrary()
{
    if (V::m_fsin.empty())
        V::fsinInit();
    FuzzFolder::instance().copyPages("app");
    return new Vilib(new Vdisplay, "app"_s);
}

struct Eye {
    int32_t x, z, height, heading;
};

// Above the middle looking north, just over the ground looking east, and
// on the last column of the map looking back across the seam.
constexpr Eye kEyes[] = {
    {256 * kUnit, 256 * kUnit, 0x5D53E, 0},
    {100 * kUnit, 400 * kUnit, 3000, 0x2000},
    {512 * kUnit - 700, 30 * kUnit, 0x20000, 0x5000},
};

void checkRows(const VpolyTerrain& ground)
{
    int32_t rows = ground.m_rowStart.length - 1;
    for (int32_t r = 0; r < rows; r++) {
        int32_t s = ground.m_rowStart[r], end = ground.rowEnd(r);
        fuzzCheck(s <= end && end <= ground.m_rowStart[r + 1] && end <= ground.m_edgeCapacity,
                  "every row's crossings lie inside the table");
        for (int32_t k = s + 1; k < end; k++)
            fuzzCheck(Vpolyn::edgeX(ground.m_edges[k - 1]) <= Vpolyn::edgeX(ground.m_edges[k]),
                      "a row's crossings are sorted");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static ref<Vilib> lib = appLibrary();
    FuzzFolder::instance().write("layout", data, size);

    const bool full = fuzzDraws(data, size);
    const int32_t side = full ? 512 : 64;
    ref<VpolyTerrain> ground = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    swf->make(ground, "layout"_s, side, side, 13007, 64, 0);
    // Style indices past what a crossing can hold all mean the background.
    fuzzCheck(swf->m_styles.length <= 65, "the style map is no longer than the styles a crossing holds");
    checkRows(*ground);
    ground->setGroundTextures(lib, 0);

    // The grid and the lookup, at points spread over the polygon and off it.
    uint32_t seed = static_cast<uint32_t>(size) * 2654435761u + 1;
    for (int32_t k = 0; k < 256; k++) {
        seed = seed * 1103515245u + 12345u;
        int32_t x = static_cast<int32_t>(seed >> 6) - (1 << 24);
        seed = seed * 1103515245u + 12345u;
        int32_t y = static_cast<int32_t>(seed >> 6) - (1 << 24);
        int32_t style = ground->styleAt(x, y);
        fuzzCheck(style == ground->getXy2(x, y), "the style grid answers as the lookup");
        fuzzCheck(style >= 0 && style < 64, "a style fits a crossing");
    }

    if (!full)
        return 0;
    ground->makeHeight();
    ref<Vterrain> view = new Vterrain(kW, kH, true);
    view->m_focal = ((kH >> 1) * 0x1C000) >> 15;
    view->m_polyTerrain = ground;
    view->m_lib = lib;
    view->setHorizon(kH >> 3);
    for (const Eye& e : kEyes) {
        view->setWxhz(e.x, e.height, e.z);
        view->setHeading(e.heading);
        view->setSkyGradient(0x5995, 0x3399FF);
        view->drawTerrain(view->m_pixels, kW, kH, 0, 0, kW, kH);
    }
    // A shell's crater ahead of the last eye, and the frame again.
    int32_t cx = kEyes[2].x - 20 * kUnit, cz = kEyes[2].z;
    view->makeHole(cx, view->getHeight(cx, cz), cz, 3 * kUnit);
    view->renderTerrain();

    static Array<int32_t> map(64 * 64);
    ground->m_x0 = ground->m_y0 = 0;
    ground->m_drawScale = 4096;
    ground->draw(map, 64, 64, 0, 0, 64, 64);
    return 0;
}
