#include "Canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";

// Faces stay loaded for the life of the tool; each generator run is short.
cairo_font_face_t* loadFace(const char* file)
{
    static FT_Library library = nullptr;
    static std::map<std::string, cairo_font_face_t*> faces;
    auto it = faces.find(file);
    if (it != faces.end())
        return it->second;
    if (!library && FT_Init_FreeType(&library) != 0) {
        std::printf("FreeType could not be initialised\n");
        std::exit(1);
    }
    std::string path = std::string(kFontDir) + file;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        std::printf("Could not open font %s (install fonts-dejavu-core)\n", path.c_str());
        std::exit(1);
    }
    cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(face, 0);
    faces[file] = cf;
    return cf;
}

} // namespace

Canvas::Canvas(int32_t width, int32_t height) : m_width(width), m_height(height)
{
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    m_cr = cairo_create(m_surface);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas()
{
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

std::vector<uint32_t> Canvas::pixels() const
{
    cairo_surface_flush(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    int32_t stride = cairo_image_surface_get_stride(m_surface);
    std::vector<uint32_t> out(static_cast<size_t>(m_width) * static_cast<size_t>(m_height));
    for (int32_t y = 0; y < m_height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int32_t x = 0; x < m_width; ++x) {
            uint32_t p = row[x];
            uint32_t a = p >> 24;
            uint32_t v = 0;
            if (a == 255) {
                v = p;
            } else if (a != 0) {
                auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
                v = a << 24 | un(p >> 16 & 255) << 16 | un(p >> 8 & 255) << 8 | un(p & 255);
            }
            out[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)] = v;
        }
    }
    return out;
}

void Canvas::setPixels(const std::vector<uint32_t>& argb)
{
    cairo_surface_flush(m_surface);
    unsigned char* data = cairo_image_surface_get_data(m_surface);
    int32_t stride = cairo_image_surface_get_stride(m_surface);
    for (int32_t y = 0; y < m_height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int32_t x = 0; x < m_width; ++x) {
            uint32_t p = argb[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
            uint32_t a = p >> 24;
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            row[x] = a << 24 | pre(p >> 16 & 255) << 16 | pre(p >> 8 & 255) << 8 | pre(p & 255);
        }
    }
    cairo_surface_mark_dirty(m_surface);
}

SourcePicture Canvas::picture(const std::string& name, int32_t hotX, int32_t hotY) const
{
    SourcePicture p;
    p.name = name;
    p.width = m_width;
    p.height = m_height;
    p.hotX = hotX;
    p.hotY = hotY;
    p.argb = pixels();
    return p;
}

void Canvas::setColor(const Rgb& c, float alpha) { cairo_set_source_rgba(m_cr, c.rf(), c.gf(), c.bf(), alpha); }

void Canvas::roundedRect(double x, double y, double w, double h, double r)
{
    const double pi = 3.14159265358979;
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(m_cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(m_cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(m_cr, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(m_cr);
}

void Canvas::font(const char* file, double size)
{
    cairo_set_font_face(m_cr, loadFace(file));
    cairo_set_font_size(m_cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(m_cr, options);
    cairo_font_options_destroy(options);
}

void Canvas::centeredTextPath(const std::string& text, double cx, double cy)
{
    cairo_text_extents_t e;
    cairo_text_extents(m_cr, text.c_str(), &e);
    cairo_move_to(m_cr, cx - e.width / 2 - e.x_bearing, cy - e.height / 2 - e.y_bearing);
    cairo_text_path(m_cr, text.c_str());
}
