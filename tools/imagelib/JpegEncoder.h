#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Baseline JPEG streams whose first 623 bytes (start of image, JFIF, two
// quantisation tables, frame, four Huffman tables, scan header) are the same
// for every picture of one quality but for the frame size at bytes 163-166.
class JpegEncoder {
public:
    static constexpr int32_t kHeaderSize = 623;
    static constexpr int32_t kFrameSizeAt = 163;

    // Encodes w x h pixels 0x..RRGGBB (the top byte is ignored) at quality
    // 1..100 with the standard Huffman tables and 4:4:4 sampling.
    static bool encode(int32_t w, int32_t h, const std::vector<uint32_t>& rgb, int32_t quality,
                       std::vector<uint8_t>& out, std::string* error);
    // Checks that the stream starts with exactly that header layout.
    static bool checkHeader(const std::vector<uint8_t>& stream, std::string* error);
};
