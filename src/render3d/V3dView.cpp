#include "render3d/V3dView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "math/Vmat.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dMaterial.h"
#include "render3d/V3dModel.h"

Array<int32_t> V3dView::m_xe, V3dView::m_ye, V3dView::m_ze;
Array<int32_t> V3dView::m_xt, V3dView::m_yt, V3dView::m_zt;
int64_t V3dView::m_transforms = 0;

namespace {
constexpr int32_t ONE = 32768;
} // namespace

V3dView::V3dView()
{
    m_light = new Vector;
    m_work = new Vector;
    m_mat = new Vmat;
}

V3dView::~V3dView() = default;

// ---- size ----

void V3dView::packSize(std::atomic<uint64_t>& to, int32_t w, int32_t h)
{
    to.store(static_cast<uint64_t>(static_cast<uint32_t>(w)) << 32 | static_cast<uint32_t>(h));
}

void V3dView::setWidthHeight(int32_t w, int32_t h)
{
    // Recorded even when it is the current size: it then replaces a request
    // that has not been applied yet.
    packSize(m_newSize, w, h);
    if (m_sizedWidth.load() == 0)
        screenResize();
}

bool V3dView::screenResize()
{
    uint64_t size = m_newSize.load();
    int32_t w = static_cast<int32_t>(size >> 32);
    int32_t h = static_cast<int32_t>(size & 0xFFFFFFFFu);
    if (w == m_width && h == m_height)
        return false;
    Viewport::setWidthHeight(w, h);
    w = m_width;
    h = m_height;
    m_focal = ((std::min(w, h) >> 1) * 0x1C000) >> 15;
    m_centerX = w << 14;
    m_centerY = h * m_horizon;
    releaseDepth();
    if (w > 0 && h > 0) {
        m_zbuf = V::allocShort(w * h);
        if (m_zbuf.empty())
            V::m_avail += w * h * 2;
    }
    m_sizedWidth.store(w);
    return true;
}

void V3dView::clearScreen()
{
    std::fill(m_pixels.a, m_pixels.a + m_pixels.length, 0);
    std::fill(m_zbuf.a, m_zbuf.a + m_zbuf.length, static_cast<int16_t>(0));
    redraw();
}

void V3dView::releaseDepth()
{
    if (!m_zbuf.empty())
        V::m_avail += m_zbuf.length * 2;
    m_zbuf = Array<int16_t>();
}

void V3dView::setHorizon(int32_t h)
{
    m_horizon = h;
    m_centerY = h * m_height;
}

void V3dView::setHaze(int32_t colour, std::span<const int32_t> shares)
{
    m_hazeColour = colour & 0xFFFFFF;
    m_hazeShares.fill(0);
    std::copy_n(shares.begin(), std::min(shares.size(), m_hazeShares.size()), m_hazeShares.begin());
    for (int32_t& share : m_hazeShares)
        share = std::clamp(share, 0, ONE);
}

const Vsprite& V3dView::topOf(const Vsprite& s) const
{
    const Vsprite* node = &s;
    while (node->m_parent && node->m_parent.get() != this && node->m_parent->m_mat)
        node = node->m_parent.get();
    return *node;
}

int32_t V3dView::hazeOf(const Vsprite& s) const
{
    const Vsprite& node = topOf(s);
    if (!node.m_mat)
        return 0;
    return m_hazeShares[static_cast<std::size_t>(std::clamp((node.m_mat->m32 >> 15) + 2, 0, 255))];
}

void V3dView::viewCopy(const ref<V3dView>& other)
{
    if (!other)
        return;
    other->setWxyz(m_wx, m_wy, m_wz);
    other->m_pitch = m_pitch;
    other->m_heading = m_heading;
    other->m_horizon = m_horizon;
    other->m_centerY = m_centerY;
    packSize(other->m_newSize, m_width, m_height);
    other->screenResize();
}

void V3dView::destroy()
{
    Viewport::destroy();
    m_node3d = nullptr;
    for (Array<int32_t>* a : {&m_xe, &m_ye, &m_ze, &m_xt, &m_yt, &m_zt})
        *a = Array<int32_t>();
    releaseDepth();
    m_sizedWidth.store(0);
}

