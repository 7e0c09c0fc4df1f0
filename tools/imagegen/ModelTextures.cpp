#include "ModelTextures.h"

#include <cmath>
#include <functional>

#include "Canvas.h"
#include "Noise.h"
#include "Rgb.h"
#include "ShadedPicture.h"

namespace {

const int32_t N = ModelTextures::kSize;
const double kPi = 3.14159265358979;

SourcePicture shade(VehicleTexture t, const Shader& shader)
{
    return shadedPicture(vehicleTextureName(t), N, shader);
}

// Weathered paint: broad mottling, faint rain streaks running down the
// picture and a fine grain; every term repeats with the tile.
Rgb paint(float u, float v, int32_t x, int32_t y, uint32_t seed, Rgb base)
{
    float mottle = Noise::fbm(seed, u, v, 3, 3, 4);
    float streak = Noise::fbm(seed + 3, u, v, 24, 2, 2);
    Rgb c = base * (1.0f + 0.09f * mottle - 0.025f * smooth(0.2f, 0.8f, streak));
    return c + Rgb{1, 1, 1} * (grain(seed + 5, x, y) * 4.0f);
}

// German three-tone camouflage: soft blobs of green and red-brown over dark
// yellow.
Rgb camouflage(float u, float v, int32_t x, int32_t y)
{
    const Rgb yellow{200, 174, 112}, green{96, 108, 62}, brown{124, 78, 50};
    Rgb c = paint(u, v, x, y, 41, yellow);
    float g = Noise::fbm(43, u, v, 2, 2, 3);
    float b = Noise::fbm(47, u + 0.37f, v + 0.19f, 2, 2, 3);
    c = Rgb::mix(c, green * (1.0f + 0.06f * Noise::fbm(49, u, v, 6, 6, 2)), smooth(0.06f, 0.14f, g));
    c = Rgb::mix(c, brown * (1.0f + 0.06f * Noise::fbm(51, u, v, 6, 6, 2)), smooth(0.1f, 0.18f, b) * (1 - smooth(0.06f, 0.14f, g)));
    return c;
}

const Rgb kSherman{150, 150, 86};
const Rgb kT34{106, 128, 74};
const Rgb kTruck{132, 136, 84};

// Links across the picture, pitch texels tall: a plate with a raised bar,
// dark gaps between links, worn bright edges.
Rgb links(int32_t x, int32_t y, uint32_t seed, Rgb plate, Rgb bar, int32_t pitch, bool waffle)
{
    int32_t row = y % pitch;
    int32_t link = y / pitch;
    Rgb c = plate * (1.0f + 0.08f * grain(seed + static_cast<uint32_t>(link), link, 0));
    if (row == 0)
        return Rgb{22, 21, 20};
    if (row == 1)
        c = c * 1.25f;
    if (waffle) {
        // Cast links: a grid of pockets with a raised rim.
        int32_t cell = x % 8;
        if ((cell == 3 || cell == 4) && row >= 3 && row <= pitch - 3)
            c = c * 0.55f;
    } else if (row >= pitch / 2 - 1 && row <= pitch / 2) {
        c = bar;
    }
    return c + Rgb{1, 1, 1} * (grain(seed, x, y) * 6.0f);
}

// A decal: the paint of the family under a motif drawn with Cairo.
SourcePicture decal(VehicleTexture t, const Shader& background, const std::function<void(cairo_t*)>& motif)
{
    SourcePicture p = shade(t, background);
    Canvas c(N, N);
    c.setPixels(p.argb);
    motif(c.cr());
    SourcePicture out = c.picture(p.name);
    for (uint32_t& px : out.argb)
        px |= 0xFF000000u;
    return out;
}

void starPath(cairo_t* cr, double cx, double cy, double outer)
{
    const double inner = outer * 0.382;
    for (int32_t i = 0; i < 10; ++i) {
        double r = (i & 1) ? inner : outer;
        double a = kPi * i / 5 - kPi / 2;
        if (i == 0)
            cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        else
            cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void rgb(cairo_t* cr, double r, double g, double b) { cairo_set_source_rgb(cr, r / 255, g / 255, b / 255); }

// A filled circle around the picture's middle.
void disc(cairo_t* cr, double radius, const Rgb& c)
{
    cairo_arc(cr, 32, 32, radius, 0, 2 * kPi);
    rgb(cr, c.r, c.g, c.b);
    cairo_fill(cr);
}

// n dots of radius r on a ring round the picture's middle: bolts, holes,
// tread blocks.
void dots(cairo_t* cr, int32_t n, double ring, double r, const Rgb& c)
{
    for (int32_t i = 0; i < n; ++i) {
        double a = 2 * kPi * i / n;
        cairo_arc(cr, 32 + ring * std::cos(a), 32 + ring * std::sin(a), r, 0, 2 * kPi);
        rgb(cr, c.r, c.g, c.b);
        cairo_fill(cr);
    }
}

// Light from above over a disc of radius r round the middle: the upper
// half of a dished wheel catches it, the lower half is in shadow.
void litFromAbove(cairo_t* cr, double r)
{
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 32 - r, 0, 32 + r);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 0.9, 0.16);
    cairo_pattern_add_color_stop_rgba(g, 0.45, 1, 1, 1, 0);
    cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, 0.3);
    cairo_arc(cr, 32, 32, r, 0, 2 * kPi);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

// A road wheel seen from the side: the dark gap around it, a rubber tyre,
// the painted disc with spokes or holes and a bolted hub.
void roadWheel(cairo_t* cr, const Rgb& paint, int32_t holes, bool spokes)
{
    rgb(cr, 28, 28, 26);
    cairo_paint(cr);
    disc(cr, 31.5, {44, 44, 42});
    disc(cr, 25, paint);
    if (spokes) {
        // Pressed spokes: dark recesses between them.
        for (int32_t i = 0; i < holes; ++i) {
            double a = 2 * kPi * i / holes;
            cairo_move_to(cr, 32, 32);
            cairo_arc(cr, 32, 32, 21, a + 0.18, a + 2 * kPi / holes - 0.18);
            cairo_close_path(cr);
            rgb(cr, paint.r * 0.55, paint.g * 0.55, paint.b * 0.55);
            cairo_fill(cr);
        }
    } else {
        dots(cr, holes, 15, 4.5, paint * 0.55f);
    }
    disc(cr, 9, paint * 1.1f);
    dots(cr, 6, 6, 1.2, {40, 40, 36});
    disc(cr, 3, paint * 0.7f);
    litFromAbove(cr, 31.5);
}

// A grille let into a deck: a dark well with bars across it (or along it)
// and a frame lit on the side towards the front.
void grille(cairo_t* cr, double x, double y, double w, double h, const Rgb& paint, bool across)
{
    const Rgb shadow = paint * 0.45f, lit = paint * 1.15f, bar = paint * 0.6f;
    rgb(cr, lit.r, lit.g, lit.b);
    cairo_rectangle(cr, x - 1, y - 1, w + 2, h + 2);
    cairo_fill(cr);
    rgb(cr, shadow.r, shadow.g, shadow.b);
    cairo_rectangle(cr, x, y, w + 1, h + 1);
    cairo_fill(cr);
    rgb(cr, 30, 29, 26);
    cairo_rectangle(cr, x + 1, y + 1, w - 1, h - 1);
    cairo_fill(cr);
    rgb(cr, bar.r, bar.g, bar.b);
    for (double t = 2; t < (across ? h : w) - 1; t += 3) {
        if (across)
            cairo_rectangle(cr, x + 1, y + t, w - 1, 1.2);
        else
            cairo_rectangle(cr, x + t, y + 1, 1.2, h - 1);
    }
    cairo_fill(cr);
}

// The seam round a hatch or a plate: a dark line with a lit edge inside.
void seam(cairo_t* cr, double x, double y, double w, double h, const Rgb& paint)
{
    const Rgb dark = paint * 0.5f, lit = paint * 1.18f;
    cairo_set_line_width(cr, 1);
    rgb(cr, dark.r, dark.g, dark.b);
    cairo_rectangle(cr, x + 0.5, y + 0.5, w, h);
    cairo_stroke(cr);
    rgb(cr, lit.r, lit.g, lit.b);
    cairo_rectangle(cr, x + 1.5, y + 1.5, w - 2, h - 2);
    cairo_stroke(cr);
}

// A round port or sight: a dark hole in a raised, lit rim.
void port(cairo_t* cr, double x, double y, double r, const Rgb& paint)
{
    const Rgb rim = paint * 1.15f, edge = paint * 0.55f;
    cairo_arc(cr, x, y, r + 1.6, 0, 2 * kPi);
    rgb(cr, edge.r, edge.g, edge.b);
    cairo_fill(cr);
    cairo_arc(cr, x, y - 0.4, r + 1, 0, 2 * kPi);
    rgb(cr, rim.r, rim.g, rim.b);
    cairo_fill(cr);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    rgb(cr, 16, 16, 15);
    cairo_fill(cr);
}

Shader paintOf(uint32_t seed, Rgb base)
{
    return [seed, base](float u, float v, int32_t x, int32_t y) { return paint(u, v, x, y, seed, base); };
}

} // namespace

