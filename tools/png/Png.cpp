#include "Png.h"

#include <png.h>

#include "PngFile.h"

using PngFile::fail;
using PngFile::File;

bool Png::write(const std::string& path, int32_t w, int32_t h, const uint32_t* pixels, bool withAlpha,
                std::string* error, bool fresh)
{
    if (w <= 0 || h <= 0 || !pixels)
        return fail(error, "empty picture");
    File f = PngFile::create(path, fresh, error);
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return fail(error, "out of memory");
    }
    const int channels = withAlpha ? 4 : 3;
    std::vector<png_byte> row(static_cast<size_t>(w) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return fail(error, "cannot write " + path);
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < h; y++) {
        png_byte* out = row.data();
        for (int32_t x = 0; x < w; x++) {
            uint32_t p = pixels[static_cast<size_t>(y) * w + x];
            *out++ = static_cast<png_byte>(p >> 16);
            *out++ = static_cast<png_byte>(p >> 8);
            *out++ = static_cast<png_byte>(p);
            if (withAlpha)
                *out++ = static_cast<png_byte>(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(f.get()) != 0)
        return fail(error, "cannot write " + path);
    return true;
}

bool Png::read(const std::string& path, int32_t& w, int32_t& h, std::vector<uint32_t>& pixels,
               std::string* error)
{
    File f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return fail(error, "cannot open " + path);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return fail(error, "out of memory");
    }
    std::vector<png_byte> row;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return fail(error, path + " is not a readable PNG");
    }
    png_init_io(png, f.get());
    png_read_info(png, info);
    // Normalise every colour type and depth to 8-bit RGBA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    w = static_cast<int32_t>(png_get_image_width(png, info));
    h = static_cast<int32_t>(png_get_image_height(png, info));
    row.resize(png_get_rowbytes(png, info));
    pixels.assign(static_cast<size_t>(w) * h, 0);
    // Interlaced files need every pass over the whole picture.
    int passes = png_set_interlace_handling(png);
    std::vector<png_byte> all(row.size() * static_cast<size_t>(h));
    for (int pass = 0; pass < passes; pass++)
        for (int32_t y = 0; y < h; y++)
            png_read_row(png, all.data() + row.size() * static_cast<size_t>(y), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    for (int32_t y = 0; y < h; y++) {
        const png_byte* in = all.data() + row.size() * static_cast<size_t>(y);
        for (int32_t x = 0; x < w; x++, in += 4)
            pixels[static_cast<size_t>(y) * w + x] =
                (static_cast<uint32_t>(in[3]) << 24) | (static_cast<uint32_t>(in[0]) << 16) |
                (static_cast<uint32_t>(in[1]) << 8) | in[2];
    }
    return true;
}
