#include "scene/Vpicture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

Array<int32_t> Vpicture::m_pal;

namespace {

constexpr int32_t kPalSize = 106;

// A 15-bit colour (red in bits 10-14) as 0x00RRGGBB, each component << 3.
uint32_t expand15(int32_t v)
{
    uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    return (r << 19) | (g << 11) | (b << 3);
}

// The colour of a partly transparent pixel, weighted by its level A.
uint32_t scaleByLevel(uint32_t v, int32_t level)
{
    if (level == 1)
        return (v >> 3) & 0x1F1F1F;
    if (level <= 2)
        return (v >> 2) & 0x3F3F3F;
    if (level <= 4)
        return (v >> 1) & 0x7F7F7F;
    return ((v >> 1) & 0x7F7F7F) + ((v >> 2) & 0x3F3F3F);
}

// Smallest k >= 0 with a + k * step >= 0 (step > 0).
int64_t stepsToReach(int64_t a, int64_t step)
{
    return a >= 0 ? 0 : (-a + step - 1) / step;
}

} // namespace

void Vpicture::drawRle(const Array<int8_t>& data, int32_t start, int32_t end)
{
    if (m_pal.length < kPalSize)
        m_pal = V::allocInt(kPalSize);
    if (m_pal.length < kPalSize)
        return;
    std::memset(m_pal.a, 0, sizeof(int32_t) * kPalSize);
    uint32_t* pal = reinterpret_cast<uint32_t*>(m_pal.a);
    uint32_t* px = reinterpret_cast<uint32_t*>(m_pixels.a);
    const int32_t n = m_pixels.length;
    const uint8_t* in = reinterpret_cast<const uint8_t*>(data.a);
    start = std::max(start, 0);
    end = std::min(end, data.length);

    int32_t pos = start, c = 0, i = 0, s = 0, level = 0;
    bool overrun = false;

    // Gives the pending opaque run [s, i) its run counts: 0xFF for all but the
    // last 15, which count down 0xFE .. 0xF0 to its end.
    auto closeRun = [&] {
        for (int32_t k = s; k < i; k++) {
            uint32_t rem = static_cast<uint32_t>(std::min(i - 1 - k, 15));
            uint32_t top = rem == 15 ? 0xFFu : (0xF0u | rem);
            px[k] = (px[k] & 0xFFFFFF) | (top << 24);
        }
        s = i;
    };
    // The colour that starts with byte b: cached (150+) or two bytes, which
    // also go into the cache. False when the stream ends inside it.
    auto colour = [&](int32_t b, uint32_t& v) {
        if (b >= 150) {
            v = pal[b - 150];
            return true;
        }
        if (pos >= end)
            return false;
        v = expand15(b * 256 + in[pos++]);
        pal[c] = v;
        c = c + 1 == kPalSize ? 0 : c + 1;
        return true;
    };
    auto put = [&](uint32_t word) {
        if (i >= n) {
            overrun = true;
            return false;
        }
        px[i++] = word;
        return true;
    };

    while (pos < end && !overrun) {
        int32_t code = in[pos++];
        uint32_t v = 0;
        if (code < 128 || code >= 150) {
            if (!colour(code, v) || !put(0xF0000000u | v))
                break;
            continue;
        }
        closeRun();
        bool done = false;
        while (code >= 134 && code < 150) {
            int32_t t;
            if (code == 134) {
                if (pos >= end) {
                    done = true; // the closing 134
                    break;
                }
                int32_t e = in[pos++];
                t = (e >> 3) + 16;
                level = e & 15;
            } else {
                t = code - 134;
            }
            for (int32_t j = 0; j < t; j++)
                if (!put(static_cast<uint32_t>(std::min(t - 1 - j, 15)) << 24))
                    break;
            s = i; // transparent pixels belong to no opaque run
            if (overrun || pos >= end) {
                done = true;
                break;
            }
            code = in[pos++];
        }
        if (done)
            break;
        if (code >= 128 && code <= 133) {
            level = code - 127;
            if (pos >= end)
                break;
            code = in[pos++];
        }
        if (!colour(code, v) || !put((static_cast<uint32_t>(level) << 28) | scaleByLevel(v, level)))
            break;
        s = i;
    }
    closeRun();
    if (overrun)
        std::fprintf(stderr, "Vpicture: run-length data longer than the %d x %d picture\n", m_width, m_height);
}

