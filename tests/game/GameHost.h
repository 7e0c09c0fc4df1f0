#pragma once
#include <algorithm>
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
// the clock passes their time (keys, checks of the game's state, the stop).
// Times count from the start of the run. Checks run inside the game's frame
// wait, after a render, so the sprite tree is consistent.
class GameHost : public Host {
public:
    using Action = std::function<void(App&)>;

    GameHost() { Host::install(this); }
    ~GameHost() override { Host::install(nullptr); }

    void redrawAll(Viewport&) override {}
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override {}
    int32_t nowMs() override { return 5000 + m_elapsed; }
    void sleepMs(int32_t ms) override
    {
        m_elapsed += std::max(ms, 0);
        while (!m_actions.empty() && m_actions.begin()->first <= m_elapsed && m_app) {
            Action a = std::move(m_actions.begin()->second);
            m_actions.erase(m_actions.begin());
            a(*m_app);
        }
    }
    int32_t loadSound(const char* path) override
    {
        std::string name = path;
        name = name.substr(name.rfind('/') + 1);
        names().push_back(name.substr(0, name.rfind('.')));
        return static_cast<int32_t>(names().size() - 1);
    }
    void playSound(int32_t id) override { m_played.push_back(id); }

    // ---- the script ----
    void at(int32_t ms, Action a) { m_actions.emplace(ms, std::move(a)); }
    void key(int32_t ms, int32_t code)
    {
        at(ms, [code](App& app) {
            app.keyDownSys(code);
            app.keyUpSys(code);
        });
    }
    // Keys in turn, 300 ms apart from ms on.
    void keys(int32_t ms, const std::string& codes)
    {
        for (char c : codes) {
            key(ms, c);
            ms += 300;
        }
    }
    void stopAt(int32_t ms)
    {
        at(ms, [](App& app) { app.m_stop = true; });
    }

    // Runs a new App on a w x h screen until the script stops it.
    void run(int32_t w = 480, int32_t h = 320)
    {
        stopAt(600000); // a script that never stops the game still ends
        m_app = new App;
        m_app->init(new Vdisplay);
        m_app->setWidthHeight(w, h);
        m_app->run();
    }

    // How often the sound of that name was played.
    int32_t count(const std::string& name) const
    {
        int32_t n = 0;
        for (int32_t id : m_played)
            n += names()[static_cast<std::size_t>(id)] == name;
        return n;
    }

    int32_t m_elapsed = 0;
    ref<App> m_app;
    std::vector<int32_t> m_played;

private:
    // Shared by every host of the run: the sound cache outlives them.
    static std::vector<std::string>& names()
    {
        static std::vector<std::string> all;
        return all;
    }
    std::multimap<int32_t, Action> m_actions;
};
