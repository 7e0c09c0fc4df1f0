// Seeds of the JPEG harness: pictures made by the game's own encoder at the
// qualities and sizes its libraries use and beyond: soft gradients, hard
// edges, noise, sizes that cut blocks, the smallest picture.
// Usage: fuzz_jpeg_seeds DATA_DIR OUT_DIR
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "JpegEncoder.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_jpeg_seeds DATA_DIR OUT_DIR\n");
        return 2;
    }
    struct Seed {
        int32_t w, h, quality;
        bool noisy;
    };
    uint32_t state = 7;
    int32_t n = 0;
    for (const Seed& s : {Seed{40, 24, 88, false}, Seed{33, 17, 88, true}, Seed{16, 16, 100, true},
                          Seed{9, 30, 10, false}, Seed{1, 1, 88, false}}) {
        std::vector<uint32_t> rgb(static_cast<size_t>(s.w) * s.h);
        for (int32_t y = 0; y < s.h; y++)
            for (int32_t x = 0; x < s.w; x++)
                rgb[y * s.w + x] = s.noisy ? (state = state * 1103515245u + 12345u) >> 8
                                           : (x * 6 & 255) << 16 | (y * 8 & 255) << 8 | (x > s.w / 2 ? 200 : 30);
        std::vector<uint8_t> stream;
        std::string error;
        if (!JpegEncoder::encode(s.w, s.h, rgb, s.quality, stream, &error)) {
            std::fprintf(stderr, "fuzz_jpeg_seeds: %s\n", error.c_str());
            return 1;
        }
        std::ofstream out(std::string(argv[2]) + "/picture-" + std::to_string(n++) + ".jpg", std::ios::binary);
        out.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz_jpeg_seeds: cannot write into %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