SourcePicture ModelTextures::picture(VehicleTexture t)
{
    using T = VehicleTexture;
    switch (t) {
    case T::ShermanPaint:
        return shade(t, paintOf(11, kSherman));
    case T::ShermanStar:
        return decal(t, paintOf(11, kSherman), [](cairo_t* cr) {
            cairo_arc(cr, 32, 32, 28, 0, 2 * kPi);
            cairo_set_line_width(cr, 3.5);
            rgb(cr, 236, 234, 222);
            cairo_stroke(cr);
            starPath(cr, 32, 33, 25);
            cairo_fill(cr);
        });
    case T::ShermanTrack:
        return shade(t, [](float, float, int32_t x, int32_t y) { return links(x, y, 13, {70, 68, 64}, {96, 92, 84}, 8, false); });
    case T::ShermanWheel:
        return decal(t, paintOf(11, kSherman), [](cairo_t* cr) { roadWheel(cr, kSherman, 5, true); });
    case T::ShermanDeck:
        return decal(t, paintOf(11, kSherman), [](cairo_t* cr) {
            // The two grille doors over the radiator at the back of the
            // deck, bars running fore and aft.
            grille(cr, 4, 7, 26, 50, kSherman, false);
            grille(cr, 34, 7, 26, 50, kSherman, false);
        });
    case T::TigerPaint:
        return shade(t, camouflage);
    case T::TigerCross:
        return decal(t, camouflage, [](cairo_t* cr) {
            rgb(cr, 236, 234, 222);
            cairo_rectangle(cr, 22, 6, 20, 52);
            cairo_rectangle(cr, 6, 22, 52, 20);
            cairo_fill(cr);
            rgb(cr, 24, 24, 24);
            cairo_rectangle(cr, 27, 8, 10, 48);
            cairo_rectangle(cr, 8, 27, 48, 10);
            cairo_fill(cr);
        });
    case T::TigerDeck:
        return decal(t, camouflage, [](cairo_t* cr) {
            // The engine hatch between the radiator grilles, and the round
            // fan gratings behind them; the front of the deck at the top.
            const Rgb yellow{200, 174, 112};
            seam(cr, 21, 6, 22, 30, yellow);
            seam(cr, 24, 40, 16, 18, yellow);
            for (double x : {4.0, 47.0}) {
                grille(cr, x, 6, 13, 22, yellow, true);
                cairo_arc(cr, x + 6.5, 45, 7.5, 0, 2 * kPi);
                rgb(cr, 30, 29, 26);
                cairo_fill(cr);
                grille(cr, x + 1.5, 40, 10, 10, yellow, false);
            }
            port(cr, 32, 21, 1.5, yellow);
        });
    case T::TigerMantlet:
        return decal(t, camouflage, [](cairo_t* cr) {
            // Seen from the front: the coaxial machine gun's port on the
            // left of the gun, the two sight holes on the right.
            const Rgb yellow{200, 174, 112};
            port(cr, 17, 29, 2.6, yellow);
            port(cr, 44, 27, 2, yellow);
            port(cr, 50, 27, 2, yellow);
        });
    case T::TigerTrack:
        return shade(t, [](float, float, int32_t x, int32_t y) { return links(x, y, 17, {104, 92, 80}, {140, 128, 112}, 8, false); });
    case T::TigerWheel:
        return decal(t, camouflage, [](cairo_t* cr) { roadWheel(cr, {200, 174, 112}, 8, false); });
    case T::T34Paint:
        return shade(t, [](float u, float v, int32_t x, int32_t y) {
            // Cast armour: a rougher surface than rolled plate.
            return paint(u, v, x, y, 19, kT34) * (1.0f + 0.05f * Noise::fbm(23, u, v, 12, 12, 2));
        });
    case T::T34Star:
        return decal(t, paintOf(19, kT34), [](cairo_t* cr) {
            // The decal covers a whole turret side: a star with a margin.
            starPath(cr, 32, 33, 22);
            rgb(cr, 236, 234, 222);
            cairo_fill(cr);
            starPath(cr, 32, 33, 18);
            rgb(cr, 196, 36, 30);
            cairo_fill(cr);
        });
    case T::T34Track:
        return shade(t, [](float, float, int32_t x, int32_t y) { return links(x, y, 29, {84, 82, 78}, {110, 106, 98}, 10, true); });
    case T::T34Wheel:
        return decal(t, paintOf(19, kT34), [](cairo_t* cr) { roadWheel(cr, kT34, 6, false); });
    case T::T34Deck:
        return decal(t, paintOf(19, kT34), [](cairo_t* cr) {
            // The engine hatch between the air intakes' louvres, the
            // radiator outlet's grille across the back of the deck.
            seam(cr, 20, 6, 24, 36, kT34);
            seam(cr, 25, 12, 14, 14, kT34);
            grille(cr, 3, 4, 12, 40, kT34, true);
            grille(cr, 49, 4, 12, 40, kT34, true);
            grille(cr, 3, 49, 58, 12, kT34, false);
        });
    case T::TruckPaint:
        return shade(t, paintOf(31, kTruck));
    case T::TruckCanvas:
        return shade(t, [](float u, float v, int32_t x, int32_t y) {
            // Folds hang down between the bows of the cover.
            Rgb c = paint(u, v, x, y, 37, {178, 164, 120});
            float fold = 0.5f + 0.5f * std::cos(u * 2 * 3.14159265f * 4);
            return c * (0.86f + 0.14f * fold);
        });
    case T::TruckTyre:
        return decal(t, paintOf(31, kTruck), [](cairo_t* cr) {
            rgb(cr, 24, 24, 24);
            cairo_paint(cr);
            disc(cr, 31.5, {40, 40, 40});
            dots(cr, 24, 29, 1.6, {58, 58, 56});
            disc(cr, 17, kTruck);
            dots(cr, 6, 10, 1.8, {50, 52, 40});
            disc(cr, 5, {70, 72, 50});
        });
    case T::TruckGrille:
        return decal(t, paintOf(31, kTruck), [](cairo_t* cr) {
            rgb(cr, 30, 32, 26);
            cairo_rectangle(cr, 12, 8, 40, 50);
            cairo_fill(cr);
            for (int32_t i = 0; i < 9; ++i) {
                rgb(cr, kTruck.r * 0.8, kTruck.g * 0.8, kTruck.b * 0.8);
                cairo_rectangle(cr, 13.5 + i * 4.3, 9, 1.6, 48);
                cairo_fill(cr);
            }
        });
    case T::Count:
        break;
    }
    return shade(t, paintOf(0, {128, 128, 128}));
}

std::vector<SourcePicture> ModelTextures::all()
{
    std::vector<SourcePicture> out;
    for (int32_t i = 0; i < static_cast<int32_t>(VehicleTexture::Count); ++i)
        out.push_back(picture(static_cast<VehicleTexture>(i)));
    return out;
}
