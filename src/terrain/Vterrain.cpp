#include "terrain/Vterrain.h"

#include <algorithm>
#include <cstring>

#include "math/V.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"

namespace {

// Eyes closer than a third of a unit to the ground start their rays farther out.
constexpr int32_t kLowEye = 10922;
constexpr int32_t kNearStart = 64, kLowStart = 256;
constexpr int32_t kStepSizes = 6; // steps double from 1 up to 32 (two units)
// Children nearer than 8 units or farther than the ray reaches are hidden.
constexpr int32_t kNearest = 262145, kFarthest = 100663295;

int32_t childChecksum(const Vsprite* s)
{
    return s->m_wx + s->m_wy + s->m_wz + s->m_image + s->m_heading + s->m_roll + s->m_pitchAngle;
}

} // namespace

Vterrain::Vterrain(int32_t width, int32_t height, bool)
{
    setWidthHeight(width, height);
}

Vterrain::~Vterrain() = default;

// ---- the eye ----

int32_t Vterrain::getHeading()
{
    return m_heading;
}

void Vterrain::setHeading(int32_t a)
{
    a &= 32767;
    if (a == m_heading)
        return;
    m_heading = a;
    m_cos = fsin(a + 8192);
    m_sin = fsin(a);
}

int32_t Vterrain::lookAt(int32_t x, int32_t z)
{
    m_heading = fatan2(x - m_wx, m_wz - z);
    m_cos = fsin(m_heading + 8192);
    m_sin = fsin(m_heading);
    return m_heading;
}

void Vterrain::move(int32_t d)
{
    setWxyz(m_wx + fmul(d, m_sin), m_wy, m_wz - fmul(d, m_cos));
}

int32_t Vterrain::rotateX(int32_t x, int32_t z)
{
    return fmul(x, m_cos) - fmul(z, m_sin);
}

int32_t Vterrain::rotateZ(int32_t x, int32_t z)
{
    return fmul(z, m_cos) + fmul(x, m_sin);
}

int32_t Vterrain::getHeight(int32_t x, int32_t z)
{
    return m_polyTerrain ? m_polyTerrain->getHeight(x, z) : 0;
}

void Vterrain::setWxhz(int32_t x, int32_t h, int32_t z)
{
    setWxyz(x, getHeight(x, z) + h, z);
}

void Vterrain::setHeight(int32_t h)
{
    if (m_polyTerrain)
        setWxhz(m_wx, h, m_wz);
}

int32_t Vterrain::setAboveGround()
{
    int32_t g = getHeight(m_wx, m_wz);
    if (m_wy < g)
        setWxyz(m_wx, g, m_wz);
    return g;
}

void Vterrain::setHorizon(int32_t row)
{
    m_horizon = row;
}

void Vterrain::setSkyGradient(int32_t top, int32_t bottom)
{
    int32_t h = std::max(m_height, 0);
    m_sky = V::allocInt(h);
    int32_t n = std::min(fmul(m_focal, m_wy) / 192 + m_horizon, h);
    int32_t i = 0;
    if (top != bottom && n > 0) {
        int32_t t = 0, dt = 32768 / n;
        for (; i < n; i++, t += dt) {
            uint32_t c = 0xFF000000u;
            for (int32_t shift = 16; shift >= 0; shift -= 8) {
                int32_t a = (top >> shift) & 255, b = (bottom >> shift) & 255;
                c |= static_cast<uint32_t>(a + (((b - a) * t) >> 15)) << shift;
            }
            m_sky[i] = static_cast<int32_t>(c);
        }
    }
    for (; i < h; i++)
        m_sky[i] = bottom | static_cast<int32_t>(0xFF000000u);
    m_top = V::allocShort(std::max(m_width, 0));
}

// ---- the ground ----

void Vterrain::makeHole(int32_t x, int32_t y, int32_t z, int32_t r)
{
    if (m_polyTerrain && m_polyTerrain->makeHole(x, y, z, r))
        m_changed = true;
}

void Vterrain::makeSpire(int32_t x, int32_t z, int32_t h)
{
    int32_t cx = x >> 16, cz = z >> 16;
    if (!m_polyTerrain || m_polyTerrain->m_heightMap.length < 65536 || cx < 0 || cx > 255 || cz < 0 ||
        cz > 255)
        return;
    int8_t& cell = m_polyTerrain->m_heightMap[cz * 256 + cx];
    int32_t k = h >> 12;
    cell = static_cast<int8_t>(std::min(cell + k, k));
    m_changed = true;
}

