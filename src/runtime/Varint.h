#pragma once
#include <cstdint>
#include <vector>

// The number encoding of the image library and the font files: big-endian
// groups of 7 bits, the top bit set on every byte but the last. The writers
// of the data tools and the engine's reader (ByteReader::varint) both go
// through this class, so the two sides cannot drift apart.
class Varint {
public:
    static constexpr int32_t kGroupBits = 7;
    static constexpr uint32_t kGroupMask = (1u << kGroupBits) - 1;
    static constexpr uint32_t kMore = 0x80; // on every byte but the last
    // The most bytes a 32-bit number takes.
    static constexpr int32_t kMaxBytes = 5;

    // Appends v.
    static void put(std::vector<uint8_t>& out, uint32_t v)
    {
        int32_t shift = (kMaxBytes - 1) * kGroupBits;
        while (shift > 0 && (v >> shift) == 0)
            shift -= kGroupBits;
        for (; shift > 0; shift -= kGroupBits)
            out.push_back(static_cast<uint8_t>(kMore | ((v >> shift) & kGroupMask)));
        out.push_back(static_cast<uint8_t>(v & kGroupMask));
    }

    // Reads one number through next(), which gives the following byte
    // (0..255) or -1 when there is none. False when the bytes end inside the
    // number. A number beyond 31 bits reads to its last byte and gives
    // INT32_MAX, which every count and size check of a reader refuses.
    template <class Next>
    static bool get(Next&& next, int32_t& value)
    {
        int64_t v = 0;
        for (;;) {
            const int32_t b = next();
            if (b < 0)
                return false;
            v = (v << kGroupBits) | (b & kGroupMask);
            if (v > INT32_MAX)
                v = INT64_C(1) << 40; // stays too large however many groups follow
            if (!(b & kMore)) {
                value = static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v);
                return true;
            }
        }
    }
};
