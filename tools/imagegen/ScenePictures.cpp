#include "ScenePictures.h"

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "Noise.h"

namespace {

const double kPi = 3.14159265358979;

float smooth(float e0, float e1, float x)
{
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// Side view of a tank facing left, its tracks resting on y = 0, one unit
// about one metre; the turret turned by turretTilt and the gun raised by
// gunLift (radians), for the intact tank and for the wreck.
void tankPath(cairo_t* cr, double turretTilt, double gunLift)
{
    // Track run: a long rounded band.
    cairo_new_sub_path(cr);
    cairo_arc(cr, -2.6, -0.55, 0.55, kPi / 2, 3 * kPi / 2);
    cairo_line_to(cr, 2.7, -1.2);
    cairo_arc(cr, 2.9, -0.6, 0.6, -kPi / 2, kPi / 2);
    cairo_close_path(cr);
    // Hull with a sloped glacis at the front (left).
    cairo_move_to(cr, -3.3, -1.05);
    cairo_line_to(cr, -2.4, -1.95);
    cairo_line_to(cr, 3.2, -1.95);
    cairo_line_to(cr, 3.5, -1.05);
    cairo_close_path(cr);
    cairo_save(cr);
    cairo_translate(cr, 0.4, -1.95);
    cairo_rotate(cr, turretTilt);
    // Turret.
    cairo_move_to(cr, -1.7, 0);
    cairo_line_to(cr, -1.3, -0.95);
    cairo_line_to(cr, 1.5, -0.95);
    cairo_line_to(cr, 1.9, 0);
    cairo_close_path(cr);
    cairo_rectangle(cr, -0.4, -1.25, 0.9, 0.3);  // hatch
    // Gun with a muzzle brake.
    cairo_save(cr);
    cairo_translate(cr, -1.5, -0.5);
    cairo_rotate(cr, gunLift);
    cairo_rectangle(cr, -4.2, -0.13, 4.3, 0.26);
    cairo_rectangle(cr, -4.6, -0.2, 0.5, 0.4);
    cairo_restore(cr);
    cairo_restore(cr);
}

void drawTank(cairo_t* cr, double x, double y, double size, double turretTilt, double gunLift)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, size, size);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    tankPath(cr, turretTilt, gunLift);
    cairo_restore(cr);
}

