#include "terrain/VpolyTerrain.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "math/V.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"

namespace {
constexpr int32_t kCells = 256;
constexpr int32_t kMapBytes = kCells * kCells;
} // namespace

VpolyTerrain::VpolyTerrain() = default;

VpolyTerrain::~VpolyTerrain() = default;

int32_t VpolyTerrain::colorClass(int32_t color)
{
    bool r = (color >> 16) & 255, g = (color >> 8) & 255, b = color & 255;
    if (!r && !g && b)
        return kWater;
    if (!r && g)
        return b ? kMarsh : kGrass;
    if (r && !g)
        return b ? kHeath : kEarth;
    if (r && g && !b)
        return kWheat;
    return kRock;
}

void VpolyTerrain::setGroundTextures(const ref<Vilib>& lib, int32_t base)
{
    if (m_colors.length > 1)
        m_colors[0] = m_colors[1];
    for (int32_t i = 0; i < m_colors.length; i++)
        setTexture(i, lib, base + colorClass(m_colors[i]));
}

void VpolyTerrain::setNcolors(int32_t n)
{
    Vpolyn::setNcolors(n);
    if (!m_friction.empty())
        V::m_avail += m_friction.length * 8;
    m_friction = n > 0 ? V::allocInt(n) : Array<int32_t>();
    m_restitution = n > 0 ? V::allocInt(n) : Array<int32_t>();
}

void VpolyTerrain::setFrictionRestitution(int32_t style, int32_t friction, int32_t restitution)
{
    if (style < 0 || style >= m_friction.length || style >= m_restitution.length) {
        std::fprintf(stderr, "VpolyTerrain: no ground style %d\n", style);
        return;
    }
    m_friction[style] = friction;
    m_restitution[style] = restitution;
}

int32_t VpolyTerrain::getTexture(int32_t x, int32_t z)
{
    int32_t style = getXy2(x, z);
    return style < m_textures.length ? m_textures[style] : 0;
}

int32_t VpolyTerrain::shade(int32_t color, int32_t light)
{
    return shadeColor(color, light);
}

// ---- the height map ----

void VpolyTerrain::makeHeight()
{
    // The style grid is made now, while the battle is set up, rather than
    // in the first frame drawn.
    grid();
    if (m_heightMap.empty())
        m_heightMap = V::allocByte(kMapBytes);
    if (m_heightMap.length < kMapBytes)
        return;
    uint8_t heights[64] = {};
    for (int32_t s = 0; s < 64 && s < m_colors.length; s++)
        heights[s] = static_cast<uint8_t>(colorHeight(m_colors[s]));
    // Background cells take style 0's height by the same rule as any style,
    // so a row reads alike before and after a crossing back to style 0.
    const uint8_t fallback = heights[0];
    int32_t rows = m_rowStart.length - 1;
    uint8_t* map = reinterpret_cast<uint8_t*>(m_heightMap.a);
    for (int32_t i = 0; i < kCells; i++) {
        uint8_t* out = map + i * kCells;
        int32_t col = 0;
        uint8_t value = fallback;
        // The crossings of the polygon rows 2i and 2i + 1, as one sequence.
        for (int32_t r = 2 * i; r <= 2 * i + 1 && r < rows; r++) {
            for (int32_t k = m_rowStart[r], end = rowEnd(r); k < end; k++) {
                int32_t e = m_edges.a[k];
                int32_t c = edgeX(e) >> 5;
                if (c > col) {
                    std::memset(out + col, value, static_cast<std::size_t>(c - col));
                    col = c;
                }
                value = heights[edgeStyle(e)];
            }
        }
        std::memset(out + col, value, static_cast<std::size_t>(kCells - col));
    }
    m_baseHeight = map[0] << 12;
    Array<int8_t> scratch = V::allocByte(kMapBytes);
    if (scratch.empty())
        return;
    blur(m_heightMap, scratch, 2);
    blur(m_heightMap, scratch, 2);
    V::m_avail += kMapBytes;
}

