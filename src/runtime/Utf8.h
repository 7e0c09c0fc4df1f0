#pragma once
#include <cstdint>

// The game's texts are UTF-8. A byte that does not begin a well-formed
// sequence (a stray continuation byte, an overlong form, a surrogate, a
// sequence cut short or past U+10FFFF) stands for itself as a Latin-1
// character, so any bytes decode, one step at a time, and never read past
// the end.
class Utf8 {
public:
    // The code point at s[i] of the n bytes of s, with i moved past it; -1
    // (and i unchanged) at or past the end.
    static int32_t next(const char* s, int32_t n, int32_t& i)
    {
        if (i < 0 || i >= n)
            return -1;
        const auto b = static_cast<uint8_t>(s[i]);
        int32_t more = 0, cp = 0, least = 0;
        if (b < 0x80) {
            i++;
            return b;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1, cp = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, cp = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, cp = b & 0x07, least = 0x10000;
        } else {
            i++;
            return b;
        }
        if (n - i <= more) {
            i++;
            return b;
        }
        for (int32_t k = 1; k <= more; k++) {
            const auto c = static_cast<uint8_t>(s[i + k]);
            if ((c & 0xC0) != 0x80) {
                i++;
                return b;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            i++;
            return b;
        }
        i += more + 1;
        return cp;
    }
};
