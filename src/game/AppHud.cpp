#include "game/App.h"

#include <algorithm>

#include "game/AppPicture.h"
#include "scene/Vilib.h"

namespace {

// The on-screen controls: key, the text item of the driving and the aiming
// menu, and the picture of each (-1: none).
struct ControlItem {
    char key;
    const char* drive;
    const char* aim;
    int32_t picture;
};

using P = AppPicture;

constexpr ControlItem kTextItems[] = {
    {'0', "0 Menu", "0 Menu", -1},           {'2', "2 Go", "2 Up", P::kIconUp},
    {'4', "4 Left", "4 Left", P::kIconLeft}, {'5', "5 Fire", "5 Fire", -1},
    {'6', "6 Right", "6 Right", P::kIconRight}, {'8', "8 Back", "8 Down", P::kIconDown},
    {'3', "3 View", "3 View", -1},           {'9', "9 Aim", "9 Drive", -1},
};

struct TouchButton {
    char key;
    int32_t drive;
    int32_t aim;
};

constexpr TouchButton kTouchButtons[] = {
    {'0', P::kIconMenu, P::kIconMenu},   {'2', P::kIconUp, P::kIconUp},
    {'3', P::kIconView, P::kIconView},   {'8', P::kIconDown, P::kIconDown},
    {'9', P::kIconAim, P::kIconDrive},   {'4', P::kIconLeft, P::kIconLeft},
    {'6', P::kIconRight, P::kIconRight}, {'5', P::kIconFire, P::kIconFire},
};

} // namespace

ref<Vmenu> App::controlMenu(bool aim, int32_t buttonSize)
{
    ref<Vmenu> m = new Vmenu;
    if (buttonSize == 0) {
        for (const ControlItem& item : kTextItems) {
            ref<String> text = String::intern(aim ? item.aim : item.drive);
            if (item.picture >= 0)
                m->addIcon(text, item.picture);
            else
                m->add(text);
        }
        if (m_bigScreen)
            mend(m);
        return m;
    }
    Vmenu::m_lib = m_lib;
    m->setColor(0);
    m->m_buttonSize = buttonSize;
    for (const TouchButton& b : kTouchButtons)
        m->addTouch(b.key, aim ? b.aim : b.drive);
    return m;
}

void App::menuGameShow()
{
    if (!m_menuDrive)
        return;
    ref<Vmenu> m = m_menuDrive;
    const int32_t s = m_menuDrive->m_buttonSize;
    // Aiming, and with it m_menuAim, comes with the player's tank in battle.
    if (!m->isLinked()) {
        m_menuDrive->off();
        if (m_menuAim)
            m_menuAim->off();
        add(m);
        if (s == 0)
            m->select('9');
    } else if (s == 0 && m->selectedOrdinal() == 0) {
        m->select('9');
    }
    int32_t x = 0, y = 0;
    const bool showPanel = m_controls;
    if (s != 0) {
        m->resize(m_width, m_height - (m_hud ? m_hud->getHeight() : 0));
        if (m_controls) {
            y = m_height - m->getHeight();
        } else {
            // Only the first button, the menu button, stays: bottom left.
            ref<Vsprite> first = m->getChild();
            int32_t fx = 0;
            if (first) {
                first->setXy(first->getX(), 0);
                fx = first->getX() >> 15;
            }
            m->setWidthHeight(s, m->getHeight());
            y = m_height - s - fx;
        }
    } else {
        x = m_width - m->getWidth();
        if (m_controls) {
            y = m_height - m->getHeight();
        } else {
            ref<Vsprite> first = m->getChild();
            y = m_height - (first ? first->getHeight() : 0);
        }
    }
    for (const ref<Vsprite>& p : {m_hud, m_radar}) {
        if (!p)
            continue;
        if (showPanel && !p->isLinked())
            add(p);
        else if (!showPanel)
            p->off();
    }
    m->setXyi(x, y);
}

void App::menuOff()
{
    if (m_controls) {
        m_controls = false;
        menuGameShow();
    }
}

void App::center(const ref<Vsprite>& s)
{
    if (!s)
        return;
    addCenter(s);
    const int32_t w = s->getWidth(), h = s->getHeight();
    if (s->getY() < 0 && w <= m_width) {
        s->setXy(s->getX(), 0);
    } else if (s->getX() < 0 && w > 0) {
        s->setScale(static_cast<int32_t>((static_cast<int64_t>(m_width) << 15) / w));
        s->setXy(0, 0);
    } else if (w > 0 && h > 0) {
        // A large screen shows it at the largest whole scale that fits.
        const int32_t k = std::min(m_width / w, m_height / h);
        if (k >= 2) {
            s->setScale(k << 15);
            s->setXyi((m_width - k * w) / 2, (m_height - k * h) / 2);
        }
    }
}

void App::mcenter(const ref<Vtext>& t, const ref<String>& text)
{
    if (!t)
        return;
    t->setText(text);
    ref<Vsprite> parent = t->getParent();
    ref<Vsprite> c = parent ? parent->getChild() : nullptr;
    if (c)
        t->setXyi((c->getWidth() - t->getWidth()) >> 1, t->getY() >> 15);
}

void App::dim(const ref<Vsprite>& s)
{
    if (!s)
        return;
    s->setAlpha(std::max(s->getAlpha() - 4 * m_frameMs, 0x4000));
}
