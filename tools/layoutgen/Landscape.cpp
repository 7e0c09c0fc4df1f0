#include "Landscape.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTurn = 2 * kPi / Landscape::kSize; // radians per unit of one cycle per map

// splitmix64: a small generator whose sequence is the same on every build.
struct Random {
    uint64_t state;
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double range(double a, double b) { return a + (b - a) * unit(); }
    double gauss()
    {
        double u = std::max(unit(), 1e-12), v = unit();
        return std::sqrt(-2 * std::log(u)) * std::cos(2 * kPi * v);
    }
};

double wrapDelta(double d)
{
    return d - Landscape::kSize * std::round(d / Landscape::kSize);
}

double smooth(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

// Softens the lowest hollows of the rolling country, so that only the river,
// its lake and the tarn hold water.
double softFloor(double h)
{
    constexpr double kKnee = 34, kKeep = 0.4;
    return h < kKnee ? kKnee - (kKnee - h) * kKeep : h;
}

// River and lake: bed below the water's cut, a short bank, then the plain.
constexpr double kBed = 16.0, kPlain = 22.0;
constexpr double kRiverHalfWidth = 6.0, kBankWidth = 1.5, kPlainWidth = 14.0, kValleyWidth = 48.0;
constexpr double kLakeRadiusX = 24.0, kLakeRadiusZ = 14.0;
// The tarn sits in a bowl whose rim stands this far above its water.
constexpr double kTarnRadius = 13.0, kTarnRim = 5.0;
constexpr int32_t kMaxPatches = 10, kFieldLevels = 3;
constexpr double kHedge = 2.5;

struct RidgeShape {
    double centre, wiggle1, wiggle2, base, vary, width;
};
// The high ridge between the two start strips and the low one at the map's
// east-west seam.
constexpr RidgeShape kRidges[2] = {{256, 18, 7, 84, 18, 24}, {0, 14, 5, 50, 16, 26}};
constexpr int32_t kHills = 8, kKnolls = 4;

} // namespace

Landscape::Landscape(uint64_t seed, const HeightBands& bands)
{
    Random rnd{seed};
    // Plane waves that fit the map a whole number of times.
    auto waves = [&](int32_t count, double minK, double maxK, double spectrum, double stddev) {
        std::vector<Wave> out;
        double power = 0;
        while (static_cast<int32_t>(out.size()) < count) {
            int32_t m = static_cast<int32_t>(std::floor(rnd.range(-maxK, maxK + 1)));
            int32_t n = static_cast<int32_t>(std::floor(rnd.range(0, maxK + 1)));
            double k = std::hypot(m, n);
            if (k < minK || k > maxK)
                continue;
            double amp = rnd.gauss() * std::pow(k, -spectrum);
            out.push_back({static_cast<double>(m), static_cast<double>(n), amp, rnd.range(0, 2 * kPi)});
            power += amp * amp / 2;
        }
        for (Wave& w : out)
            w.amp *= stddev / std::sqrt(power);
        return out;
    };
    m_waves = waves(36, 2, 9, 1.6, 15.0);
    for (const Wave& w : waves(24, 10, 22, 1.0, 1.4))
        m_waves.push_back(w);
    m_zoneWaves = waves(6, 1, 3, 1.0, 0.7);
    for (double& p : m_riverPhase)
        p = rnd.range(0, 2 * kPi);
    for (double& p : m_ridgePhase)
        p = rnd.range(0, 2 * kPi);
    m_lakeX = 150;
    m_lakeZ = riverCentre(m_lakeX) - 27;
    // Round hills in the open country between the ridges, clear of the
    // river, and small rocky knolls.
    for (int32_t attempt = 0; attempt < 1000 && static_cast<int32_t>(m_hills.size()) < kHills + kKnolls; attempt++) {
        bool knoll = static_cast<int32_t>(m_hills.size()) >= kHills;
        Hill h{rnd.range(0, kSize), rnd.range(0, kSize), knoll ? rnd.range(17, 22) : rnd.range(24, 44),
               knoll ? rnd.range(24, 32) : rnd.range(24, 64), knoll};
        bool clear = riverDistance(h.cx, h.cz) > h.radius + 30 &&
                     std::abs(wrapDelta(h.cx - ridgeCentre(0, h.cz))) > h.radius + 30 &&
                     std::abs(wrapDelta(h.cx - ridgeCentre(1, h.cz))) > h.radius + 30 && lakeDistance(h.cx, h.cz) > 4;
        for (const Hill& o : m_hills)
            clear = clear && std::hypot(wrapDelta(h.cx - o.cx), wrapDelta(h.cz - o.cz)) > h.radius + o.radius + 40;
        if (clear)
            m_hills.push_back(h);
    }
    buildNatural();
    placeTarn(bands);
    m_height.resize(m_natural.size());
    for (int32_t i = 0; i < kGrid; i++) {
        double x = i * kStep;
        double c = riverCentre(x), s = riverSlope(x);
        double across = 1 / std::sqrt(1 + s * s);
        for (int32_t j = 0; j < kGrid; j++)
            m_height[index(i, j)] = carve(m_natural[index(i, j)], x, j * kStep, std::abs(wrapDelta(j * kStep - c)) * across);
    }
    placeFields(rnd.next(), bands);
    flatten();
    relieve(bands);
}

