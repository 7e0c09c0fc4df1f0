#include "HeightBands.h"

#include <algorithm>
#include <cmath>

#include "Landscape.h"

HeightBands::HeightBands()
{
    double t = Landscape::kRiverLevel + 0.5;
    for (; t < 62; t += 3)
        m_cuts.push_back(t);
    for (; t < 100; t += 4)
        m_cuts.push_back(t);
    for (; t < 124; t += 6)
        m_cuts.push_back(t);
    for (; t < 250; t += 8)
        m_cuts.push_back(t);
}

int32_t HeightBands::bandOf(double h) const
{
    return static_cast<int32_t>(std::upper_bound(m_cuts.begin(), m_cuts.end(), h) - m_cuts.begin());
}

int32_t HeightBands::level(int32_t band) const
{
    if (band <= 0)
        return static_cast<int32_t>(Landscape::kRiverLevel);
    double low = cut(band);
    double high = band < count() - 1 ? cut(band + 1) : low + 8;
    return static_cast<int32_t>(std::lround((low + high) / 2));
}
