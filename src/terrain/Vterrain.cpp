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
constexpr int32_t kStepSizes = TerrainCast::kStepSizes;
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
    setHaze(0, 0, 0);
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

void Vterrain::setSkyPanorama(const ref<Vpicture>& picture)
{
    m_changed = true;
    m_skyFull = SkyTables();
    m_skyHalf = SkyTables();
    if (!picture || picture->m_width <= 0 || picture->m_height <= 0 ||
        picture->m_pixels.length < picture->m_width * picture->m_height) {
        m_panorama = Array<int32_t>();
        m_panoramaWidth = m_panoramaHeight = 0;
        return;
    }
    m_panoramaWidth = picture->m_width;
    m_panoramaHeight = picture->m_height;
    // Every sky is the same size: the last battle's buffer is reused rather
    // than a new one allocated beside it.
    if (m_panorama.length != m_panoramaWidth * m_panoramaHeight) {
        m_panorama = Array<int32_t>();
        m_panorama = Array<int32_t>(m_panoramaWidth * m_panoramaHeight);
    }
    // Sky pixels are as far as anything can be.
    for (int32_t i = 0; i < m_panorama.length; i++)
        m_panorama.a[i] = picture->m_pixels.a[i] | static_cast<int32_t>(0xFF000000u);
}

void Vterrain::setSkyPanorama(Vilib& lib, int32_t i)
{
    ref<Vpicture> sky = new Vpicture;
    sky->m_pixels = m_panorama;
    if (!lib.decodeInto(i, *sky))
        return setSkyPanorama(nullptr);
    // Shared with the picture, the view's buffer is made opaque in place.
    m_panorama = sky->m_pixels;
    setSkyPanorama(sky);
}

int32_t Vterrain::horizonColour() const
{
    if (m_panoramaWidth <= 0)
        return m_sky.length > 0 ? m_sky.a[m_sky.length - 1] & 0xFFFFFF : 0;
    // A little below the horizon: where the far edge of the land meets the sky.
    const int32_t row = std::min(TerrainSky::kHorizonRow + 8, m_panoramaHeight - 1);
    int64_t sum[3] = {};
    for (int32_t x = 0; x < m_panoramaWidth; x++)
        for (int32_t c = 0; c < 3; c++)
            sum[c] += (m_panorama.a[row * m_panoramaWidth + x] >> (16 - 8 * c)) & 255;
    int32_t colour = 0;
    for (int32_t c = 0; c < 3; c++)
        colour |= static_cast<int32_t>(sum[c] / m_panoramaWidth) << (16 - 8 * c);
    return colour;
}

void Vterrain::setHaze(int32_t colour, int32_t near, int32_t most)
{
    m_changed = true;
    // The depth byte is the distance in whole units + 2; the rays end at kFarDistance / 16 units.
    const int32_t far = kFarDistance >> 4;
    near = std::clamp(near, 0, far - 1);
    m_haze.colour = colour & 0xFFFFFF;
    m_haze.near = near + 2;
    m_haze.rate = (32768 + far - near - 1) / (far - near);
    m_haze.most = std::clamp(most, 0, 32768);
}

void Vterrain::hazeChildren(const ref<Vilib>& lib, int32_t first, int32_t count)
{
    // The last battle's pictures are the same: made again where they are,
    // they leave the heap as it was. Else they go first: built beside them,
    // the new ones would sit above them and keep the freed space from returning.
    if (m_hazedChildren && count > 0 && m_hazedChildren->refill(lib, first, count, m_haze.colour))
        return;
    m_hazedChildren = nullptr;
    m_hazedChildren = count > 0 ? new HazedPictures(lib, first, count, m_haze.colour) : nullptr;
}

