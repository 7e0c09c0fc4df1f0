#include "host/JpegBuiltin.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <vector>

namespace {

// Where the k-th coefficient of a block's zigzag lies in its rows.
constexpr uint8_t kNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// A Huffman table as canonical codes: per length the largest code and where
// its symbols start.
struct Huffman {
    bool defined = false;
    int32_t maxCode[18] = {};
    int32_t offset[17] = {};
    uint8_t symbols[256] = {};
};

struct Component {
    int32_t id = 0, quant = 0, dc = 0, ac = 0, predictor = 0;
};

struct Stream {
    const unsigned char* at;
    const unsigned char* end;
    uint32_t bits = 0;
    int32_t count = 0;
    bool overrun = false; // a bit was read past the coded data, where a marker or the end is

    int32_t bit()
    {
        if (count == 0) {
            // A coded 0xFF is followed by a stuffed 0; any other byte after it makes a marker.
            const bool data = !overrun && at < end && (at[0] != 0xFF || (at + 1 < end && at[1] == 0));
            bits = data ? at[0] : 0;
            at += data ? (at[0] == 0xFF ? 2 : 1) : 0;
            overrun = !data;
            count = 8;
        }
        count--;
        return static_cast<int32_t>((bits >> count) & 1);
    }
    int32_t receive(int32_t n)
    {
        int32_t v = 0;
        for (int32_t i = 0; i < n; i++)
            v = v << 1 | bit();
        return v;
    }
    // The n-bit magnitude category's value, negative below its half.
    int32_t extend(int32_t n)
    {
        const int32_t v = receive(n);
        return n > 0 && v < (1 << (n - 1)) ? v - (1 << n) + 1 : v;
    }
    int32_t decode(const Huffman& h)
    {
        int32_t code = bit();
        for (int32_t length = 1; length <= 16; length++) {
            if (code <= h.maxCode[length])
                return h.symbols[(h.offset[length] + code) & 255];
            code = code << 1 | bit();
        }
        overrun = true; // no such code
        return 0;
    }
};

bool fail(const char* why)
{
    std::fprintf(stderr, "JPEG decoding: %s\n", why);
    return false;
}

// The fixed-point constants of the slow integer inverse DCT (13 fraction
// bits), its products held in 64 bits as libjpeg's are.
constexpr int32_t kConstBits = 13, kPass1Bits = 2;
constexpr int32_t descale(int64_t x, int32_t n) { return static_cast<int32_t>((x + (int64_t{1} << (n - 1))) >> n); }

// One dimension of the inverse DCT on eight values in; out receives them
// descaled by shift.
template <class Out>
void idct8(const int32_t* in, int32_t shift, Out out)
{
    int64_t z2 = in[2], z3 = in[6];
    int64_t z1 = (z2 + z3) * 4433;
    const int64_t tmp2e = z1 + z3 * -15137, tmp3e = z1 + z2 * 6270;
    z2 = in[0];
    z3 = in[4];
    const int64_t tmp0e = (z2 + z3) * (1 << kConstBits), tmp1e = (z2 - z3) * (1 << kConstBits);
    const int64_t tmp10 = tmp0e + tmp3e, tmp13 = tmp0e - tmp3e, tmp11 = tmp1e + tmp2e, tmp12 = tmp1e - tmp2e;

    int64_t tmp0 = in[7], tmp1 = in[5], tmp2 = in[3], tmp3 = in[1];
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    int64_t z4 = tmp1 + tmp3;
    const int64_t z5 = (z3 + z4) * 9633;
    tmp0 *= 2446;
    tmp1 *= 16819;
    tmp2 *= 25172;
    tmp3 *= 12299;
    z1 *= -7373;
    z2 *= -20995;
    z3 = z3 * -16069 + z5;
    z4 = z4 * -3196 + z5;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;
    out(0, descale(tmp10 + tmp3, shift));
    out(7, descale(tmp10 - tmp3, shift));
    out(1, descale(tmp11 + tmp2, shift));
    out(6, descale(tmp11 - tmp2, shift));
    out(2, descale(tmp12 + tmp1, shift));
    out(5, descale(tmp12 - tmp1, shift));
    out(3, descale(tmp13 + tmp0, shift));
    out(4, descale(tmp13 - tmp0, shift));
}

// A sample from the inverse DCT's output: centred on 128 and clamped, with
// values far outside wrapping as libjpeg's table makes them.
uint8_t sample(int32_t x)
{
    x &= 1023;
    return static_cast<uint8_t>(x < 128 ? x + 128 : x < 512 ? 255 : x < 896 ? 0 : x - 896);
}

// The block's 64 coefficients (rows of eight) dequantised and turned into
// samples, written to out with stride between rows.
void inverseDct(const int16_t* coef, const uint16_t* quant, uint8_t* out, int32_t stride)
{
    int32_t work[64];
    for (int32_t c = 0; c < 8; c++) {
        int32_t column[8];
        for (int32_t r = 0; r < 8; r++)
            column[r] = coef[r * 8 + c] * static_cast<int16_t>(quant[r * 8 + c]);
        idct8(column, kConstBits - kPass1Bits, [&](int32_t r, int32_t v) { work[r * 8 + c] = v; });
    }
    for (int32_t r = 0; r < 8; r++) {
        uint8_t* row = out + r * stride;
        idct8(work + r * 8, kConstBits + kPass1Bits + 3, [row](int32_t c, int32_t v) { row[c] = sample(v); });
    }
}

int32_t clamp255(int32_t v) { return std::clamp(v, 0, 255); }

// The decoder's state between the markers of one stream.
struct Decoder {
    uint16_t quant[4][64] = {};
    bool quantDefined[4] = {};
    Huffman dc[4], ac[4];
    Component comps[3];
    int32_t compCount = 0, width = 0, height = 0, restart = 0;
    bool frame = false;