bool Vpicture::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                    int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy, int32_t scale,
                    int32_t z, int32_t alpha)
{
    if (scale == 0)
        return true;
    const int32_t w = m_width, h = m_height;
    if (scale < 0 || w <= 0 || h <= 0 || m_pixels.length < w * h || width <= 0 || height <= 0 ||
        static_cast<int64_t>(width) * height > pixels.length)
        return false;
    alpha = std::clamp(alpha, 0, 32768);
    const uint32_t* src = reinterpret_cast<const uint32_t*>(m_pixels.a);
    uint32_t* buf = reinterpret_cast<uint32_t*>(pixels.a);

    if (scale == 32768 && alpha == 32768 && m_opaque) {
        // The picture's top-left corner lands on the next whole pixel.
        int64_t px = (static_cast<int64_t>(sx) + 32767) >> 15;
        int64_t py = (static_cast<int64_t>(sy) + 32767) >> 15;
        int64_t cx0 = std::max<int64_t>({x0, 0, px}), cx1 = std::min<int64_t>({x1, width, px + w});
        int64_t cy0 = std::max<int64_t>({y0, 0, py}), cy1 = std::min<int64_t>({y1, height, py + h});
        if (cx0 >= cx1 || cy0 >= cy1)
            return true;
        std::size_t bytes = static_cast<std::size_t>(cx1 - cx0) * 4;
        for (int64_t y = cy0; y < cy1; y++)
            std::memcpy(buf + y * width + cx0, src + (y - py) * w + (cx0 - px), bytes);
        return true;
    }

    z = std::clamp(z, 0, 255);
    const uint32_t zTop = static_cast<uint32_t>(z) << 24;
    const int64_t step = scale != 32768 ? 0x40000000 / scale : 32768;
    // Source coordinates (15 fraction bits) of the clip's first column and row;
    // each destination pixel further on adds one step.
    const int64_t u0 = (((static_cast<int64_t>(x0) << 15) - sx) * step) >> 15;
    const int64_t v0 = (((static_cast<int64_t>(y0) << 15) - sy) * step) >> 15;
    const int64_t uEnd = static_cast<int64_t>(w) << 15, vEnd = static_cast<int64_t>(h) << 15;
    // Restrict the clip to the buffer and to the columns and rows that sample the picture.
    int64_t cx0 = std::max<int64_t>({x0, 0, x0 + stepsToReach(u0, step)});
    int64_t cx1 = std::min<int64_t>({x1, width, x0 + stepsToReach(u0 - uEnd, step)});
    int64_t cy0 = std::max<int64_t>({y0, 0, y0 + stepsToReach(v0, step)});
    int64_t cy1 = std::min<int64_t>({y1, height, y0 + stepsToReach(v0 - vEnd, step)});
    if (cx0 >= cx1 || cy0 >= cy1)
        return true;
    const int32_t xEnd = static_cast<int32_t>(cx1);
    const int64_t uStart = u0 + (cx0 - x0) * step;

    for (int64_t y = cy0; y < cy1; y++) {
        const int64_t v = v0 + (y - y0) * step;
        KV_CHECK(v >= 0 && v < vEnd, "Vpicture::draw");
        const uint32_t* row = src + (v >> 15) * w;
        uint32_t* dst = buf + y * width;
        int64_t u = uStart;
        int32_t x = static_cast<int32_t>(cx0);
        while (x < xEnd) {
            KV_CHECK(u >= 0 && u < uEnd, "Vpicture::draw");
            const uint32_t p = row[u >> 15];
            const uint32_t a = p >> 28;
            if (a == 0) {
                // A transparent pixel tells how many more follow: skip the
                // destination pixels that would sample them in one go.
                int64_t skip = ((static_cast<int64_t>(scale) * (p >> 24)) >> 15) + 1;
                x += static_cast<int32_t>(std::min<int64_t>(skip, xEnd - x));
                u += skip * step;
                continue;
            }
            const uint32_t d = dst[x];
            if (static_cast<uint32_t>(z) <= (d >> 24)) {
                if (alpha != 32768) {
                    // Weight of the buffer: what the pixel's own opacity leaves, scaled by alpha.
                    const int32_t f = 32768 - ((alpha + alpha * static_cast<int32_t>(a)) >> 4);
                    const int32_t r = (f * static_cast<int32_t>((d >> 16) & 0xFF) +
                                       static_cast<int32_t>((p >> 16) & 0xFF) * alpha) >> 15;
                    const int32_t g = (f * static_cast<int32_t>((d >> 8) & 0xFF) +
                                       static_cast<int32_t>((p >> 8) & 0xFF) * alpha) >> 15;
                    const int32_t b = (f * static_cast<int32_t>(d & 0xFF) +
                                       static_cast<int32_t>(p & 0xFF) * alpha) >> 15;
                    dst[x] = static_cast<uint32_t>((r << 16) | (g << 8) | b);
                } else if (a < 15) {
                    // The picture's colour is premultiplied: only the buffer is weighted.
                    const uint32_t keep = 16 - a;
                    const uint32_t rb = (((d & 0xFF00FF) * keep) >> 4) & 0xFF00FF;
                    const uint32_t g = (((d & 0xFF00) * keep) >> 4) & 0xFF00;
                    dst[x] = zTop | (((rb | g) + (p & 0xFFFFFF)) & 0xFFFFFF);
                } else {
                    dst[x] = zTop | (p & 0xFFFFFF);
                }
            }
            x++;
            u += step;
        }
    }
    return true;
}