// ---- children ----

void Vterrain::setScreenCoords(const ref<Vsprite>& s)
{
    int32_t dx = s->m_wx - m_wx, dz = m_wz - s->m_wz;
    int32_t depth = fmul(dz, m_cos) + fmul(dx, m_sin);
    if (depth < kNearest || depth > kFarthest) {
        s->m_x0 = s->m_y0 = s->m_x1 = s->m_y1 = 0;
        return;
    }
    int64_t k = (static_cast<int64_t>(m_focal) << 30) / depth;
    int32_t side = fmul(dx, m_cos) - fmul(dz, m_sin);
    int32_t cx = m_width * 16384 + static_cast<int32_t>((k * side) >> 15);
    int32_t cy = m_horizon * 32768 - static_cast<int32_t>((k * (s->m_wy - m_wy)) >> 15);
    s->rescale(cx, cy, static_cast<int32_t>((k * s->m_scale) >> 15));
    s->setZ(depth);
}

void Vterrain::renderChangeDetect(int32_t ax, int32_t ay, int32_t scale)
{
    int32_t c = m_wx + m_wy + m_wz + m_heading + m_horizon + m_width + m_height;
    if (c != m_checksum) {
        m_checksum = c;
        m_changed = true;
        rescale(ax, ay, scale);
        redraw();
        for (ref<Vsprite> s = m_child; s; s = s->m_sibling) {
            s->m_checksum = childChecksum(s.get());
            setScreenCoords(s);
        }
        return;
    }
    for (ref<Vsprite> s = m_child; s; s = s->m_sibling) {
        int32_t sum = childChecksum(s.get());
        if (sum == s->m_checksum)
            continue;
        s->m_checksum = sum;
        s->redraw();
        setScreenCoords(s);
        s->redraw();
    }
}

// ---- drawing ----

void Vterrain::renderTerrain()
{
    if (m_changed && !m_pixels.empty()) {
        m_changed = false;
        drawTerrain(m_pixels, m_width, m_height, 0, 0, m_width, m_height);
    }
}

void Vterrain::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                    int32_t x1, int32_t y1)
{
    if (m_pixels.empty()) {
        drawTerrain(pixels, width, height, x0, y0, x1, y1);
    } else {
        if (m_changed) {
            int32_t ox0 = std::max(x0 - m_x0, 0), oy0 = std::max(y0 - m_y0, 0);
            int32_t ox1 = std::min(x1 - m_x0, m_width), oy1 = std::min(y1 - m_y0, m_height);
            drawTerrain(m_pixels, m_width, m_height, ox0, oy0, ox1, oy1);
            if (ox1 == m_width && oy1 == m_height)
                m_changed = false;
        }
        Viewport::draw(pixels, width, height, x0, y0, x1, y1);
    }
    drawSprites(pixels, width, height, x0, y0, x1, y1);
}

void Vterrain::drawSprites(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                           int32_t y0, int32_t x1, int32_t y1)
{
    for (Vsprite* s = m_child.get(); s; s = s->m_sibling.get()) {
        if (!s->m_lib)
            continue;
        int32_t cx0 = std::max(x0, s->m_x0), cy0 = std::max(y0, s->m_y0);
        int32_t cx1 = std::min(x1, s->m_x1), cy1 = std::min(y1, s->m_y1);
        if (cx0 < cx1 && cy0 < cy1)
            s->m_lib->drawPicture(s->m_image, pixels, width, height, cx0, cy0, cx1, cy1, s->m_sx, s->m_sy,
                                  s->m_drawScale, s->m_z >> 15, s->m_alpha);
    }
}

// ---- the ray caster ----

struct Vterrain::Cast {
    VpolyTerrain* ground;
    const uint8_t* heights; // the wrapped copy
    Vpolyn::Grid grid;
    int32_t width; // of the target, the row length
    int32_t pixelCount;
    int32_t step;
    int32_t eyeX, eyeZ, cos, sin;
    // Every ray starts at the same distance, line and rise per row.
    int32_t start, line, rowInc, slope;
};

