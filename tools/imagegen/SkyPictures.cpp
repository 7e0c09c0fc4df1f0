#include "SkyPictures.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "terrain/TerrainSky.h"

namespace {

const float kPi = 3.14159265f;

// The colours and the clouds of one weather.
struct Weather {
    const char* name;
    Rgb zenith, horizon, below;   // the sky high up, at the horizon, under it
    Rgb sun, cloudLit, cloudDark; // the sun's glow; clouds on their lit and shaded sides
    float sunAzimuth, sunSlope;   // turns from heading 0; slope above the horizon
    float glow;                   // how strong the sun's glow is
    float cover;                  // 0 a clear sky .. 1 covered
    float softness;               // how gradually cloud edges fade
};

const Weather kWeathers[SkyPictures::kVariants] = {
    {"sky_clear", {58, 112, 196}, {190, 212, 232}, {196, 208, 216}, {255, 246, 220}, {250, 250, 250}, {190, 198, 214},
     0.30f, 0.20f, 0.55f, 0.18f, 0.22f},
    {"sky_cloudy", {70, 124, 200}, {196, 214, 230}, {192, 202, 210}, {255, 244, 214}, {252, 252, 250}, {142, 152, 170},
     0.62f, 0.22f, 0.40f, 0.52f, 0.16f},
    {"sky_overcast", {128, 136, 148}, {186, 190, 194}, {170, 174, 176}, {230, 228, 220}, {200, 202, 206}, {112, 118, 128},
     0.15f, 0.12f, 0.18f, 0.92f, 0.45f},
    {"sky_dusk", {44, 54, 104}, {246, 168, 108}, {178, 128, 108}, {255, 214, 150}, {255, 176, 128}, {96, 72, 98},
     0.80f, 0.012f, 1.0f, 0.38f, 0.20f},
};

float smooth(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// The cloud layer's density where the line of sight at (azimuth, slope)
// meets it: a plane above the land seen in perspective, so clouds crowd and
// thin toward the horizon.
float density(const Weather& w, float azimuth, float slope, uint32_t seed)
{
    const float distance = 1.0f / std::max(slope, 0.002f);
    const float x = std::cos(azimuth) * distance * 0.05f, y = std::sin(azimuth) * distance * 0.05f;
    // Far off, the finest octaves would only flicker between neighbouring pixels.
    const float n = Noise::fbm(seed, x, y, 8, 8, slope < 0.025f ? 3 : 5) * 0.5f + 0.5f;
    const float threshold = 1.0f - w.cover;
    return smooth(threshold - w.softness * 0.5f, threshold + w.softness, n);
}

Rgb skyAt(const Weather& w, float azimuth, float slope, uint32_t seed)
{
    // The clear sky: the zenith colour high up, paling to the horizon.
    Rgb c = slope >= 0 ? Rgb::mix(w.horizon, w.zenith, std::pow(smooth(0.0f, 0.26f, slope), 0.6f))
                       : Rgb::mix(w.horizon, w.below, smooth(0.0f, 0.03f, -slope));
    // The sun's glow, wide and faint, and its disc.
    float da = std::fabs(azimuth / (2 * kPi) - w.sunAzimuth);
    da = std::min(da, 1.0f - da) * 2 * kPi;
    const float ds = std::atan(slope) - std::atan(w.sunSlope);
    const float d = std::sqrt(da * da + ds * ds * 4.0f);
    c = Rgb::mix(c, w.sun, w.glow * (0.55f * std::exp(-d * 3.0f) + 0.45f * std::exp(-d * 14.0f)));
    if (slope <= 0.0015f)
        return c;
    // Clouds, lit on the side toward the sun (their density falls that way).
    const float k = density(w, azimuth, slope, seed);
    if (k <= 0.0f)
        return Rgb::mix(c, w.sun, w.glow * std::exp(-d * 60.0f));
    const float toward = density(w, azimuth + 0.004f * std::cos(da), slope + 0.004f, seed);
    const float lit = std::clamp(0.55f + (k - toward) * 3.0f + 0.3f * std::exp(-d * 2.5f), 0.0f, 1.0f);
    const Rgb cloud = Rgb::mix(w.cloudDark, w.cloudLit, lit);
    // Far clouds sink into the haze of the horizon.
    const float far = smooth(0.002f, 0.05f, slope);
    return Rgb::mix(c, Rgb::mix(w.horizon, cloud, 0.35f + 0.65f * far), k * (0.2f + 0.8f * far));
}

} // namespace

SourcePicture SkyPictures::sky(int32_t variant)
{
    const Weather& w = kWeathers[std::clamp(variant, 0, kVariants - 1)];
    SourcePicture p;
    p.name = w.name;
    p.width = TerrainSky::kWidth;
    p.height = TerrainSky::kHeight;
    p.argb.resize(static_cast<size_t>(p.width) * p.height);
    const uint32_t seed = 9100u + static_cast<uint32_t>(variant) * 17u;
    for (int32_t y = 0; y < p.height; ++y) {
        const float slope = (static_cast<float>(TerrainSky::kHorizonRow - y) - 0.5f) / TerrainSky::kRowsPerTan;
        for (int32_t x = 0; x < p.width; ++x) {
            const float azimuth = 2 * kPi * (static_cast<float>(x) + 0.5f) / static_cast<float>(p.width);
            p.argb[static_cast<size_t>(y) * p.width + x] = skyAt(w, azimuth, slope, seed).argb();
        }
    }
    return p;
}
