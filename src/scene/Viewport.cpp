#include "scene/Viewport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/Host.h"
#include "host/Vdisplay.h"

Viewport::Viewport() : m_dirty(128) {}

Viewport::~Viewport() = default;

void Viewport::releasePixels()
{
    if (!m_pixels.empty())
        V::m_avail += m_pixels.length * 4;
    m_pixels = Array<int32_t>();
}

void Viewport::init(const ref<Vdisplay>& d)
{
    m_display = d;
    m_time = Host::current().nowMs();
}

void Viewport::setWidthHeight(int32_t w, int32_t h)
{
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == m_width && h == m_height)
        return;
    releasePixels();
    if (static_cast<int64_t>(w) * h > 0x1FFFFFFF) {
        std::fprintf(stderr, "Viewport: screen size %d x %d is too large\n", w, h);
        w = 0;
        h = 0;
    }
    if (w > 0 && h > 0) {
        m_pixels = V::allocInt(w * h);
        if (m_pixels.empty()) {
            std::fprintf(stderr, "Viewport: no memory for a %d x %d pixel buffer\n", w, h);
            V::m_avail += w * h * 4;
            w = 0;
            h = 0;
        }
    }
    m_width = w;
    m_height = h;
    m_x0 = 0;
    m_y0 = 0;
    m_x1 = w;
    m_y1 = h;
    m_dirtyCount = 0;
    Viewport::redraw(0, 0, w, h);
}

void Viewport::destroy()
{
    removeAll();
    releasePixels();
    m_width = 0;
    m_height = 0;
    // Without a buffer nothing may be collected or drawn any more.
    m_x1 = m_x0;
    m_y1 = m_y0;
    m_dirtyCount = 0;
}

void Viewport::run()
{
    begin();
    for (int32_t wait = step(); wait != kStepOver; wait = step()) {
        if (wait != kStepAtOnce)
            waitMs(wait);
    }
    end();
}

bool Viewport::isRunning()
{
    return !m_stop.load();
}

Input& Viewport::input()
{
    return Host::current().gameInput();
}

// ---- dirty rectangles ----

void Viewport::redraw()
{
    redraw(m_x0, m_y0, m_x1, m_y1);
}

void Viewport::redraw(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (m_parent) {
        m_parent->redraw(x0, y0, x1, y1);
        return;
    }
    x0 = std::max(x0, m_x0);
    y0 = std::max(y0, m_y0);
    x1 = std::min(x1, m_x1);
    y1 = std::min(y1, m_y1);
    if (x0 >= x1 || y0 >= y1)
        return;
    int32_t* d = m_dirty.a;
    int32_t i = 0;
    while (i < m_dirtyCount) {
        int32_t* r = d + i;
        // Touching edges count as overlap, so neighbours merge into one.
        if (std::max(r[0], x0) > std::min(r[2], x1) || std::max(r[1], y0) > std::min(r[3], y1)) {
            i += 4;
            continue;
        }
        if (r[0] <= x0 && x1 <= r[2] && r[1] <= y0 && y1 <= r[3])
            return;
        // Grow the new rectangle over the listed one, drop that one and look
        // again from the start: the larger box may now touch earlier ones.
        x0 = std::min(x0, r[0]);
        y0 = std::min(y0, r[1]);
        x1 = std::max(x1, r[2]);
        y1 = std::max(y1, r[3]);
        std::memmove(r, r + 4, static_cast<std::size_t>(m_dirtyCount - i - 4) * 4);
        m_dirtyCount -= 4;
        i = 0;
    }
    if (m_dirtyCount + 4 > m_dirty.length)
        return;
    d[m_dirtyCount] = x0;
    d[m_dirtyCount + 1] = y0;
    d[m_dirtyCount + 2] = x1;
    d[m_dirtyCount + 3] = y1;
    m_dirtyCount += 4;
}

// ---- frames ----

void Viewport::render()
{
    if (!isRunning())
        return;
    renderChangeDetect(0, 0, 32768);
    bool drawable = !m_pixels.empty();
    for (int32_t i = 0; i < m_dirtyCount; i += 4) {
        int32_t x0 = m_dirty.a[i], y0 = m_dirty.a[i + 1], x1 = m_dirty.a[i + 2], y1 = m_dirty.a[i + 3];
        if (x0 >= x1 || y0 >= y1)
            continue;
        if (drawable)
            Vsprite::draw(m_pixels, m_width, m_height, x0, y0, x1, y1);
        if (!m_display && m_parent)
            m_parent->redraw(x0 + m_x0, y0 + m_y0, x1 + m_x0, y1 + m_y0);
    }
    if (m_display && m_dirtyCount > 0)
        Host::current().redrawAll(*this);
    m_dirtyCount = 0;
}

void Viewport::renderWait()
{
    render();
    waitMs(64);
}

void Viewport::waitMs(int32_t ms)
{
    if (!isRunning())
        return;
    Host& host = Host::current();
    int32_t target = m_time + ms;
    int32_t now = host.nowMs();
    int32_t left = target - now;
    if (left > 0) {
        // Short slices so that a stop request ends the wait within 10 ms; the
        // clock is read after each so a slow sleep is not paid for twice.
        while (left > 0 && !stopRequested()) {
            int32_t slice = std::min(left, 10);
            host.sleepMs(slice);
            left = std::min(left - slice, target - host.nowMs());
        }
        now = left > 0 ? host.nowMs() : target;
    }
    m_frameMs = now - m_time;
    m_time = now;
}

