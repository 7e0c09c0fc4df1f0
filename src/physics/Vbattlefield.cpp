#include "physics/Vbattlefield.h"

#include "terrain/VpolyTerrain.h"
#include "terrain/Vterrain.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kLevelEnough = 0x2AA7; // a third of a unit

} // namespace

Vbattlefield::Vbattlefield() = default;

Vbattlefield::Vbattlefield(const ref<VpolyTerrain>& map, int32_t water, const ref<Vterrain>& view)
    : m_map(map), m_water(water), m_view(view)
{
}

Vbattlefield::~Vbattlefield() = default;

int32_t Vbattlefield::height(int32_t x, int32_t z) const
{
    return m_map ? m_map->getHeight(x, z) : 0;
}

int32_t Vbattlefield::cell(int32_t x, int32_t z) const
{
    return m_map ? m_map->getCell(x, z) : 0;
}

int32_t Vbattlefield::groundClass(int32_t x, int32_t z) const
{
    return m_map ? m_map->getTexture(x, z) - m_water : -1;
}

bool Vbattlefield::water(int32_t x, int32_t z) const
{
    return groundClass(x, z) == VpolyTerrain::kWater;
}

bool Vbattlefield::startSpot(int32_t x, int32_t z) const
{
    const int32_t dh = height(x, z) - height(x + kUnit, z + kUnit);
    return groundClass(x, z) == VpolyTerrain::kGrass && dh >= -kLevelEnough && dh <= kLevelEnough;
}

int32_t Vbattlefield::viewHeading() const
{
    return m_view ? m_view->getHeading() : 0;
}

void Vbattlefield::dig(int32_t x, int32_t y, int32_t z, int32_t r)
{
    if (m_map && m_map->makeHole(x, y, z, r) && m_view)
        m_view->m_changed = true;
}
