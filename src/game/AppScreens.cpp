#include "game/App.h"

#include <algorithm>
#include <vector>

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

// The maker's credits of the About page, title first.
constexpr const char* kCredits[] = {
    "Korvath",
    "A tank campaign across Europe",
    "Version 1.0",
    "made with DejaVu Sans fonts",
    "Free software under the MIT licence",
};

} // namespace

void App::showMenu(const ref<Vmenu>& m)
{
    if (m_fontSmall != Vtext::m_fontDefault)
        mend(m);
    addCenter(m);
}

int32_t App::menuKey(const ref<Vmenu>& m)
{
    if (screenResize()) {
        m->off();
        addCenter(m);
    }
    int32_t k = keyGet();
    int32_t x = m_mouseX.load(), y = m_mouseY.load();
    int32_t r = static_cast<uint8_t>(m->key(static_cast<char>(k), x, y));
    if (k == 5) {
        // The touch has been used; it must not count again.
        m_mouseX.store(0);
        m_mouseY.store(0);
    }
    return r;
}

void App::closeMenu(const ref<Vmenu>& m)
{
    m->off();
    m->removeAllStar();
}

bool App::menuMain()
{
    ref<Vmenu> m = new Vmenu;
    m->add("New Game"_s);
    if (m_front != 0)
        m->add("Resume"_s);
    ref<Vtext> soundItem = m->add(soundText(m_mute));
    m->add("Help"_s);
    m->add("About"_s);
    if (m_front != 0)
        m->select('R');
    showMenu(m);
    while (isRunning()) {
        int32_t k = menuKey(m);
        switch (k) {
        case 6:
        case 7:
        case '0':
        case 'R':
            if (m_front != 0) {
                closeMenu(m);
                return false;
            }
            renderWait();
            break;
        case 'N':
            m->off();
            if (menuSettings()) {
                closeMenu(m);
                return true;
            }
            addCenter(m);
            break;
        case 'S':
            m_mute = !m_mute;
            mcenter(soundItem, soundText(m_mute));
            prefSave();
            break;
        case 'H':
            m->off();
            render();
            help();
            addCenter(m);
            break;
        case 'A':
            aboutPage(m);
            break;
        case 'E':
            m_stop = true;
            break;
        default:
            renderWait();
            break;
        }
    }
    closeMenu(m);
    return false;
}

void App::aboutPage(const ref<Vmenu>& menu)
{
    menu->off();
    ref<Vsprite> page = new Vsprite;
    page->setColor(Vmenu::m_colorDefault);
    page->m_height = m_inset;
    bool first = true;
    for (const char* line : kCredits) {
        // The title in the screen's font, the rest in the small one.
        ref<Vtext> t = first ? new Vtext(String::intern(line)) : new Vtext(m_fontSmall, String::intern(line));
        page->addCenterBottom(t);
        page->m_height += first ? 6 : 2;
        first = false;
    }
    page->m_width += 8;
    for (Vsprite* c = page->m_child.get(); c; c = c->m_sibling.get())
        c->setXy((page->m_width - c->m_width) * 16384, c->m_y);
    addCenter(page);
    waitKey(60000);
    page->off();
    page->removeAll();
    addCenter(menu);
}