void Landscape::relieve(const HeightBands& bands)
{
    // Where two cuts would cross one sample cell the ground is too steep to
    // trace: such cells are eased toward their mean until none is left.
    auto steep = [&](int32_t i, int32_t j) {
        int32_t b[4] = {bands.bandOf(at(i, j)), bands.bandOf(at(i + 1, j)), bands.bandOf(at(i + 1, j + 1)),
                        bands.bandOf(at(i, j + 1))};
        return *std::max_element(b, b + 4) - *std::min_element(b, b + 4) > 1;
    };
    std::vector<std::pair<int32_t, int32_t>> cells;
    for (int32_t j = 0; j < kGrid; j++)
        for (int32_t i = 0; i < kGrid; i++)
            if (steep(i, j))
                cells.push_back({i, j});
    for (int32_t pass = 0; pass < 100 && !cells.empty(); pass++) {
        std::set<std::pair<int32_t, int32_t>> again;
        for (auto [i, j] : cells) {
            size_t c[4] = {index(i, j), index(i + 1, j), index(i + 1, j + 1), index(i, j + 1)};
            double mean = (m_height[c[0]] + m_height[c[1]] + m_height[c[2]] + m_height[c[3]]) / 4;
            for (size_t k : c)
                m_height[k] = lerp(m_height[k], mean, 0.25);
            for (int32_t dj = -1; dj <= 1; dj++)
                for (int32_t di = -1; di <= 1; di++)
                    again.insert({(i + di) & (kGrid - 1), (j + dj) & (kGrid - 1)});
        }
        cells.clear();
        for (auto [i, j] : again)
            if (steep(i, j))
                cells.push_back({i, j});
    }
}

