#include "InterfacePictures.h"

#include <cmath>
#include <functional>

#include "Canvas.h"

namespace {

const double kPi = 3.14159265358979;
const Rgb kIconLight{244, 244, 236};

void star(cairo_t* cr, double cx, double cy, double outer, double inner, int32_t points, double turn)
{
    for (int32_t i = 0; i < points * 2; ++i) {
        double r = (i & 1) ? inner : outer;
        double a = turn + kPi * i / points - kPi / 2;
        double x = cx + r * std::cos(a), y = cy + r * std::sin(a);
        if (i == 0)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

// An arrow pointing up in a 40 x 40 box, turned by quarter turns.
void arrow(cairo_t* cr, int32_t quarterTurns)
{
    cairo_save(cr);
    cairo_translate(cr, 20, 20);
    cairo_rotate(cr, quarterTurns * kPi / 2);
    cairo_move_to(cr, 0, -16);
    cairo_line_to(cr, 15, 0);
    cairo_line_to(cr, 6, 0);
    cairo_line_to(cr, 6, 15);
    cairo_line_to(cr, -6, 15);
    cairo_line_to(cr, -6, 0);
    cairo_line_to(cr, -15, 0);
    cairo_close_path(cr);
    cairo_restore(cr);
}

// Filled shapes get a dark rim so they read over bright sky and dark ground.
void filledIcon(Canvas& c, const std::function<void(cairo_t*)>& path)
{
    cairo_t* cr = c.cr();
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_set_line_width(cr, 3.5);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 4, 0, 36);
    cairo_pattern_add_color_stop_rgb(g, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(g, 1, kIconLight.rf() * 0.86, kIconLight.gf() * 0.86, kIconLight.bf() * 0.86);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

// Line shapes: a wide dark stroke under a narrower light one.
void strokedIcon(Canvas& c, double width, const std::function<void(cairo_t*)>& path)
{
    cairo_t* cr = c.cr();
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_set_line_width(cr, width + 3.5);
    cairo_stroke_preserve(cr);
    c.setColor(kIconLight);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

} // namespace

SourcePicture InterfacePictures::button(bool wide)
{
    int32_t w = wide ? kWideButtonWidth : kNarrowButtonWidth, h = kButtonHeight;
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    // Drop shadow below the plate.
    c.roundedRect(1.5, 2.5, w - 2.0, h - 3.0, 7);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);
    c.roundedRect(0.5, 0.5, w - 2.0, h - 3.0, 7);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h - 3);
    cairo_pattern_add_color_stop_rgb(g, 0, 112 / 255.0, 124 / 255.0, 96 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 0.48, 78 / 255.0, 90 / 255.0, 64 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 0.52, 64 / 255.0, 75 / 255.0, 52 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, 44 / 255.0, 52 / 255.0, 36 / 255.0);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    c.setColor({22, 26, 18});
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Bevel: a light line just inside the top edge.
    c.roundedRect(2, 2, w - 5.0, h - 6.0, 5.5);
    cairo_pattern_t* bevel = cairo_pattern_create_linear(0, 2, 0, h - 4);
    cairo_pattern_add_color_stop_rgba(bevel, 0, 1, 1, 0.9, 0.45);
    cairo_pattern_add_color_stop_rgba(bevel, 0.5, 1, 1, 0.9, 0.0);
    cairo_pattern_add_color_stop_rgba(bevel, 1, 0, 0, 0, 0.25);
    cairo_set_source(cr, bevel);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_pattern_destroy(bevel);
    if (wide) {
        for (double x : {10.0, w - 12.0}) {
            cairo_arc(cr, x, (h - 3) / 2.0 + 0.5, 2.2, 0, 2 * kPi);
            cairo_pattern_t* rivet = cairo_pattern_create_radial(x - 0.8, (h - 3) / 2.0 - 0.5, 0.2, x, (h - 3) / 2.0 + 0.5, 2.4);
            cairo_pattern_add_color_stop_rgb(rivet, 0, 0.85, 0.87, 0.78);
            cairo_pattern_add_color_stop_rgb(rivet, 1, 0.2, 0.23, 0.16);
            cairo_set_source(cr, rivet);
            cairo_fill(cr);
            cairo_pattern_destroy(rivet);
        }
    }
    return c.picture(wide ? "button_wide" : "button_narrow");
}

SourcePicture InterfacePictures::icon(Icon which)
{
    Canvas c(kIconSize, kIconSize);
    const char* name = "";
    switch (which) {
    case Icon::Aim:
        name = "icon_aim";
        strokedIcon(c, 3.0, [](cairo_t* cr) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, 20, 20, 11.5, 0, 2 * kPi);
            for (int32_t q = 0; q < 4; ++q) {
                double dx = std::cos(q * kPi / 2), dy = std::sin(q * kPi / 2);
                cairo_move_to(cr, 20 + dx * 5, 20 + dy * 5);
                cairo_line_to(cr, 20 + dx * 17.5, 20 + dy * 17.5);
            }
        });
        break;
    case Icon::Down:
        name = "icon_down";
        filledIcon(c, [](cairo_t* cr) { arrow(cr, 2); });
        break;
    case Icon::Left:
        name = "icon_left";
        filledIcon(c, [](cairo_t* cr) { arrow(cr, 3); });
        break;
    case Icon::Right:
        name = "icon_right";
        filledIcon(c, [](cairo_t* cr) { arrow(cr, 1); });
        break;
    case Icon::Up:
        name = "icon_up";
        filledIcon(c, [](cairo_t* cr) { arrow(cr, 0); });
        break;
    case Icon::Drive:
        name = "icon_drive";
        strokedIcon(c, 5.0, [](cairo_t* cr) {
            cairo_move_to(cr, 10, 10);
            cairo_line_to(cr, 30, 30);
            cairo_move_to(cr, 30, 10);
            cairo_line_to(cr, 10, 30);
        });
        break;
    case Icon::Menu:
        name = "icon_menu";
        strokedIcon(c, 4.5, [](cairo_t* cr) {
            for (double y : {11.0, 20.0, 29.0}) {
                cairo_move_to(cr, 8, y);
                cairo_line_to(cr, 32, y);
            }
        });
        break;
    case Icon::Fire:
        name = "icon_fire";
        filledIcon(c, [](cairo_t* cr) { star(cr, 20, 20, 17, 7.5, 8, kPi / 8); });
        cairo_arc(c.cr(), 20, 20, 4.5, 0, 2 * kPi);
        cairo_set_source_rgba(c.cr(), 0.95, 0.55, 0.15, 1.0);
        cairo_fill(c.cr());
        break;
    case Icon::View:
        name = "icon_view";
        strokedIcon(c, 3.0, [](cairo_t* cr) {
            cairo_move_to(cr, 3, 20);
            cairo_curve_to(cr, 12, 7, 28, 7, 37, 20);
            cairo_curve_to(cr, 28, 33, 12, 33, 3, 20);
            cairo_close_path(cr);
        });
        filledIcon(c, [](cairo_t* cr) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, 20, 20, 6.5, 0, 2 * kPi);
        });
        cairo_arc(c.cr(), 20, 20, 2.6, 0, 2 * kPi);
        cairo_set_source_rgba(c.cr(), 0, 0, 0, 0.75);
        cairo_fill(c.cr());
        break;
    }
    return c.picture(name);
}

