#include "game/MenuScreen.h"

#include <algorithm>

#include "game/App.h"
#include "game/GameSound.h"
#include "runtime/Catalog.h"

namespace {

bool isItem(const ref<Vmenu>& m, int32_t key)
{
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        if (c->m_id == key)
            return true;
    return false;
}

constexpr int32_t kMostNotches = 16; // the wheel moves the highlight at most this far a frame

} // namespace

MenuScreen::MenuScreen(App& app) : Screen(app), m_menu(new Vmenu(app.m_theme)) {}

void MenuScreen::show(const ref<String>& heading)
{
    m_texts = Catalog::generation();
    m_app.input().wheelTake();
    m_app.m_stage->showMenu(m_menu, heading);
}

void MenuScreen::layout()
{
    if (m_app.m_stage->menuShown(m_menu))
        m_app.m_stage->reshowMenu(m_menu);
}

void MenuScreen::rebuild()
{
    const int32_t chosen = m_menu->m_selected ? m_menu->m_selected->m_id : 0;
    m_app.m_stage->closeMenu(m_menu);
    m_menu = new Vmenu(m_menu->m_theme);
    enter();
    if (chosen != 0)
        m_menu->select(chosen);
}

bool MenuScreen::stale() const
{
    return m_texts != Catalog::generation();
}

void MenuScreen::leave()
{
    m_app.m_stage->closeMenu(m_menu);
}

bool MenuScreen::back(int32_t k) const
{
    // Escape leaves a menu whatever key the player gave the menu.
    return k == Key::kEscape || m_app.m_actions.is(k, Action::Menu);
}

int32_t MenuScreen::menuKey(Input& in, int32_t* pressed)
{
    Stage& stage = *m_app.m_stage;
    const ref<Vmenu>& m = m_menu;
    // The mouse, as on any desktop: the highlight follows the pointer when
    // it moves, and each wheel notch moves it like an arrow key.
    const int32_t px = in.pointerX(), py = in.pointerY();
    if (px != stage.m_pointerSeenX || py != stage.m_pointerSeenY) {
        stage.m_pointerSeenX = px;
        stage.m_pointerSeenY = py;
        if (px >= 0 && py >= 0)
            m->hover(px, py);
    }
    for (int32_t w = std::clamp(in.wheelTake(), -kMostNotches, kMostNotches); w != 0; w += w > 0 ? -1 : 1)
        m->key(static_cast<char>(w > 0 ? Key::kUp : Key::kDown), 0, 0);
    const int32_t k = ActionMap::menuKey(in.keyGet());
    if (pressed)
        *pressed = k;
    const int32_t r = static_cast<uint8_t>(m->key(static_cast<char>(k), in.touchX(), in.touchY()));
    // The touch has been used; it must not count again.
    if (k == Key::kTouch)
        in.touchUsed();
    if (r != 0 && isItem(m, r))
        m_app.sound(String::intern(GameSound::kClick));
    return r;
}