bool Vterrain::skyTables(SkyTables& t, int32_t focal, int32_t horizon, int32_t width, int32_t height)
{
    if (t.focal != focal || t.horizon != horizon || t.width != width || t.height != height) {
        if (t.rows.length != height)
            t.rows = Array<int32_t>(height);
        if (t.angles.length != width)
            t.angles = Array<int32_t>(width);
        for (int32_t r = 0; r < height; r++) {
            const int64_t row = TerrainSky::kHorizonRow - static_cast<int64_t>(horizon - r) * TerrainSky::kRowsPerTan / focal;
            t.rows.a[r] = static_cast<int32_t>(std::clamp<int64_t>(row, 0, m_panoramaHeight - 1)) * m_panoramaWidth;
        }
        // The same directions as the rays: column x looks x - width / 2 pixels aside.
        for (int32_t x = 0; x < width; x++)
            t.angles.a[x] = fatan2((x - width / 2) << 8, focal << 8);
        t.focal = focal;
        t.horizon = horizon;
        t.width = width;
        t.height = height;
        t.painted = -1;
    }
    return t.painted != m_heading;
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

bool Vterrain::project(int32_t wx, int32_t wy, int32_t wz, int32_t& cx, int32_t& cy, int32_t& depth, int64_t& k) const
{
    int32_t dx = wx - m_wx, dz = m_wz - wz;
    depth = fmul(dz, m_cos) + fmul(dx, m_sin);
    if (depth < kNearest || depth > kFarthest)
        return false;
    k = (static_cast<int64_t>(m_focal) << 30) / depth;
    int32_t side = fmul(dx, m_cos) - fmul(dz, m_sin);
    cx = m_width * 16384 + static_cast<int32_t>((k * side) >> 15);
    cy = m_horizon * 32768 - static_cast<int32_t>((k * (wy - m_wy)) >> 15);
    return true;
}

void Vterrain::setScreenCoords(const ref<Vsprite>& s)
{
    int32_t cx = 0, cy = 0, depth = 0;
    int64_t k = 0;
    if (!project(s->m_wx, s->m_wy, s->m_wz, cx, cy, depth, k)) {
        s->m_x0 = s->m_y0 = s->m_x1 = s->m_y1 = 0;
        return;
    }
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
    if ((m_changed || m_ownStale) && !m_pixels.empty()) {
        m_changed = m_ownStale = false;
        if (m_half)
            paintHalf(0, 0, m_width, m_height);
        else
            drawTerrain(m_pixels, m_width, m_height, 0, 0, m_width, m_height);
    }
}

void Vterrain::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                    int32_t x1, int32_t y1)
{
    if (m_pixels.empty()) {
        drawTerrain(pixels, width, height, x0, y0, x1, y1);
    } else if (m_half) {
        drawHalf(pixels, width, height, x0, y0, x1, y1);
    } else {
        const bool changed = m_changed;
        const bool whole = m_x0 == 0 && m_y0 == 0 && width == m_width && height == m_height && x0 <= 0 && y0 <= 0 &&
                           x1 >= width && y1 >= height && pixels.length >= width * height;
        if (changed && whole && m_movedLastFrame) {
            // On the move the view is cast again every frame: straight into
            // the target, which spares copying the whole frame. The own
            // buffer is cast again once the view stands still.
            cast(pixels, width, height, 0, 0, width, height, false, m_skyDirect);
            m_changed = false;
            m_ownStale = true;
        } else {
            if (changed || m_ownStale) {
                int32_t ox0 = std::max(x0 - m_x0, 0), oy0 = std::max(y0 - m_y0, 0);
                int32_t ox1 = std::min(x1 - m_x0, m_width), oy1 = std::min(y1 - m_y0, m_height);
                drawTerrain(m_pixels, m_width, m_height, ox0, oy0, ox1, oy1);
                if (ox1 == m_width && oy1 == m_height)
                    m_changed = m_ownStale = false;
            }
            Viewport::draw(pixels, width, height, x0, y0, x1, y1);
        }
        m_movedLastFrame = changed && whole;
    }
    drawSprites(pixels, width, height, x0, y0, x1, y1);
}

void Vterrain::drawSprites(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                           int32_t y0, int32_t x1, int32_t y1)
{
    // The pictures are found here, on the game thread (a library loads them
    // when first asked); the drawing may be shared.
    m_spriteBands.clear();
    placeSight(); // as the eye sees it now
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    for (Vsprite* s = m_child.get(); s; s = s->m_sibling.get()) {
        if (!s->m_lib)
            continue;
        int32_t cx0 = std::max(x0, s->m_x0), cy0 = std::max(y0, s->m_y0);
        int32_t cx1 = std::min(x1, s->m_x1), cy1 = std::min(y1, s->m_y1);
        if (cx0 >= cx1 || cy0 >= cy1)
            continue;
        const int32_t z = s->m_z >> 15;
        if (m_hazedChildren && m_hazedChildren->holds(s->m_lib.get(), s->m_image)) {
            const int32_t alpha = thingAlpha(*s, z);
            if (alpha > 0) {
                int32_t scale = s->m_drawScale;
                Vpicture* picture = m_hazedChildren->at(s->m_image, hazeAt(z + 2), scale);
                m_spriteBands.add(picture, cx0, cy0, cx1, cy1, s->m_sx, s->m_sy, scale, z, alpha);
            }
        } else {
            m_spriteBands.add(s->m_lib->loadPicture(s->m_image).get(), cx0, cy0, cx1, cy1, s->m_sx, s->m_sy,
                              s->m_drawScale, z, s->m_alpha);
        }
    }
    if (pixels.length < width * height)
        return;
    m_spriteBands.draw(pixels, width, height, m_threadCount > 1 ? &workers() : nullptr);
}

