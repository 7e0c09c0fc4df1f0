#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/App.h"
#include "host/Host.h"
#include "host/Vdisplay.h"

// A host for running the real App on the test's own thread: a virtual clock
// that advances by what the game sleeps, and a script of actions applied when
// the clock passes their time (keys, touches, checks of the game's state,
// the stop). Times count from the start of the run. Checks run inside the
// game's frame wait, after a render, so the sprite tree is consistent.
class GameHost : public Host {
public:
    using Action = std::function<void(App&)>;
    struct Played {
        int32_t ms;
        std::string name;
    };

    GameHost() { Host::install(this); }
    ~GameHost() override { Host::install(nullptr); }

    void redrawAll(Viewport&) override { m_paints++; }
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override { return m_now; }
    void sleepMs(int32_t ms) override
    {
        if (ms > 0) {
            m_now += ms;
            m_elapsed += ms;
        }
        applyDue();
    }
    int32_t loadSound(const char* path) override
    {
        // Shared by every host of the run: the sound cache outlives them.
        static std::map<std::string, int32_t> ids;
        std::string name = path;
        name = name.substr(name.rfind('/') + 1);
        name = name.substr(0, name.rfind('.'));
        auto [it, added] = ids.emplace(name, static_cast<int32_t>(ids.size()));
        if (added)
            names().push_back(name);
        return it->second;
    }
    void playSound(int32_t id) override { m_played.push_back({m_elapsed, names()[static_cast<std::size_t>(id)]}); }

    // ---- the script ----
    void at(int32_t ms, Action a) { m_actions.emplace(ms, std::move(a)); }
    void key(int32_t ms, int32_t code)
    {
        at(ms, [code](App& app) {
            app.keyDownSys(code);
            app.keyUpSys(code);
        });
    }
    // Keys in turn, gap ms apart from ms on.
    void keys(int32_t ms, const std::string& codes, int32_t gap = 300)
    {
        for (char c : codes) {
            key(ms, c);
            ms += gap;
        }
    }
    void touch(int32_t ms, int32_t x, int32_t y)
    {
        at(ms, [x, y](App& app) {
            app.m_mouseX = x;
            app.m_mouseY = y;
            app.keyDownSys(5);
            app.keyUpSys(5);
        });
    }
    void stopAt(int32_t ms)
    {
        at(ms, [](App& app) { app.m_stop = true; });
    }

    // Runs a new App on a w x h screen until the script stops it.
    void run(int32_t w = 480, int32_t h = 320)
    {
        stopAt(kLastMs); // a script that never stops the game still ends
        m_app = new App;
        m_app->init(new Vdisplay);
        m_app->setWidthHeight(w, h);
        m_app->run();
    }

    // Sounds played, by name.
    int32_t count(const std::string& name) const
    {
        int32_t n = 0;
        for (const Played& p : m_played)
            n += p.name == name;
        return n;
    }

    static constexpr int32_t kLastMs = 600000;

    int32_t m_now = 5000;
    int32_t m_elapsed = 0;
    int32_t m_paints = 0;
    ref<App> m_app;
    std::vector<Played> m_played;

private:
    static std::vector<std::string>& names()
    {
        static std::vector<std::string> all;
        return all;
    }
    void applyDue()
    {
        while (!m_actions.empty() && m_actions.begin()->first <= m_elapsed && m_app) {
            Action a = std::move(m_actions.begin()->second);
            m_actions.erase(m_actions.begin());
            a(*m_app);
        }
    }

    std::multimap<int32_t, Action> m_actions;
};
