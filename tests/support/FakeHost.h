#pragma once
#include <vector>

#include "host/Host.h"
#include "scene/Viewport.h"

struct Rect {
    int32_t x0, y0, x1, y1;
    bool operator==(const Rect&) const = default;
};

// A host with a virtual clock (sleeping advances it) that records every paint
// request, with a copy of the dirty list it was asked to show.
class FakeHost : public Host {
public:
    FakeHost() { Host::install(this); }
    ~FakeHost() override { Host::install(nullptr); }

    void redrawAll(Viewport& vp) override { m_paints.push_back(dirtyList(vp)); }
    void redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override
    {
        m_redraws.push_back({x0, y0, x1, y1});
        m_now += m_paintMs;
        if (static_cast<int32_t>(m_redraws.size()) == m_stopAfter)
            vp.requestStop();
    }
    int32_t nowMs() override { return m_now; }
    void sleepMs(int32_t ms) override
    {
        m_slept += ms, m_now += ms;
        if (m_stopVp && m_now >= m_stopAt)
            m_stopVp->requestStop();
    }
    int32_t loadSound(const char*) override { return 0; }
    void playSound(int32_t) override { m_played++; }

    static std::vector<Rect> dirtyList(const Viewport& vp)
    {
        // The list is words x0, y0, x1, y1 after another: Rects as they lie.
        const auto* rects = reinterpret_cast<const Rect*>(vp.m_dirty.a);
        return {rects, rects + vp.m_dirtyCount / 4};
    }

    int32_t m_now = 1000;
    int32_t m_slept = 0;
    int32_t m_played = 0;
    int32_t m_paintMs = 0;        // clock time each single-rectangle paint takes
    int32_t m_stopAfter = -1;     // the viewport is stopped at this redraw
    Viewport* m_stopVp = nullptr; // stopped once sleeping reaches m_stopAt
    int32_t m_stopAt = 0;
    std::vector<std::vector<Rect>> m_paints;
    std::vector<Rect> m_redraws;
};

inline ref<Vsprite> box(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color = 0xFF808080)
{
    ref<Vsprite> s(new Vsprite());
    s->setXyi(x, y), s->setWidthHeight(w, h), s->setColor(static_cast<int32_t>(color));
    return s;
}
