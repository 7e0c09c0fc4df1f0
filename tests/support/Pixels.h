#pragma once
#include <algorithm>
#include <cstdlib>

#include "Png.h"
#include "runtime/Array.h"

inline int32_t channel(uint32_t c, int32_t shift) { return static_cast<int32_t>((c >> shift) & 255); }

// Largest difference of one colour component.
inline int32_t colourError(uint32_t a, uint32_t b)
{
    int32_t e = 0;
    for (int32_t shift : {0, 8, 16})
        e = std::max(e, std::abs(channel(a, shift) - channel(b, shift)));
    return e;
}

// n words of one value.
inline Array<int32_t> filled(int32_t n, uint32_t value)
{
    Array<int32_t> px(n);
    for (int32_t i = 0; i < n; i++)
        px[i] = static_cast<int32_t>(value);
    return px;
}

inline std::vector<uint32_t> words(const Array<int32_t>& a)
{
    const auto* w = reinterpret_cast<const uint32_t*>(a.a);
    return {w, w + a.length};
}

// A picture as words 0xAARRGGBB, read from a PNG or taken from a buffer.
struct Frame {
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int32_t x, int32_t y) const { return px[static_cast<std::size_t>(y * w + x)] & 0xFFFFFF; }
    // Pixels whose colour, alpha aside, is rgb.
    int32_t count(uint32_t rgb) const
    {
        return static_cast<int32_t>(std::count_if(px.begin(), px.end(), [&](uint32_t p) { return (p & 0xFFFFFF) == rgb; }));
    }
    int32_t differences(const Frame& o) const
    {
        int32_t n = 0;
        for (std::size_t i = 0; i < px.size() && i < o.px.size(); i++)
            n += ((px[i] ^ o.px[i]) & 0xFFFFFF) != 0;
        return n;
    }
    static Frame read(const std::string& path)
    {
        Frame f;
        return Png::read(path, f.w, f.h, f.px), f;
    }
};