TerrainThreads& Vterrain::workers()
{
    if (!m_workers)
        m_workers = std::make_unique<TerrainThreads>(m_threadCount);
    return *m_workers;
}

int32_t Vterrain::thingAlpha(const Vsprite& s, int32_t z) const
{
    // Things on the land near the eye fade out where they would stand in its
    // way: in the middle sixth of the view from kNearest on, from a third
    // aside only at kNearestAside, and in between by how far aside they are.
    const int32_t centre = (m_x0 + m_x1) / 2, sixth = std::max((m_x1 - m_x0) / 6, 1);
    const int32_t aside = std::max({s.m_x0 - centre, centre - s.m_x1, 0});
    const int32_t sideShare = std::clamp((aside - sixth / 2) * 32768 / sixth, 0, 32768);
    const int32_t nearest =
        HazedPictures::kNearest - (((HazedPictures::kNearest - HazedPictures::kNearestAside) * sideShare) >> 15);
    const int32_t faded = std::min(s.m_alpha, (z - nearest) * 32768 / HazedPictures::kFading);
    if (faded >= s.m_alpha || m_sightX0 >= m_sightX1 || z < HazedPictures::kNearestAside + HazedPictures::kFading)
        return faded;
    // With what the player must see known, a thing beside or below it (a
    // hedge at the foot of the view) stays, and one reaching into it fades
    // by how far it reaches, so that none pops in or out as the view moves.
    const int32_t across = std::min(s.m_x1, m_sightX1) - std::max(s.m_x0, m_sightX0);
    const int32_t down = std::min(s.m_y1, m_sightY1) - std::max(s.m_y0, m_sightY0);
    // Only reaching half the tank's width in does it fade in full: a hedge
    // that hides the edge of a track hides little.
    const int32_t ramp = std::max(m_sightRadius, 1);
    const int32_t into = std::clamp(std::min(across, down) * 32768 / ramp, 0, 32768);
    return s.m_alpha - static_cast<int32_t>((static_cast<int64_t>(s.m_alpha - faded) * into) >> 15);
}

void Vterrain::keepInSight(int32_t wx, int32_t wy, int32_t wz, int32_t radius)
{
    m_sight = {wx, wy, wz, std::max(radius, 0)};
    placeSight();
}

void Vterrain::placeSight()
{
    m_sightX0 = m_sightY0 = m_sightX1 = m_sightY1 = m_sightRadius = 0;
    int32_t cx = 0, cy = 0, depth = 0;
    int64_t k = 0;
    if (m_sight.radius <= 0 || !project(m_sight.wx, m_sight.wy, m_sight.wz, cx, cy, depth, k))
        return;
    const int32_t r = static_cast<int32_t>((k * m_sight.radius) >> 30);
    m_sightRadius = r;
    // The ball's upper half (what shows of a tank with a hedge at its
    // tracks) and the middle of the view, where the gun points.
    const int32_t middleX = m_width / 2, middleY = m_horizon;
    m_sightX0 = std::min((cx >> 15) - r, middleX);
    m_sightX1 = std::max((cx >> 15) + r, middleX + 1);
    m_sightY0 = std::min((cy >> 15) - r, middleY);
    m_sightY1 = std::max(cy >> 15, middleY + 1);
}

void Vterrain::drawTerrain(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                           int32_t y0, int32_t x1, int32_t y1)
{
    // The own buffer's sky is only trusted while it holds the last frame.
    cast(pixels, width, height, x0, y0, x1, y1, !m_pixels.empty() && !m_ownStale, m_skyFull);
}