// ---- meshes ----

ref<Vsprite> V3dView::loadModel(const ref<String>& name)
{
    ref<Vsprite> s = new Vsprite;
    loadModel(name, s);
    return s;
}

void V3dView::loadModel(const ref<String>& name, const ref<Vsprite>& s)
{
    if (s)
        s->m_model = m_models ? m_models->lookupModel(name) : nullptr;
}

void V3dView::transform(const ref<V3dModel>& model, const ref<Vmat>& mat, int32_t first, int32_t count)
{
    V3dModel& m = *model;
    count = std::min(count, m.m_vx.length);
    first = std::max(first, 0);
    m_transforms++;
    if (m_xe.length < count) {
        for (Array<int32_t>* a : {&m_xe, &m_ye, &m_ze, &m_xt, &m_yt, &m_zt})
            *a = Array<int32_t>(count);
        if (m_xe.length < count)
            return;
    }
    // Locals, so that the stores into the arrays cannot be taken to change
    // them and they stay in registers.
    const Vmat& t = *mat;
    const int32_t t00 = t.m00, t01 = t.m01, t02 = t.m02, t10 = t.m10, t11 = t.m11, t12 = t.m12;
    const int32_t t20 = t.m20, t21 = t.m21, t22 = t.m22, t30 = t.m30, t31 = t.m31, t32 = t.m32;
    const int64_t s = m.m_size, focal = m_focal;
    const int32_t cx = m_centerX, cy = m_centerY;
    const int16_t *vx = m.m_vx.a, *vy = m.m_vy.a, *vz = m.m_vz.a;
    int32_t *xes = m_xe.a, *yes = m_ye.a, *zes = m_ze.a, *xts = m_xt.a, *yts = m_yt.a, *zts = m_zt.a;
    for (int32_t i = first; i < count; i++) {
        int32_t x = vx[i], y = vy[i], z = vz[i];
        // A rotation keeps each 32-bit sum of short x fixed products in range.
        int32_t ux = x * t00 + y * t10 + z * t20;
        int32_t uy = x * t01 + y * t11 + z * t21;
        int32_t uz = x * t02 + y * t12 + z * t22;
        int32_t xe = t30 + static_cast<int32_t>((ux * s) >> 30);
        int32_t ye = t31 + static_cast<int32_t>((uy * s) >> 30);
        int32_t ze = t32 + static_cast<int32_t>((uz * s) >> 30);
        xes[i] = xe;
        yes[i] = ye;
        zes[i] = ze;
        if (ze < 0x10000) {
            zts[i] = kNear;
            continue;
        }
        // ze is positive here: the unsigned division is the same and quicker.
        int64_t zt = static_cast<int64_t>((UINT64_C(1) << 45) / static_cast<uint32_t>(ze));
        zts[i] = static_cast<int32_t>(zt);
        int64_t k = zt * focal;
        xts[i] = project(cx, k, xe, false);
        yts[i] = project(cy, k, ye, true);
    }
    if (first != 0)
        return;

    if (m.m_nx.empty())
        m.normals();
    mat->rotateInverse(m_work, m_light);
    int32_t lx = m_work->m_x, ly = m_work->m_y, lz = m_work->m_z;
    if (std::abs(lx - m.m_lightX) + std::abs(ly - m.m_lightY) + std::abs(lz - m.m_lightZ) < 513)
        return;
    m.m_lightX = lx;
    m.m_lightY = ly;
    m.m_lightZ = lz;
    light(m, lx, ly, lz);
}

