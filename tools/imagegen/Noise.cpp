#include "Noise.h"

#include <cmath>

namespace {

int32_t wrap(int32_t v, int32_t p)
{
    int32_t r = v % p;
    return r < 0 ? r + p : r;
}

float fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float gradDot(uint32_t seed, int32_t ix, int32_t iy, float dx, float dy)
{
    uint32_t h = Noise::hash(seed, static_cast<uint32_t>(ix), static_cast<uint32_t>(iy));
    float a = static_cast<float>(h & 0xFFFF) * (6.28318530f / 65536.0f);
    return std::cos(a) * dx + std::sin(a) * dy;
}

} // namespace

uint32_t Noise::hash(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x27D4EB2Du ^ (b + 0x165667B1u) * 0x85EBCA6Bu ^ (c + 0x9E3779B9u) * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Noise::unit(uint32_t seed, int32_t x, int32_t y)
{
    return static_cast<float>(hash(seed, static_cast<uint32_t>(x), static_cast<uint32_t>(y)) >> 8) *
           (1.0f / 16777216.0f);
}

float Noise::gradient(uint32_t seed, float x, float y, int32_t px, int32_t py)
{
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    float dx = x - fx, dy = y - fy;
    int32_t x0 = wrap(ix, px), x1 = wrap(ix + 1, px), y0 = wrap(iy, py), y1 = wrap(iy + 1, py);
    float n00 = gradDot(seed, x0, y0, dx, dy), n10 = gradDot(seed, x1, y0, dx - 1, dy);
    float n01 = gradDot(seed, x0, y1, dx, dy - 1), n11 = gradDot(seed, x1, y1, dx - 1, dy - 1);
    float u = fade(dx), v = fade(dy);
    float a = n00 + (n10 - n00) * u, b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.41421356f;
}

float Noise::fbm(uint32_t seed, float x, float y, int32_t px, int32_t py, int32_t octaves, float gain)
{
    float sum = 0, amp = 1, norm = 0;
    for (int32_t o = 0; o < octaves; ++o) {
        sum += amp * gradient(seed + static_cast<uint32_t>(o) * 101u, x * static_cast<float>(px),
                              y * static_cast<float>(py), px, py);
        norm += amp;
        amp *= gain;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

float Noise::ridged(uint32_t seed, float x, float y, int32_t px, int32_t py, int32_t octaves)
{
    float sum = 0, amp = 1, norm = 0;
    for (int32_t o = 0; o < octaves; ++o) {
        float n = 1.0f - std::fabs(gradient(seed + static_cast<uint32_t>(o) * 131u, x * static_cast<float>(px),
                                            y * static_cast<float>(py), px, py));
        sum += amp * n * n;
        norm += amp;
        amp *= 0.5f;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

float Noise::cellular(uint32_t seed, float x, float y, int32_t n)
{
    float gx = x * static_cast<float>(n), gy = y * static_cast<float>(n);
    int32_t cx = static_cast<int32_t>(std::floor(gx)), cy = static_cast<int32_t>(std::floor(gy));
    float best = 8.0f;
    for (int32_t j = -1; j <= 1; ++j) {
        for (int32_t i = -1; i <= 1; ++i) {
            int32_t kx = cx + i, ky = cy + j;
            int32_t wx = wrap(kx, n), wy = wrap(ky, n);
            float fx = static_cast<float>(kx) + unit(seed, wx, wy);
            float fy = static_cast<float>(ky) + unit(seed ^ 0x5bd1e995u, wx, wy);
            float d = std::hypot(fx - gx, fy - gy);
            if (d < best)
                best = d;
        }
    }
    return best;
}

uint32_t Random::next()
{
    // xorshift32 on a state that never becomes 0.
    uint32_t x = m_state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m_state = x ? x : 0x6D2B79F5u;
    return m_state;
}

float Random::unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
