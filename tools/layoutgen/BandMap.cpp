#include "BandMap.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Rock needs the high ridge's crest below it, unless it stands this high.
constexpr int32_t kRockAnywhere = 150;
// A marsh ring around the tarn, unless the band around it runs far away.
constexpr double kTarnMarshArea = 2500;

struct UnionFind {
    std::vector<int32_t> parent;
    explicit UnionFind(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
    int32_t find(int32_t a)
    {
        while (parent[static_cast<size_t>(a)] != a) {
            parent[static_cast<size_t>(a)] = parent[static_cast<size_t>(parent[static_cast<size_t>(a)])];
            a = parent[static_cast<size_t>(a)];
        }
        return a;
    }
    void join(int32_t a, int32_t b)
    {
        a = find(a);
        b = find(b);
        if (a != b)
            parent[static_cast<size_t>(std::max(a, b))] = std::min(a, b);
    }
};

} // namespace

BandMap::BandMap(const Landscape& land, const HeightBands& bands) : m_land(land), m_bands(bands)
{
    m_band.resize(static_cast<size_t>(kN) * kN);
    for (int32_t j = 0; j < kN; j++)
        for (int32_t i = 0; i < kN; i++)
            m_band[index(i, j)] = static_cast<uint8_t>(bands.bandOf(land.at(i, j)));
    for (int32_t j = 0; j < kN; j++)
        for (int32_t i = 0; i < kN; i++) {
            int32_t b[4] = {band(i, j), band(i + 1, j), band(i + 1, j + 1), band(i, j + 1)};
            if (*std::max_element(b, b + 4) - *std::min_element(b, b + 4) > 1)
                m_crowded++;
        }
    findRegions();
    classify(land, bands);
}

bool BandMap::saddleJoinsMain(int32_t i, int32_t j) const
{
    double centre = (m_land.at(i, j) + m_land.at(i + 1, j) + m_land.at(i + 1, j + 1) + m_land.at(i, j + 1)) / 4;
    return m_bands.bandOf(centre) == band(i, j);
}

void BandMap::findRegions()
{
    UnionFind sets(static_cast<size_t>(kN) * kN);
    for (int32_t j = 0; j < kN; j++)
        for (int32_t i = 0; i < kN; i++) {
            int32_t here = static_cast<int32_t>(index(i, j));
            if (band(i + 1, j) == band(i, j))
                sets.join(here, static_cast<int32_t>(index(i + 1, j)));
            if (band(i, j + 1) == band(i, j))
                sets.join(here, static_cast<int32_t>(index(i, j + 1)));
            // A saddle joins one of its diagonals, the same one the contours
            // leave open.
            int32_t a = band(i, j), b = band(i + 1, j), c = band(i + 1, j + 1), d = band(i, j + 1);
            if (a == c && b == d && a != b) {
                if (saddleJoinsMain(i, j))
                    sets.join(here, static_cast<int32_t>(index(i + 1, j + 1)));
                else
                    sets.join(static_cast<int32_t>(index(i + 1, j)), static_cast<int32_t>(index(i, j + 1)));
            }
        }
    m_region.assign(static_cast<size_t>(kN) * kN, -1);
    std::vector<int32_t> number(static_cast<size_t>(kN) * kN, -1);
    int32_t count = 0;
    for (size_t k = 0; k < m_region.size(); k++) {
        int32_t root = sets.find(static_cast<int32_t>(k));
        if (number[static_cast<size_t>(root)] < 0)
            number[static_cast<size_t>(root)] = count++;
        m_region[k] = number[static_cast<size_t>(root)];
    }
    m_regionStyle.assign(static_cast<size_t>(count), 0);
}

