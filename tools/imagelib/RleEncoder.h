#pragma once
#include <cstdint>
#include <vector>

// The run-length stream of 'r' and 'o' pictures: 15-bit colours, a 106-entry
// cache of recent colours, transparent runs and partly transparent pixels.
//
// The decoder's rules bound what a stream can say, so the encoder picks for
// each pixel the nearest thing it can express, tracking the decoder's state
// (colour cache, alpha level, open opaque run) as it goes:
// - a partly transparent pixel takes a level 1..6 from codes 128..133, and
//   the pixel right after a transparent run takes the current level, which a
//   long run (134 + byte) may set to any of 0..15 on the way;
// - the first pixel after a transparent run is always such a partial pixel,
//   so a hard edge becomes a level-12..15 pixel there.
// Each pixel's error is scored over black and over white, and the levels are
// chosen for the whole picture at once (the level is the only decoder state
// that changes how pixels look), so that a level kept high pays off at later
// edges.
class RleEncoder {
public:
    // Encodes w x h pixels 0xAARRGGBB (straight alpha); opaque ignores alpha.
    // decoded, when given, receives the words the reader will decode.
    static std::vector<uint8_t> encode(int32_t w, int32_t h, const std::vector<uint32_t>& argb,
                                       bool opaque, std::vector<uint32_t>* decoded = nullptr);

    // The pixel level 0..15 (0 transparent, 15 opaque).
    static int32_t level(uint32_t argb) { return static_cast<int32_t>(((argb >> 24) * 15 + 127) / 255); }

private:
    struct Choice {
        int32_t level = 0;   // 1..15 partial, 16 an opaque pixel
        bool withCode = false;
        uint32_t colour = 0; // 15-bit colour expanded to 0x00RRGGBB
        double cost = 0;
    };
    // A pixel whose form is a choice: a partial pixel between visible ones
    // (run -1), or the pixel after a transparent run of run pixels.
    struct Decision {
        int32_t pixel = 0;
        int32_t run = -1;
        Choice choice;
    };

    explicit RleEncoder(int32_t count);
    static Choice score(uint32_t argb, int32_t level, bool withCode);
    static uint32_t weigh(uint32_t v, int32_t level);
    static void choose(const std::vector<uint32_t>& argb, std::vector<Decision>& decisions);
    void colour(uint32_t v);
    void opaquePixel(uint32_t v);
    void partialPixel(const Choice& c);
    void transparentRun(int32_t n, int32_t wanted);
    void closeRun();
    void encodePixels(const std::vector<uint32_t>& argb, bool opaque);

    std::vector<uint8_t> m_out;
    std::vector<uint32_t> m_decoded;
    uint32_t m_pal[106] = {};
    int32_t m_next = 0;     // next cache slot
    int32_t m_level = 0;    // the decoder's current alpha level
    int32_t m_i = 0;        // pixels written
    int32_t m_runStart = 0; // start of the open opaque run
};
