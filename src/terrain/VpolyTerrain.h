#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/Array.h"
#include "scene/Vpicture.h"
#include "terrain/Vpolyn.h"

// The battlefield's ground: the layout drawing (a polygon whose fill styles
// are kinds of ground) turned into a smoothed 256 x 256 height map, and the
// answers the game asks of it: the height anywhere (bilinear), the ground
// texture, slope shading and craters. As a sprite it draws itself as a flat,
// textured, slope-shaded map seen from above.
//
// A height cell is two units (65536) wide; a stored byte h (read unsigned)
// stands for the height h * 4096, and every lookup wraps at 256 cells.
class VpolyTerrain : public Vpolyn {
public:
    VpolyTerrain();
    ~VpolyTerrain() override;

    using Vpolyn::getHeight;

    // The top-down map: polygon point (u, v) = (pixel - top left) * 2^30 /
    // draw scale; texels every half unit, shaded where the ground slopes.
    void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1) override;
    void setNcolors(int32_t n) override;

    // One separable 1-2-1 pass over both axes of a (256 x 256), with b as
    // scratch; n is carried but has no effect.
    virtual void blur(const Array<int8_t>& a, const Array<int8_t>& b, int32_t n);
    // Filters count rows of len bytes of src along the rows and writes them
    // transposed into dst; edge cells weigh themselves three times.
    virtual void blur2(const Array<int8_t>& dst, const Array<int8_t>& src, int32_t len, int32_t count,
                       int32_t n);
    // The texture picture of the ground under the point.
    virtual int32_t getTexture(int32_t x, int32_t z);
    // Builds the height map from the drawing; also restores craters.
    virtual void makeHeight();
    // Lowers the ground inside the sphere of radius r around (x, y, z); true
    // when any cell became lower.
    virtual bool makeHole(int32_t x, int32_t y, int32_t z, int32_t r);
    virtual void setFrictionRestitution(int32_t style, int32_t friction, int32_t restitution);
    // Brightens (light > 0) or darkens a colour by a slope value (shadeColor).
    virtual int32_t shade(int32_t color, int32_t light);

    // Readies the drawing for a battle site: colour 0 (the background) takes
    // colour 1, and each style the texture of its ground class, picture base +
    // class of lib (base 0 on land sites, 9 on river sites).
    void setGroundTextures(const ref<Vilib>& lib, int32_t base);

    // Ground height at (x, z), bilinear between the four cells around it.
    int32_t getHeight(int32_t x, int32_t z) const
    {
        const uint8_t* m = reinterpret_cast<const uint8_t*>(m_heightMap.a);
        if (!m)
            return 0;
        uint32_t row = (static_cast<uint32_t>(z) >> 8) & 0xFF00, col = (static_cast<uint32_t>(x) >> 16) & 255;
        uint32_t row1 = (row + 256) & 0xFF00, col1 = (col + 1) & 255;
        return blend(m[row | col], m[row | col1], m[row1 | col], m[row1 | col1], (x >> 4) & 4095, (z >> 4) & 4095);
    }
    // The bilinear sum of the corner bytes h00 (at the cell's x, z), h10
    // (next x), h01 (next z) and h11 at the 12-bit fractions fx, fz of the
    // cell. Without branches: the shortcuts for equal corners give the same
    // values as the general sum, and in open country which one applies
    // changes from one ray step to the next.
    static int32_t blend(int32_t h00, int32_t h10, int32_t h01, int32_t h11, int32_t fx, int32_t fz)
    {
        int32_t top = (h00 << 12) + (h10 - h00) * fx;
        int32_t bottom = (h01 << 12) + (h11 - h01) * fx;
        return top + static_cast<int32_t>((static_cast<int64_t>(bottom - top) * fz) >> 12);
    }
    // The four corner heights of every cell in one word, as the terrain
    // casters read them: cell (x, z) at z * 256 + x holds the bytes of
    // (x, z), (x + 1, z), (x, z + 1) and (x + 1, z + 1), lowest first,
    // wrapping at 256. Kept in step with the height map (one not made yet
    // is flat at 0): each call makes again the rows that changed since the
    // last, such as a crater's. Null when there is no memory for it.
    const uint32_t* corners();
    // The texels of the ground styles as the terrain casters read them:
    // texel (u, v) (0..63) of style s at s << 12 | v << 6 | u, the top left
    // 64 x 64 of its picture, or its flat colour when it has none. Kept in
    // step with the styles' pictures (each copied when it is a new one)
    // and colours for the styles a lookup can answer; null when there is
    // no memory for it.
    const int32_t* texels();
    // The bilinear height at the fractions fx, fz of a cell from its corners.
    static int32_t blendCorners(uint32_t corners, int32_t fx, int32_t fz)
    {
        return blend(static_cast<int32_t>(corners & 255), static_cast<int32_t>((corners >> 8) & 255),
                     static_cast<int32_t>((corners >> 16) & 255), static_cast<int32_t>(corners >> 24), fx, fz);
    }
    // The stored byte of the cell under (x, z), unsigned.
    int32_t getCell(int32_t x, int32_t z) const
    {
        return m_heightMap.empty() ? 0 : m_heightMap.a[((z >> 8) & 0xFF00) | ((x >> 16) & 255)] & 255;
    }

    // How the layout's fill colours are read: the height byte is the lowest
    // non-zero one of blue, green, red; the ground class (texture picture
    // offset) follows from which of red, green and blue are zero.
    static int32_t colorHeight(int32_t color)
    {
        if (color & 0xFF)
            return color & 0xFF;
        if (color & 0xFF00)
            return (color >> 8) & 0xFF;
        return (color >> 16) & 0xFF;
    }
    static int32_t colorClass(int32_t color);
    // Below -16384 each channel is halved; otherwise it gains light/32768 of
    // itself (light capped at 8192), at most 255. The top byte becomes 0xFF.
    static int32_t shadeColor(int32_t color, int32_t light)
    {
        if (light < -16384)
            return (color >> 1) & static_cast<int32_t>(0xFF7F7F7Fu);
        return static_cast<int32_t>(0xFF000000u) | shadeRgb(color, light);
    }
    // The channels of shadeColor for any light, the top byte 0. Each channel
    // c becomes c * (32768 + light) >> 15, which is c + (c * light >> 15);
    // with light raised to -16384 that is also the halving, so no branch.
    static int32_t shadeRgb(int32_t color, int32_t light)
    {
        light = light < -16384 ? -16384 : light;
        return scaleRgb(color, 32768 + (light < 8192 ? light : 8192));
    }
    // Each channel times m / 32768 (m < 65536), at most 255; the top byte 0.
    static int32_t scaleRgb(int32_t color, int32_t m)
    {
#if defined(__SSE2__)
        // The four channels at once: (2c * m) >> 16 in 16-bit lanes, packed
        // back to bytes with saturation at 255.
        __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(color), _mm_setzero_si128());
        c = _mm_mulhi_epu16(_mm_slli_epi16(c, 1), _mm_set1_epi16(static_cast<int16_t>(m)));
        return _mm_cvtsi128_si32(_mm_packus_epi16(c, c)) & 0xFFFFFF;
#else
        int32_t r = (((color >> 16) & 255) * m) >> 15, g = (((color >> 8) & 255) * m) >> 15;
        int32_t b = ((color & 255) * m) >> 15;
        r = r < 255 ? r : 255;
        g = g < 255 ? g : 255;
        b = b < 255 ? b : 255;
        return r << 16 | g << 8 | b;
#endif
    }

    Array<int8_t> m_heightMap;
    int32_t m_baseHeight = 0;
    Array<int32_t> m_friction;
    Array<int32_t> m_restitution;
    Array<int32_t> m_corners;
    Array<int8_t> m_cornerSource; // the height map the corners were made from
    Array<int32_t> m_texels;
    // What each style's texels were copied from: the picture (held, so that
    // another cannot take its place unseen) and its pixels, or the colour.
    ref<Vpicture> m_texelPicture[64];
    const int32_t* m_texelSource[64] = {};
    int32_t m_texelColour[64] = {};

    static constexpr int32_t kWater = 0, kMarsh = 1, kGrass = 2, kHeath = 3, kEarth = 4, kRock = 5,
                             kWheat = 6;
};
