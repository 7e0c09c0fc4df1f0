#pragma once
#include <cstddef>
#include <cstdint>

// JPEG pictures decoded by libjpeg, the decoder of the desktop and headless
// builds: rows of 4-byte pixels 0xFFRRGGBB packed at the decoded width.
class JpegLibjpeg {
public:
    // Decodes src into dst, which holds room bytes; false (with a line on
    // stderr) for a stream it cannot decode or a picture larger than room.
    static bool decode(const unsigned char* src, std::size_t length, unsigned char* dst, int64_t room);
};
