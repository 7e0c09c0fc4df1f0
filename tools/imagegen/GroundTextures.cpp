#include "GroundTextures.h"

#include <cmath>
#include <functional>

#include "Noise.h"
#include "Rgb.h"
#include "ShadedPicture.h"

namespace {

const char* const kLandNames[] = {"ground_water", "ground_marsh", "ground_grass", "ground_heath",
                                  "ground_earth", "ground_rock",  "ground_wheat"};
const char* const kRiverNames[] = {"river_water", "river_marsh", "river_grass", "river_heath",
                                   "river_earth", "river_rock",  "river_stubble"};

// Every term of a shader repeats over the tile, so the tile is seamless.
SourcePicture tile(const char* name, const Shader& shader)
{
    return shadedPicture(name, GroundTextures::kSize, shader);
}

float fbm(uint32_t seed, float u, float v, int32_t cells, int32_t octaves)
{
    return Noise::fbm(seed, u, v, cells, cells, octaves);
}

Rgb waterAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb deep, Rgb light, Rgb glint,
            int32_t waveCellsX, int32_t waveCellsY)
{
    float body = 0.5f + 0.5f * fbm(seed, u, v, 3, 4);
    Rgb c = Rgb::mix(deep, light, body);
    // Wave crests: long, thin ridges across the flow.
    float ridge = Noise::ridged(seed + 7, u, v, waveCellsX, waveCellsY, 3);
    c = Rgb::mix(c, glint, smooth(0.72f, 0.95f, ridge) * 0.55f);
    float trough = Noise::fbm(seed + 11, u, v, waveCellsX, waveCellsY, 2);
    c = c * (1.0f - 0.12f * smooth(0.2f, 0.8f, trough));
    return c + Rgb{1, 1, 1} * (grain(seed + 3, x, y) * 3.0f);
}

Rgb grassAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb dark, Rgb light, Rgb blade)
{
    float clumps = 0.5f + 0.5f * fbm(seed, u, v, 4, 5);
    Rgb c = Rgb::mix(dark, light, clumps);
    // Short upright blades: noise stretched vertically.
    float blades = Noise::fbm(seed + 5, u, v, 32, 8, 2);
    c = Rgb::mix(c, blade, smooth(0.25f, 0.75f, blades) * 0.35f);
    return c + Rgb{1, 1.2f, 0.6f} * (grain(seed + 9, x, y) * 9.0f);
}

Rgb marshAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb dark, Rgb light, Rgb pool, Rgb reed,
            float wetness)
{
    Rgb c = grassAt(u, v, x, y, seed, dark, light, reed);
    float water = fbm(seed + 21, u, v, 2, 4);
    float wet = smooth(wetness - 0.08f, wetness + 0.08f, -water);
    Rgb p = Rgb::mix(pool, pool * 1.25f, smooth(0.6f, 0.9f, Noise::ridged(seed + 23, u, v, 4, 16, 2)));
    c = Rgb::mix(c, p, wet);
    // Tussocks of reed standing out of the wet ground.
    float tuft = Noise::cellular(seed + 25, u, v, 8);
    c = Rgb::mix(c, reed, (1.0f - smooth(0.05f, 0.3f, tuft)) * 0.7f);
    return c;
}

Rgb heathAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb heather, Rgb olive, Rgb bare,
            Rgb bloom)
{
    float patch = 0.5f + 0.5f * fbm(seed, u, v, 3, 4);
    Rgb c = Rgb::mix(heather, olive, smooth(0.3f, 0.7f, patch));
    float holes = fbm(seed + 31, u, v, 4, 3);
    c = Rgb::mix(c, bare, smooth(0.35f, 0.6f, holes) * 0.8f);
    // Flower specks, a texel or two wide.
    float speck = Noise::unit(seed + 33, x, y);
    if (speck > 0.88f)
        c = Rgb::mix(c, bloom, (speck - 0.88f) * 6.0f);
    return c + Rgb{1, 1, 1} * (grain(seed + 35, x, y) * 5.0f);
}

Rgb earthAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb trough, Rgb ridgeColour, Rgb puddle,
            float puddleAmount)
{
    // Eight furrows across the tile, slightly wavy.
    float warp = fbm(seed, u, v, 2, 3) * 0.9f;
    float phase = v * 8.0f * 6.2831853f + warp;
    float ridge = 0.5f + 0.5f * std::sin(phase);
    // Light from the north: the slope facing up is lit.
    float lit = 0.5f + 0.5f * std::cos(phase);
    Rgb c = Rgb::mix(trough, ridgeColour, std::pow(ridge, 0.8f));
    c = c * (0.85f + 0.3f * lit);
    float clods = fbm(seed + 41, u, v, 16, 2);
    c = c * (1.0f + 0.18f * clods);
    if (puddleAmount > 0) {
        float wet = (1.0f - smooth(0.0f, 0.25f, ridge)) * smooth(-0.1f, 0.3f, fbm(seed + 43, u, v, 4, 2));
        c = Rgb::mix(c, puddle, wet * puddleAmount);
    }
    return c + Rgb{1, 1, 1} * (grain(seed + 45, x, y) * 6.0f);
}

