#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "HeightBands.h"
#include "Landscape.h"

// The landscape cut into bands on its sample grid, split into connected
// regions (on the torus, so a region crossing the map's edge stays one), each
// region given a ground class and so a fill style: water below the first cut
// and in the tarn, marsh on the plain that borders water, heath and rock up
// high, grass elsewhere; the fields are styles of their own.
class BandMap {
public:
    static constexpr int32_t kN = Landscape::kGrid;
    // Ground classes, as the game's textures number them.
    enum Ground : int32_t { kWater = 0, kMarsh = 1, kGrass = 2, kHeath = 3, kEarth = 4, kRock = 5, kWheat = 6 };

    struct Style {
        int32_t ground;
        int32_t level; // height byte
        // Grass first: style 1 is also the background (colour 0) of a battle.
        int32_t rank() const { return ground == kGrass ? -1 : ground; }
        bool operator<(const Style& o) const { return ground != o.ground ? rank() < o.rank() : level < o.level; }
        bool operator==(const Style& o) const = default;
    };

    BandMap(const Landscape& land, const HeightBands& bands);

    int32_t band(int32_t i, int32_t j) const { return m_band[index(i, j)]; }
    int32_t region(int32_t i, int32_t j) const { return m_region[index(i, j)]; }
    // Fill style (1-based index into styles()) of the region at a point.
    int32_t style(int32_t i, int32_t j) const { return m_regionStyle[static_cast<size_t>(region(i, j))]; }
    int32_t fieldStyle(size_t field) const { return m_fieldStyle[field]; }
    // Styles in file order; entry k is fill style k + 1.
    const std::vector<Style>& styles() const { return m_styles; }
    // Whether the saddle cell (i, j) joins its corners (i, j) and (i+1, j+1).
    bool saddleJoinsMain(int32_t i, int32_t j) const;
    // Cells crossed by more than one cut, which the tracing cannot draw.
    int32_t crowdedCells() const { return m_crowded; }

    // The fill colour of a style: the class in which of red, green and blue
    // are zero, the height in the lowest non-zero byte.
    static uint32_t colour(const Style& s);

private:
    static size_t index(int32_t i, int32_t j) { return static_cast<size_t>((j & (kN - 1)) * kN + (i & (kN - 1))); }
    void findRegions();
    void classify(const Landscape& land, const HeightBands& bands);

    const Landscape& m_land;
    const HeightBands& m_bands;
    std::vector<uint8_t> m_band;
    std::vector<int32_t> m_region;
    std::vector<int32_t> m_regionStyle;
    std::vector<int32_t> m_fieldStyle;
    std::vector<Style> m_styles;
    int32_t m_crowded = 0;
};