SourcePicture InterfacePictures::radar()
{
    Canvas c(kRadarSize, kRadarSize);
    cairo_t* cr = c.cr();
    const double cx = 31.5, cy = 31.5, r = 31.0;
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.04, 0.22, 0.10, 0.55);
    cairo_pattern_add_color_stop_rgba(g, 0.85, 0.03, 0.16, 0.07, 0.62);
    cairo_pattern_add_color_stop_rgba(g, 1, 0.02, 0.10, 0.04, 0.75);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Range rings at a third and two thirds of the range, and the cross.
    cairo_set_source_rgba(cr, 0.45, 0.95, 0.55, 0.35);
    cairo_set_line_width(cr, 1.0);
    for (double ring : {10.5, 20.5}) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx, cy, ring, 0, 2 * kPi);
    }
    cairo_move_to(cr, cx, cy - r + 2);
    cairo_line_to(cr, cx, cy + r - 2);
    cairo_move_to(cr, cx - r + 2, cy);
    cairo_line_to(cr, cx + r - 2, cy);
    cairo_stroke(cr);
    // The view cone ahead of the player, faint.
    cairo_move_to(cr, cx, cy);
    cairo_arc(cr, cx, cy, r - 1.5, -kPi / 2 - 0.45, -kPi / 2 + 0.45);
    cairo_close_path(cr);
    cairo_pattern_t* cone = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(cone, 0, 0.5, 1.0, 0.6, 0.3);
    cairo_pattern_add_color_stop_rgba(cone, 1, 0.5, 1.0, 0.6, 0.05);
    cairo_set_source(cr, cone);
    cairo_fill(cr);
    cairo_pattern_destroy(cone);
    // Bezel.
    cairo_arc(cr, cx, cy, r - 0.75, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0.55, 0.95, 0.6, 0.9);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // The player's tank, pointing ahead.
    cairo_move_to(cr, cx, cy - 4);
    cairo_line_to(cr, cx + 3, cy + 3);
    cairo_line_to(cr, cx - 3, cy + 3);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
    cairo_fill(cr);
    return c.picture("radar");
}