void V3dView::light(V3dModel& m, int32_t lx, int32_t ly, int32_t lz)
{
    const int16_t *nx = m.m_nx.a, *ny = m.m_ny.a, *nz = m.m_nz.a;
    int16_t* shade = m.m_shade.a;
    const int32_t n = m.m_shade.length;
    int32_t k = 0;
#if defined(__SSE2__)
    // Four slots at a time. Each light component is split into two halves
    // that fit 16-bit lanes, so that one multiply-add of a normal's (x, y)
    // pair with (lx, ly) halves, and one of (z, z) with lz's two halves,
    // give the exact products; the 32-bit sums wrap as the single ones do.
    auto fits = [](int32_t c) { return c > -65535 && c < 65535; };
    if (fits(lx) && fits(ly) && fits(lz)) {
        auto pair = [](int32_t a, int32_t b) {
            return _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(a)) |
                                                       static_cast<uint32_t>(static_cast<uint16_t>(b)) << 16));
        };
        const __m128i xy1 = pair(lx >> 1, ly >> 1), xy2 = pair(lx - (lx >> 1), ly - (ly >> 1));
        const __m128i zz = pair(lz >> 1, lz - (lz >> 1));
        const __m128i base = _mm_set1_epi32(-16384);
        for (; k + 4 <= n; k += 4) {
            const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(nx + k));
            const __m128i y = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(ny + k));
            const __m128i z = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(nz + k));
            const __m128i xy = _mm_unpacklo_epi16(x, y);
            __m128i dot = _mm_add_epi32(_mm_madd_epi16(xy, xy1), _mm_madd_epi16(xy, xy2));
            dot = _mm_add_epi32(dot, _mm_madd_epi16(_mm_unpacklo_epi16(z, z), zz));
            __m128i v = _mm_sub_epi32(base, _mm_srai_epi32(dot, 16));
            // Truncated to 16 bits as the cast to a short does, then packed.
            v = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(shade + k), _mm_packs_epi32(v, v));
        }
    }
#endif
    for (; k < n; k++)
        shade[k] = static_cast<int16_t>(-16384 - ((nx[k] * lx + ny[k] * ly + nz[k] * lz) >> 16));
}

// ---- change detection ----

void V3dView::renderChangeDetect(int32_t, int32_t, int32_t)
{
    // The view's own colour and size, as for any sprite: the screens of the
    // shell change the background colour and rely on that.
    detectChange(m_x, m_y, m_scale);
    detect3d();
}

void V3dView::detect3d()
{
    ref<Vmat> cam = m_mat;
    cam->identity();
    cam->translate(-m_wx, -m_wy, -m_wz);
    cam->rotateY(m_heading);
    cam->rotateX(m_pitch);
    cam->concat(ONE, 0, 0, 0, 0, ONE, 0, 0, 0, 0, -ONE, 0, 0, 0, 0, ONE);
    m_light->m_x = 0;
    m_light->m_y = -ONE;
    m_light->m_z = 0;
    cam->rotate(m_light);
    if (m_child)
        renderChangeDetect(m_child, cam);
    if (m_dirtyCount != 0)
        sortChildren();
}

bool V3dView::screenPoint(int32_t x, int32_t y, int32_t z, int32_t& sx, int32_t& sy, int32_t& depth)
{
    if (!m_sight)
        m_sight = new Vmat;
    if (!m_sight || !m_work)
        return false;
    // The camera matrix of detect3d, built from the camera's fields.
    Vmat& cam = *m_sight;
    cam.identity();
    cam.translate(-m_wx, -m_wy, -m_wz);
    cam.rotateY(m_heading);
    cam.rotateX(m_pitch);
    cam.concat(ONE, 0, 0, 0, 0, ONE, 0, 0, 0, 0, -ONE, 0, 0, 0, 0, ONE);
    m_work->m_x = x;
    m_work->m_y = y;
    m_work->m_z = z;
    cam.transform(m_work);
    depth = m_work->m_z;
    if (depth < 0x10001)
        return false;
    const int64_t k = static_cast<int64_t>(finvd(depth)) * m_focal;
    sx = project(m_centerX, k, m_work->m_x, false) >> 15;
    sy = project(m_centerY, k, m_work->m_y, true) >> 15;
    return true;
}

bool V3dView::sees(int32_t x, int32_t y, int32_t z, int32_t r)
{
    int32_t sx = 0, sy = 0, depth = 0;
    if (!screenPoint(x, y, z, sx, sy, depth) || depth >= m_far)
        return false;
    const int32_t rp = static_cast<int32_t>(std::min<int64_t>((static_cast<int64_t>(r) * m_focal) / depth, 1 << 20));
    return sx + rp >= 1 && sx - rp < m_width && sy + rp > 0 && sy - rp < m_height;
}

