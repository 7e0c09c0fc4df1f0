#include "ContourTracer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kN = BandMap::kN;

int64_t edgeId(int32_t i, int32_t j, bool vertical)
{
    return (static_cast<int64_t>(j) * (kN + 1) + i) << 1 | (vertical ? 1 : 0);
}

// Cell corners 0..3: (i, j), (i+1, j), (i+1, j+1), (i, j+1); edges 0..3: top,
// right, bottom, left. Each corner touches two edges.
constexpr int32_t kCornerEdges[4][2] = {{3, 0}, {0, 1}, {1, 2}, {2, 3}};
constexpr int32_t kCornerDi[4] = {0, 1, 1, 0}, kCornerDj[4] = {0, 0, 1, 1};

} // namespace

ContourTracer::ContourTracer(const Landscape& land, const HeightBands& bands, const BandMap& map)
    : m_land(land), m_bands(bands), m_map(map)
{
    traceCells();
    linkChains();
    addFrame();
}

ContourTracer::Point ContourTracer::edgePoint(int64_t edge) const
{
    bool vertical = edge & 1;
    int32_t k = static_cast<int32_t>(edge >> 1);
    int32_t i = k % (kN + 1), j = k / (kN + 1);
    int32_t i2 = vertical ? i : i + 1, j2 = vertical ? j + 1 : j;
    double a = m_land.at(i, j), b = m_land.at(i2, j2);
    double cut = m_bands.cut(std::max(m_map.band(i, j), m_map.band(i2, j2)));
    double t = std::clamp((cut - a) / (b - a), 0.0, 1.0);
    return {(i + t * (i2 - i)) * Landscape::kStep, (j + t * (j2 - j)) * Landscape::kStep};
}

void ContourTracer::traceCells()
{
    for (int32_t j = 0; j < kN; j++)
        for (int32_t i = 0; i < kN; i++) {
            int32_t b[4], lo = 1 << 30, hi = -1;
            for (int32_t c = 0; c < 4; c++) {
                b[c] = m_map.band(i + kCornerDi[c], j + kCornerDj[c]);
                lo = std::min(lo, b[c]);
                hi = std::max(hi, b[c]);
            }
            if (lo == hi)
                continue;
            int32_t mask = 0;
            for (int32_t c = 0; c < 4; c++)
                mask |= (b[c] == hi) << c;
            int64_t edges[4] = {edgeId(i, j, false), edgeId(i + 1, j, true), edgeId(i, j + 1, false), edgeId(i, j, true)};
            // Each segment cuts one corner (or an adjacent pair) off the rest.
            struct Cut {
                int32_t edgeA, edgeB, corner;
            };
            Cut cuts[2];
            int32_t n = 0;
            int32_t highs = __builtin_popcount(static_cast<unsigned>(mask));
            if (highs == 1 || highs == 3) {
                int32_t odd = 0;
                while (((mask >> odd) & 1) != (highs == 1))
                    odd++;
                cuts[n++] = {kCornerEdges[odd][0], kCornerEdges[odd][1], odd};
            } else if (mask == 0b0101 || mask == 0b1010) {
                // A saddle: the diagonal the regions join stays open.
                bool mainJoined = m_map.saddleJoinsMain(i, j);
                int32_t first = mainJoined ? 1 : 0;
                for (int32_t c = first; c < 4; c += 2)
                    cuts[n++] = {kCornerEdges[c][0], kCornerEdges[c][1], c};
            } else {
                // Two neighbouring corners on one side.
                int32_t c = 0;
                while (!(((mask >> c) & 1) && ((mask >> ((c + 1) & 3)) & 1)))
                    c++;
                cuts[n++] = {kCornerEdges[c][0], kCornerEdges[(c + 1) & 3][1], c};
            }
            int32_t highCorner = 0, lowCorner = 0;
            for (int32_t k = 0; k < n; k++) {
                const Cut& cut = cuts[k];
                bool cutHigh = (mask >> cut.corner) & 1;
                for (int32_t c = 0; c < 4; c++) {
                    bool high = (mask >> c) & 1;
                    // Opposite the cut corner lies the rest, joined inside the cell.
                    if (c == cut.corner || high != cutHigh) {
                        if (high)
                            highCorner = c;
                        else
                            lowCorner = c;
                    }
                }
                Segment s{edges[cut.edgeA], edges[cut.edgeB],
                          m_map.style(i + kCornerDi[lowCorner], j + kCornerDj[lowCorner]),
                          m_map.style(i + kCornerDi[highCorner], j + kCornerDj[highCorner])};
                Point p = edgePoint(s.from), q = edgePoint(s.to);
                double cx = (i + kCornerDi[cut.corner]) * Landscape::kStep, cz = (j + kCornerDj[cut.corner]) * Landscape::kStep;
                double cross = (q.x - p.x) * (cz - p.z) - (q.z - p.z) * (cx - p.x);
                // The high side goes to fill1, left of the direction of travel.
                if (cutHigh != (cross < 0))
                    std::swap(s.from, s.to);
                m_segments.push_back(s);
            }
        }
}