void Vterrain::forgetSkins()
{
    for (ref<Vpicture>& t : m_textures)
        t = nullptr;
    m_fetched = 0;
}

const Vterrain::Skin& Vterrain::fetchSkin(int32_t style)
{
    m_fetched |= UINT64_C(1) << style;
    const VpolyTerrain* p = m_polyTerrain.get();
    if (p->m_textureLib && style < p->m_textures.length)
        m_textures[style] = p->m_textureLib->loadPicture(p->m_textures[style]);
    const Vpicture* t = m_textures[style].get();
    if (t && (t->m_width < 64 || t->m_height < 64 || t->m_pixels.length < 64 * 64)) {
        m_textures[style] = nullptr;
        t = nullptr;
    }
    Skin& s = m_skins[style];
    s.texels = t ? t->m_pixels.a : nullptr;
    s.stride = t ? t->m_width : 0;
    s.count = t ? t->m_pixels.length : 0;
    s.colour = style < p->m_colors.length ? p->m_colors.a[style] : 0;
    return s;
}

void Vterrain::copyHeights()
{
    constexpr int32_t kRows = 258, kSize = kRows * kWrappedRow;
    if (m_heights.length != kSize)
        m_heights = V::allocByte(kSize);
    if (m_heights.empty())
        return;
    const Array<int8_t>& map = m_polyTerrain->m_heightMap;
    // Before the height map is made the ground is flat at 0.
    if (map.length < 65536) {
        std::memset(m_heights.a, 0, kSize);
        return;
    }
    for (int32_t r = 0; r < kRows; r++) {
        const int8_t* from = map.a + (r & 255) * 256;
        int8_t* to = m_heights.a + r * kWrappedRow;
        std::memcpy(to, from, 256);
        to[256] = from[0];
        to[257] = from[1];
    }
}

void Vterrain::drawTerrain(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                           int32_t y0, int32_t x1, int32_t y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    if (x0 >= x1 || y0 >= y1 || pixels.length < width * height)
        return;
    bool own = !m_pixels.empty();
    VpolyTerrain* ground = m_polyTerrain.get();
    bool cast = ground && m_focal > 0;
    if (cast) {
        copyHeights();
        cast = !m_heights.empty();
    }
    Cast c{};
    if (cast) {
        forgetSkins();
        c.ground = ground;
        c.heights = reinterpret_cast<const uint8_t*>(m_heights.a);
        c.grid = ground->grid();
        c.width = width;
        c.pixelCount = pixels.length;
        c.step = 32768 / m_focal;
        c.eyeX = m_wx;
        c.eyeZ = m_wz;
        c.cos = m_cos;
        c.sin = m_sin;
        c.start = m_wy < ground->getHeight(m_wx, m_wz) + kLowEye ? kLowStart : kNearStart;
        c.slope = -c.step * (y1 - m_horizon);
        c.line = m_wy * 16 + c.slope * c.start;
        c.rowInc = c.step * c.start;
    }
    for (int32_t x = x0; x < x1; x++) {
        int32_t top = x < m_top.length ? std::max<int32_t>(m_top.a[x], y0) : y0;
        int32_t skyFrom = own ? top : y0;
        if (top - 3 < y1 && cast) {
            castColumn(c, pixels.a, x, y0, y1, skyFrom);
            continue;
        }
        // Sky only, from the bottom of the clip up to where the sky starts.
        for (int32_t row = std::min(y1, m_sky.length) - 1; row >= skyFrom; row--)
            pixels.a[row * width + x] = m_sky.a[row];
    }
    if (cast)
        forgetSkins();
}

