#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The heights the layout is cut at. The ground between two neighbouring
// cuts becomes regions of one height byte (the middle of the band); band 0,
// below the first cut, is the river's water. Cuts lie closer together low
// down, where slopes are gentle and a step would show, and wider apart on
// the steep high ground, so that the engine's smoothing leaves no terraces.
class HeightBands {
public:
    HeightBands();

    // Band of a height in bytes: the number of cuts at or below it.
    int32_t bandOf(double h) const;
    // The height byte of the band's regions.
    int32_t level(int32_t band) const;
    // The cut between band - 1 and band (band >= 1).
    double cut(int32_t band) const { return m_cuts[static_cast<size_t>(band - 1)]; }
    int32_t count() const { return static_cast<int32_t>(m_cuts.size()) + 1; }

private:
    std::vector<double> m_cuts;
};