void Landscape::buildNatural()
{
    // Rolling terms by rows and columns: cos(a + b) = cos a cos b - sin a sin b.
    m_natural.assign(static_cast<size_t>(kGrid) * kGrid, 0.0);
    std::vector<double> cx(kGrid), sx(kGrid), cz(kGrid), sz(kGrid);
    for (const Wave& w : m_waves) {
        for (int32_t i = 0; i < kGrid; i++) {
            double a = kTurn * w.kx * i * kStep + w.phase, b = kTurn * w.kz * i * kStep;
            cx[static_cast<size_t>(i)] = w.amp * std::cos(a);
            sx[static_cast<size_t>(i)] = w.amp * std::sin(a);
            cz[static_cast<size_t>(i)] = std::cos(b);
            sz[static_cast<size_t>(i)] = std::sin(b);
        }
        for (int32_t j = 0; j < kGrid; j++)
            for (int32_t i = 0; i < kGrid; i++)
                m_natural[index(i, j)] += cx[static_cast<size_t>(i)] * cz[static_cast<size_t>(j)] -
                                          sx[static_cast<size_t>(i)] * sz[static_cast<size_t>(j)];
    }
    for (double& h : m_natural)
        h = softFloor(50 + h);
    for (int32_t j = 0; j < kGrid; j++) {
        double z = j * kStep;
        for (int32_t k = 0; k < 2; k++) {
            double c = ridgeCentre(k, z), amp = ridgeAmplitude(k, z);
            for (int32_t i = 0; i < kGrid; i++) {
                double d = wrapDelta(i * kStep - c) / kRidges[k].width;
                if (std::abs(d) < 4)
                    m_natural[index(i, j)] += amp * std::exp(-d * d);
            }
        }
    }
    for (const Hill& h : m_hills) {
        int32_t reach = static_cast<int32_t>(h.radius / kStep) + 1;
        int32_t ci = static_cast<int32_t>(h.cx / kStep), cj = static_cast<int32_t>(h.cz / kStep);
        for (int32_t j = cj - reach; j <= cj + reach; j++)
            for (int32_t i = ci - reach; i <= ci + reach; i++) {
                double t = std::hypot(wrapDelta(i * kStep - h.cx), wrapDelta(j * kStep - h.cz)) / h.radius;
                if (t < 1)
                    m_natural[index(i, j)] += h.height * (1 - t * t) * (1 - t * t);
            }
    }
}

// ---- shapes of the features ----

double Landscape::natural(double x, double z) const
{
    double u = x / kStep, v = z / kStep;
    int32_t i = static_cast<int32_t>(std::floor(u)), j = static_cast<int32_t>(std::floor(v));
    double fu = u - i, fv = v - j;
    return lerp(lerp(m_natural[index(i, j)], m_natural[index(i + 1, j)], fu),
                lerp(m_natural[index(i, j + 1)], m_natural[index(i + 1, j + 1)], fu), fv);
}

double Landscape::ridgeCentre(int32_t ridge, double z) const
{
    const RidgeShape& r = kRidges[ridge];
    return r.centre + r.wiggle1 * std::sin(kTurn * z + m_ridgePhase[ridge * 3]) +
           r.wiggle2 * std::sin(kTurn * 3 * z + m_ridgePhase[ridge * 3 + 1]);
}

double Landscape::ridgeAmplitude(int32_t ridge, double z) const
{
    const RidgeShape& r = kRidges[ridge];
    double amp = r.base + r.vary * std::cos(kTurn * z + m_ridgePhase[ridge * 3 + 2]);
    // A pass where the river cuts through.
    double gap = wrapDelta(z - riverCentre(ridgeCentre(ridge, z))) / 64.0;
    return amp * (1 - 0.9 * std::exp(-gap * gap));
}

double Landscape::ridgeCrest(double x, double z) const
{
    double d = wrapDelta(x - ridgeCentre(0, z)) / kRidges[0].width;
    return std::exp(-d * d);
}

double Landscape::heathLine(double x, double z) const
{
    double v = 0;
    for (const Wave& w : m_zoneWaves)
        v += w.amp * std::cos(kTurn * (w.kx * x + w.kz * z) + w.phase);
    return 84 + 14 * v;
}

bool Landscape::onKnoll(double x, double z) const
{
    return std::any_of(m_hills.begin(), m_hills.end(), [&](const Hill& h) {
        return h.rocky && std::hypot(wrapDelta(x - h.cx), wrapDelta(z - h.cz)) < 0.4 * h.radius;
    });
}

double Landscape::rockLine(double x, double z) const
{
    return heathLine(z, x) + 40;
}

double Landscape::riverCentre(double x) const
{
    return 300 + 36 * std::sin(kTurn * x + m_riverPhase[0]) + 14 * std::sin(kTurn * 2 * x + m_riverPhase[1]) +
           6 * std::sin(kTurn * 3 * x + m_riverPhase[2]);
}

double Landscape::riverSlope(double x) const
{
    return kTurn * (36 * std::cos(kTurn * x + m_riverPhase[0]) + 28 * std::cos(kTurn * 2 * x + m_riverPhase[1]) +
                    18 * std::cos(kTurn * 3 * x + m_riverPhase[2]));
}

