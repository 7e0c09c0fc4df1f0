#include "TerrainScene.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Png.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "runtime/InputStream.h"
#include "terrain/Vswf.h"

TerrainScene::TerrainScene(const std::string& dataDir, bool riverSite)
{
    if (V::m_fsin.empty())
        V::fsinInit();
    InputStream::setResourceDir(dataDir);
    m_lib = new Vilib(new Vdisplay(), "app"_s);
    m_ground = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    swf->make(m_ground, "layout"_s, 512, 512, 13007, 64, 0);
    const int32_t water = riverSite ? 9 : 0;
    m_ground->setGroundTextures(m_lib, water);
    m_ground->makeHeight();
    m_field = new Vbattlefield(m_ground, water, nullptr);
}

ref<Vterrain> TerrainScene::view(int32_t w, int32_t h, int32_t x, int32_t z, int32_t heading) const
{
    ref<Vterrain> v = new Vterrain(w, h, true);
    v->m_focal = ((std::min(w, h) >> 1) * 0x1C000) >> 15;
    v->m_polyTerrain = m_ground;
    v->m_lib = m_lib;
    v->setHorizon(h >> 3);
    v->setWxhz(x, kEyeHeight, z);
    v->setHeading(heading);
    v->setSkyGradient(kSky, kSkyBottom);
    return v;
}

void TerrainScene::render(Vterrain& view)
{
    view.drawTerrain(view.m_pixels, view.m_width, view.m_height, 0, 0, view.m_width, view.m_height);
}

bool TerrainScene::writePng(const Vterrain& view, const std::string& path)
{
    return Png::write(path, view.m_width, view.m_height, reinterpret_cast<const uint32_t*>(view.m_pixels.a), false);
}

bool TerrainScene::writePreview(const std::string& path) const
{
    constexpr int32_t kSide = 512;
    Array<int32_t> map(kSide * kSide);
    m_ground->m_x0 = m_ground->m_y0 = 0;
    m_ground->m_drawScale = 32768;
    m_ground->draw(map, kSide, kSide, 0, 0, kSide, kSide);
    // The height map in grey, stretched so that the highest cell is white.
    int32_t top = 1;
    for (int32_t k = 0; k < m_ground->m_heightMap.length; k++)
        top = std::max(top, m_ground->m_heightMap[k] & 255);
    std::vector<uint32_t> out(static_cast<size_t>(2 * kSide * kSide));
    for (int32_t y = 0; y < kSide; y++)
        for (int32_t x = 0; x < kSide; x++) {
            auto grey = static_cast<uint32_t>((m_ground->m_heightMap[(y >> 1) * 256 + (x >> 1)] & 255) * 255 / top);
            out[static_cast<size_t>(y * 2 * kSide + x)] = static_cast<uint32_t>(map[y * kSide + x]);
            out[static_cast<size_t>(y * 2 * kSide + kSide + x)] = grey * 0x010101u;
        }
    return Png::write(path, 2 * kSide, kSide, out.data(), false);
}
