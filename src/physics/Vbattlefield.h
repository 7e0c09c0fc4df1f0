#pragma once
#include <cstdint>

#include "math/V.h"
#include "runtime/ref.h"

class VpolyTerrain;
class Vterrain;

// The ground a battle is fought on, as its bodies meet it: the height map
// with the ground class of every spot (m_water is the picture that marks
// water among the site's ground textures) and the terrain view that shows
// the map, which repaints where a crater is dug and whose heading the enemies
// take their bearings from. The physics world is handed one; its bodies reach
// it through the world. Without a map the field is flat land at height 0.
class Vbattlefield : public V {
public:
    Vbattlefield();
    Vbattlefield(const ref<VpolyTerrain>& map, int32_t water, const ref<Vterrain>& view);
    ~Vbattlefield() override;

    // Ground height at (x, z), bilinear between the cells around it.
    int32_t height(int32_t x, int32_t z) const;
    // The stored height byte of the cell under (x, z), unsigned.
    int32_t cell(int32_t x, int32_t z) const;
    // The ground class under (x, z), VpolyTerrain::kWater .. kWheat; -1
    // without a map.
    int32_t groundClass(int32_t x, int32_t z) const;
    bool water(int32_t x, int32_t z) const;
    // Whether a vehicle can start at (x, z): grass, and the ground there and
    // one unit on in x and z within a third of a unit of each other.
    bool startSpot(int32_t x, int32_t z) const;
    // Where the view looks; 0 without a view.
    int32_t viewHeading() const;
    // Lowers the ground inside the sphere of radius r around (x, y, z); the
    // view repaints when a cell became lower.
    void dig(int32_t x, int32_t y, int32_t z, int32_t r);

    ref<VpolyTerrain> m_map;
    int32_t m_water = 0; // picture of the water texture: the site's first ground texture
    ref<Vterrain> m_view; // shows m_map, or null
};