Rgb rockAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb dark, Rgb light, Rgb lichen,
           float lichenAmount)
{
    float body = 0.5f + 0.5f * fbm(seed, u, v, 4, 5);
    Rgb c = Rgb::mix(dark, light, body);
    // Cracks and the edges of stones.
    float cells = Noise::cellular(seed + 51, u, v, 6);
    float cells2 = Noise::cellular(seed + 52, u, v, 12);
    c = c * (0.78f + 0.22f * smooth(0.0f, 0.45f, cells) * smooth(0.0f, 0.3f, cells2) + 0.08f);
    float crack = Noise::ridged(seed + 53, u, v, 3, 3, 3);
    c = c * (1.0f - 0.35f * smooth(0.88f, 0.98f, crack));
    float moss = fbm(seed + 55, u, v, 3, 4);
    c = Rgb::mix(c, lichen, smooth(0.1f, 0.6f, moss) * lichenAmount);
    return c + Rgb{1, 1, 1} * (grain(seed + 57, x, y) * 14.0f);
}

Rgb wheatAt(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb dark, Rgb light, Rgb soil,
            float soilAmount)
{
    float body = 0.5f + 0.5f * fbm(seed, u, v, 2, 4);
    Rgb c = Rgb::mix(dark, light, body);
    // Stalks: fine streaks, long in y.
    float stalks = Noise::fbm(seed + 61, u, v, 32, 4, 2);
    c = c * (0.9f + 0.2f * (0.5f + 0.5f * stalks));
    // Drill rows every eight texels.
    float row = 0.5f + 0.5f * std::cos(u * 8.0f * 6.2831853f);
    c = c * (0.93f + 0.07f * row);
    if (soilAmount > 0) {
        float bare = smooth(0.15f, 0.45f, fbm(seed + 63, u, v, 4, 3));
        c = Rgb::mix(c, soil, bare * soilAmount);
        if (Noise::unit(seed + 65, x, y) > 0.93f)
            c = c * 0.7f;
    }
    return c + Rgb{1, 0.9f, 0.6f} * (grain(seed + 67, x, y) * 8.0f);
}

} // namespace

SourcePicture GroundTextures::land(int32_t groundClass)
{
    const char* name = kLandNames[groundClass];
    switch (groundClass) {
    case 0:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return waterAt(u, v, x, y, 100, {26, 60, 98}, {52, 100, 136}, {150, 190, 215}, 4, 16);
        });
    case 1:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return marshAt(u, v, x, y, 110, {50, 74, 38}, {84, 104, 52}, {44, 66, 70}, {118, 112, 62}, 0.3f);
        });
    case 2:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return grassAt(u, v, x, y, 120, {58, 100, 36}, {94, 140, 52}, {140, 176, 82});
        });
    case 3:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return heathAt(u, v, x, y, 130, {100, 70, 86}, {100, 96, 56}, {104, 84, 62}, {170, 104, 150});
        });
    case 4:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return earthAt(u, v, x, y, 140, {80, 56, 36}, {142, 106, 70}, {0, 0, 0}, 0.0f);
        });
    case 5:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return rockAt(u, v, x, y, 150, {100, 98, 92}, {152, 148, 138}, {136, 138, 96}, 0.3f);
        });
    default:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return wheatAt(u, v, x, y, 160, {174, 136, 60}, {224, 192, 106}, {0, 0, 0}, 0.0f);
        });
    }
}

SourcePicture GroundTextures::river(int32_t groundClass)
{
    const char* name = kRiverNames[groundClass];
    switch (groundClass) {
    case 0:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return waterAt(u, v, x, y, 200, {30, 54, 58}, {70, 94, 90}, {140, 160, 150}, 2, 16);
        });
    case 1:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return marshAt(u, v, x, y, 210, {46, 72, 50}, {76, 98, 60}, {44, 68, 80}, {122, 108, 70}, 0.1f);
        });
    case 2:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return grassAt(u, v, x, y, 220, {78, 94, 40}, {124, 128, 60}, {160, 146, 84});
        });
    case 3:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return heathAt(u, v, x, y, 230, {124, 70, 48}, {104, 86, 52}, {84, 68, 52}, {178, 112, 52});
        });
    case 4:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return earthAt(u, v, x, y, 240, {56, 42, 32}, {108, 82, 60}, {92, 100, 106}, 0.55f);
        });
    case 5:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return rockAt(u, v, x, y, 250, {80, 82, 84}, {122, 124, 124}, {76, 100, 58}, 0.45f);
        });
    default:
        return tile(name, [](float u, float v, int32_t x, int32_t y) {
            return wheatAt(u, v, x, y, 260, {162, 142, 96}, {206, 186, 132}, {122, 98, 70}, 0.45f);
        });
    }
}
