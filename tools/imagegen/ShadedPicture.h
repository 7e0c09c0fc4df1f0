#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "ImageLibraryWriter.h"
#include "Noise.h"
#include "Rgb.h"

// A square picture computed texel by texel: the shader gets each texel's
// centre in picture units (0..1 across) and its whole coordinates.
using Shader = std::function<Rgb(float u, float v, int32_t x, int32_t y)>;

inline SourcePicture shadedPicture(const std::string& name, int32_t size, const Shader& shader)
{
    SourcePicture p;
    p.name = name;
    p.width = size;
    p.height = size;
    p.argb.resize(static_cast<size_t>(size * size));
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            float u = (static_cast<float>(x) + 0.5f) / size, v = (static_cast<float>(y) + 0.5f) / size;
            p.argb[static_cast<size_t>(y * size + x)] = shader(u, v, x, y).argb();
        }
    return p;
}

// Per-texel grain in [-1, 1], repeating with the picture.
inline float grain(uint32_t seed, int32_t x, int32_t y) { return Noise::unit(seed, x, y) * 2.0f - 1.0f; }

// 0 below e0, 1 above e1, a smooth step between.
inline float smooth(float e0, float e1, float x)
{
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}
