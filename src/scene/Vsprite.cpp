#include "scene/Vsprite.h"

#include <algorithm>
#include <cstring>

#include "math/Vquaternion.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"
#include "scene/Vtext.h"
#include "scene/Vtheme.h"

Vsprite::Vsprite() = default;

// Members go in reverse order of declaration: the quaternion, the matrix, the
// library, then the sibling, parent and child links, and the mesh last.
Vsprite::~Vsprite() = default;

// ---- tree links ----

void Vsprite::add(const ref<Vsprite>& c)
{
    if (!c || c->m_parent)
        return;
    // Children run from farthest (largest z) to nearest; an equal depth goes
    // after the ones already there, so it is drawn over them.
    ref<Vsprite>* link = &m_child;
    while (*link && (*link)->m_z >= c->m_z)
        link = &(*link)->m_sibling;
    c->m_sibling = *link;
    *link = c;
    c->m_parent = this;
}

void Vsprite::addTail(const ref<Vsprite>& c)
{
    // Linking a sprite that sits in another list would join the two lists.
    if (!c || c->m_parent)
        return;
    ref<Vsprite>* link = &m_child;
    while (*link)
        link = &(*link)->m_sibling;
    *link = c;
    c->m_parent = this;
}

void Vsprite::remove(const ref<Vsprite>& c)
{
    if (!c || !c->m_parent)
        return;
    ref<Vsprite> keep = c; // the list may hold the last reference
    keep->erase();
    keep->m_x0 = 0;
    keep->m_x1 = 0;
    for (ref<Vsprite>* link = &m_child; *link; link = &(*link)->m_sibling) {
        if (link->get() == keep.get()) {
            *link = keep->m_sibling;
            keep->m_sibling = nullptr;
            keep->m_parent = nullptr;
            return;
        }
    }
}

void Vsprite::removeAll()
{
    while (m_child)
        remove(m_child);
}

void Vsprite::removeAllStar()
{
    while (m_child) {
        ref<Vsprite> c = m_child;
        remove(c);
        c->removeAllStar();
    }
}

void Vsprite::off()
{
    if (m_parent) {
        ref<Vsprite> parent = m_parent; // removing drops our reference to it
        parent->remove(ref<Vsprite>(this));
    }
}

// ---- stacking ----

void Vsprite::addBottom(const ref<Vtheme>& theme, const ref<Vsprite>& s)
{
    if (!s)
        return;
    const int32_t inset = theme ? theme->m_inset : 0;
    m_width = std::max(m_width, s->m_width + 2 * inset);
    s->setXyi(inset, m_height);
    m_height += s->m_height;
    addTail(s);
}

void Vsprite::addRight(const ref<Vsprite>& s, int32_t gap)
{
    if (!s)
        return;
    s->setXyi(m_width + gap, 0);
    m_width += s->m_width + 2 * gap;
    m_height = std::max(m_height, s->m_height);
    addTail(s);
}

void Vsprite::addCenter(const ref<Vsprite>& s)
{
    if (!s)
        return;
    s->setXyi((m_width - s->m_width) >> 1, (m_height - s->m_height) >> 1);
    addTail(s);
}

void Vsprite::addCenterBottom(const ref<Vtheme>& theme, const ref<Vsprite>& s)
{
    if (!s)
        return;
    addBottom(theme, s);
    s->setXy((m_width - s->m_width) * 16384, s->m_y);
}

namespace {

// A text sprite for the stacking operations, with a field when width > 0.
ref<Vtext> newText(const ref<Vtheme>& theme, const ref<String>& text, int32_t width)
{
    ref<Vtext> t = new Vtext(theme, text);
    if (t && width > 0)
        t->setFieldWidth(width);
    return t;
}

} // namespace

ref<Vtext> Vsprite::addBs(const ref<Vtheme>& theme, const ref<String>& text)
{
    ref<Vtext> t = newText(theme, text, 0);
    addBottom(theme, t);
    return t;
}

ref<Vtext> Vsprite::addBottom(const ref<Vtheme>& theme, const ref<String>& text, int32_t width)
{
    ref<Vtext> t = newText(theme, text, width);
    addBottom(theme, t);
    return t;
}