void VpolyTerrain::blur(const Array<int8_t>& a, const Array<int8_t>& b, int32_t n)
{
    blur2(b, a, kCells, kCells, n);
    blur2(a, b, kCells, kCells, n);
}

void VpolyTerrain::blur2(const Array<int8_t>& dst, const Array<int8_t>& src, int32_t len, int32_t count, int32_t)
{
    if (len < 2 || count < 1 || static_cast<int64_t>(len) * count > src.length ||
        static_cast<int64_t>(len) * count > dst.length)
        return;
    const uint8_t* in = reinterpret_cast<const uint8_t*>(src.a);
    uint8_t* out = reinterpret_cast<uint8_t*>(dst.a);
    for (int32_t r = 0; r < count; r++) {
        const uint8_t* s = in + r * len;
        out[r] = static_cast<uint8_t>((3 * s[0] + s[1]) >> 2);
        for (int32_t c = 1; c < len - 1; c++)
            out[c * count + r] = static_cast<uint8_t>((s[c - 1] + 2 * s[c] + s[c + 1]) >> 2);
        out[(len - 1) * count + r] = static_cast<uint8_t>((3 * s[len - 1] + s[len - 2]) >> 2);
    }
}

bool VpolyTerrain::makeHole(int32_t x, int32_t y, int32_t z, int32_t r)
{
    if (m_heightMap.length < kMapBytes)
        return false;
    int64_t r2 = fmul(r, r);
    // Cells outside the map are skipped, so the loops need not visit them.
    int32_t j0 = std::max((z - r) >> 16, 0), j1 = std::min(((z + r + 65535) >> 16) - 1, kCells - 1);
    int32_t i0 = std::max((x - r) >> 16, 0), i1 = std::min(((x + r + 65535) >> 16) - 1, kCells - 1);
    uint8_t* map = reinterpret_cast<uint8_t*>(m_heightMap.a);
    bool changed = false;
    for (int32_t j = j0; j <= j1; j++) {
        int32_t dz = j * 65536 - z;
        for (int32_t i = i0; i <= i1; i++) {
            int32_t dx = i * 65536 - x;
            int64_t d2 = static_cast<int64_t>(fmul(dz, dz)) + fmul(dx, dx);
            if (d2 > r2)
                continue;
            int32_t s = V::fsqrt(r2 - d2);
            int32_t level = std::max((y - s) >> 12, 0);
            uint8_t& cell = map[j * kCells + i];
            if (level < cell) {
                cell = static_cast<uint8_t>(level);
                changed = true;
            }
        }
    }
    return changed;
}

const uint32_t* VpolyTerrain::corners()
{
    if (m_corners.length != kMapBytes) {
        // Zeros: the corners of a flat map at 0, which the source says.
        m_corners = V::allocInt(kMapBytes);
        m_cornerSource = V::allocByte(kMapBytes);
        if (m_corners.empty() || m_cornerSource.empty()) {
            m_corners = Array<int32_t>();
            return nullptr;
        }
    }
    static const uint8_t flat[kCells] = {};
    const bool made = m_heightMap.length >= kMapBytes;
    uint8_t* source = reinterpret_cast<uint8_t*>(m_cornerSource.a);
    // Rows of cells to make again: a changed map row is the lower corners
    // of its own cells and the upper ones of the row before.
    bool stale[kCells] = {};
    for (int32_t r = 0; r < kCells; r++) {
        const uint8_t* now = made ? reinterpret_cast<const uint8_t*>(m_heightMap.a) + r * kCells : flat;
        if (std::memcmp(source + r * kCells, now, kCells) == 0)
            continue;
        std::memcpy(source + r * kCells, now, kCells);
        stale[r] = true;
        stale[(r + kCells - 1) & (kCells - 1)] = true;
    }
    uint32_t* out = reinterpret_cast<uint32_t*>(m_corners.a);
    for (int32_t r = 0; r < kCells; r++) {
        if (!stale[r])
            continue;
        const uint8_t* a = source + r * kCells;
        const uint8_t* b = source + ((r + 1) & (kCells - 1)) * kCells;
        for (int32_t c = 0; c < kCells; c++) {
            int32_t c1 = (c + 1) & (kCells - 1);
            out[r * kCells + c] = a[c] | a[c1] << 8 | b[c] << 16 | static_cast<uint32_t>(b[c1]) << 24;
        }
    }
    return out;
}