void Vterrain::cast(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1,
                    int32_t y1, bool own, SkyTables& tables)
{
    TerrainCast c;
    c.x0 = std::max(x0, 0);
    c.y0 = std::max(y0, 0);
    c.x1 = std::min(x1, width);
    c.y1 = std::min(y1, height);
    if (c.x0 >= c.x1 || c.y0 >= c.y1 || pixels.length < width * height)
        return;
    describe(c, Frame{m_focal, m_horizon, &m_sky, &m_top, own, &tables}, pixels, width);
    paint(c);
    skyPainted(c, tables);
}

// ---- half resolution ----

void Vterrain::setHalfResolution(bool half)
{
    if (half != m_half) {
        m_changed = true;
        redraw();
    }
    m_half = half;
    if (!half) {
        m_halfPixels = Array<int32_t>();
        m_halfTop = Array<int16_t>();
        m_halfWidth = m_halfHeight = 0;
    }
}

void Vterrain::paintHalf(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    int32_t w = (m_width + 1) >> 1, h = (m_height + 1) >> 1;
    if (w != m_halfWidth || h != m_halfHeight) {
        m_halfPixels = Array<int32_t>(w * h);
        m_halfTop = Array<int16_t>(w);
        m_halfWidth = w;
        m_halfHeight = h;
    }
    // The sky of each half row is the sky of its upper full row.
    if (m_halfSky.length != h)
        m_halfSky = Array<int32_t>(h);
    for (int32_t r = 0; r < h; r++)
        m_halfSky.a[r] = 2 * r < m_sky.length ? m_sky.a[2 * r] : 0;
    TerrainCast c;
    c.x0 = std::max(x0 >> 1, 0);
    c.y0 = std::max(y0 >> 1, 0);
    c.x1 = std::min((x1 + 1) >> 1, w);
    c.y1 = std::min((y1 + 1) >> 1, h);
    if (c.x0 >= c.x1 || c.y0 >= c.y1)
        return;
    describe(c, Frame{m_focal >> 1, m_horizon >> 1, &m_halfSky, &m_halfTop, true, &m_skyHalf}, m_halfPixels, w);
    paint(c);
    skyPainted(c, m_skyHalf);
}

void Vterrain::drawHalf(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
                        int32_t x1, int32_t y1)
{
    if (m_halfWidth != (m_width + 1) >> 1 || m_halfHeight != (m_height + 1) >> 1) {
        // A new size: the whole picture.
        paintHalf(0, 0, m_width, m_height);
        m_changed = false;
    } else if (m_changed) {
        int32_t ox0 = std::max(x0 - m_x0, 0), oy0 = std::max(y0 - m_y0, 0);
        int32_t ox1 = std::min(x1 - m_x0, m_width), oy1 = std::min(y1 - m_y0, m_height);
        paintHalf(ox0, oy0, ox1, oy1);
        if (ox1 == m_width && oy1 == m_height)
            m_changed = false;
    }
    x0 = std::max({x0, m_x0, 0});
    y0 = std::max({y0, m_y0, 0});
    x1 = std::min({x1, m_x0 + m_width, width});
    y1 = std::min({y1, m_y0 + m_height, height});
    if (x0 >= x1 || y0 >= y1 || pixels.length < width * height || m_halfPixels.empty())
        return;
    // Each half pixel becomes two by two: a row of pairs, then the same row
    // again below it.
    for (int32_t y = y0; y < y1; y++) {
        int32_t* to = pixels.a + y * width;
        if (y > y0 && ((y - m_y0) & 1)) {
            std::memcpy(to + x0, to - width + x0, static_cast<std::size_t>(x1 - x0) * 4);
            continue;
        }
        const int32_t* from = m_halfPixels.a + ((y - m_y0) >> 1) * m_halfWidth;
        int32_t x = x0;
        if ((x - m_x0) & 1)
            to[x++] = from[(x0 - m_x0) >> 1];
        for (; x + 1 < x1; x += 2)
            to[x] = to[x + 1] = from[(x - m_x0) >> 1];
        if (x < x1)
            to[x] = from[(x - m_x0) >> 1];
    }
}

// ---- the ray caster ----