double Landscape::riverDistance(double x, double z) const
{
    double s = riverSlope(x);
    return std::abs(wrapDelta(z - riverCentre(x))) / std::sqrt(1 + s * s);
}

double Landscape::lakeDistance(double x, double z) const
{
    double dx = wrapDelta(x - m_lakeX) / kLakeRadiusX, dz = wrapDelta(z - m_lakeZ) / kLakeRadiusZ;
    double a = std::atan2(dz, dx);
    return std::hypot(dx, dz) * (1 + 0.07 * std::sin(3 * a + 1.3) + 0.04 * std::sin(5 * a + 0.4));
}

double Landscape::carve(double h, double x, double z, double river) const
{
    auto shore = [](double t) { return t < 0 ? kBed : t < 1 ? lerp(kBed, kPlain, t) : kPlain; };
    // High ground falls to the river over a wider valley, never steeper.
    double valley = kValleyWidth + 0.4 * std::max(h - 60, 0.0);
    if (river < valley)
        h = lerp(shore((river - kRiverHalfWidth) / kBankWidth), h, smooth((river - kPlainWidth) / (valley - kPlainWidth)));
    if (std::abs(wrapDelta(x - m_lakeX)) < 3 * kLakeRadiusX && std::abs(wrapDelta(z - m_lakeZ)) < 3 * kLakeRadiusZ) {
        double e = lakeDistance(x, z);
        if (e < 2.7)
            h = std::min(h, lerp(shore((e - 1) / 0.12), h, smooth((e - 1.7) / 1.0)));
    }
    double t = std::hypot(wrapDelta(x - m_tarn.cx), wrapDelta(z - m_tarn.cz)) / m_tarn.radius;
    if (t < 2.3) {
        double level = m_tarnLevel;
        if (t < 1)
            h = level;
        else if (t < 1.3)
            h = lerp(level, level + kTarnRim, smooth((t - 1) / 0.3));
        else
            h = lerp(level + kTarnRim, h, smooth((t - 1.3) / 1.0));
    }
    return h;
}

// ---- the tarn and the fields ----

void Landscape::placeTarn(const HeightBands& bands)
{
    // The hilltop in the eastern strip whose bowl rim would stand highest.
    double best = -1;
    for (double z = 80; z <= 440; z += 8)
        for (double x = 300; x <= 450; x += 8) {
            if (riverDistance(x, z) < 70 || std::abs(wrapDelta(x - ridgeCentre(0, z))) < 75 ||
                std::abs(wrapDelta(x - ridgeCentre(1, z))) < 75)
                continue;
            bool offHills = std::all_of(m_hills.begin(), m_hills.end(), [&](const Hill& h) {
                return std::hypot(wrapDelta(x - h.cx), wrapDelta(z - h.cz)) > h.radius + 2.5 * kTarnRadius;
            });
            if (!offHills)
                continue;
            double rim = 1e9;
            for (int32_t k = 0; k < 24; k++) {
                double a = k * 2 * kPi / 24;
                for (double r : {1.3, 1.8, 2.3})
                    rim = std::min(rim, natural(x + std::cos(a) * r * kTarnRadius, z + std::sin(a) * r * kTarnRadius));
            }
            if (rim > best) {
                best = rim;
                m_tarn = {x, z, kTarnRadius, 0};
            }
        }
    m_tarn.band = bands.bandOf(best - kTarnRim - 1);
    m_tarnLevel = bands.level(m_tarn.band);
}

