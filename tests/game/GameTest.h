#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/App.h"
#include "game/BattleScreen.h"
#include "game/MapScreen.h"
#include "game/Tank.h"
#include "host/Host.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
#include "scene/Vmenu.h"
#include "scene/Vtext.h"
#include "support/Files.h"

// A key pressed and let go.
inline void press(App& app, int32_t code)
{
    app.input().keyDownSys(code);
    app.input().keyUpSys(code);
}

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
    int32_t nowMs() override { return m_epoch + m_elapsed; }
    void sleepMs(int32_t ms) override
    {
        m_elapsed += std::max(ms, 0);
        runDue();
    }
    // Runs the actions whose time has come.
    void runDue()
    {
        while (!m_actions.empty() && m_actions.begin()->first <= m_elapsed && m_app) {
            Action a = std::move(m_actions.begin()->second);
            m_actions.erase(m_actions.begin());
            a(*m_app);
        }
    }
    int32_t loadSound(const char* path) override
    {
        m_names.push_back(std::filesystem::path(path).stem().string());
        return static_cast<int32_t>(m_names.size() - 1);
    }
    void playSound(int32_t id) override { m_played.push_back(m_names[static_cast<std::size_t>(id)]); }
    // A loop's volume by its handle; 0 once stopped.
    int32_t loopSound(int32_t id, int32_t volume) override
    {
        m_loops.emplace_back(m_names[static_cast<std::size_t>(id)], volume);
        return static_cast<int32_t>(m_loops.size() - 1);
    }
    void setLoopVolume(int32_t loop, int32_t volume) override
    {
        if (m_loops.at(static_cast<std::size_t>(loop)).second > 0)
            m_loops[static_cast<std::size_t>(loop)].second = volume;
    }
    void stopLoop(int32_t loop) override { m_loops.at(static_cast<std::size_t>(loop)).second = 0; }
    int32_t frameUs() override { return m_frameUs; }

    // ---- the script ----
    void at(int32_t ms, Action a) { m_actions.emplace(ms, std::move(a)); }
    // Keys come in by the window's input: a battle recorded takes its copy
    // of them once a frame.
    void key(int32_t ms, int32_t code)
    {
        at(ms, [this, code](App&) {
            input().keyDownSys(code);
            input().keyUpSys(code);
        });
    }
    // A key held down from ms on, or with down false, let go then.
    void hold(int32_t ms, int32_t code, bool down = true)
    {
        at(ms, [this, code, down](App&) { down ? input().keyDownSys(code) : input().keyUpSys(code); });
    }
    // Keys in turn, 300 ms apart from ms on.
    void keys(int32_t ms, const std::string& codes)
    {
        for (char c : codes) {
            key(ms, c);
            ms += 300;
        }
    }
    // Runs check every ms from `from` to `to`, until it answers true.
    void every(int32_t from, int32_t to, int32_t ms, std::function<bool(App&)> check)
    {
        auto done = std::make_shared<bool>(false);
        for (int32_t t = from; t < to; t += ms)
            at(t, [done, check](App& app) { *done = *done || check(app); });
    }
    void stopAt(int32_t ms)
    {
        at(ms, [](App& app) { app.requestStop(); });
    }

    // Runs a new App on a w x h screen until the script stops it; setUp
    // readies it first (a recorder, a replay to play).
    void run(int32_t w = 480, int32_t h = 320, const Action& setUp = nullptr)
    {
        stopAt(600000); // a script that never stops the game still ends
        m_app = new App;
        m_app->m_demo = m_demo;
        m_app->init(new Vdisplay);
        m_app->setWidthHeight(w, h);
        if (setUp)
            setUp(*m_app);
        m_app->run();
    }

    // Runs a new App until the clock reaches ms.
    void runUntil(int32_t ms, int32_t w = 480, int32_t h = 320)
    {
        stopAt(ms);
        run(w, h);
    }

    // How often the sound of that name was played.
    int32_t count(const std::string& name) const
    {
        return static_cast<int32_t>(std::count(m_played.begin(), m_played.end(), name));
    }

    // The volume of the loop of that name playing now; 0 when none plays,
    // -1 when more than one does.
    int32_t looping(const std::string& name) const
    {
        int32_t volume = 0, n = 0;
        for (const auto& [sound, v] : m_loops)
            if (sound == name && v > 0)
                volume = v, n++;
        return n > 1 ? -1 : volume;
    }

    int32_t m_elapsed = 0;
    int32_t m_epoch = 5000; // the clock at the start: the game's dice are thrown by it
    bool m_demo = false; // the game plays itself
    int32_t m_frameUs = Host::kPhoneFrameUs; // the pace of the frames
    ref<App> m_app;
    std::vector<std::string> m_played;

private:
    std::vector<std::pair<std::string, int32_t>> m_loops; // every loop started: its sound and volume
    std::vector<std::string> m_names; // of the sounds loaded, by identifier
    std::multimap<int32_t, Action> m_actions;
};

// The battle has begun by this time after toBattle.
constexpr int32_t kInBattle = 4000;

// From the start-up menu into the battle of the stored campaign: Resume
// closes the menu, Enter goes on from the map.
inline void toBattle(GameHost& host)
{
    host.key(2200, 'R');
    host.key(2700, Key::kEnter);
}

// The battle is on the screen, with the tank in it.
inline bool inBattle(App& app)
{
    return dynamic_cast<BattleScreen*>(app.top()) && app.m_battle->m_tank && app.m_battle->m_tank->m_wx != 0;
}