void ContourTracer::linkChains()
{
    // Indexed by cell edge: the segment that starts there, and whether one ends there.
    size_t edges = static_cast<size_t>(edgeId(kN, kN, true)) + 1;
    std::vector<int32_t> startingAt(edges, -1);
    std::vector<bool> endingAt(edges, false);
    for (size_t k = 0; k < m_segments.size(); k++) {
        startingAt[static_cast<size_t>(m_segments[k].from)] = static_cast<int32_t>(k);
        endingAt[static_cast<size_t>(m_segments[k].to)] = true;
    }
    std::vector<bool> used(m_segments.size());
    auto follow = [&](size_t k) {
        Chain chain;
        chain.fill0 = m_segments[k].fill0;
        chain.fill1 = m_segments[k].fill1;
        chain.points.push_back(edgePoint(m_segments[k].from));
        while (!used[k]) {
            used[k] = true;
            const Segment& s = m_segments[k];
            if (s.fill0 != chain.fill0 || s.fill1 != chain.fill1) {
                m_chains.push_back(chain);
                chain.points.assign(1, edgePoint(s.from));
                chain.fill0 = s.fill0;
                chain.fill1 = s.fill1;
            }
            chain.points.push_back(edgePoint(s.to));
            int32_t next = startingAt[static_cast<size_t>(s.to)];
            if (next < 0)
                break;
            k = static_cast<size_t>(next);
        }
        m_chains.push_back(chain);
    };
    // Open chains first (they start on the frame), then the closed loops.
    for (size_t k = 0; k < m_segments.size(); k++)
        if (!used[k] && !endingAt[static_cast<size_t>(m_segments[k].from)])
            follow(k);
    for (size_t k = 0; k < m_segments.size(); k++)
        if (!used[k])
            follow(k);
    for (Chain& c : m_chains)
        c.points = simplify(c.points, 0.06);
}

void ContourTracer::addFrame()
{
    addSide(0, 0, 0, 1, true);   // west edge, walked south: the map lies east
    addSide(kN, 0, 0, 1, false); // east edge, walked south: the map lies west
    addSide(0, 0, 1, 0, false);  // north edge, walked east: the map lies south
    addSide(0, kN, 1, 0, true);  // south edge, walked east: the map lies north
}

void ContourTracer::addSide(int32_t i, int32_t j, int32_t di, int32_t dj, bool insideIsFill1)
{
    auto piece = [&](Point from, Point to, int32_t style) {
        Chain c;
        c.points = {from, to};
        (insideIsFill1 ? c.fill1 : c.fill0) = style;
        m_chains.push_back(c);
    };
    Point start{i * Landscape::kStep, j * Landscape::kStep};
    for (int32_t s = 0; s < kN; s++) {
        int32_t pi = i + s * di, pj = j + s * dj;
        if (m_map.band(pi, pj) == m_map.band(pi + di, pj + dj))
            continue;
        Point cross = edgePoint(edgeId(pi, pj, dj == 1));
        piece(start, cross, m_map.style(pi, pj));
        start = cross;
    }
    piece(start, {(i + kN * di) * Landscape::kStep, (j + kN * dj) * Landscape::kStep}, m_map.style(i + kN * di, j + kN * dj));
}

std::vector<ContourTracer::Point> ContourTracer::simplify(const std::vector<Point>& points, double tolerance)
{
    size_t n = points.size();
    if (n < 3)
        return points;
    std::vector<bool> keep(n, false);
    keep[0] = keep[n - 1] = true;
    // A closed loop is split at its farthest point first.
    size_t split = n - 1;
    if (std::hypot(points[0].x - points[n - 1].x, points[0].z - points[n - 1].z) < 1e-9) {
        double best = -1;
        for (size_t k = 1; k + 1 < n; k++) {
            double d = std::hypot(points[k].x - points[0].x, points[k].z - points[0].z);
            if (d > best) {
                best = d;
                split = k;
            }
        }
        keep[split] = true;
    }
    std::vector<std::pair<size_t, size_t>> pending = {{0, split}};
    if (split != n - 1)
        pending.push_back({split, n - 1});
    while (!pending.empty()) {
        auto [a, b] = pending.back();
        pending.pop_back();
        double dx = points[b].x - points[a].x, dz = points[b].z - points[a].z;
        double len = std::hypot(dx, dz);
        double worst = 0;
        size_t at = a;
        for (size_t k = a + 1; k < b; k++) {
            double px = points[k].x - points[a].x, pz = points[k].z - points[a].z;
            double d = len > 1e-12 ? std::abs(px * dz - pz * dx) / len : std::hypot(px, pz);
            if (d > worst) {
                worst = d;
                at = k;
            }
        }
        if (worst > tolerance) {
            keep[at] = true;
            pending.push_back({a, at});
            pending.push_back({at, b});
        }
    }
    std::vector<Point> out;
    for (size_t k = 0; k < n; k++)
        if (keep[k])
            out.push_back(points[k]);
    return out;
}