bool App::menuSettings()
{
    ref<Vmenu> m = new Vmenu;
    m->add("Allied Varnel"_s);
    m->add("German Varnel"_s);
    m->add("Soviet Varnel"_s);
    ref<Vtext> levelItem = m->add(levelText(m_level), 'L');
    m->add("Back"_s);
    m->select(m_side == 1 ? 'A' : m_side == 2 ? 'G' : 'S');
    showMenu(m);
    while (isRunning()) {
        int32_t k = menuKey(m);
        if (k == 6 || k == 7 || k == '0' || k == 'B') {
            closeMenu(m);
            return false;
        }
        if (k == 'A' || k == 'G' || k == 'S') {
            m_side = k == 'A' ? 1 : k == 'G' ? 2 : 3;
            break;
        }
        if (k == 'L') {
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

void App::mend(const ref<Vmenu>& m)
{
    if (!m || !m->getChild() || m->getHeight() <= 0)
        return;
    ref<Vsprite> sel = m->getSelected();
    std::vector<ref<Vsprite>> items;
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        items.push_back(ref<Vsprite>(c));
    m->removeAll();
    m->setColor(0);
    const int32_t b = m->getWidth() <= 50 ? 8 : 7;
    int64_t f = (static_cast<int64_t>(std::min(m_height, m_width - 20)) << 15) / m->getHeight();
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

void App::help()
{
    m_dragY = 0;
    ref<Vtext> t = new Vtext;
    t->setColor(static_cast<int32_t>(0x80606080));
    const int32_t w = m_width > 227 ? 228 : m_width - 12;
    t->setWidthHeight(w, 0);
    t->setFile("help.txt"_s);
    t->setWidthHeight(w + 12, t->getHeight());
    addCenter(t);
    const int32_t ax = w + 12 + (t->getX() >> 15) - 12;

    ref<Vsprite> close = new Vsprite;
    close->setImage(m_lib, 34);
    close->setXyi(ax, 6);
    add(close);
    ref<Vsprite> up = new Vsprite;
    up->setImage(m_lib, 39);
    up->setXyi(ax, 64);
    ref<Vsprite> down = new Vsprite;
    down->setImage(m_lib, 33);
    // Placed by its bottom edge, 10 pixels above the bottom of the screen.
    down->setCenter(0, down->getHeight());
    down->setXyi(ax, m_height - 10);
    t->setXyi((m_width - w - 12) / 2, 0);

    int32_t line = Vtext::m_fontDefault ? Vtext::m_fontDefault->getHeight() : 0;
    if (line <= 0)
        line = 16;
    // One screen less one line, and at least one line on a very low screen.
    const int32_t page = (line * std::max(m_height / line - 1, 1)) << 15;
    int32_t o = 0;
    for (;;) {
        if (!isRunning() || screenResize())
            break;
        bool upShown = o < 0;
        bool downShown = (o >> 15) + t->getHeight() > m_height;
        if (upShown && !up->isLinked())
            add(up);
        else if (!upShown)
            up->off();
        if (downShown && !down->isLinked())
            add(down);
        else if (!downShown)
            down->off();
        render();
        waitMs(64);
        int32_t k = keyGet();
        int32_t mx = m_mouseX.load(), my = m_mouseY.load();
        if (k == 5 && mx != 0) {
            k = 0;
            if (mx - ax >= -24 && mx - ax <= 32) {
                if (upShown && my >= up->m_y0 && my <= up->m_y1 + 24)
                    k = 3;
                else if (downShown && my >= down->m_y0 - 24 && my <= down->m_y1 + 24)
                    k = 4;
                else if (my >= close->m_y0 - 6 && my <= close->m_y1 + 24)
                    k = 5;
            }
            m_mouseX = 0;
            if (k != 0)
                m_dragY = 0;
        }
        int32_t old = o;
        if (k == 3 || k == '2') {
            if (o < 0)
                o = std::min(o + page, 0);
        } else if (k == 4 || k == '8') {
            if (downShown)
                o -= page;
        } else if (int32_t drag = m_dragY.load(); drag != 0) {
            // A drag of 4 pixels scrolls 1.
            int64_t moved = static_cast<int64_t>(o) + static_cast<int64_t>(drag) * 0x2000;
            int64_t lowest = static_cast<int64_t>(m_height - t->getHeight()) << 15;
            o = static_cast<int32_t>(std::min<int64_t>(std::max(moved, lowest), 0));
            m_dragX = 0;
            m_dragY = 0;
        } else if (k == 5 || k == 6) {
            break;
        }
        if (o != old)
            t->setXy(t->getX(), o);
    }
    remove(t);
    close->off();
    up->off();
    down->off();
}

void App::gameOver()
{
    setColor(static_cast<int32_t>(0xFF000000));
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(m_lib, 42);
    center(picture);
    // Victory: Allied and Soviet players after a last battle at Berlin in
    // the centre column, German players after one anywhere else.
    if ((m_mapX == 6) != (m_side == 2)) {
        ref<Vsprite> victory = new Vsprite;
        victory->setImage(m_lib, 43);
        victory->setXy(picture->getX(), picture->getY());
        victory->setScale(picture->getScale());
        add(victory);
    }
    sound("music3"_s);
    render();
    waitMs(500);
    waitKey(0x7FFFFFFF);
    removeAll();
    setColor(0);
    resetGame(0);
}

void App::waitKey(int32_t ms)
{
    render();
    m_mouseX = 0;
    m_mouseY = 0;
    for (;;) {
        if (screenResize())
            return;
        waitMs(64);
        ms -= m_frameMs;
        int32_t k = keyGet();
        if (k == 5 || k == 6 || k == 7 || k == 10 || k == ' ' || k == '5')
            return;
        if (!isRunning() || ms < 1)
            return;
    }
}