SourcePicture InterfacePictures::flag(int32_t which)
{
    Canvas c(kFlagSize, kFlagSize);
    cairo_t* cr = c.cr();
    // Cloth from x 3 to 19, y 2 to 14, on a pole at the left.
    const double x0 = 3.5, y0 = 2.5, w = 15.5, h = 11.5;
    cairo_save(cr);
    cairo_rectangle(cr, x0, y0, w, h);
    cairo_clip(cr);
    switch (which) {
    case 0: // German side: a black chevron on pale grey, a black fly edge.
        cairo_set_source_rgb(cr, 0.88, 0.88, 0.84);
        cairo_paint(cr);
        cairo_move_to(cr, x0 - 1, y0 - 1);
        cairo_line_to(cr, x0 + 8, y0 + h / 2);
        cairo_line_to(cr, x0 - 1, y0 + h + 1);
        cairo_set_line_width(cr, 4.0);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        cairo_stroke(cr);
        cairo_rectangle(cr, x0 + w - 3, y0, 3, h);
        cairo_fill(cr);
        cairo_rectangle(cr, x0 + w - 4.5, y0, 1.2, h);
        cairo_set_source_rgb(cr, 0.9, 0.7, 0.15);
        cairo_fill(cr);
        break;
    default: // The allied powers: a gold ring beside a white hoist stripe,
             // crimson in the east, blue in the west.
        if (which == 1)
            cairo_set_source_rgb(cr, 0.72, 0.1, 0.1);
        else
            cairo_set_source_rgb(cr, 0.12, 0.26, 0.64);
        cairo_paint(cr);
        cairo_rectangle(cr, x0, y0, 4, h);
        cairo_set_source_rgb(cr, 0.95, 0.95, 0.92);
        cairo_fill(cr);
        cairo_arc(cr, x0 + 10, y0 + h / 2, 3.2, 0, 2 * kPi);
        cairo_set_line_width(cr, 1.6);
        cairo_set_source_rgb(cr, 1.0, 0.82, 0.2);
        cairo_stroke(cr);
        break;
    }
    // Folds of the cloth: soft light and shade across it.
    cairo_pattern_t* folds = cairo_pattern_create_linear(x0, 0, x0 + w, 0);
    cairo_pattern_add_color_stop_rgba(folds, 0, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(folds, 0.35, 1, 1, 1, 0.18);
    cairo_pattern_add_color_stop_rgba(folds, 0.65, 0, 0, 0, 0.18);
    cairo_pattern_add_color_stop_rgba(folds, 1, 1, 1, 1, 0.1);
    cairo_set_source(cr, folds);
    cairo_paint(cr);
    cairo_pattern_destroy(folds);
    cairo_restore(cr);
    cairo_rectangle(cr, x0, y0, w, h);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Pole with a knob.
    cairo_move_to(cr, 2.0, 2.0);
    cairo_line_to(cr, 2.0, 19.0);
    cairo_set_line_width(cr, 1.6);
    cairo_set_source_rgb(cr, 0.25, 0.2, 0.15);
    cairo_stroke(cr);
    cairo_arc(cr, 2.0, 1.6, 1.3, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.85, 0.7, 0.3);
    cairo_fill(cr);
    const char* names[] = {"flag_german", "flag_allied_east", "flag_allied_west"};
    return c.picture(names[which]);
}

SourcePicture InterfacePictures::spare(int32_t index)
{
    Canvas c(4, 4);
    cairo_set_source_rgb(c.cr(), 0.25, 0.25, 0.25);
    cairo_paint(c.cr());
    return c.picture("spare" + std::to_string(index));
}