ref<Vtext> Vsprite::addCenterBs(const ref<Vtheme>& theme, const ref<String>& text)
{
    ref<Vtext> t = newText(theme, text, 0);
    addCenterBottom(theme, t);
    return t;
}

ref<Vtext> Vsprite::addCenterBottom(const ref<Vtheme>& theme, const ref<String>& text, int32_t width)
{
    ref<Vtext> t = newText(theme, text, width);
    addCenterBottom(theme, t);
    return t;
}

void Vsprite::center(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    int32_t y = top + ((bottom - top - m_height) >> 1);
    setXyi(left + ((right - left - m_width) >> 1), std::min(y, bottom - m_height));
}

// ---- accessors ----

void Vsprite::addWxyz(int32_t dx, int32_t dy, int32_t dz)
{
    setWxyz(m_wx + dx, m_wy + dy, m_wz + dz);
}

void Vsprite::addXy(int32_t dx, int32_t dy)
{
    m_x += dx;
    m_y += dy;
}

int32_t Vsprite::getAlpha() { return m_alpha; }
ref<Vsprite> Vsprite::getChild() { return m_child; }
int32_t Vsprite::getHeight() { return m_height; }
int32_t Vsprite::getId() { return m_id; }
int32_t Vsprite::getImage() { return m_image; }
ref<Vsprite> Vsprite::getParent() { return m_parent; }
int32_t Vsprite::getScale() { return m_scale; }
int32_t Vsprite::getWidth() { return m_width; }
int32_t Vsprite::getWx() { return m_wx; }
int32_t Vsprite::getWy() { return m_wy; }
int32_t Vsprite::getWz() { return m_wz; }
int32_t Vsprite::getX() { return m_x; }
int32_t Vsprite::getY() { return m_y; }
bool Vsprite::isLinked() { return m_parent.get() != nullptr; }

void Vsprite::setAlpha(int32_t alpha) { m_alpha = alpha; }
void Vsprite::setColor(int32_t color) { m_color = color; }
void Vsprite::setColorGradient(int32_t color) { m_colorGradient = color; }
void Vsprite::setId(int32_t id) { m_id = id; }
void Vsprite::setScale(int32_t scale) { m_scale = scale; }
void Vsprite::setZ(int32_t z) { m_z = z; }

void Vsprite::setCenter(int32_t cx, int32_t cy)
{
    m_cx = cx;
    m_cy = cy;
}

void Vsprite::setWidthHeight(int32_t w, int32_t h)
{
    m_width = w;
    m_height = h;
}

void Vsprite::setWxyz(int32_t x, int32_t y, int32_t z)
{
    m_wx = x;
    m_wy = y;
    m_wz = z;
}

void Vsprite::setXyi(int32_t x, int32_t y)
{
    m_x = x * 32768;
    m_y = y * 32768;
}

void Vsprite::setXy(int32_t x, int32_t y)
{
    m_x = x;
    m_y = y;
}

bool Vsprite::setExtent(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (m_x0 == x0 && m_y0 == y0 && m_x1 == x1 && m_y1 == y1)
        return false;
    redraw();
    m_x0 = x0;
    m_y0 = y0;
    m_x1 = x1;
    m_y1 = y1;
    m_width = x1 - x0;
    m_height = y1 - y0;
    redraw();
    return true;
}

// ---- pictures ----

void Vsprite::setImage(int32_t index)
{
    setImage(m_lib, index);
}

void Vsprite::setImage(const ref<Vilib>& lib, int32_t index)
{
    if (lib == m_lib && index == m_image)
        return;
    m_lib = lib;
    m_image = index;
    if (!lib)
        return;
    ref<Vpicture> p = lib->loadPicture(index);
    if (!p)
        return;
    m_width = p->m_width;
    m_height = p->m_height;
    m_cx = p->m_cx;
    m_cy = p->m_cy;
}

void Vsprite::releaseImage()
{
    if (!m_lib)
        return;
    ref<Vpicture> p = m_lib->loadPicture(m_image);
    if (!p)
        return;
    p->m_used = false;
    m_lib->m_clock = m_image;
}

