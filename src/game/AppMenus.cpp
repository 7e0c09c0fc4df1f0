#include "game/App.h"

#include <algorithm>
#include <vector>

#include "game/AppPicture.h"
#include "scene/Vilib.h"

namespace {

ref<String> levelText(int32_t level)
{
    if (level == 0)
        return "Level: Easy"_s;
    if (level == 1)
        return "Level: Medium"_s;
    return "Level: Hard"_s;
}

ref<String> soundText(bool mute)
{
    return mute ? "Sound: Off"_s : "Sound: On"_s;
}

// The band behind a menu's heading: dark, so that the white words read over
// the pale map.
constexpr int32_t kHeadingBand = static_cast<int32_t>(0xD0182028);
constexpr int32_t kHeadingPad = 4; // around the words
constexpr int32_t kHeadingGap = 6; // between the band and the menu

// What a restyled row shows: its last child (the first is the button picture).
Vsprite* itemOf(Vsprite* row)
{
    Vsprite* last = row;
    for (Vsprite* c = row->m_child.get(); c; c = c->m_sibling.get())
        last = c;
    return last;
}

bool isItem(const ref<Vmenu>& m, int32_t key)
{
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        if (c->m_id == key)
            return true;
    return false;
}

} // namespace

// ---- what every menu shares ----

ref<Vsprite> App::showMenu(const ref<Vmenu>& m, const ref<String>& heading)
{
    // Notches turned before the menu was there do not move it.
    input().wheelTake();
    ref<Vtext> words = heading ? new Vtext(m_theme, heading) : nullptr;
    const int32_t reserved = words ? words->getHeight() + 2 * kHeadingPad + kHeadingGap : 0;
    if (m_fontSmall != m_theme->m_font)
        mend(m, reserved);
    if (!words) {
        stageCenter(m);
        return m;
    }
    ref<Vsprite> band = new Vsprite;
    band->setColor(kHeadingBand);
    const int32_t width = std::max(m->getWidth(), words->getWidth() + 4 * kHeadingPad);
    band->setWidthHeight(width, reserved - kHeadingGap);
    words->setXyi((width - words->getWidth()) >> 1, kHeadingPad);
    band->add(words);
    // The frame holds band and menu; it draws nothing itself.
    ref<Vsprite> frame = new Vsprite;
    frame->setWidthHeight(width, reserved + m->getHeight());
    frame->add(band);
    m->setXyi((width - m->getWidth()) >> 1, reserved);
    frame->add(m);
    stageCenter(frame);
    return frame;
}

void App::respread(const ref<Vmenu>& m)
{
    ref<Vsprite> page = pageOf(m);
    const int32_t reserved = page != m ? m->getY() >> 15 : 0;
    // The places the text items had, 3 pixels above and below each, as mend
    // spread them, at the factor that suits the stage now.
    int32_t natural = 0;
    for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get()) {
        ref<Vtext> t = ref_cast<Vtext>(ref<Vsprite>(itemOf(row)));
        natural += (t ? t->getHeight() : row->getHeight()) + 6;
    }
    if (natural <= 0)
        return;
    int64_t f = (static_cast<int64_t>(std::min(m_stageHeight - reserved, m_stageWidth - 20)) << 15) / natural;
    f = std::clamp<int64_t>(f, 0, 0x18000);
    int32_t y = 0;
    for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get()) {
        ref<Vtext> t = ref_cast<Vtext>(ref<Vsprite>(itemOf(row)));
        y += 3;
        row->setXy(0, fmul(static_cast<int32_t>(f), y << 15));
        m->m_height = row->getHeight() + (row->getY() >> 15);
        y += (t ? t->getHeight() : row->getHeight()) + 3;
    }
    if (page != m)
        page->setWidthHeight(page->getWidth(), reserved + m->getHeight());
}

