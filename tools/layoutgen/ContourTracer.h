#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "BandMap.h"
#include "HeightBands.h"
#include "Landscape.h"

// The boundaries between the band map's regions, traced (marching squares)
// into chains of points in units, plus the pieces of the map's frame that
// close the regions at its border. Each chain keeps the fill style on either
// side: fill1 lies to the left of its direction of travel with y pointing
// down (east of a boundary walked downward, north of one walked east), fill0
// to the right; 0 is no fill (outside the frame).
class ContourTracer {
public:
    struct Point {
        double x, z;
    };
    struct Chain {
        std::vector<Point> points;
        int32_t fill0 = 0, fill1 = 0;
    };

    ContourTracer(const Landscape& land, const HeightBands& bands, const BandMap& map);

    const std::vector<Chain>& chains() const { return m_chains; }

    // Drops points that stray less than tolerance units from the line
    // through their neighbours; the ends stay.
    static std::vector<Point> simplify(const std::vector<Point>& points, double tolerance);

private:
    struct Segment {
        int64_t from, to; // cell edges holding the two ends
        int32_t fill0, fill1;
    };

    Point edgePoint(int64_t edge) const;
    void traceCells();
    void linkChains();
    void addFrame();
    // One side of the frame: from grid point (i, j) in steps of (di, dj).
    void addSide(int32_t i, int32_t j, int32_t di, int32_t dj, bool insideIsFill1);

    const Landscape& m_land;
    const HeightBands& m_bands;
    const BandMap& m_map;
    std::vector<Segment> m_segments;
    std::vector<Chain> m_chains;
};