void BandMap::classify(const Landscape& land, const HeightBands& bands)
{
    size_t regions = m_regionStyle.size();
    // Votes of a region's points (every fourth sample each way, and its
    // first point): above the heath line, above the rock line, on the
    // crest, on a knoll.
    std::vector<int32_t> regionBand(regions), area(regions, 0), votes(regions, 0), heath(regions, 0),
        rock(regions, 0), crest(regions, 0), knoll(regions, 0);
    std::vector<bool> seen(regions, false);
    for (int32_t j = 0; j < kN; j++)
        for (int32_t i = 0; i < kN; i++) {
            auto r = static_cast<size_t>(region(i, j));
            regionBand[r] = band(i, j);
            area[r]++;
            if (seen[r] && ((i | j) & 3))
                continue;
            seen[r] = true;
            double x = i * Landscape::kStep, z = j * Landscape::kStep, h = land.at(i, j);
            votes[r]++;
            heath[r] += h >= land.heathLine(x, z);
            rock[r] += h >= land.rockLine(x, z);
            crest[r] += land.ridgeCrest(x, z) > 0.45;
            knoll[r] += land.onKnoll(x, z);
        }
    const Landscape::Tarn& tarn = land.tarn();
    auto tarnRegion = static_cast<size_t>(region(static_cast<int32_t>(tarn.cx / Landscape::kStep),
                                                 static_cast<int32_t>(tarn.cz / Landscape::kStep)));
    std::vector<bool> water(regions), touchesWater(regions);
    for (size_t r = 0; r < regions; r++)
        water[r] = regionBand[r] == 0 || (r == tarnRegion && regionBand[r] == tarn.band);
    for (int32_t j = 0; j < kN; j++)
        for (int32_t i = 0; i < kN; i++) {
            auto r = static_cast<size_t>(region(i, j));
            for (auto n : {static_cast<size_t>(region(i + 1, j)), static_cast<size_t>(region(i, j + 1))}) {
                if (water[n])
                    touchesWater[r] = true;
                if (water[r])
                    touchesWater[n] = true;
            }
        }
    std::vector<Style> regionStyle(regions);
    for (size_t r = 0; r < regions; r++) {
        int32_t b = regionBand[r];
        int32_t level = bands.level(b);
        int32_t ground = kGrass;
        if (water[r])
            ground = kWater;
        else if (touchesWater[r] &&
                 (b == 1 || (b == tarn.band + 1 && area[r] * Landscape::kStep * Landscape::kStep < kTarnMarshArea)))
            ground = kMarsh;
        else if ((rock[r] * 2 > votes[r] && (crest[r] * 2 > votes[r] || level >= kRockAnywhere)) ||
                 knoll[r] * 2 > votes[r])
            ground = kRock;
        else if (heath[r] * 2 > votes[r])
            ground = kHeath;
        regionStyle[r] = {ground, level};
    }
    // Fields lie on the flattened ground of one region.
    std::vector<Style> fieldStyle;
    for (const Landscape::Field& f : land.fields()) {
        int32_t b = bands.bandOf(land.at(static_cast<int32_t>(std::lround(f.cx / Landscape::kStep)),
                                         static_cast<int32_t>(std::lround(f.cz / Landscape::kStep))));
        fieldStyle.push_back({f.wheat ? kWheat : kEarth, bands.level(b)});
    }
    m_styles = regionStyle;
    m_styles.insert(m_styles.end(), fieldStyle.begin(), fieldStyle.end());
    std::sort(m_styles.begin(), m_styles.end());
    m_styles.erase(std::unique(m_styles.begin(), m_styles.end()), m_styles.end());
    auto number = [&](const Style& s) {
        return static_cast<int32_t>(std::lower_bound(m_styles.begin(), m_styles.end(), s) - m_styles.begin()) + 1;
    };
    for (size_t r = 0; r < regions; r++)
        m_regionStyle[r] = number(regionStyle[r]);
    for (const Style& s : fieldStyle)
        m_fieldStyle.push_back(number(s));
}

uint32_t BandMap::colour(const Style& s)
{
    auto h = static_cast<uint32_t>(std::clamp(s.level, 1, 255));
    switch (s.ground) {
    case kWater:
        return h;
    case kMarsh:
        return 0x6000u | h;
    case kGrass:
        return h << 8;
    case kHeath:
        return 0x800000u | h;
    case kEarth:
        return h << 16;
    case kWheat:
        return 0xC00000u | h << 8;
    default:
        return 0x808000u | h;
    }
}