// The text is on the screen.
inline bool showing(App& app, const std::string& text);

// Every enemy sent off the field for good: nothing but the ground in the way.
inline void clearField(App& app)
{
    for (const ref<Tank>& e : app.m_battle->m_forces)
        if (e->m_id == Hud::kRadarEnemy) {
            e->off();
            e->park();
            e->m_damage = -1;
            e->m_timer = -100000;
        }
}

// A drag of dy pixels down the middle of the screen, as a finger or the mouse
// does it: a touch that moves and ends.
inline void drag(App& app, int32_t dy)
{
    Input& in = app.input();
    const int32_t x = app.m_width / 2, y = app.m_height / 2;
    in.touchBegin(x, y);
    in.touchMove(x, y + dy);
    in.touchEnd();
}

// Runs the game on the generated data with a preferences folder of its own.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InputStream::setResourceDir(KORVATH_DATA_DIR);
        Vdisplay::setPrefsDir(m_dir.str());
    }
    void TearDown() override
    {
        Vdisplay::setPrefsDir("");
        InputStream::setResourceDir(".");
    }

    std::string recordPath() const { return m_dir.file("korvath"); }
    // A stored record of twelve 16-bit slots.
    void writeRecord(const std::vector<int32_t>& slots)
    {
        std::string bytes;
        for (int32_t v : slots)
            bytes += {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)};
        writeFile(recordPath(), bytes);
    }
    // Slot k of the stored record, -1 when it is not there.
    int32_t storedSlot(int32_t k) const
    {
        std::string b = readFile(recordPath());
        if (static_cast<int32_t>(b.size()) < 2 * k + 2)
            return -1;
        return (b[2 * k] & 255) + 256 * (b[2 * k + 1] & 255);
    }
    // A campaign: side, front and level, the fresh tank, no battle.
    void campaign(int32_t side, int32_t front, int32_t level = 0, bool mute = false)
    {
        writeRecord({side, front, level, 0, 0, mute ? 1 : 0, 0, 40, 20, 20, 0, 0});
    }

    // Into the battle of that campaign on m_host.
    void battle(int32_t side = 1, int32_t front = 5, int32_t level = 0)
    {
        campaign(side, front, level);
        toBattle(m_host);
    }

    TempDir m_dir{"game"};
    GameHost m_host;
};

// ---- looking at what the player sees ----

// The first menu shown in the tree below s (on the stage, maybe under a
// heading), or null.
inline ref<Vmenu> shownMenu(Vsprite& s)
{
    for (Vsprite* c = s.m_child.get(); c; c = c->m_sibling.get()) {
        if (ref<Vmenu> m = ref_cast<Vmenu>(ref<Vsprite>(c)))
            return m;
        if (ref<Vmenu> m = shownMenu(*c))
            return m;
    }
    return nullptr;
}

// The text of an item: the item itself, or on a button row its last child.
inline std::string itemText(Vsprite* item)
{
    Vsprite* last = item;
    for (Vsprite* c = item ? item->m_child.get() : nullptr; c; c = c->m_sibling.get())
        last = c;
    auto* t = dynamic_cast<Vtext*>(last);
    return t && t->m_text ? t->m_text->c_str() : "";
}

inline std::vector<std::string> menuItems(const ref<Vmenu>& m)
{
    std::vector<std::string> out;
    for (Vsprite* c = m ? m->m_child.get() : nullptr; c; c = c->m_sibling.get())
        out.push_back(itemText(c));
    return out;
}

inline std::string selectedItem(const ref<Vmenu>& m) { return m ? itemText(m->m_selected.get()) : ""; }

// The first text in the tree below s (s included) that contains part.
inline ref<Vtext> findText(Vsprite* s, const std::string& part)
{
    if (auto* t = dynamic_cast<Vtext*>(s); t && t->m_text && std::string(t->m_text->c_str()).find(part) != std::string::npos)
        return ref<Vtext>(t);
    for (Vsprite* c = s->m_child.get(); c; c = c->m_sibling.get())
        if (ref<Vtext> t = findText(c, part))
            return t;
    return nullptr;
}

inline bool showing(App& app, const std::string& text)
{
    ref<Vtext> t = findText(&app, text);
    return t && t->isLinked();
}

// Every sprite below s showing picture index.
inline std::vector<Vsprite*> withImage(Vsprite* s, int32_t index)
{
    std::vector<Vsprite*> out;
    for (Vsprite* c = s->m_child.get(); c; c = c->m_sibling.get()) {
        if (c->m_image == index)
            out.push_back(c);
        for (Vsprite* d : withImage(c, index))
            out.push_back(d);
    }
    return out;
}

// The campaign map while its screen is up, or null.
inline ref<Vsprite> mapSprite(App& app)
{
    for (const ref<Screen>& s : app.screens())
        if (auto* map = dynamic_cast<MapScreen*>(s.get()))
            return map->mapSprite();
    return nullptr;
}

// The flag in map cell (c, r), or null.
inline Vsprite* flagAt(App& app, int32_t c, int32_t r)
{
    for (int32_t p : {29, 30, 31})
        for (Vsprite* f : mapSprite(app) ? withImage(mapSprite(app).get(), p) : std::vector<Vsprite*>())
            if (f->m_x == (c * 20) << 15 && f->m_y == (r * 20) << 15)
                return f;
    return nullptr;
}