void Landscape::placeFields(uint64_t seed, const HeightBands& bands)
{
    Random rnd{seed};
    for (int32_t attempt = 0; attempt < 4000 && static_cast<int32_t>(m_patches.size()) < kMaxPatches; attempt++) {
        bool east = attempt % 2;
        double cx = east ? rnd.range(300, 445) : rnd.range(68, 215);
        double cz = rnd.range(70, 445);
        double angle = rnd.range(-0.6, 0.6);
        int32_t cols = rnd.unit() < 0.7 ? 2 : 3, rows = 2;
        double fieldW = rnd.range(8, 12), fieldL = rnd.range(10, 16); // half sizes
        double halfW = cols * fieldW + (cols - 1) * kHedge / 2, halfL = rows * fieldL + (rows - 1) * kHedge / 2;
        double reach = std::hypot(halfW, halfL);
        if (riverDistance(cx, cz) < reach + 35 || lakeDistance(cx, cz) < 3.2)
            continue;
        bool offHills = std::all_of(m_hills.begin(), m_hills.end(), [&](const Hill& h) {
            return std::hypot(wrapDelta(cx - h.cx), wrapDelta(cz - h.cz)) > reach + 0.8 * h.radius + 4;
        });
        if (!offHills)
            continue;
        if (std::hypot(wrapDelta(cx - m_tarn.cx), wrapDelta(cz - m_tarn.cz)) < reach + 3 * kTarnRadius + 10)
            continue;
        if (std::abs(wrapDelta(cx - ridgeCentre(0, cz))) < reach + 30 ||
            std::abs(wrapDelta(cx - ridgeCentre(1, cz))) < reach + 30)
            continue;
        bool apart = std::all_of(m_patches.begin(), m_patches.end(), [&](const Patch& p) {
            return std::hypot(wrapDelta(cx - p.cx), wrapDelta(cz - p.cz)) > reach + std::hypot(p.halfW, p.halfL) + 24;
        });
        if (!apart)
            continue;
        // Fields go on gently sloping ground only.
        double lo = 1e9, hi = -1e9;
        for (int32_t k = 0; k < 16; k++) {
            double a = k * 2 * kPi / 16;
            for (double r : {0.5, 1.0}) {
                double v = natural(cx + std::cos(a) * r * reach, cz + std::sin(a) * r * reach);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        if (hi - lo > 22)
            continue;
        // Fields keep to a few heights: each height is two more fill styles.
        int32_t level = bands.level(bands.bandOf(natural(cx, cz)));
        std::set<int32_t> levels = {level};
        for (const Patch& p : m_patches)
            levels.insert(p.level);
        if (static_cast<int32_t>(levels.size()) > kFieldLevels)
            continue;
        m_patches.push_back({cx, cz, halfW, halfL, angle, level});
        double c = std::cos(angle), s = std::sin(angle);
        for (int32_t r = 0; r < rows; r++)
            for (int32_t q = 0; q < cols; q++) {
                double u = -halfW + fieldW + q * (2 * fieldW + kHedge);
                double v = -halfL + fieldL + r * (2 * fieldL + kHedge);
                m_fields.push_back({cx + u * c - v * s, cz + u * s + v * c, fieldW, fieldL, angle, rnd.unit() < 0.5});
            }
    }
}

void Landscape::flatten()
{
    // Flat within the patch and 3 units around it, blending out over 13.
    constexpr double kFlat = 3, kBlend = 18;
    for (const Patch& p : m_patches) {
        double c = std::cos(p.angle), s = std::sin(p.angle);
        int32_t reach = static_cast<int32_t>((std::hypot(p.halfW, p.halfL) + kFlat + kBlend) / kStep) + 2;
        int32_t ci = static_cast<int32_t>(std::lround(p.cx / kStep)), cj = static_cast<int32_t>(std::lround(p.cz / kStep));
        for (int32_t j = cj - reach; j <= cj + reach; j++)
            for (int32_t i = ci - reach; i <= ci + reach; i++) {
                double dx = wrapDelta(i * kStep - p.cx), dz = wrapDelta(j * kStep - p.cz);
                double u = dx * c + dz * s, v = -dx * s + dz * c;
                double out = std::hypot(std::max(std::abs(u) - p.halfW - kFlat, 0.0),
                                        std::max(std::abs(v) - p.halfL - kFlat, 0.0));
                double& h = m_height[static_cast<size_t>((j & (kGrid - 1)) * kGrid + (i & (kGrid - 1)))];
                h = lerp(p.level, h, smooth(out / kBlend));
            }
    }
}
