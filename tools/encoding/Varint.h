#pragma once
#include <cstdint>
#include <vector>

// The number encoding of the game's data files: big-endian groups of 7 bits,
// the top bit set on every byte but the last.
class Varint {
public:
    static void put(std::vector<uint8_t>& out, uint32_t v)
    {
        int shift = 28;
        while (shift > 0 && (v >> shift) == 0)
            shift -= 7;
        for (; shift > 0; shift -= 7)
            out.push_back(static_cast<uint8_t>(0x80 | ((v >> shift) & 0x7F)));
        out.push_back(static_cast<uint8_t>(v & 0x7F));
    }
};