    bool tables(const unsigned char* p, int32_t n, bool huffman)
    {
        while (n > 0) {
            const int32_t kind = p[0] >> 4, slot = p[0] & 15;
            if (!huffman) {
                const int32_t size = kind ? 129 : 65;
                if (slot > 3 || kind > 1 || n < size)
                    return fail("bad quantisation table");
                for (int32_t k = 0; k < 64; k++)
                    quant[slot][kNatural[k]] = static_cast<uint16_t>(kind ? p[1 + 2 * k] << 8 | p[2 + 2 * k] : p[1 + k]);
                quantDefined[slot] = true;
                p += size, n -= size;
                continue;
            }
            if (slot > 3 || kind > 1 || n < 17)
                return fail("bad Huffman table");
            int32_t total = 0;
            for (int32_t l = 1; l <= 16; l++)
                total += p[l];
            if (total > 256 || n < 17 + total)
                return fail("bad Huffman table");
            Huffman& h = kind ? ac[slot] : dc[slot];
            h = Huffman();
            int32_t code = 0, index = 0;
            for (int32_t l = 1; l <= 16; l++) {
                h.offset[l] = index - code;
                code += p[l];
                index += p[l];
                h.maxCode[l] = p[l] ? code - 1 : -1;
                if (code > (1 << l))
                    return fail("bad Huffman table");
                code <<= 1;
            }
            std::copy(p + 17, p + 17 + total, h.symbols);
            // A DC difference has at most 15 bits, as libjpeg requires too.
            if (kind == 0 && std::any_of(h.symbols, h.symbols + total, [](uint8_t s) { return s > 15; }))
                return fail("bad Huffman table");
            h.defined = true;
            p += 17 + total, n -= 17 + total;
        }
        return true;
    }

    bool startOfFrame(const unsigned char* p, int32_t n)
    {
        if (n < 6 || p[0] != 8)
            return fail("only 8-bit pictures are decoded");
        height = p[1] << 8 | p[2];
        width = p[3] << 8 | p[4];
        compCount = p[5];
        if ((compCount != 1 && compCount != 3) || n < 6 + 3 * compCount || width == 0 || height == 0)
            return fail("bad frame header");
        for (int32_t i = 0; i < compCount; i++) {
            comps[i].id = p[6 + 3 * i];
            if (p[7 + 3 * i] != 0x11)
                return fail("only pictures without subsampling are decoded");
            comps[i].quant = p[8 + 3 * i];
            if (comps[i].quant > 3)
                return fail("bad frame header");
        }
        frame = true;
        return true;
    }