// Sky gradient with layered clouds; top, horizon and cloud colours given.
void sky(Canvas& c, int32_t horizon, Rgb top, Rgb low, Rgb cloudLit, Rgb cloudDark, uint32_t seed,
         float sunX, float sunY, Rgb sun)
{
    const int32_t w = c.width(), h = c.height();
    std::vector<uint32_t> px(static_cast<size_t>(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            float t = std::pow(std::clamp(static_cast<float>(y) / horizon, 0.0f, 1.0f), 1.6f);
            Rgb col = Rgb::mix(top, low, t);
            float dx = (static_cast<float>(x) - sunX) / w, dy = (static_cast<float>(y) - sunY) / h;
            float glow = std::exp(-(dx * dx * 6 + dy * dy * 14) * 6);
            col = Rgb::mix(col, sun, glow * 0.9f);
            // Clouds: stretched noise, thicker toward the horizon.
            float n = Noise::fbm(seed, u, v * 1.0f, 4, 8, 5, 0.55f);
            float cover = smooth(0.05f, 0.45f, n + 0.25f * t - 0.1f);
            float lit = smooth(-0.2f, 0.4f, Noise::fbm(seed + 3, u, v, 8, 16, 3)) * (0.4f + 0.6f * t);
            Rgb cloud = Rgb::mix(cloudDark, cloudLit, lit + glow);
            col = Rgb::mix(col, cloud, cover * 0.85f);
            px[static_cast<size_t>(y * w + x)] = col.argb();
        }
    c.setPixels(px);
}

// Rolling ground from y = base, darker toward the viewer.
void ground(cairo_t* cr, int32_t w, int32_t h, double base, double amp, uint32_t seed, Rgb far, Rgb near)
{
    cairo_move_to(cr, 0, h);
    for (int32_t x = 0; x <= w; x += 4) {
        double y = base + amp * Noise::fbm(seed, static_cast<float>(x) / w, 0.5f, 3, 3, 3);
        cairo_line_to(cr, x, y);
    }
    cairo_line_to(cr, w, h);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, base - amp, 0, h);
    cairo_pattern_add_color_stop_rgb(g, 0, far.rf(), far.gf(), far.bf());
    cairo_pattern_add_color_stop_rgb(g, 1, near.rf(), near.gf(), near.bf());
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

void smokePlume(Canvas& c, double x, double y, double height, double width, float darkness, uint32_t seed)
{
    cairo_t* cr = c.cr();
    Random rnd(seed);
    for (int32_t i = 0; i < 26; ++i) {
        double t = i / 25.0;
        double px = x + t * t * width * 1.6 + rnd.range(-0.2f, 0.2f) * width;
        double py = y - t * height;
        double r = width * (0.15 + 0.5 * t) * rnd.range(0.8f, 1.2f);
        cairo_pattern_t* g = cairo_pattern_create_radial(px, py, 0, px, py, r);
        double shade = 0.08 + 0.12 * t;
        cairo_pattern_add_color_stop_rgba(g, 0, shade, shade * 0.95, shade * 0.9, darkness * (1 - 0.6 * t));
        cairo_pattern_add_color_stop_rgba(g, 1, shade, shade, shade, 0);
        cairo_set_source(cr, g);
        cairo_arc(cr, px, py, r, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
}

void fireGlow(cairo_t* cr, double x, double y, double r, double strength)
{
    cairo_pattern_t* g = cairo_pattern_create_radial(x, y, 0, x, y, r);
    cairo_pattern_add_color_stop_rgba(g, 0, 1.0, 0.85, 0.4, strength);
    cairo_pattern_add_color_stop_rgba(g, 0.3, 1.0, 0.45, 0.1, strength * 0.6);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.6, 0.1, 0.0, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

} // namespace

SourcePicture ScenePictures::splash()
{
    const int32_t w = kWidth, h = kHeight;
    Canvas c(w, h);
    sky(c, 236, {24, 34, 56}, {214, 122, 58}, {236, 160, 100}, {58, 50, 62}, 4900, 330, 228, {255, 210, 140});
    cairo_t* cr = c.cr();
    ground(cr, w, h, 238, 10, 4910, {44, 38, 34}, {14, 12, 10});
    // The tank on the ridge, a black cut-out against the evening sky.
    drawTank(cr, 292, 262, 21, 0.0, -0.04);
    cairo_set_source_rgb(cr, 0.05, 0.045, 0.04);
    cairo_fill(cr);
    ground(cr, w, h, 276, 12, 4920, {20, 18, 15}, {8, 7, 6});
    // Title.
    c.font("DejaVuSans-Bold.ttf", 76);
    c.centeredTextPath("KORVATH", w / 2.0 + 4, 88);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    c.centeredTextPath("KORVATH", w / 2.0, 84);
    cairo_pattern_t* metal = cairo_pattern_create_linear(0, 50, 0, 118);
    cairo_pattern_add_color_stop_rgb(metal, 0, 0.97, 0.95, 0.88);
    cairo_pattern_add_color_stop_rgb(metal, 0.48, 0.78, 0.74, 0.64);
    cairo_pattern_add_color_stop_rgb(metal, 0.52, 0.52, 0.48, 0.40);
    cairo_pattern_add_color_stop_rgb(metal, 1, 0.80, 0.70, 0.52);
    cairo_set_source(cr, metal);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(metal);
    cairo_set_source_rgba(cr, 0.12, 0.1, 0.08, 0.9);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    // A rule under the title.
    cairo_move_to(cr, 92, 136);
    cairo_line_to(cr, w - 92, 136);
    cairo_set_source_rgba(cr, 0.95, 0.85, 0.65, 0.7);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    c.font("DejaVuSans-Bold.ttf", 15);
    c.centeredTextPath("TANK  CAMPAIGN  1944", w / 2.0, 152);
    cairo_set_source_rgba(cr, 0.98, 0.9, 0.75, 0.9);
    cairo_fill(cr);
    return c.picture("splash");
}

SourcePicture ScenePictures::battlefield()
{
    const int32_t w = kWidth, h = kHeight;
    Canvas c(w, h);
    sky(c, 210, {10, 12, 20}, {96, 46, 30}, {130, 70, 48}, {26, 22, 26}, 5100, 130, 215, {200, 90, 40});
    cairo_t* cr = c.cr();
    // Distant fires along the horizon.
    for (double x : {60.0, 175.0, 410.0})
        fireGlow(cr, x, 212, 38, 0.5);
    ground(cr, w, h, 212, 8, 5110, {34, 26, 24}, {20, 16, 14});
    smokePlume(c, 250, 230, 190, 70, 0.85f, 5120);
    smokePlume(c, 410, 214, 120, 40, 0.7f, 5130);
    smokePlume(c, 60, 214, 110, 36, 0.7f, 5140);
    // The burnt-out tank: turret knocked askew, gun drooping.
    fireGlow(cr, 240, 232, 60, 0.75);
    drawTank(cr, 250, 246, 14, 0.18, -0.12);
    cairo_set_source_rgb(cr, 0.06, 0.05, 0.045);
    cairo_fill(cr);
    // Flames licking out of the engine deck.
    Random flames(5170);
    for (int32_t i = 0; i < 7; ++i) {
        double fx = 268 + i * 5.5 + flames.range(-2, 2), fy = 220, fh = flames.range(10, 22);
        cairo_move_to(cr, fx - 4, fy);
        cairo_curve_to(cr, fx - 4, fy - fh * 0.5, fx + 2, fy - fh * 0.6, fx + flames.range(-2, 3), fy - fh);
        cairo_curve_to(cr, fx + 2, fy - fh * 0.5, fx + 5, fy - fh * 0.3, fx + 4, fy);
        cairo_close_path(cr);
        cairo_pattern_t* flame = cairo_pattern_create_linear(0, fy, 0, fy - fh);
        cairo_pattern_add_color_stop_rgba(flame, 0, 1.0, 0.9, 0.5, 0.95);
        cairo_pattern_add_color_stop_rgba(flame, 0.5, 1.0, 0.5, 0.1, 0.85);
        cairo_pattern_add_color_stop_rgba(flame, 1, 0.8, 0.15, 0.02, 0.0);
        cairo_set_source(cr, flame);
        cairo_fill(cr);
        cairo_pattern_destroy(flame);
    }
    ground(cr, w, h, 250, 12, 5150, {26, 20, 17}, {8, 6, 5});
    // Craters in the foreground: dark hollows with a lit rim.
    Random rnd(5160);
    for (int32_t i = 0; i < 5; ++i) {
        double x = rnd.range(20, w - 20), y = rnd.range(272, 310), r = rnd.range(18, 34);
        // Thrown-up earth on the far lip, lit by the fires.
        cairo_save(cr);
        cairo_translate(cr, x, y - r * 0.08);
        cairo_scale(cr, 1.0, 0.3);
        cairo_arc(cr, 0, 0, r * 1.15, kPi, 2 * kPi);
        cairo_restore(cr);
        cairo_set_source_rgba(cr, 0.3, 0.16, 0.09, 0.45);
        cairo_fill(cr);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, 1.0, 0.28);
        cairo_pattern_t* hollow = cairo_pattern_create_radial(0, 0, 0, 0, 0, r);
        cairo_pattern_add_color_stop_rgba(hollow, 0, 0, 0, 0, 0.85);
        cairo_pattern_add_color_stop_rgba(hollow, 0.7, 0.02, 0.01, 0.01, 0.6);
        cairo_pattern_add_color_stop_rgba(hollow, 1, 0.05, 0.03, 0.02, 0.0);
        cairo_set_source(cr, hollow);
        cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_pattern_destroy(hollow);
        cairo_restore(cr);
    }
    // Barbed wire on crooked posts.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    double posts[] = {300, 340, 382, 426, 470};
    for (double x : posts) {
        cairo_move_to(cr, x, 268);
        cairo_line_to(cr, x + 3, 238);
    }
    cairo_set_source_rgb(cr, 0.05, 0.04, 0.035);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke(cr);
    for (int32_t strand = 0; strand < 2; ++strand) {
        double yOff = 242 + strand * 12;
        cairo_move_to(cr, posts[0] + 3, yOff);
        for (int32_t k = 1; k < 5; ++k)
            cairo_curve_to(cr, posts[k - 1] + 14, yOff + 6, posts[k] - 14, yOff + 6, posts[k] + 3, yOff);
        cairo_set_source_rgba(cr, 0.1, 0.08, 0.07, 0.9);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    // A shattered tree.
    cairo_move_to(cr, 96, 258);
    cairo_line_to(cr, 100, 170);
    cairo_line_to(cr, 106, 160);
    cairo_line_to(cr, 104, 190);
    cairo_line_to(cr, 118, 178);
    cairo_line_to(cr, 106, 200);
    cairo_line_to(cr, 108, 258);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.04, 0.035, 0.03);
    cairo_fill(cr);
    return c.picture("campaign_end");
}

SourcePicture ScenePictures::victory()
{
    const int32_t w = kWidth, h = kHeight;
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    const double cx = w / 2.0, cy = 128;
    // Soft light behind the emblem.
    cairo_pattern_t* halo = cairo_pattern_create_radial(cx, cy, 10, cx, cy, 120);
    cairo_pattern_add_color_stop_rgba(halo, 0, 1.0, 0.85, 0.45, 0.45);
    cairo_pattern_add_color_stop_rgba(halo, 1, 1.0, 0.7, 0.3, 0.0);
    cairo_set_source(cr, halo);
    cairo_arc(cr, cx, cy, 120, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(halo);
    // Laurel wreath: leaves along two arcs.
    for (int32_t side = -1; side <= 1; side += 2) {
        for (int32_t i = 0; i < 11; ++i) {
            double a = kPi / 2 + side * (0.35 + i * 0.22);
            double r = 66;
            double lx = cx + r * std::cos(a), ly = cy + r * std::sin(a);
            cairo_save(cr);
            cairo_translate(cr, lx, ly);
            cairo_rotate(cr, a + side * kPi / 2 + side * 0.5);
            cairo_scale(cr, 1.0, 0.42);
            cairo_arc(cr, 0, 0, 11, 0, 2 * kPi);
            cairo_restore(cr);
            cairo_pattern_t* leaf = cairo_pattern_create_linear(lx - 8, ly - 8, lx + 8, ly + 8);
            cairo_pattern_add_color_stop_rgb(leaf, 0, 1.0, 0.88, 0.45);
            cairo_pattern_add_color_stop_rgb(leaf, 1, 0.72, 0.5, 0.12);
            cairo_set_source(cr, leaf);
            cairo_fill_preserve(cr);
            cairo_pattern_destroy(leaf);
            cairo_set_source_rgba(cr, 0.35, 0.2, 0.02, 0.9);
            cairo_set_line_width(cr, 1.0);
            cairo_stroke(cr);
        }
    }
    // Star in the middle.
    for (int32_t i = 0; i < 10; ++i) {
        double r = (i & 1) ? 20 : 48;
        double a = -kPi / 2 + i * kPi / 5;
        if (i == 0)
            cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        else
            cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
    cairo_pattern_t* gold = cairo_pattern_create_linear(cx, cy - 48, cx, cy + 40);
    cairo_pattern_add_color_stop_rgb(gold, 0, 1.0, 0.95, 0.7);
    cairo_pattern_add_color_stop_rgb(gold, 0.5, 0.95, 0.72, 0.2);
    cairo_pattern_add_color_stop_rgb(gold, 1, 0.7, 0.45, 0.08);
    cairo_set_source(cr, gold);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gold);
    cairo_set_source_rgb(cr, 0.35, 0.2, 0.02);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // Banner across the bottom of the wreath.
    const double by = 208, bw = 260, bh = 42;
    for (int32_t side = -1; side <= 1; side += 2) {
        double ex = cx + side * bw / 2;
        cairo_move_to(cr, ex - side * 10, by + 10);
        cairo_line_to(cr, ex + side * 30, by + 10);
        cairo_line_to(cr, ex + side * 18, by + bh / 2 + 10);
        cairo_line_to(cr, ex + side * 30, by + bh + 10);
        cairo_line_to(cr, ex - side * 10, by + bh + 10);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 0.45, 0.06, 0.06);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.02, 0.02);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    cairo_rectangle(cr, cx - bw / 2, by, bw, bh);
    cairo_pattern_t* red = cairo_pattern_create_linear(0, by, 0, by + bh);
    cairo_pattern_add_color_stop_rgb(red, 0, 0.86, 0.18, 0.14);
    cairo_pattern_add_color_stop_rgb(red, 1, 0.55, 0.08, 0.06);
    cairo_set_source(cr, red);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(red);
    cairo_set_source_rgb(cr, 0.95, 0.78, 0.3);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    c.font("DejaVuSans-Bold.ttf", 30);
    c.centeredTextPath("VICTORY", cx + 2, by + bh / 2 + 2);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    c.centeredTextPath("VICTORY", cx, by + bh / 2);
    cairo_set_source_rgb(cr, 1.0, 0.95, 0.82);
    cairo_fill(cr);
    return c.picture("victory");
}

SourcePicture ScenePictures::windowIcon(int32_t size)
{
    const double n = size;
    // The frame keeps at least one whole pixel of line at the small sizes.
    const double line = std::max(1.0, 2.0 * n / kIconSize), inset = line / 2, corner = 11.0 * n / kIconSize;
    Canvas c(size, size);
    cairo_t* cr = c.cr();
    c.roundedRect(inset, inset, n - 2 * inset, n - 2 * inset, corner);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_pattern_t* dusk = cairo_pattern_create_linear(0, 0, 0, n);
    cairo_pattern_add_color_stop_rgb(dusk, 0, 0.12, 0.16, 0.27);
    cairo_pattern_add_color_stop_rgb(dusk, 0.62, 0.86, 0.5, 0.24);
    cairo_pattern_add_color_stop_rgb(dusk, 1, 0.98, 0.78, 0.48);
    cairo_set_source(cr, dusk);
    cairo_fill(cr);
    cairo_pattern_destroy(dusk);
    // The sun low behind the tank, then the ridge and the tank in black.
    cairo_arc(cr, n * 0.68, n * 0.66, n * 0.16, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 1.0, 0.88, 0.6, 0.85);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, n * 0.8, n, n);
    drawTank(cr, n * 0.52, n * 0.81, n / 10.5, 0.0, -0.08);
    cairo_set_source_rgb(cr, 0.05, 0.045, 0.04);
    cairo_fill(cr);
    cairo_restore(cr);
    c.roundedRect(inset, inset, n - 2 * inset, n - 2 * inset, corner);
    cairo_set_source_rgba(cr, 0.08, 0.07, 0.06, 0.9);
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
    return c.picture("window_icon");
}