void Viewport::draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                    int32_t y0, int32_t x1, int32_t y1)
{
    // Keep to both buffers: the screen rectangle may be larger than the own
    // buffer (a scaled viewport) or reach past the target.
    x0 = std::max({x0, m_x0, 0});
    y0 = std::max({y0, m_y0, 0});
    x1 = std::min({x1, m_x0 + m_width, width});
    y1 = std::min({y1, m_y0 + m_height, height});
    if (x0 >= x1 || y0 >= y1 || m_pixels.empty() || pixels.length < width * height)
        return;
    std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 4;
    for (int32_t y = y0; y < y1; y++)
        std::memcpy(pixels.a + x0 + y * width, m_pixels.a + (x0 - m_x0) + (y - m_y0) * m_width,
                    bytes);
}

bool Viewport::visible(const ref<Vsprite>& s)
{
    for (Vsprite* p = s.get(); p; p = p->m_child.get()) {
        if (p->m_x1 >= 1 && p->m_x0 < p->m_x1 && p->m_x0 < m_width && p->m_y1 > 0 &&
            p->m_y0 < m_height)
            return true;
    }
    return false;
}

// ---- sound ----

void Viewport::sound(const ref<String>& name)
{
    if (m_mute || !isRunning())
        return;
    if (m_display)
        m_display->audio(name, false);
    m_soundTime = Host::current().nowMs();
}

void Viewport::soundBkg(const ref<String>& name, int32_t interval)
{
    if (m_mute || !isRunning())
        return;
    int32_t now = Host::current().nowMs();
    int32_t d = now - m_soundTime;
    if (d >= 0 && d < interval)
        return;
    if (m_display)
        m_display->audio(name, true);
    m_soundTime = now;
}

// ---- transitions ----

void Viewport::fadeIn(const ref<Vsprite>& s, int32_t shift)
{
    if (!s)
        return;
    waitMs(0);
    waitMs(0);
    // A shift outside 0..31 would add nothing per frame and never finish.
    if (shift >= 0 && shift < 32) {
        int32_t a = 2048;
        while (a < 32768 && !stopRequested()) {
            s->setAlpha(a);
            renderWait();
            int64_t next = a + (static_cast<int64_t>(m_frameMs) << shift);
            a = static_cast<int32_t>(std::min<int64_t>(next, 32768));
        }
    }
    s->setAlpha(32768);
}

void Viewport::fadeToBlack(int32_t ms)
{
    if (m_pixels.empty() || ms < 0)
        return;
    int32_t left = ms;
    for (int32_t step = 0; step < 18 && left >= 0 && !stopRequested(); step++) {
        fadeStep();
        waitMs(ms / 18);
        left -= m_frameMs;
    }
}

void Viewport::fadeStep()
{
    if (m_pixels.empty())
        return;
    int32_t* px = m_pixels.a;
    const int32_t n = m_width * m_height;
    // Each channel loses an eighth of itself; the mask keeps the bits
    // shifted in from the next channel (and the depth byte) out.
    for (int32_t i = 0; i < n; i++)
        px[i] -= (px[i] >> 3) & 0x1F1F1F;
    Host::current().redraw(*this, 0, 0, m_width, m_height);
}

void Viewport::paintDimmed(int32_t level)
{
    if (m_pixels.empty())
        return;
    Vsprite::draw(m_pixels, m_width, m_height, 0, 0, m_width, m_height);
    const uint32_t l = static_cast<uint32_t>(std::clamp(level, 0, 256));
    int32_t* px = m_pixels.a;
    const int32_t n = m_width * m_height;
    // Red and blue scale together in one multiply, green in another; the
    // depth byte stays as it was.
    for (int32_t i = 0; i < n; i++) {
        const uint32_t c = static_cast<uint32_t>(px[i]);
        const uint32_t rb = ((c & 0xFF00FFu) * l >> 8) & 0xFF00FFu;
        const uint32_t g = ((c & 0xFF00u) * l >> 8) & 0xFF00u;
        px[i] = static_cast<int32_t>((c & 0xFF000000u) | rb | g);
    }
    Host::current().redraw(*this, 0, 0, m_width, m_height);
}

void Viewport::paintRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width);
    y1 = std::min(y1, m_height);
    if (x0 < x1 && y0 < y1 && !m_pixels.empty()) {
        Vsprite::draw(m_pixels, m_width, m_height, x0, y0, x1, y1);
        Host::current().redraw(*this, x0, y0, x1, y1);
    }
}

void Viewport::wipeRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    paintRect(x0, y0, x1, y1);
    waitMs(10);
}

void Viewport::wipeTopToBottom()
{
    renderChangeDetect(0, 0, 32768);
    if (m_dirtyCount == 0)
        return;
    for (int32_t y = 0; y < m_height; y += 20) {
        if (stopRequested() || rotating())
            return; // the dirty list stays for the next render
        wipeRect(0, y, m_width, y + 20);
    }
    if (!stopRequested() && !rotating())
        m_dirtyCount = 0;
}

void Viewport::wipeLeftToRight()
{
    renderChangeDetect(0, 0, 32768);
    if (m_dirtyCount == 0)
        return;
    int32_t band = m_width < 320 ? 40 : m_width >> 3;
    for (int32_t x = 0; x < m_width; x += band) {
        if (stopRequested() || rotating())
            return;
        wipeRect(x, 0, x + band, m_height);
    }
    if (!stopRequested() && !rotating())
        m_dirtyCount = 0;
}