namespace {

// One lane of the casters' shared pixel rule (terrainPixel).
struct Lane {
    Lane(int32_t value) : v(value) {}
    static Lane min(Lane a, Lane b) { return std::min(a.v, b.v); }
    static Lane max(Lane a, Lane b) { return std::max(a.v, b.v); }
    static Lane scaleChannels(Lane colour, Lane factor) { return VpolyTerrain::scaleRgb(colour.v, factor.v); }
    static Lane addChannels(Lane a, Lane b)
    {
        int32_t sum = 0;
        for (int32_t shift = 0; shift < 24; shift += 8)
            sum |= std::min(((a.v >> shift) & 255) + ((b.v >> shift) & 255), 255) << shift;
        return sum;
    }
    static Lane mullo(Lane a, Lane b) { return a.v * b.v; }
    friend Lane operator+(Lane a, Lane b) { return a.v + b.v; }
    friend Lane operator-(Lane a, Lane b) { return a.v - b.v; }
    friend Lane operator|(Lane a, Lane b) { return a.v | b.v; }
    friend Lane operator<<(Lane a, int32_t n) { return a.v << n; }
    friend Lane operator>>(Lane a, int32_t n) { return a.v >> n; }
    int32_t v;
};


// What a thread of one drawing needs: the drawing and the caster to use.
struct Share {
    const TerrainCast* cast;
    Vterrain::CastPath path;
};

} // namespace

bool Vterrain::supports(CastPath path)
{
#if KORVATH_X86_VECTORS
    // The one choice made for the whole program: what the processor has.
    static const CastPath best = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"))
            return kAvx512Path;
        return __builtin_cpu_supports("avx2") ? kAvx2Path : kScalarPath;
    }();
#else
    constexpr CastPath best = kScalarPath; // no vector casters are built for this target
#endif
    return path <= best;
}

Vterrain::CastPath Vterrain::castPath() const
{
    CastPath p = m_castPath;
    while (!supports(p))
        p = static_cast<CastPath>(p - 1);
    return p;
}

