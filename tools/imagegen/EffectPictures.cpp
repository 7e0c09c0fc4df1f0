#include "EffectPictures.h"

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "Noise.h"

namespace {

const double kPi = 3.14159265358979;

struct Frame {
    float radius = 0;  // pixels
    float heat = 0;    // 1 white-hot .. 0 cold smoke
    float rise = 0;    // pixels the cloud has risen
    float opacity = 0;
    float grey = 0;    // brightness of the smoke
};

// From the first flash to the last wisp; the crater is dug between the third
// and fourth frame, at the peak of the fireball.
const Frame kTimeline[EffectPictures::kFrames] = {
    {8, 1.00f, 0, 1.00f, 70},   {13, 0.98f, 1, 1.00f, 70},  {18, 0.92f, 2, 1.00f, 70},
    {21, 0.80f, 3, 1.00f, 66},  {22, 0.66f, 5, 1.00f, 62},  {23, 0.52f, 6, 0.97f, 60},
    {24, 0.38f, 8, 0.93f, 62},  {25, 0.25f, 9, 0.88f, 68},  {25, 0.14f, 11, 0.8f, 76},
    {26, 0.06f, 12, 0.66f, 86}, {26, 0.0f, 13, 0.48f, 96},  {26, 0.0f, 14, 0.22f, 106},
};

float smooth(float e0, float e1, float x)
{
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// Glow colour of burning gas by temperature 0 .. 1.
Rgb fire(float t)
{
    static const Rgb stops[] = {{70, 20, 8}, {150, 40, 10}, {235, 110, 25}, {255, 200, 70}, {255, 250, 215}};
    t = std::clamp(t, 0.0f, 1.0f) * 4.0f;
    int32_t i = std::min(3, static_cast<int32_t>(t));
    return Rgb::mix(stops[i], stops[i + 1], t - static_cast<float>(i));
}

} // namespace

SourcePicture EffectPictures::puff()
{
    const int32_t n = kPuffSize;
    Canvas c(n, n);
    std::vector<uint32_t> px(static_cast<size_t>(n * n));
    for (int32_t y = 0; y < n; ++y)
        for (int32_t x = 0; x < n; ++x) {
            float dx = (static_cast<float>(x) + 0.5f - n / 2.0f) / (n / 2.0f);
            float dy = (static_cast<float>(y) + 0.5f - n / 2.0f) / (n / 2.0f);
            float d = std::sqrt(dx * dx + dy * dy);
            float lump = Noise::fbm(16, static_cast<float>(x) / n, static_cast<float>(y) / n, 4, 4, 3);
            float density = std::clamp(1.0f - d * (1.0f + 0.35f * lump), 0.0f, 1.0f);
            // A warm glowing core, soft light grey smoke around it.
            Rgb col = Rgb::mix(Rgb{200, 196, 188}, Rgb{255, 236, 190}, smooth(0.55f, 0.9f, density));
            col = col * (0.85f + 0.15f * (0.5f - dy * 0.5f));
            px[static_cast<size_t>(y * n + x)] = col.argb(smooth(0.0f, 0.7f, density) * 0.9f);
        }
    c.setPixels(px);
    return c.picture("shell_puff", n / 2, n / 2);
}

SourcePicture EffectPictures::explosion(int32_t frame)
{
    const Frame& f = kTimeline[frame];
    const int32_t w = kFrameWidth, h = kFrameHeight;
    Canvas c(w, h);
    float cx = kHotX, cy = std::max(f.radius + 3.0f, kHotY - 0.55f * f.radius - f.rise);
    uint32_t seed = 1700;  // one seed for all frames: the cloud keeps its shape as it grows
    // Density of the cloud at a point: a flattened ball with billows.
    auto density = [&](float px, float py, float& lump) {
        float dx = px - cx, dy = py - cy;
        float nx = dx / f.radius * 1.6f + 4.0f, ny = (dy + f.rise * 1.2f) / f.radius * 1.6f + 4.0f;
        lump = Noise::fbm(seed, nx / 8, ny / 8, 8, 8, 4, 0.55f);
        float sy = dy > 0 ? dy * 1.35f : dy * 0.95f;
        float d = std::sqrt(dx * dx + sy * sy) / f.radius;
        return std::clamp(1.0f - d + 0.55f * lump, 0.0f, 1.0f);
    };
    std::vector<uint32_t> px(static_cast<size_t>(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
            float lump = 0, lumpLit = 0;
            float dens = density(fx, fy, lump);
            if (dens <= 0) {
                px[static_cast<size_t>(y * w + x)] = 0;
                continue;
            }
            // Light from the upper left: brighter where the cloud thins toward it.
            float toward = density(fx - 2.0f, fy - 2.5f, lumpLit);
            float light = std::clamp(0.75f + (dens - toward) * 2.2f, 0.35f, 1.25f);
            float core = smooth(0.0f, 0.9f, dens);
            float t = f.heat * (0.45f + 0.7f * core) + 0.25f * lump * f.heat;
            Rgb smoke = Rgb{f.grey, f.grey * 0.95f, f.grey * 0.9f} * light;
            float glow = smooth(0.1f, 0.45f, t);
            Rgb col = Rgb::mix(smoke, fire(t) * (0.8f + 0.2f * light), glow);
            float alpha = smooth(0.0f, 0.18f, dens) * f.opacity;
            px[static_cast<size_t>(y * w + x)] = col.argb(alpha);
        }
    c.setPixels(px);
    cairo_t* cr = c.cr();
    if (frame <= 2) {
        // Flare: bright streaks out of the first frames.
        Random rnd(99);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (int32_t i = 0; i < 9; ++i) {
            double a = rnd.range(0, 2 * kPi), len = f.radius * rnd.range(1.0f, 1.5f);
            if (std::sin(a) > 0.3)
                len *= 0.6;  // the ground stops the flare downward
            cairo_move_to(cr, cx, cy);
            cairo_line_to(cr, cx + std::cos(a) * len, cy + std::sin(a) * len);
            cairo_set_source_rgba(cr, 1, 0.93, 0.7, 0.55 - frame * 0.12);
            cairo_set_line_width(cr, 2.0 - frame * 0.4);
            cairo_stroke(cr);
        }
    }
    if (frame >= 2 && frame <= 6) {
        // Clods and debris thrown out on arcs.
        Random rnd(77);
        for (int32_t i = 0; i < 10; ++i) {
            double a = rnd.range(-kPi * 0.95f, -kPi * 0.05f), speed = rnd.range(0.8f, 1.3f);
            double r = f.radius * speed * (0.9 + 0.12 * frame);
            double x = cx + std::cos(a) * r, y = cy + std::sin(a) * r + 0.35 * frame * frame;
            cairo_arc(cr, x, y, rnd.range(0.8f, 1.6f), 0, 2 * kPi);
            cairo_set_source_rgba(cr, 0.12, 0.09, 0.06, 0.9 - 0.1 * frame);
            cairo_fill(cr);
        }
    }
    return c.picture(frame == kFrames - 1 ? "explosion_end" : "explosion" + std::to_string(frame + 1), kHotX, kHotY);
}