const int32_t* VpolyTerrain::texels()
{
    if (m_texels.empty()) {
        m_texels = V::allocInt(64 * 4096);
        // Every style starts as a flat colour 0, which the zeros are.
        if (m_texels.empty())
            return nullptr;
    }
    const uint64_t used = styles();
    for (int32_t s = 0; s < 64; s++) {
        if (!(used >> s & 1))
            continue;
        ref<Vpicture> t = m_textureLib && s < m_textures.length ? m_textureLib->loadPicture(m_textures.a[s]) : nullptr;
        if (t && (t->m_width < 64 || t->m_height < 64 || t->m_pixels.length < 64 * 64))
            t = nullptr;
        int32_t* out = m_texels.a + (s << 12);
        if (t) {
            if (t == m_texelPicture[s] && t->m_pixels.a == m_texelSource[s])
                continue;
            for (int32_t row = 0; row < 64; row++)
                std::memcpy(out + row * 64, t->m_pixels.a + row * t->m_width, 64 * 4);
            m_texelPicture[s] = t;
            m_texelSource[s] = t->m_pixels.a;
            continue;
        }
        int32_t colour = s < m_colors.length ? m_colors.a[s] : 0;
        if (!m_texelPicture[s] && colour == m_texelColour[s])
            continue;
        std::fill(out, out + 4096, colour);
        m_texelPicture[s] = nullptr;
        m_texelSource[s] = nullptr;
        m_texelColour[s] = colour;
    }
    return m_texels.a;
}

// ---- the top-down map ----

void VpolyTerrain::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                        int32_t x1, int32_t y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    if (m_drawScale <= 0 || m_rowStart.length < 2 || pixels.length < width * height) {
        if (m_child)
            drawChildren(pixels, width, height, x0, y0, x1, y1);
        return;
    }
    int32_t step = static_cast<int32_t>((INT64_C(1) << 30) / m_drawScale);
    // The texture of each style, fetched once for this drawing.
    ref<Vpicture> textures[64];
    bool fetched[64] = {};
    for (int32_t py = y0; py < y1; py++) {
        int32_t v = (py - m_y0) * step;
        int32_t* out = pixels.a + py * width;
        for (int32_t px = x0; px < x1; px++) {
            int32_t u = (px - m_x0) * step;
            int32_t style = getXy2(u, v);
            if (!fetched[style]) {
                fetched[style] = true;
                if (m_textureLib && style < m_textures.length)
                    textures[style] = m_textureLib->loadPicture(m_textures[style]);
                if (textures[style] && (textures[style]->m_width < 64 || textures[style]->m_height < 64 ||
                                        textures[style]->m_pixels.length < 64 * 64))
                    textures[style] = nullptr;
            }
            Vpicture* tex = textures[style].get();
            int32_t texel = tex ? tex->m_pixels.a[((v >> 14) & 63) * tex->m_width + ((u >> 14) & 63)]
                                : (style < m_colors.length ? m_colors[style] | static_cast<int32_t>(0xFF000000u) : 0);
            int32_t h = getHeight(u, v), h2 = getHeight(u + 32768, v + 32768);
            out[px] = h != h2 ? shade(texel, h - h2) : texel;
        }
    }
    if (m_child)
        drawChildren(pixels, width, height, x0, y0, x1, y1);
}