// ---- change detection ----

void Vsprite::redraw()
{
    redraw(m_x0, m_y0, m_x1, m_y1);
}

void Vsprite::redraw(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (m_parent && x0 < x1)
        m_parent->redraw(x0, y0, x1, y1);
}

void Vsprite::erase()
{
    redraw();
    m_checksum += 1;
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
        c->erase();
}

void Vsprite::render()
{
    if (m_parent)
        m_parent->render();
}

void Vsprite::renderChangeDetect(int32_t px, int32_t py, int32_t pscale)
{
    int32_t ax, ay, s;
    if (pscale == 32768) {
        ax = px + m_x;
        ay = py + m_y;
        s = m_scale;
    } else {
        ax = px + fmul(m_x, pscale);
        ay = py + fmul(m_y, pscale);
        s = fmul(pscale, m_scale);
    }
    detectChange(ax, ay, s);
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
        c->renderChangeDetect(ax, ay, s);
}

void Vsprite::detectChange(int32_t ax, int32_t ay, int32_t s)
{
    if (m_width == 0)
        return;
    int32_t c = checksum(ax, ay, s);
    if (c != m_checksum) {
        m_checksum = c;
        redraw();
        rescale(ax, ay, s);
        redraw();
    }
}

int32_t Vsprite::checksum(int32_t ax, int32_t ay, int32_t scale)
{
    return ax + 8 * ay + scale + m_width + (m_height << 10) + (m_image << 7) + m_color + m_alpha;
}

void Vsprite::rescale(int32_t ax, int32_t ay, int32_t scale)
{
    m_drawScale = std::min(m_maxScale, scale);
    m_sx = ax - m_drawScale * m_cx;
    m_sy = ay - m_drawScale * m_cy;
    // Adding 32767 before the shift rounds the fixed edges up to whole pixels.
    m_x0 = (m_sx + 32767) >> 15;
    m_y0 = (m_sy + 32767) >> 15;
    m_x1 = (m_sx + 32767 + m_width * m_drawScale) >> 15;
    m_y1 = (m_sy + 32767 + m_height * m_drawScale) >> 15;
}

bool Vsprite::pick(int32_t x, int32_t y)
{
    if (m_width != 0)
        return x >= m_x0 && x < m_x1 && y >= m_y0 && y < m_y1;
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
        if (c->pick(x, y))
            return true;
    return false;
}

void Vsprite::sound(const ref<String>& name)
{
    if (m_parent)
        m_parent->sound(name);
}

void Vsprite::soundBkg(const ref<String>& name, int32_t interval)
{
    if (m_parent)
        m_parent->soundBkg(name, interval);
}

// ---- drawing ----

void Vsprite::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                   int32_t y0, int32_t x1, int32_t y1)
{
    if (m_model) {
        // The nearest ancestor that is a view (it has a size and no mesh)
        // draws meshes into its own buffer.
        Vsprite* view = m_parent.get();
        while (view && (view->m_width == 0 || view->m_model))
            view = view->m_parent.get();
        if (view)
            view->drawModel(ref<Vsprite>(this), x0, y0, x1, y1);
    } else if (m_image != -1) {
        if (m_lib) {
            int32_t alpha = m_parent ? fmul(m_parent->m_alpha, m_alpha) : m_alpha;
            m_lib->drawPicture(m_image, pixels, width, height, x0, y0, x1, y1, m_sx, m_sy,
                               m_drawScale, m_z >> 15, alpha);
        }
    } else if (m_color != 0) {
        drawRect(pixels, width, height, x0, y0, x1, y1, m_color, m_color >> 24);
    } else if (m_colorGradient != 0 && m_height > 0) {
        // Rows blend from black at the sprite's own top edge, wherever the
        // clip starts; the one division is per drawn part, not per row.
        int32_t step = 32768 / m_height;
        int32_t g = m_colorGradient;
        int32_t a = (g >> 24) & 0xFF;
        int32_t cr = (m_color >> 16) & 0xFF, cg = (m_color >> 8) & 0xFF, cb = m_color & 0xFF;
        int32_t gr = (g >> 16) & 0xFF, gg = (g >> 8) & 0xFF, gb = g & 0xFF;
        for (int32_t y = y0; y < y1; y++) {
            int32_t t = (y - m_y0) * step;
            int32_t r = cr + ((t * (gr - cr)) >> 15);
            int32_t gn = cg + ((t * (gg - cg)) >> 15);
            int32_t b = cb + ((t * (gb - cb)) >> 15);
            int32_t row = static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(r << 16) |
                                               static_cast<uint32_t>(gn << 8) |
                                               static_cast<uint32_t>(b));
            drawRow(pixels, width, height, x0, y, x1, row, a);
        }
    }
    if (m_child)
        drawChildren(pixels, width, height, x0, y0, x1, y1);
}