    // The scan after its header at p (n bytes), its coded data from data on.
    bool scan(const unsigned char* p, int32_t n, const unsigned char* data, const unsigned char* end,
              unsigned char* dst)
    {
        if (!frame || n < 1 || p[0] != compCount || n < 4 + 2 * compCount)
            return fail("only one scan of every component is decoded");
        for (int32_t i = 0; i < compCount; i++) {
            if (p[1 + 2 * i] != comps[i].id)
                return fail("bad scan header");
            comps[i].dc = p[2 + 2 * i] >> 4;
            comps[i].ac = p[2 + 2 * i] & 15;
            if (comps[i].dc > 3 || comps[i].ac > 3)
                return fail("bad scan header");
            if (!dc[comps[i].dc].defined || !ac[comps[i].ac].defined || !quantDefined[comps[i].quant])
                return fail("a table is missing");
        }
        const unsigned char* s = p + 1 + 2 * compCount;
        if (s[0] != 0 || s[1] != 63 || s[2] != 0)
            return fail("only baseline pictures are decoded");
        const int32_t across = (width + 7) / 8, down = (height + 7) / 8;
        std::vector<uint8_t> planes(static_cast<size_t>(compCount) * across * 8 * down * 8);
        const int32_t stride = across * 8;
        Stream bits{data, end};
        int32_t untilRestart = restart;
        for (int32_t by = 0; by < down; by++) {
            for (int32_t bx = 0; bx < across; bx++) {
                if (restart > 0 && untilRestart-- == 0) {
                    if (bits.at + 1 >= end || bits.at[0] != 0xFF || (bits.at[1] & 0xF8) != 0xD0)
                        return fail("a restart marker is missing");
                    bits = Stream{bits.at + 2, end};
                    for (Component& c : comps)
                        c.predictor = 0;
                    untilRestart = restart - 1;
                }
                for (int32_t ci = 0; ci < compCount; ci++) {
                    Component& c = comps[ci];
                    int16_t block[64] = {};
                    const int32_t size = bits.decode(dc[c.dc]);
                    c.predictor += size ? bits.extend(size) : 0;
                    block[0] = static_cast<int16_t>(c.predictor);
                    for (int32_t k = 1; k < 64;) {
                        const int32_t rs = bits.decode(ac[c.ac]), run = rs >> 4, bitsOf = rs & 15;
                        if (bitsOf == 0) {
                            if (run != 15)
                                break;
                            k += 16;
                            continue;
                        }
                        k += run;
                        if (k > 63)
                            return fail("bad coefficients");
                        block[kNatural[k++]] = static_cast<int16_t>(bits.extend(bitsOf));
                    }
                    if (bits.overrun)
                        return fail("the picture's data ends early");
                    uint8_t* plane = planes.data() + static_cast<size_t>(ci) * stride * down * 8;
                    inverseDct(block, quant[c.quant], plane + (by * 8) * stride + bx * 8, stride);
                }
            }
        }
        output(planes.data(), stride, static_cast<size_t>(stride) * down * 8, dst);
        return true;
    }

    // libjpeg's YCbCr to RGB: its tables of 16 fraction bits.
    void output(const uint8_t* planes, int32_t stride, size_t planeSize, unsigned char* dst) const
    {
        constexpr bool little = std::endian::native == std::endian::little;
        for (int32_t y = 0; y < height; y++) {
            for (int32_t x = 0; x < width; x++) {
                const size_t at = static_cast<size_t>(y) * stride + x;
                const int32_t luma = planes[at];
                int32_t r = luma, g = luma, b = luma;
                if (compCount == 3) {
                    const int32_t cb = planes[planeSize + at] - 128, cr = planes[2 * planeSize + at] - 128;
                    r = clamp255(luma + ((91881 * cr + 32768) >> 16));
                    g = clamp255(luma + ((-22554 * cb + 32768 - 46802 * cr) >> 16));
                    b = clamp255(luma + ((116130 * cb + 32768) >> 16));
                }
                unsigned char* p = dst + 4 * (static_cast<size_t>(y) * width + x);
                p[0] = static_cast<unsigned char>(little ? b : 0xFF);
                p[1] = static_cast<unsigned char>(little ? g : r);
                p[2] = static_cast<unsigned char>(little ? r : g);
                p[3] = static_cast<unsigned char>(little ? 0xFF : b);
            }
        }
    }
};

} // namespace

bool JpegBuiltin::decode(const unsigned char* src, std::size_t length, unsigned char* dst, int64_t room)
{
    if (length < 4 || src[0] != 0xFF || src[1] != 0xD8)
        return fail("not a JPEG stream");
    Decoder d;
    const unsigned char* p = src + 2;
    const unsigned char* end = src + length;
    while (p + 4 <= end) {
        if (p[0] != 0xFF)
            return fail("bad marker");
        const int32_t marker = p[1];
        if (marker == 0xFF) {
            p++;
            continue;
        }
        if (marker == 0xD9)
            break;
        const int32_t n = (p[2] << 8 | p[3]) - 2;
        const unsigned char* body = p + 4;
        if (n < 0 || body + n > end)
            return fail("a marker's length runs past the stream");
        if (marker == 0xDB || marker == 0xC4) {
            if (!d.tables(body, n, marker == 0xC4))
                return false;
        } else if (marker == 0xC0 || marker == 0xC1) {
            if (!d.startOfFrame(body, n))
                return false;
            if (static_cast<int64_t>(d.width) * d.height * 4 > room) {
                std::fprintf(stderr, "JPEG decoding: a picture of %d x %d does not fit its destination\n", d.width,
                             d.height);
                return false;
            }
        } else if (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            return fail("only baseline pictures are decoded");
        } else if (marker == 0xDD) {
            if (n < 2)
                return fail("bad restart interval");
            d.restart = body[0] << 8 | body[1];
        } else if (marker == 0xDA) {
            return d.scan(body, n, body + n, end, dst);
        }
        p = body + n;
    }
    return fail("the stream has no picture");
}