void V3dView::sortChildren()
{
    ref<Vsprite> list = m_child;
    m_child = nullptr;
    while (list) {
        ref<Vsprite> c = list;
        list = c->m_sibling;
        c->m_sibling = nullptr;
        c->m_parent = nullptr;
        add(c);
    }
}

void V3dView::renderChangeDetect(const ref<Vsprite>& first, const ref<Vmat>& parent)
{
    for (Vsprite* s = first.get(); s; s = s->m_sibling.get()) {
        bool meshChild = s->m_child && s->m_child->m_model;
        if (!s->m_model && !s->m_mat && !meshChild && s != m_node3d.get()) {
            s->renderChangeDetect(0, 0, ONE);
            continue;
        }
        if (!s->m_mat)
            s->m_mat = new Vmat;
        ref<Vmat> m = s->m_mat;
        m->set(ref<Vmat>(s));
        m->translate(s->m_wx, s->m_wy, s->m_wz);
        m->multiply(parent);
        if (!s->m_model && s->m_image != -1)
            changeBillboard(s, m.get());
        if (s->m_model)
            changeMesh(s, m);
        if (s->m_child && (s->m_model || s->m_width == 0))
            renderChangeDetect(s->m_child, m);
    }
}

void V3dView::changeBillboard(Vsprite* s, Vmat* m)
{
    int32_t c = m->checksumMatrix() + m_width + m_height + m_centerY + s->m_image * 0x800000 +
                s->m_scale + s->m_alpha;
    if (c == s->m_checksum)
        return;
    s->m_checksum = c;
    int32_t ex = m->m30, ey = m->m31, ez = m->m32;
    if (ez < 0x10001 || ez >= m_far) {
        // Repaint where it was, or it would stay on screen.
        s->redraw();
        s->m_x0 = 0;
        s->m_x1 = 0;
        return;
    }
    s->m_z = ez;
    int64_t k = static_cast<int64_t>(finvd(ez)) * m_focal;
    s->redraw();
    int64_t scale = std::min<int64_t>((k * s->m_scale) >> 30, 0x7FFFFFFF);
    s->rescale(project(m_centerX, k, ex, false), project(m_centerY, k, ey, true),
               static_cast<int32_t>(scale));
    s->redraw();
}

void V3dView::changeMesh(Vsprite* s, const ref<Vmat>& m)
{
    int32_t c = m->checksumMatrix() + m_width + m_height + m_centerY;
    if (c == s->m_checksum)
        return;
    s->m_checksum = c;
    ref<V3dModel> mesh = s->m_model;
    int32_t n = mesh->m_vx.length;
    transform(mesh, m, n - 8, n);
    int32_t deepest = 0, near = 0;
    int32_t x0 = 0x7FFFFFFF, y0 = 0x7FFFFFFF, x1 = -0x7FFFFFFF - 1, y1 = -0x7FFFFFFF - 1;
    bool hidden = n < 8 || m_ze.length < n;
    for (int32_t i = std::max(n - 8, 0); i < n && !hidden; i++) {
        int32_t ze = m_ze.a[i];
        deepest = std::max(deepest, ze);
        if (ze < 0x10000) {
            near++;
        } else if (ze > m_far) {
            hidden = true;
        } else {
            x0 = std::min(x0, m_xt.a[i]);
            x1 = std::max(x1, m_xt.a[i]);
            y0 = std::min(y0, m_yt.a[i]);
            y1 = std::max(y1, m_yt.a[i]);
        }
    }
    if (near > 0 && near < 8 && !hidden) {
        // Part of the mesh is behind the near plane: its outline on screen
        // is not bounded by the corners in front, so it may cover any pixel.
        x0 = y0 = 0;
        x1 = m_width << 15;
        y1 = m_height << 15;
    }
    if (!hidden && near < 8 && x1 > x0 && y1 > y0) {
        s->m_z = deepest;
        if (!s->setExtent(x0 >> 15, y0 >> 15, (x1 + 0x7FFF) >> 15, (y1 + 0x7FFF) >> 15))
            s->redraw();
    } else {
        s->m_z = 0;
        s->setExtent(0, 0, 0, 0);
    }
    if (s->m_parent)
        s->m_parent->m_z = s->m_z;
}