void Vsprite::drawChildren(const Array<int32_t>& pixels, int32_t width, int32_t height,
                           int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get()) {
        if (c->m_width == 0) {
            c->drawChildren(pixels, width, height, x0, y0, x1, y1);
            continue;
        }
        int32_t cx0 = std::max(x0, c->m_x0), cy0 = std::max(y0, c->m_y0);
        int32_t cx1 = std::min(x1, c->m_x1), cy1 = std::min(y1, c->m_y1);
        if (cx0 >= cx1 || cy0 >= cy1)
            continue;
        // A mesh is drawn over the whole rectangle: its box is only an
        // estimate of where it lies.
        if (c->m_model)
            c->draw(pixels, width, height, x0, y0, x1, y1);
        else
            c->draw(pixels, width, height, cx0, cy0, cx1, cy1);
    }
}

void Vsprite::drawModel(const ref<Vsprite>&, int32_t, int32_t, int32_t, int32_t) {}

void Vsprite::drawRect(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                       int32_t y0, int32_t x1, int32_t y1, int32_t color, int32_t alpha)
{
    int32_t a = alpha & 0xFF;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    if (a == 0 || x0 >= x1 || y0 >= y1 || pixels.length < width * height)
        return;
    int32_t* px = pixels.a;
    int32_t n = x1 - x0;
    KV_CHECK(x0 + (y1 - 1) * width + n <= pixels.length, "Vsprite::drawRect");
    if (a == 255) {
        // One row is filled, the others are block copies of it.
        int32_t* first = px + x0 + y0 * width;
        for (int32_t i = 0; i < n; i++)
            first[i] = color;
        for (int32_t y = y0 + 1; y < y1; y++)
            std::memcpy(px + x0 + y * width, first, static_cast<std::size_t>(n) * 4);
    } else if (a == 128) {
        // Halving both sides before adding keeps each channel inside its byte.
        int32_t c = (color >> 1) & 0x7F7F7F;
        for (int32_t y = y0; y < y1; y++) {
            int32_t* row = px + x0 + y * width;
            for (int32_t i = 0; i < n; i++)
                row[i] = c + ((row[i] >> 1) & 0x7F7F7F);
        }
    } else {
        // Premultiply the colour once; each channel of the pixel is weighted
        // by 255 - a. The depth byte is cleared as for any blended pixel.
        int32_t b = 255 - a;
        int32_t cr = (a * ((color >> 16) & 0xFF)) >> 8;
        int32_t cg = (a * ((color >> 8) & 0xFF)) >> 8;
        int32_t cb = (a * (color & 0xFF)) >> 8;
        for (int32_t y = y0; y < y1; y++) {
            int32_t* row = px + x0 + y * width;
            for (int32_t i = 0; i < n; i++) {
                int32_t p = row[i];
                int32_t r = cr + ((b * ((p >> 16) & 0xFF)) >> 8);
                int32_t g = cg + ((b * ((p >> 8) & 0xFF)) >> 8);
                int32_t bl = cb + ((b * (p & 0xFF)) >> 8);
                row[i] = (r << 16) | (g << 8) | bl;
            }
        }
    }
}

void Vsprite::drawRow(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                      int32_t y, int32_t x1, int32_t color, int32_t alpha)
{
    drawRect(pixels, width, height, x0, y, x1, y + 1, color, alpha);
}