ref<Vsprite> App::pageOf(const ref<Vmenu>& m)
{
    ref<Vsprite> parent = m->getParent();
    return parent && parent != m_stage ? parent : ref<Vsprite>(m);
}

void App::hideMenu(const ref<Vmenu>& m)
{
    pageOf(m)->off();
}

void App::reshowMenu(const ref<Vmenu>& m)
{
    ref<Vsprite> page = pageOf(m);
    page->off();
    // A restyled menu spreads over the stage as it is now (the screen may
    // have changed its size meanwhile).
    if (m->m_buttonSize == 0 && m->m_child && m->m_child->m_child)
        respread(m);
    stageCenter(page);
}

void App::closeMenu(const ref<Vmenu>& m)
{
    ref<Vsprite> page = pageOf(m);
    page->off();
    m->removeAllStar();
    if (page != m)
        page->removeAllStar();
}

int32_t App::menuKey(const ref<Vmenu>& m, int32_t* pressed)
{
    if (screenResize())
        reshowMenu(m);
    // The mouse, as on any desktop: the highlight follows the pointer when
    // it moves, and each wheel notch moves it like an arrow key.
    Input& in = input();
    const int32_t px = in.pointerX(), py = in.pointerY();
    if (px != m_pointerSeenX || py != m_pointerSeenY) {
        m_pointerSeenX = px;
        m_pointerSeenY = py;
        if (px >= 0 && py >= 0)
            m->hover(px, py);
    }
    for (int32_t w = std::clamp(in.wheelTake(), -16, 16); w != 0; w += w > 0 ? -1 : 1)
        m->key(static_cast<char>(w > 0 ? Key::kUp : Key::kDown), 0, 0);
    const int32_t k = in.keyGet();
    if (pressed)
        *pressed = k;
    const int32_t r = static_cast<uint8_t>(m->key(static_cast<char>(k), in.touchX(), in.touchY()));
    // The touch has been used; it must not count again.
    if (k == Key::kTouch)
        in.touchUsed();
    if (r != 0 && isItem(m, r))
        sound("click"_s);
    return r;
}

bool App::confirm(const ref<String>& question)
{
    ref<Vmenu> m = new Vmenu(m_theme);
    m->add("Yes"_s);
    m->add("No"_s);
    m->select('N');
    showMenu(m, question);
    bool yes = false;
    while (isRunning()) {
        const int32_t k = menuKey(m);
        if (k == 'Y' || k == 'N' || m_actions.is(k, Action::Menu)) {
            yes = k == 'Y';
            break;
        }
        renderWait();
    }
    closeMenu(m);
    return yes;
}

// ---- the main menu and the settings ----

bool App::menuMain()
{
    ref<Vmenu> m = new Vmenu(m_theme);
    m->add("New Game"_s);
    if (m_front != 0)
        m->add("Resume"_s);
    ref<Vtext> soundItem = m->add(soundText(m_mute));
    m->add("Help"_s);
    m->add("About"_s);
    m->add("Quit"_s);
    if (m_front != 0)
        m->select('R');
    showMenu(m);
    while (isRunning()) {
        int32_t k = menuKey(m);
        if (k == 'R' || m_actions.is(k, Action::Menu)) {
            if (m_front != 0) {
                closeMenu(m);
                return false;
            }
            // Nothing to go back to: Escape shows the way out instead.
            if (k == Key::kEscape)
                m->select('Q');
            renderWait();
            continue;
        }
        switch (k) {
        case 'N':
            hideMenu(m);
            // A running campaign (or battle) is not thrown away unasked.
            if ((m_front == 0 && prefRead(10) == 0) || confirm("Abandon the running campaign?"_s)) {
                if (menuSettings()) {
                    closeMenu(m);
                    return true;
                }
            }
            reshowMenu(m);
            break;
        case 'S':
            m_mute = !m_mute;
            mcenter(soundItem, soundText(m_mute));
            prefSave();
            break;
        case 'H':
            hideMenu(m);
            render();
            help();
            reshowMenu(m);
            break;
        case 'A':
            aboutPage(m);
            break;
        case 'Q':
        case 'E':
            requestStop();
            break;
        default:
            renderWait();
            break;
        }
    }
    closeMenu(m);
    return false;
}

