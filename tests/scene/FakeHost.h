#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/Host.h"
#include "scene/Viewport.h"

// A host with a virtual clock (sleeping advances it) that records every paint
// request, with a copy of the dirty list it was asked to show.
class FakeHost : public Host {
public:
    struct Rect {
        int32_t x0, y0, x1, y1;
        bool operator==(const Rect&) const = default;
    };

    FakeHost() { Host::install(this); }
    ~FakeHost() override { Host::install(nullptr); }

    void redrawAll(Viewport& vp) override
    {
        std::vector<Rect> list;
        for (int32_t i = 0; i + 3 < vp.m_dirtyCount; i += 4)
            list.push_back({vp.m_dirty[i], vp.m_dirty[i + 1], vp.m_dirty[i + 2], vp.m_dirty[i + 3]});
        m_paints.push_back(list);
    }
    void redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override
    {
        m_redraws.push_back({x0, y0, x1, y1});
        m_now += m_paintMs;
        if (static_cast<int32_t>(m_redraws.size()) == m_stopAfter)
            vp.m_stop = true;
    }
    int32_t nowMs() override { return m_now; }
    void sleepMs(int32_t ms) override
    {
        m_slept += ms;
        m_now += ms;
        m_sleeps++;
        if (m_stopVp && m_now >= m_stopAt)
            m_stopVp->m_stop = true;
    }
    int32_t loadSound(const char* path) override
    {
        m_loaded.push_back(path);
        return static_cast<int32_t>(m_loaded.size()) - 1;
    }
    void playSound(int32_t id) override { m_played.push_back(id); }

    int32_t m_now = 1000;
    int32_t m_slept = 0;
    int32_t m_sleeps = 0;
    int32_t m_paintMs = 0;    // clock time that each single-rectangle paint takes
    int32_t m_stopAfter = -1; // sets the viewport's stop flag at this redraw
    Viewport* m_stopVp = nullptr; // gets its stop flag set once sleeping reaches m_stopAt
    int32_t m_stopAt = 0;
    std::vector<std::vector<Rect>> m_paints;
    std::vector<Rect> m_redraws;
    std::vector<std::string> m_loaded;
    std::vector<int32_t> m_played;
};
