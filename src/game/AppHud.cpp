#include "game/App.h"

#include <algorithm>

#include "game/AppPicture.h"
#include "scene/Vilib.h"

namespace {

// The on-screen controls: key, the text item of the driving and the aiming
// menu, and the picture of each (-1: none).
struct ControlItem {
    char key = 0;
    const char* drive = nullptr;
    const char* aim = nullptr;
    int32_t picture = -1;
};

using P = AppPicture;

constexpr ControlItem kTextItems[] = {
    {'0', "0 Menu", "0 Menu", -1},           {'2', "2 Go", "2 Up", P::kIconUp},
    {'4', "4 Left", "4 Left", P::kIconLeft}, {'5', "5 Fire", "5 Fire", -1},
    {'6', "6 Right", "6 Right", P::kIconRight}, {'8', "8 Back", "8 Down", P::kIconDown},
    {'3', "3 View", "3 View", -1},           {'9', "9 Aim", "9 Drive", -1},
};

struct TouchButton {
    char key = 0;
    int32_t drive = 0;
    int32_t aim = 0;
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
    ref<Vmenu> m = new Vmenu(m_theme);
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
    // The status panel and the radar stay on screen with the buttons hidden
    // too: the keyboard drives without them, the player still needs to see.
    for (const ref<Vsprite>& p : {m_hud, m_radar})
        if (p && !p->isLinked())
            add(p);
    m->setXyi(x, y);
}

ref<Vmenu> App::activeMenu()
{
    return m_tank && m_tank->m_aim ? m_menuAim : m_menuDrive;
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

// ---- the status panel and the radar ----

void App::status()
{
    if (!m_tank || !m_hud)
        return;
    Tank& t = *m_tank;
    const bool supplying = m_truck && m_truck->m_supply > 0;
    auto light = [this](const ref<Vtext>& line, bool on) {
        if (on)
            line->setAlpha(0x8000);
        else
            dim(line);
    };
    light(m_textFuel, t.m_fuel < 0x28001 || supplying);
    const bool roundsLow = t.m_rounds < 6 && m_textRounds->getNumber() != t.m_rounds;
    if (supplying || roundsLow)
        t.m_rounds = std::max(t.m_rounds, 0);
    light(m_textRounds, supplying || roundsLow);
    const int32_t armor = std::clamp(50 - t.m_damage, 0, 99);
    light(m_textArmor, supplying || (armor < 5 && m_textArmor->getNumber() != armor));
    light(m_textEnemy, m_textEnemy->getNumber() != Tank::m_enemyCount);
    if (!m_hud->isLinked())
        add(m_hud);
    if (supplying && m_truck->m_timer > 0x2000) {
        m_truck->m_timer = 0;
        m_truck->m_supply--;
        if (t.m_fuel < 0x140000)
            t.m_fuel += 0x4000;
        if (t.m_rounds < 98)
            t.m_rounds += 2;
        if (t.m_damage > 20)
            t.m_damage--;
    }
    m_textEnemy->setNumber(Tank::m_enemyCount);
    m_textArmor->setNumber(std::clamp(50 - t.m_damage, 0, 99));
    m_textFuel->setNumber(std::max(0, t.m_fuel >> 15));
    m_textRounds->setNumber(t.m_rounds);
}

void App::radarAdd(const ref<Vsprite>& v, int32_t kind)
{
    if (!v)
        return;
    v->setId(kind);
    if (!m_radar)
        return;
    ref<Vsprite> blip = new Vsprite;
    blip->setWidthHeight(4, 4);
    blip->setXyi(10000, 10000);
    m_radar->add(blip);
}

void App::radar()
{
    if (!m_radar || !m_physics || !m_tank)
        return;
    constexpr int32_t kRim = 0xF8000; // 31 pixels of 4 units
    Vsprite* blip = m_radar->m_child.get();
    for (Vphob* o = m_physics->first().get(); o && blip; o = o->m_nextBody.get()) {
        if (o->m_id < kRadarEnemy)
            continue;
        const bool linked = o->isLinked();
        if (o->m_id == kRadarTruck && (!linked || o->m_wx >= 0x13880001)) {
            blip->setXyi(10000, 10000);
        } else {
            int32_t dx = (o->m_wx - m_tank->m_wx) >> 2, dz = (o->m_wz - m_tank->m_wz) >> 2;
            if (dx >= 0x4E20001 || !linked) {
                // Out of play: shown on the rim, towards the enemy's side.
                dz = 0;
                dx = Tank::m_dir != 3 ? 0x320000 : -0x320000;
            }
            const int32_t ax = std::abs(dx), az = std::abs(dz);
            const int32_t d = fmul(30842, std::max(ax, az)) + fmul(13434, std::min(ax, az));
            const int32_t b = fatan3(dx, dz, d) - m_heading;
            const int32_t r = std::min(d, kRim);
            blip->setXyi((fmul(fsin(b), r) >> 15) + 31, (fmul(fcos(b), r) >> 15) + 31);
        }
        blip->setColor(static_cast<int32_t>(o->m_id == kRadarEnemy ? 0xFFFFC0C0 : 0xFF80FF80));
        blip = blip->m_sibling.get();
    }
}
