#pragma once
#include <cstddef>
#include <cstdint>

// JPEG pictures decoded by stb_image, for targets without libjpeg (the
// browser). Its rounding differs from libjpeg's by a few levels in some
// pixels; the pixel format and the failures are the same.
class JpegStb {
public:
    // Decodes src into dst, which holds room bytes; false (with a line on
    // stderr) for a stream it cannot decode or a picture larger than room.
    static bool decode(const unsigned char* src, std::size_t length, unsigned char* dst, int64_t room);
};
