#include "MapPicture.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Canvas.h"
#include "Noise.h"

namespace {

const double kPi = 3.14159265358979;
// Pixels per degree of latitude, and London's place on the grid.
const double kScale = 14.5;
const double kLondonLon = -0.13, kLondonLat = 51.51;
const double kLondonX = 1.0 + MapPicture::kMargin, kLondonY = 98.0 + MapPicture::kMargin;

struct City {
    double lon = 0, lat = 0;
};
const City kCapitals[] = {{-0.13, 51.51}, {13.40, 52.52}, {37.62, 55.75}};

void tracePath(cairo_t* cr, const MapPicture::Shape& s, bool close)
{
    bool first = true;
    for (auto [lon, lat] : s.points) {
        double x = 0, y = 0;
        MapPicture::project(lon, lat, x, y);
        if (first)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
        first = false;
    }
    if (close)
        cairo_close_path(cr);
}

// One box-blur pass of radius r along (dx, dy), edges clamped.
void boxPass(const std::vector<float>& in, std::vector<float>& out, int32_t w, int32_t h, int32_t r,
             int32_t dx, int32_t dy)
{
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            float sum = 0;
            for (int32_t k = -r; k <= r; ++k) {
                int32_t xx = std::clamp(x + k * dx, 0, w - 1);
                int32_t yy = std::clamp(y + k * dy, 0, h - 1);
                sum += in[static_cast<size_t>(yy * w + xx)];
            }
            out[static_cast<size_t>(y * w + x)] = sum / static_cast<float>(2 * r + 1);
        }
}

