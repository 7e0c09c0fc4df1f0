#pragma once
#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "Png.h"
#include "runtime/Array.h"

inline int32_t channel(uint32_t c, int32_t shift) { return static_cast<int32_t>((c >> shift) & 255); }

// Largest difference of one colour component.
inline int32_t colourError(uint32_t a, uint32_t b)
{
    auto d = [&](int32_t shift) { return std::abs(channel(a, shift) - channel(b, shift)); };
    return std::max({d(0), d(8), d(16)});
}

// n words of one value.
inline Array<int32_t> filled(int32_t n, uint32_t value)
{
    Array<int32_t> px(n);
    std::fill(px.a, px.a + n, static_cast<int32_t>(value));
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
        const std::size_t n = std::min(px.size(), o.px.size());
        return static_cast<int32_t>(std::inner_product(px.begin(), px.begin() + n, o.px.begin(), 0, std::plus<>(),
                                                       [](uint32_t a, uint32_t b) { return ((a ^ b) & 0xFFFFFF) != 0; }));
    }
    static Frame read(const std::string& path)
    {
        Frame f;
        return Png::read(path, f.w, f.h, f.px), f;
    }
};