// ---- camera helpers ----

bool V3dView::meshBox(const Vsprite* s, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1)
{
    bool any = false;
    for (; s; s = s->m_sibling.get()) {
        if (s->m_model && s->m_x1 > s->m_x0) {
            x0 = std::min(x0, s->m_x0);
            y0 = std::min(y0, s->m_y0);
            x1 = std::max(x1, s->m_x1);
            y1 = std::max(y1, s->m_y1);
            any = true;
        }
        any = meshBox(s->m_child.get(), x0, y0, x1, y1) || any;
    }
    return any;
}

void V3dView::lookAt(int32_t a)
{
    // The camera looks along -z, so it stands on the +z side of the tree.
    // From 1000 units a tank is a few pixels wide, too few to frame it to
    // better than a factor of two, and near the tree its front looms larger
    // than its middle: so look again from where each look put the camera
    // (by the meshes' own boxes, which unlike the repaint list reach past
    // the screen) until the tree spans the view.
    int32_t distance = 0x1F40000;
    for (int32_t pass = 0; pass < 8 && m_width > 0 && m_height > 0; pass++) {
        setWxyz(0, 0, distance);
        m_dirtyCount = 0;
        detect3d();
        int32_t x0 = 0x7FFFFFFF, y0 = 0x7FFFFFFF, x1 = -0x7FFFFFFF - 1, y1 = -0x7FFFFFFF - 1;
        if (!meshBox(m_child.get(), x0, y0, x1, y1))
            break;
        int32_t w = m_width, h = m_height;
        int64_t ex = std::max(std::abs(x0 - w / 2), std::abs(x1 - w / 2));
        int64_t ey = std::max(std::abs(y0 - h / 2), std::abs(y1 - h / 2));
        int32_t f = static_cast<int32_t>(std::clamp<int64_t>(std::max((ex << 16) / w, (ey << 16) / h), 1, 0x7FFFFFFF));
        m_work->m_x = 0;
        m_work->m_y = 0;
        m_work->m_z = distance;
        m_work->multiply(f);
        distance = std::max(m_work->m_z, 0x10000);
        if (pass > 0 && f > 32768 - 256 && f < 32768 + 256)
            break;
    }
    if (a > 0) {
        m_work->m_z = distance;
        m_work->divide(a);
        distance = m_work->m_z;
    }
    setWxyz(0, 0, distance);
    m_dirtyCount = 0;
    redraw(0, 0, m_width, m_height);
}

void V3dView::viewer(const ref<String>& name)
{
    identity();
    m_pitch = 0;
    m_heading = 0;
    ref<Vsprite> s = loadModel(name);
    if (!s->m_model)
        std::fprintf(stderr, "V3dView: there is no mesh named %s\n", name ? name->c_str() : "");
    int32_t background = m_color;
    // Something must paint behind the mesh, or it would leave trails.
    setColor(static_cast<int32_t>(0xFF3A4450));
    add(s);
    lookAt(ONE);
    while (!stopRequested()) {
        screenResize();
        const int32_t k = input().keyGet();
        if (k == Key::kEscape)
            break;
        switch (k) {
        case Key::kLeft: s->rotateY(-455); break;
        case Key::kRight: s->rotateY(455); break;
        case Key::kUp: s->rotateX(455); break;
        case Key::kDown: s->rotateX(-455); break;
        case Key::kPlus: m_wz -= 10922; break;
        case Key::kMinus: m_wz += 10922; break;
        case Key::letter('U'): m_wy += 910; break;
        case Key::letter('D'): m_wy -= 910; break;
        default: break;
        }
        renderWait();
    }
    s->off();
    s->removeAll();
    setColor(background);
}