bool App::menuSettings()
{
    ref<Vmenu> m = new Vmenu(m_theme);
    m->add("Allied Forces"_s);
    m->add("German Forces"_s);
    m->add("Soviet Forces"_s);
    ref<Vtext> levelItem = m->add(levelText(m_level), 'L');
    m->add("Back"_s);
    m->select(m_side == 1 ? 'A' : m_side == 2 ? 'G' : 'S');
    showMenu(m, "Choose your side"_s);
    while (isRunning()) {
        int32_t pressed = 0;
        int32_t k = menuKey(m, &pressed);
        if (k == 'B' || m_actions.is(k, Action::Menu)) {
            closeMenu(m);
            return false;
        }
        if (k == 'A' || k == 'G' || k == 'S') {
            const int32_t side = k == 'A' ? 1 : k == 'G' ? 2 : 3;
            // Another side drives another tank.
            if (side != m_side && m_tank) {
                // The old one's parts and body hold each other: take it apart.
                m_tank->pilot(nullptr);
                m_tank->destroy();
                m_tank = tankInit(side, 50);
            }
            m_side = side;
            break;
        }
        if (k == 'L') {
            // Left lowers the level, anything else raises it; both wrap.
            if (pressed == Key::kLeft)
                m_level = m_level <= 0 || m_level > 2 ? 2 : m_level - 1;
            else
                m_level = m_level >= 2 ? 0 : m_level + 1;
            mcenter(levelItem, levelText(m_level));
        }
        renderWait();
    }
    closeMenu(m);
    // Closing the game here is not a choice of side: the running campaign
    // must survive it.
    if (!isRunning())
        return false;
    resetGame(5);
    return true;
}

void App::mend(const ref<Vmenu>& m, int32_t reserved)
{
    if (!m || !m->getChild() || m->getHeight() <= 0)
        return;
    ref<Vsprite> sel = m->getSelected();
    std::vector<ref<Vsprite>> items;
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        items.push_back(ref<Vsprite>(c));
    m->removeAll();
    m->setColor(0);
    const int32_t b = m->getWidth() <= 50 ? AppPicture::kButtonNarrow : AppPicture::kButtonWide;
    // Pages are laid out on the stage; before there is one (the battle's
    // controls, made at start-up), on the screen.
    const int32_t w = m_stageWidth > 0 ? m_stageWidth : m_width, h = m_stageHeight > 0 ? m_stageHeight : m_height;
    int64_t f = (static_cast<int64_t>(std::min(h - reserved, w - 20)) << 15) / m->getHeight();
    f = std::clamp<int64_t>(f, 0, 0x18000);
    for (ref<Vsprite> c : items) {
        ref<Vsprite> row = new Vsprite;
        row->setId(c->getId());
        m->addTail(row);
        if (c == sel)
            m->m_selected = row;
        ref<Vsprite> bg = new Vsprite;
        bg->setImage(m_lib, b);
        m->m_width = bg->getWidth();
        row->setWidthHeight(bg->getWidth(), bg->getHeight());
        row->setXy(0, fmul(static_cast<int32_t>(f), c->getY()));
        m->m_height = bg->getHeight() + (row->getY() >> 15);
        if (c->getImage() != -1) {
            ref<Vsprite> icon = new Vsprite;
            icon->setId(c->getId());
            icon->setImage(m_lib, c->getImage());
            icon->setAlpha(c->getAlpha());
            c = icon;
        }
        c->setXyi((bg->getWidth() - c->getWidth()) >> 1, (bg->getHeight() - c->getHeight() + 1) >> 1);
        bg->setZ(1);
        row->add(bg);
        row->add(c);
    }
}
