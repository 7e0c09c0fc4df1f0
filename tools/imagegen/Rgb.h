#pragma once
#include <algorithm>
#include <cstdint>

// A colour with float channels in 0..255, for mixing procedural art.
struct Rgb {
    float r = 0, g = 0, b = 0;

    Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Rgb operator*(float k) const { return {r * k, g * k, b * k}; }
    static Rgb mix(const Rgb& a, const Rgb& b, float t)
    {
        t = std::clamp(t, 0.0f, 1.0f);
        return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
    }
    // 0xAARRGGBB with the given alpha 0..1, channels clamped and rounded.
    uint32_t argb(float alpha = 1.0f) const
    {
        auto c = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
        uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f + 0.5f);
        return a << 24 | c(r) << 16 | c(g) << 8 | c(b);
    }
    // Cairo takes channels in 0..1.
    float rf() const { return r / 255.0f; }
    float gf() const { return g / 255.0f; }
    float bf() const { return b / 255.0f; }
};
