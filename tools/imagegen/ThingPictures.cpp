#include "ThingPictures.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Rgb.h"

namespace {

float smooth(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// A picture being painted pixel by pixel, straight alpha, over transparency.
struct Sheet {
    Sheet(const char* name, int32_t w, int32_t h)
    {
        p.name = name;
        p.width = w;
        p.height = h;
        p.hotX = w / 2;
        p.hotY = h - 1;
        p.argb.assign(static_cast<size_t>(w) * h, 0);
    }
    // Paints c at opacity a over what is there.
    void put(int32_t x, int32_t y, const Rgb& c, float a)
    {
        if (x < 0 || y < 0 || x >= p.width || y >= p.height || a <= 0)
            return;
        uint32_t& d = p.argb[static_cast<size_t>(y) * p.width + x];
        const float da = static_cast<float>(d >> 24) / 255.0f;
        const Rgb old{static_cast<float>((d >> 16) & 255), static_cast<float>((d >> 8) & 255), static_cast<float>(d & 255)};
        const float out = a + da * (1 - a);
        d = Rgb::mix(old, c, da > 0 ? a / out : 1.0f).argb(out);
    }
    void box(float x0, float y0, float x1, float y1, const Rgb& c, float a = 1.0f)
    {
        for (int32_t y = std::max(0, static_cast<int32_t>(y0)); y < std::min(p.height, static_cast<int32_t>(std::ceil(y1))); ++y)
            for (int32_t x = std::max(0, static_cast<int32_t>(x0)); x < std::min(p.width, static_cast<int32_t>(std::ceil(x1))); ++x)
                put(x, y, c, a);
    }
    SourcePicture p;
};

// A crown of leaves (or needles): lumps of noise inside an outline given by
// inside(x, y) in 0..1 (1 well inside), lit from the upper left, darker
// underneath and inside.
template <class Inside>
void foliage(Sheet& s, const Rgb& light, const Rgb& dark, uint32_t seed, Inside inside)
{
    const float w = static_cast<float>(s.p.width), h = static_cast<float>(s.p.height);
    for (int32_t y = 0; y < s.p.height; ++y)
        for (int32_t x = 0; x < s.p.width; ++x) {
            const float fx = static_cast<float>(x) / w, fy = static_cast<float>(y) / h;
            const float lumps = Noise::fbm(seed, fx, fy, 6, 6, 4);
            const float k = inside(fx, fy) + 0.35f * lumps;
            if (k <= 0.0f)
                continue;
            const float leaf = Noise::fbm(seed + 7, fx, fy, 24, 24, 2);
            const float lit = std::clamp(0.55f - 0.9f * fy + 0.6f * lumps - 0.25f * fx + 0.3f * leaf, 0.0f, 1.0f);
            s.put(x, y, Rgb::mix(dark, light, lit), smooth(0.0f, 0.12f, k));
        }
}

// Low growth thins out into the grass over its bottom fifth, in blades,
// instead of ending on a straight line: drawn near the eye, a straight foot
// reads as the edge of a box.
float rootsIntoGrass(float x, float y)
{
    const float blades = Noise::fbm(331, x, y * 0.25f, 48, 2, 2);
    return (1.0f - y) * 5.0f - 0.35f + 0.6f * blades;
}

SourcePicture tree()
{
    Sheet s("thing_tree", 96, 120);
    const Rgb bark{74, 58, 44};
    s.box(44, 70, 53, 120, bark);
    s.box(44, 70, 47, 120, Rgb{98, 80, 60});
    foliage(s, Rgb{118, 150, 62}, Rgb{30, 58, 26}, 301, [](float x, float y) {
        const float dx = (x - 0.5f) / 0.46f, dy = (y - 0.42f) / 0.40f;
        return 1.0f - std::sqrt(dx * dx + dy * dy);
    });
    return s.p;
}

SourcePicture conifer()
{
    Sheet s("thing_conifer", 64, 128);
    s.box(29, 100, 35, 128, Rgb{70, 52, 40});
    foliage(s, Rgb{92, 134, 78}, Rgb{24, 54, 36}, 302, [](float x, float y) {
        // A cone with ragged tiers.
        const float half = 0.46f * std::clamp((y - 0.02f) / 0.80f, 0.0f, 1.0f) * (0.8f + 0.2f * std::fmod(y * 7.0f, 1.0f));
        return y > 0.84f ? -1.0f : (half - std::fabs(x - 0.5f)) * 4.0f;
    });
    return s.p;
}

SourcePicture bush()
{
    Sheet s("thing_bush", 64, 40);
    foliage(s, Rgb{124, 146, 70}, Rgb{36, 62, 30}, 303, [](float x, float y) {
        const float dx = (x - 0.5f) / 0.48f, dy = (y - 0.62f) / 0.55f;
        return std::min(1.0f - std::sqrt(dx * dx + dy * dy), rootsIntoGrass(x, y));
    });
    return s.p;
}

SourcePicture hedge()
{
    // A row of shrubs grown into each other: rounded clumps of different
    // heights down to the ground, so that near the eye it reads as a hedge
    // and not as a strip.
    Sheet s("thing_hedge", 128, 40);
    constexpr int32_t kClumps = 7;
    foliage(s, Rgb{146, 176, 84}, Rgb{60, 94, 42}, 304, [](float x, float y) {
        float k = -1.0f;
        for (int32_t i = 0; i < kClumps; ++i) {
            const float cx = (static_cast<float>(i) + 0.5f) / kClumps + 0.03f * Noise::unit(313, i, 0);
            const float rx = 0.085f + 0.03f * Noise::unit(314, i, 0), top = 0.12f + 0.22f * Noise::unit(315, i, 0);
            const float dx = (x - cx) / rx, dy = (y - top - 0.5f) / 0.5f;
            k = std::max(k, 1.0f - std::sqrt(dx * dx + dy * dy));
        }
        return std::min({k, std::min(x, 1.0f - x) * 6.0f, rootsIntoGrass(x, y)});
    });
    return s.p;
}

// Walls of plaster or stone with a gabled roof seen from the long side.
void walls(Sheet& s, float top, bool roofed)
{
    const Rgb plaster{206, 196, 172}, shade{150, 142, 124}, stone{140, 132, 118};
    const float w = static_cast<float>(s.p.width), h = static_cast<float>(s.p.height);
    for (int32_t y = static_cast<int32_t>(top); y < s.p.height; ++y)
        for (int32_t x = 6; x < s.p.width - 6; ++x) {
            const float n = Noise::fbm(305, static_cast<float>(x) / w, static_cast<float>(y) / h, 8, 8, 3);
            Rgb c = Rgb::mix(plaster, stone, smooth(0.1f, 0.5f, n + (static_cast<float>(y) - h * 0.8f) / h));
            if (x > s.p.width - 30)
                c = Rgb::mix(c, shade, 0.6f); // the gable end, away from the light
            s.put(x, y, c, 1.0f);
        }
    const Rgb glass{44, 52, 60}, frame{96, 70, 50};
    for (int32_t i = 0; i < 3; ++i) {
        const float x = 16.0f + static_cast<float>(i) * 24.0f;
        s.box(x - 1, top + 10, x + 12, top + 24, frame);
        s.box(x + 1, top + 12, x + 10, top + 22, glass);
    }
    s.box(w * 0.5f - 2, h - 22, w * 0.5f + 10, h, Rgb{86, 58, 40});
    if (!roofed)
        return;
    const Rgb tile{158, 70, 46}, tileDark{98, 44, 34};
    for (int32_t y = 0; y < static_cast<int32_t>(top); ++y) {
        const float t = static_cast<float>(y) / top; // 0 at the ridge
        const float inset = (1.0f - t) * 14.0f;
        for (int32_t x = static_cast<int32_t>(2 + inset); x < static_cast<int32_t>(w - 2 - inset); ++x) {
            const float row = std::fmod(static_cast<float>(y), 5.0f) < 1.0f ? 0.35f : 0.0f;
            const float n = Noise::fbm(306, static_cast<float>(x) / w, static_cast<float>(y) / h, 12, 12, 2);
            s.put(x, y, Rgb::mix(tile, tileDark, std::clamp(row + 0.3f * n + 0.4f * t * 0.5f, 0.0f, 1.0f)), 1.0f);
        }
    }
    s.box(w - 34, top * 0.15f, w - 26, top * 0.6f, Rgb{120, 60, 50}); // the chimney
}

SourcePicture house()
{
    Sheet s("thing_house", 112, 96);
    walls(s, 40, true);
    return s.p;
}

SourcePicture ruin()
{
    Sheet s("thing_ruin", 112, 96);
    walls(s, 40, false);
    // Broken off along a ragged line, blackened by fire.
    const float w = static_cast<float>(s.p.width), h = static_cast<float>(s.p.height);
    for (int32_t y = 0; y < s.p.height; ++y)
        for (int32_t x = 0; x < s.p.width; ++x) {
            uint32_t& d = s.p.argb[static_cast<size_t>(y) * s.p.width + x];
            const float fx = static_cast<float>(x) / w, fy = static_cast<float>(y) / h;
            const float line = 0.55f + 0.25f * Noise::fbm(307, fx, 0.0f, 6, 1, 3) + 0.15f * std::fabs(fx - 0.4f);
            if (fy < line) {
                d = 0;
                continue;
            }
            if (d >> 24) {
                const float soot = smooth(0.2f, -0.1f, fy - line) * 0.7f + 0.25f * (Noise::fbm(308, fx, fy, 8, 8, 3) + 1);
                const Rgb old{static_cast<float>((d >> 16) & 255), static_cast<float>((d >> 8) & 255), static_cast<float>(d & 255)};
                d = Rgb::mix(old, Rgb{40, 36, 34}, std::clamp(soot, 0.0f, 0.85f)).argb();
            }
        }
    // Rubble at its foot.
    for (int32_t x = 0; x < s.p.width; ++x) {
        const float heap = 10.0f * (0.6f + 0.4f * Noise::fbm(309, static_cast<float>(x) / w, 0.5f, 8, 1, 3)) *
                           std::sin(static_cast<float>(x) / w * 3.14159f);
        for (int32_t y = s.p.height - static_cast<int32_t>(heap); y < s.p.height; ++y)
            s.put(x, y, Rgb{118, 108, 96} * (0.7f + 0.3f * Noise::unit(310, x, y)), 1.0f);
    }
    return s.p;
}

SourcePicture fence()
{
    Sheet s("thing_fence", 96, 24);
    const Rgb wood{128, 102, 74}, dark{78, 60, 44};
    for (int32_t i = 0; i < 5; ++i) {
        const float x = 4.0f + static_cast<float>(i) * 21.5f;
        s.box(x, 2, x + 4, 24, dark);
        s.box(x, 2, x + 1.5f, 24, wood);
    }
    s.box(2, 6, 94, 9, wood);
    s.box(2, 14, 94, 17, wood);
    s.box(2, 8, 94, 9, dark);
    s.box(2, 16, 94, 17, dark);
    return s.p;
}

SourcePicture stump()
{
    Sheet s("thing_stump", 48, 32);
    const Rgb bark{70, 54, 42}, burnt{36, 30, 28};
    for (int32_t y = 0; y < s.p.height; ++y)
        for (int32_t x = 0; x < s.p.width; ++x) {
            const float fx = (static_cast<float>(x) - 24.0f) / 24.0f, fy = static_cast<float>(y) / 32.0f;
            const float top = 0.3f + 0.35f * std::fabs(std::sin(fx * 9.0f)) * (1 - std::fabs(fx));
            const float width = 0.3f + 0.25f * fy * fy;
            if (std::fabs(fx) < width && fy > top)
                s.put(x, y, Rgb::mix(bark, burnt, smooth(0.6f, 0.3f, fy) + 0.3f * Noise::unit(311, x, y)), 1.0f);
        }
    // Scorched earth and splinters around it.
    for (int32_t y = 26; y < 32; ++y)
        for (int32_t x = 0; x < s.p.width; ++x) {
            const float fx = (static_cast<float>(x) - 24.0f) / 24.0f;
            s.put(x, y, burnt, smooth(1.0f, 0.5f, std::fabs(fx)) * 0.8f);
        }
    return s.p;
}

} // namespace

SourcePicture ThingPictures::thing(int32_t kind)
{
    switch (kind) {
    case kTree: return tree();
    case kConifer: return conifer();
    case kBush: return bush();
    case kHedge: return hedge();
    case kHouse: return house();
    case kFence: return fence();
    case kRuin: return ruin();
    default: return stump();
    }
}
