#pragma once
#include <cstddef>
#include <cstdint>

// JPEG pictures decoded by the game itself, for targets without libjpeg (the
// browser): the baseline streams the game's image libraries hold (8-bit
// samples, Huffman coding, one component or three without subsampling),
// decoded the way libjpeg decodes them by default, bit for bit (its slow
// integer inverse DCT and its colour conversion), so that every build draws
// the same pictures. (On damaged streams whose samples run far out of range
// libjpeg's vector code saturates where its plain code, and this one, wraps.) Rows of 4-byte pixels 0xFFRRGGBB packed at the
// decoded width.
class JpegBuiltin {
public:
    // Decodes src into dst, which holds room bytes; false (with a line on
    // stderr) for a stream it cannot decode or a picture larger than room.
    static bool decode(const unsigned char* src, std::size_t length, unsigned char* dst, int64_t room);
};