void Vterrain::castColumn(const Cast& c, int32_t* px, int32_t x, int32_t y0, int32_t y1, int32_t skyFrom)
{
    // Everything the loop reads is copied into locals first: the compiler
    // must otherwise assume that each pixel stored may change it.
    const uint8_t* heights = c.heights;
    const Vpolyn::Grid grid = c.grid;
    const int32_t width = c.width;
    // One screen row spans step/32768 units of height per unit of distance;
    // "line" is the height (x16) of the bottom row's line of sight at the
    // ray's distance, and rises by rowInc per row up the screen.
    int32_t d = (c.step * (x - width / 2)) >> 4;
    // Per unit of distance (1/16 unit) the ray moves a sixteenth of the
    // forward direction plus d times the sideways one. The step doubles in
    // open air and halves near a hit; the movement of each step size is
    // laid out beforehand, so the loop holds one pointer instead of four
    // values.
    struct Stride {
        int32_t dx, dz, slopeInc, inc;
    } strides[kStepSizes];
    strides[0] = {((d * c.cos) >> 15) - ((-c.sin) >> 4), ((d * c.sin) >> 15) + ((-c.cos) >> 4), c.step, 1};
    for (int32_t k = 1; k < kStepSizes; k++)
        strides[k] = {strides[k - 1].dx << 1, strides[k - 1].dz << 1, strides[k - 1].slopeInc << 1, 1 << k};
    const Stride* s = strides;
    const Stride* const widest = strides + kStepSizes - 1;
    // How far the step may grow on a miss: not at all right after a hit or
    // a step back, else up to the widest.
    const Stride* growTo = widest;
    int32_t distance = c.start;
    int32_t posX = c.eyeX + distance * s->dx, posZ = c.eyeZ + distance * s->dz;
    int32_t line = c.line, rowInc = c.rowInc, slope = c.slope;
    // The pixel cursor walks up the column from row y1; row y0 is the last.
    int32_t at = y1 * width + x;
    const int32_t last = y0 * width + x;
    while (distance < kFarDistance) {
        posX += s->dx;
        posZ += s->dz;
        line += slope;
        int32_t fx = (posX >> 4) & 4095, fz = (posZ >> 4) & 4095;
        const uint8_t* cell = cellAt(heights, posX, posZ);
        int32_t h = heightIn(cell, fx, fz);
        int32_t hh = h * 16;
        if (hh <= line) {
            // Open air: after two misses in a row the step doubles.
            rowInc += s->slopeInc;
            if (s != growTo) {
                s++;
                slope <<= 1;
            }
            growTo = widest;
            distance += s->inc;
            continue;
        }
        if (hh - line > rowInc && s != strides) {
            // Overshot by more than a row: step back and look again at half the step.
            posX -= s->dx;
            posZ -= s->dz;
            line -= slope;
            distance -= s->inc;
            s--;
            slope >>= 1;
            growTo = s;
            distance += s->inc;
            continue;
        }
        // The style from the grid, or exactly where a boundary crosses the pixel.
        int32_t style = grid.at(posX, posZ);
        if (style < 0)
            style = c.ground->crossedStyle(posX, posZ);
        const Skin& skin = this->skin(style);
        int32_t colour = skin.colour;
        if (skin.texels) {
            uint32_t texel = ((static_cast<uint32_t>(posZ) >> 12) & 63) * static_cast<uint32_t>(skin.stride) +
                             ((static_cast<uint32_t>(posX) >> 12) & 63);
            KV_CHECK(texel < static_cast<uint32_t>(skin.count), "Vterrain::castColumn");
            colour = skin.texels[texel];
        }
        // The slope: the height half a cell on in x and z lies in the next
        // cell in each direction whose fraction passes a half. On level
        // ground (light 0) shading leaves the channels as they are, so it is
        // done without a test.
        int32_t h2 = heightIn(cell + (fx >> 11) + ((fz >> 11) << kRowShift), fx ^ 2048, fz ^ 2048);
        colour = VpolyTerrain::shadeRgb(colour, h - h2);
        int32_t pixel = colour | (((distance >> 4) + 2) << 24); // shading cleared the top byte
        // The ground rises above the line of sight of one row or more.
        do {
            if (at == last) {
                distance = kFarDistance;
                break;
            }
            at -= width;
            KV_CHECK(at >= 0 && at < c.pixelCount, "Vterrain::castColumn");
            px[at] = pixel;
            slope += s->slopeInc;
            line += rowInc;
        } while (line < hh);
        rowInc += s->slopeInc;
        distance += s->inc;
        growTo = s;
    }
    int32_t rowsLeft = (at - x) / width;
    if (y0 == 0 && x < m_top.length)
        m_top.a[x] = static_cast<int16_t>(rowsLeft);
    for (int32_t r = std::min(rowsLeft, m_sky.length) - 1; r >= skyFrom; r--)
        px[r * width + x] = m_sky.a[r];
}
