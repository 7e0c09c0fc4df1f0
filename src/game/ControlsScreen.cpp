#include "game/ControlsScreen.h"

#include <algorithm>
#include <string>

#include "game/App.h"
#include "runtime/Catalog.h"
#include "scene/Vtheme.h"

namespace {

constexpr char kReset = 'R', kBack = 'B';
// Opaque: the map behind the half-transparent menus made the small rows hard to read.
constexpr int32_t kPanel = static_cast<int32_t>(0xFF283040);

// The rows are many: they are written small and keep their text look.
ref<Vtheme> smallTheme(const App& app)
{
    ref<Vtheme> t = new Vtheme;
    const Vtheme& big = *app.m_theme;
    t->m_font = app.m_fontSmall;
    t->m_textColor = big.m_textColor;
    t->m_menuColor = kPanel;
    t->m_lib = big.m_lib;
    t->m_mouse = big.m_mouse;
    t->m_inset = big.m_inset;
    return t;
}

std::string promptText(Action a)
{
    return Catalog::fill(Catalog::tr("{1}: press a key or a gamepad button"), {ActionMap::shownName(a)});
}

std::string keyName(int32_t k)
{
    return k == Key::kNone ? "-" : ActionMap::keyName(k);
}

} // namespace

ControlsScreen::ControlsScreen(App& app) : MenuScreen(app)
{
    m_menu = new Vmenu(smallTheme(app));
}

std::string ControlsScreen::rowText(const ActionMap& map, Action a)
{
    std::string s = ActionMap::shownName(a) + ": " + keyName(map.key(a)) + ", " + keyName(map.pad(a));
    Action other = map.conflict(a, map.key(a));
    if (other == Action::None)
        other = map.conflict(a, map.pad(a));
    if (other != Action::None)
        s = Catalog::fill(Catalog::tr("{1} - also {2}"), {s, ActionMap::shownName(other)});
    return s;
}

void ControlsScreen::enter()
{
    int32_t id = kFirstRow;
    for (Action a : ActionMap::rebindable())
        m_rows.push_back(m_menu->add(String::copyOf(rowText(m_app.m_actions, a).c_str()), id++));
    m_menu->addItem(Catalog::tr("Reset to defaults"), kReset);
    m_menu->addItem(Catalog::tr("Back"), kBack);
    // Room for the prompt a row shows while it waits for a key.
    for (Action a : ActionMap::rebindable()) {
        ref<Vtext> prompt = new Vtext(m_menu->m_theme, String::copyOf(promptText(a).c_str()));
        m_menu->m_leastWidth = std::max(m_menu->m_leastWidth, prompt->getWidth());
    }
    show(Catalog::tr("Controls"));
}

void ControlsScreen::refresh()
{
    const auto actions = ActionMap::rebindable();
    for (std::size_t i = 0; i < m_rows.size() && i < actions.size(); i++) {
        std::string s = rowText(m_app.m_actions, actions[i]);
        if (actions[i] == m_waiting)
            s = promptText(m_waiting);
        m_rows[i]->setText(String::copyOf(s.c_str()));
    }
}

void ControlsScreen::input(Input& in)
{
    if (m_waiting != Action::None) {
        prompt(in);
        return;
    }
    int32_t pressed = 0;
    const int32_t k = menuKey(in, &pressed);
    // Left and Right mean nothing on a row (whose text has a colon).
    if (pressed == Key::kLeft || pressed == Key::kRight)
        return;
    if (k == kBack || back(k)) {
        m_app.pop();
        return;
    }
    if (k == kReset) {
        m_app.m_actions.reset();
        m_app.applyOptions();
        refresh();
        return;
    }
    const auto actions = ActionMap::rebindable();
    const int32_t row = k - kFirstRow;
    if (row < 0 || row >= static_cast<int32_t>(actions.size()))
        return;
    m_waiting = actions[static_cast<std::size_t>(row)];
    // The screenshot's key is caught before any screen sees it: not while
    // a key is asked for.
    in.setHotkeys(Key::kNone, Key::kNone);
    refresh();
}

void ControlsScreen::prompt(Input& in)
{
    const int32_t k = in.keyGet();
    if (k == Key::kNone)
        return;
    if (k == Key::kTouch)
        in.touchUsed();
    // Escape or a click leaves the key as it was; so does a key that cannot
    // be bound.
    if (k != Key::kEscape && k != Key::kTouch)
        m_app.m_actions.bind(m_waiting, k);
    stopWaiting();
}

void ControlsScreen::stopWaiting()
{
    m_waiting = Action::None;
    m_app.applyOptions();
    refresh();
}

void ControlsScreen::leave()
{
    if (m_waiting != Action::None)
        stopWaiting();
    m_app.saveOptions();
    MenuScreen::leave();
}
