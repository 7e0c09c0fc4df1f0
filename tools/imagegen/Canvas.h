#pragma once
#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageLibraryWriter.h"
#include "Rgb.h"

// A Cairo image surface for drawing one picture, with conversions to and from
// straight-alpha 0xAARRGGBB pixels. Starts fully transparent.
class Canvas {
public:
    Canvas(int32_t width, int32_t height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return m_cr; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }

    // The pixels drawn so far, straight alpha.
    std::vector<uint32_t> pixels() const;
    // Replaces the surface contents with straight-alpha pixels.
    void setPixels(const std::vector<uint32_t>& argb);
    SourcePicture picture(const std::string& name, int32_t hotX = 0, int32_t hotY = 0) const;

    void setColor(const Rgb& c, float alpha = 1.0f);
    // Adds a rounded rectangle to the current path.
    void roundedRect(double x, double y, double w, double h, double r);
    // Selects a DejaVu font (file name in the system's DejaVu folder) at a size
    // in pixels, unhinted so the output does not depend on hinting settings.
    void font(const char* file, double size);
    // Adds text to the path with its ink box centred on (cx, cy).
    void centeredTextPath(const std::string& text, double cx, double cy);

private:
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};