// Coverage 0..1 of a kind of shape, land minus the water cut out of it.
std::vector<float> mask(const std::vector<MapPicture::Shape>& shapes, const char* kind, double blur)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, MapPicture::kWidth, MapPicture::kHeight);
    cairo_t* cr = cairo_create(surface);
    for (const auto& s : shapes) {
        bool cut = std::string(kind) == "land" && s.kind == "water";
        if (s.kind != kind && !cut)
            continue;
        tracePath(cr, s, true);
        cairo_set_operator(cr, cut ? CAIRO_OPERATOR_CLEAR : CAIRO_OPERATOR_OVER);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int32_t stride = cairo_image_surface_get_stride(surface);
    const int32_t w = MapPicture::kWidth, h = MapPicture::kHeight;
    std::vector<float> m(static_cast<size_t>(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            m[static_cast<size_t>(y * w + x)] = data[y * stride + x] / 255.0f;
    cairo_surface_destroy(surface);
    // A few box passes approximate a Gaussian for soft edges.
    int32_t radius = static_cast<int32_t>(blur);
    std::vector<float> t(m.size());
    for (int32_t pass = 0; pass < 3 && radius > 0; ++pass) {
        boxPass(m, t, w, h, radius, 1, 0);
        boxPass(t, m, w, h, radius, 0, 1);
    }
    return m;
}

float smooth(float e0, float e1, float x)
{
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

} // namespace

void MapPicture::project(double lon, double lat, double& x, double& y)
{
    double x0 = kLondonX - kScale * std::cos(kLondonLat * kPi / 180) * kLondonLon;
    x = x0 + kScale * std::cos(lat * kPi / 180) * lon;
    y = kLondonY - kScale * (lat - kLondonLat);
}

bool MapPicture::load(const std::string& path)
{
    std::ifstream in(path);
    if (!in) {
        std::printf("Could not open %s\n", path.c_str());
        return false;
    }
    m_shapes.clear();
    std::string line;
    int32_t number = 0;
    bool open = false;
    while (std::getline(in, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string first;
        if (!(words >> first))
            continue;
        if (first == "land" || first == "water" || first == "highland" || first == "river") {
            if (open) {
                std::printf("%s:%d: shape started before \"end\"\n", path.c_str(), number);
                return false;
            }
            m_shapes.push_back({first, "", {}});
            words >> m_shapes.back().name;
            open = true;
        } else if (first == "end") {
            if (!open || m_shapes.back().points.size() < 2) {
                std::printf("%s:%d: \"end\" without a shape of two points or more\n", path.c_str(), number);
                return false;
            }
            open = false;
        } else {
            double lon = 0, lat = 0;
            std::istringstream pair(line);
            if (!open || !(pair >> lon >> lat)) {
                std::printf("%s:%d: expected \"longitude latitude\"\n", path.c_str(), number);
                return false;
            }
            m_shapes.back().points.emplace_back(lon, lat);
        }
    }
    if (open || m_shapes.empty()) {
        std::printf("%s: unfinished or empty outline\n", path.c_str());
        return false;
    }
    return true;
}

SourcePicture MapPicture::draw() const
{
    const int32_t w = kWidth, h = kHeight;
    std::vector<float> land = mask(m_shapes, "land", 0);
    std::vector<float> landSoft = mask(m_shapes, "land", 3);
    std::vector<float> high = mask(m_shapes, "highland", 4);
    std::vector<uint32_t> px(static_cast<size_t>(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y * w + x);
            float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            // Sea: deeper away from the coast, with faint swell.
            float swell = Noise::fbm(410, u, v, 8, 6, 3);
            Rgb deep = Rgb::mix(Rgb{22, 48, 78}, Rgb{30, 60, 92}, 0.5f + 0.5f * swell);
            Rgb sea = Rgb::mix(deep, Rgb{62, 104, 128}, smooth(0.0f, 0.9f, landSoft[i]) * 0.8f);
            // Land: fields and forests in muted olive, browner in the mountains.
            float veg = Noise::fbm(420, u, v, 12, 9, 5);
            Rgb ground = Rgb::mix(Rgb{118, 128, 80}, Rgb{168, 160, 108}, 0.5f + 0.6f * veg);
            float relief = Noise::ridged(430, u, v, 24, 18, 4);
            Rgb hills = Rgb::mix(Rgb{112, 94, 62}, Rgb{164, 146, 104}, relief);
            ground = Rgb::mix(ground, hills, smooth(0.15f, 0.7f, high[i]) * 0.7f);
            // Light from the north-west over the relief.
            float slope = Noise::ridged(430, u - 1.0f / w, v - 1.0f / h, 24, 18, 4) - relief;
            ground = ground * (1.0f - 0.35f * slope * smooth(0.15f, 0.7f, high[i]));
            px[i] = Rgb::mix(sea, ground, land[i]).argb();
        }
    Canvas c(w, h);
    c.setPixels(px);
    cairo_t* cr = c.cr();
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // Coastlines: land outlines and the shores of inland water.
    for (const auto& s : m_shapes) {
        if (s.kind != "land" && s.kind != "water")
            continue;
        tracePath(cr, s, true);
        cairo_set_source_rgba(cr, 0.16, 0.16, 0.1, 0.75);
        cairo_set_line_width(cr, 0.9);
        cairo_stroke(cr);
    }
    for (const auto& s : m_shapes) {
        if (s.kind != "river")
            continue;
        tracePath(cr, s, false);
        cairo_set_source_rgba(cr, 0.22, 0.4, 0.58, 0.9);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    for (const City& city : kCapitals) {
        double x = 0, y = 0;
        project(city.lon, city.lat, x, y);
        cairo_arc(cr, x, y, 2.4, 0, 2 * kPi);
        cairo_set_source_rgb(cr, 0.95, 0.92, 0.8);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.45, 0.08, 0.05);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    // Darkened edges, like an old printed sheet.
    cairo_pattern_t* vignette = cairo_pattern_create_radial(w / 2.0, h / 2.0, h * 0.45, w / 2.0, h / 2.0, w * 0.62);
    cairo_pattern_add_color_stop_rgba(vignette, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(vignette, 1, 0, 0, 0, 0.35);
    cairo_set_source(cr, vignette);
    cairo_paint(cr);
    cairo_pattern_destroy(vignette);
    return c.picture("map_europe");
}