int32_t Vterrain::defaultThreads()
{
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

void Vterrain::setThreads(int32_t count)
{
    m_threadCount = std::clamp(count, 1, kMaxThreads);
    if (m_workers && m_workers->count() != m_threadCount)
        m_workers.reset();
}

void Vterrain::describe(TerrainCast& c, const Frame& f, const Array<int32_t>& pixels, int32_t width)
{
    c.pixels = pixels.a;
    c.width = width;
    c.pixelCount = pixels.length;
    c.own = f.own;
    c.sky = f.sky->a;
    c.skyLength = f.sky->length;
    c.top = f.top->a;
    c.topLength = f.top->length;
    c.haze = m_haze;
    if (m_panoramaWidth > 0 && f.focal > 0) {
        // A turned view paints its whole sky again, not only below the old tops.
        if (skyTables(*f.tables, f.focal, f.horizon, width, f.sky->length))
            c.own = false;
        c.panorama = m_panorama.a;
        c.panoramaWidth = m_panoramaWidth;
        c.skyRows = f.tables->rows.a;
        c.skyAngles = f.tables->angles.a;
        c.heading = m_heading;
    }
    VpolyTerrain* ground = m_polyTerrain.get();
    if (!ground || f.focal <= 0)
        return;
    c.corners = ground->corners();
    c.texels = ground->texels();
    if (!c.corners || !c.texels)
        return;
    const Vpolyn::Grid grid = ground->grid();
    c.words = grid.words;
    c.edges = grid.edges;
    c.xMask = grid.xMask;
    c.yMask = grid.yMask;
    c.gridWidth = grid.width;
    c.gridShift = grid.width > 0 ? __builtin_ctz(static_cast<uint32_t>(grid.width)) : 0;
    c.exact = grid.exact;
    c.ground = ground;
    c.step = 32768 / f.focal;
    c.eyeX = m_wx;
    c.eyeZ = m_wz;
    c.cos = m_cos;
    c.sin = m_sin;
    c.start = m_wy < ground->getHeight(m_wx, m_wz) + kLowEye ? kLowStart : kNearStart;
    c.slope = -c.step * (c.y1 - f.horizon);
    c.line = m_wy * 16 + c.slope * c.start;
    c.rowInc = c.step * c.start;
    c.cast = true;
}

void Vterrain::skyPainted(const TerrainCast& c, SkyTables& t)
{
    // Only a drawing of every column from the top leaves no sky of another heading.
    if (c.panorama && c.x0 == 0 && c.y0 == 0 && c.x1 == c.width)
        t.painted = m_heading;
}

void Vterrain::paint(TerrainCast& c)
{
    // Packets and threads need a grid that answers every point by itself:
    // the lookup behind it keeps a cache, and its answers in rows out of
    // order may depend on what was asked before.
    Share share{&c, c.exact ? castPath() : kScalarPath};
    int32_t threads = c.exact && c.x1 - c.x0 > TerrainCast::kBlock ? m_threadCount : 1;
    if (threads == 1) {
        paintShare(&share, 0);
        return;
    }
    workers().run(paintShare, &share);
}

void Vterrain::paintShare(void* context, int32_t)
{
    const Share& share = *static_cast<const Share*>(context);
    const TerrainCast& c = *share.cast;
    TerrainCast::Columns walk;
#if KORVATH_X86_VECTORS
    if (share.path == kAvx512Path) {
        castPacketsAvx512(c, walk);
        return;
    }
    if (share.path == kAvx2Path) {
        castPacketsAvx2(c, walk);
        return;
    }
#endif
    for (int32_t x = c.next(walk); x >= 0; x = c.next(walk))
        castColumn(c, x, walk.skyFrom);
}

void Vterrain::castColumn(const TerrainCast& c, int32_t x, int32_t skyFrom)
{
    // Everything the loop reads is copied into locals first: the compiler
    // must otherwise assume that each pixel stored may change it.
    const uint32_t* corners = c.corners;
    const Vpolyn::Grid grid{c.words, c.edges, c.xMask, c.yMask, c.gridWidth, c.exact};
    const int32_t* texels = c.texels;
    const TerrainCast::Haze haze = c.haze;
    int32_t* px = c.pixels;
    const int32_t width = c.width;
    const TerrainCast::Ray ray = c.ray(x);
    // One screen row spans step/32768 units of height per unit of distance;
    // "line" is the height (x16) of the bottom row's line of sight at the
    // ray's distance, and rises by rowInc per row up the screen. The step
    // doubles in open air and halves near a hit; the movement of each step
    // size is laid out beforehand, so the loop holds one pointer instead of
    // four values.
    struct Stride {
        int32_t dx, dz, slopeInc, inc;
    } strides[kStepSizes];
    strides[0] = {ray.dx, ray.dz, c.step, 1};
    for (int32_t k = 1; k < kStepSizes; k++)
        strides[k] = {strides[k - 1].dx << 1, strides[k - 1].dz << 1, strides[k - 1].slopeInc << 1, 1 << k};
    const Stride* s = strides;
    const Stride* const widest = strides + kStepSizes - 1;
    // How far the step may grow on a miss: not at all right after a hit or
    // a step back, else up to the widest.
    const Stride* growTo = widest;
    int32_t distance = c.start;
    int32_t posX = ray.posX, posZ = ray.posZ;
    int32_t line = c.line, rowInc = c.rowInc, slope = c.slope;
    // The pixel cursor walks up the column from row y1; row y0 is the last.
    int32_t at = ray.at;
    const int32_t last = ray.last;
    while (distance < kFarDistance) {
        posX += s->dx;
        posZ += s->dz;
        line += slope;
        int32_t fx = (posX >> 4) & 4095, fz = (posZ >> 4) & 4095;
        uint32_t cx = (static_cast<uint32_t>(posX) >> 16) & 255, cz = (static_cast<uint32_t>(posZ) >> 16) & 255;
        int32_t h = VpolyTerrain::blendCorners(corners[cz << 8 | cx], fx, fz);
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
            style = c.crossedStyle(posX, posZ);
        int32_t colour = texels[style << 12 | ((posZ >> 12) & 63) << 6 | ((posX >> 12) & 63)];
        // The slope: the height half a cell on in x and z lies in the next
        // cell in each direction whose fraction passes a half.
        uint32_t next = ((cz + (fz >> 11)) & 255) << 8 | ((cx + (fx >> 11)) & 255);
        int32_t h2 = VpolyTerrain::blendCorners(corners[next], fx ^ 2048, fz ^ 2048);
        const int32_t pixel = haze.most != 0 ? hazedTerrainPixel(Lane(colour), Lane(h - h2), Lane(distance), haze).v
                                             : terrainPixel(Lane(colour), Lane(h - h2), Lane(distance)).v;
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
    c.finish(x, at, skyFrom);
}

int32_t Vterrain::hazeAt(int32_t depth) const
{
    return hazeShare(Lane(depth), m_haze).v;
}
