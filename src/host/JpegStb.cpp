#include "host/JpegStb.h"

#include <bit>
#include <cstdio>

// One decoder, no file access, no SIMD: what a browser's build can compile.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_SIMD
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

bool JpegStb::decode(const unsigned char* src, std::size_t length, unsigned char* dst, int64_t room)
{
    int width = 0, height = 0, components = 0;
    if (length > 0x7FFFFFFF || !stbi_info_from_memory(src, static_cast<int>(length), &width, &height, &components)) {
        std::fprintf(stderr, "JPEG decoding: %s\n", stbi_failure_reason());
        return false;
    }
    if (static_cast<int64_t>(width) * height * 4 > room) {
        std::fprintf(stderr, "JPEG decoding: a picture of %d x %d does not fit its destination\n", width, height);
        return false;
    }
    unsigned char* rgb = stbi_load_from_memory(src, static_cast<int>(length), &width, &height, &components, 3);
    if (!rgb) {
        std::fprintf(stderr, "JPEG decoding: %s\n", stbi_failure_reason());
        return false;
    }
    // Alpha comes out as 0xFF, so unmasked pictures are opaque on every drawing path.
    constexpr bool little = std::endian::native == std::endian::little;
    const int64_t pixels = static_cast<int64_t>(width) * height;
    for (int64_t i = 0; i < pixels; i++) {
        const unsigned char r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        unsigned char* p = dst + 4 * i;
        p[0] = little ? b : 0xFF, p[1] = little ? g : r, p[2] = little ? r : g, p[3] = little ? 0xFF : b;
    }
    stbi_image_free(rgb);
    return true;
}
