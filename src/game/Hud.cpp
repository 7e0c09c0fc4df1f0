#include "game/Hud.h"

#include <algorithm>
#include <cstdlib>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/MenuLayout.h"
#include "runtime/Catalog.h"
#include "scene/Vilib.h"

namespace {

// The on-screen controls: the action, the text item of the driving and the
// aiming menu, and the picture of each (-1: none). Items are keyed by the
// action's button.
struct ControlItem {
    Action action = Action::None;
    const char* drive = nullptr;
    const char* aim = nullptr;
    int32_t picture = -1;
};

using P = AppPicture;

// TRANSLATORS: the on-screen buttons of a small screen: keep the digit and
// the space after it (the button's key), and a short word.
constexpr ControlItem kTextItems[] = {
    {Action::Menu, trMark("0 Menu"), trMark("0 Menu"), -1},
    {Action::Forward, trMark("2 Go"), trMark("2 Up"), P::kIconUp},
    {Action::TurnLeft, trMark("4 Left"), trMark("4 Left"), P::kIconLeft},
    {Action::Fire, trMark("5 Fire"), trMark("5 Fire"), -1},
    {Action::TurnRight, trMark("6 Right"), trMark("6 Right"), P::kIconRight},
    {Action::Reverse, trMark("8 Back"), trMark("8 Down"), P::kIconDown},
    {Action::View, trMark("3 View"), trMark("3 View"), -1},
    {Action::Aim, trMark("9 Aim"), trMark("9 Drive"), -1},
};

struct TouchButton {
    Action action = Action::None;
    int32_t drive = 0;
    int32_t aim = 0;
};

constexpr TouchButton kTouchButtons[] = {
    {Action::Menu, P::kIconMenu, P::kIconMenu},    {Action::Forward, P::kIconUp, P::kIconUp},
    {Action::View, P::kIconView, P::kIconView},    {Action::Reverse, P::kIconDown, P::kIconDown},
    {Action::Aim, P::kIconAim, P::kIconDrive},     {Action::TurnLeft, P::kIconLeft, P::kIconLeft},
    {Action::TurnRight, P::kIconRight, P::kIconRight}, {Action::Fire, P::kIconFire, P::kIconFire},
};

// The status panel: dark and nearly opaque, so that the white lines stay
// legible over sky and snow alike, and kept clear of its edges.
constexpr int32_t kPanelColor = static_cast<int32_t>(0xD0202838);
constexpr int32_t kPanelPad = 3;
constexpr int32_t kPanelZ = -1000; // over the battle
constexpr int32_t kRadarSize = 64; // the picture
// The panel and the radar keep the share of the screen they have on the
// game's own screen of this size, growing by whole pixels on larger ones.
constexpr int32_t kHudWidth = 480, kHudHeight = 320;
constexpr int32_t kRadarRim = 0xF8000; // 31 pixels of 4 units
constexpr int32_t kRadarOut = 0x4E20000; // blips beyond this lie on the rim
constexpr int32_t kBlipHidden = 10000;   // a blip parked off the radar
constexpr int32_t kBlipEnemy = static_cast<int32_t>(0xFFFF5050);
constexpr int32_t kBlipTruck = static_cast<int32_t>(0xFF80FF80);
// The blips' shapes, 5 x 5 pixels, so that they differ without their
// colours: an enemy is a cross, the supply truck a ring.
constexpr const char* kCrossShape = "X...X"
                                    ".X.X."
                                    "..X.."
                                    ".X.X."
                                    "X...X";
constexpr const char* kRingShape = "XXXXX"
                                   "X...X"
                                   "X...X"
                                   "X...X"
                                   "XXXXX";
constexpr int32_t kBlipSide = 5;
constexpr int32_t kWarningColor = static_cast<int32_t>(0xFFFF7050);
constexpr int32_t kWaterWarnUnits = 9; // how far ahead water is warned of
// The hull's arrow on the radar: dots out from the centre.
constexpr int32_t kArrowDots = 5;
constexpr int32_t kArrowColor = static_cast<int32_t>(0xFFFFFF60);
// Lines light up below these; the truck refills every 0x2000 of its timer.
constexpr int32_t kFuelLow = 0x28001;     // 5.0
constexpr int32_t kRoundsLow = 6;
constexpr int32_t kArmorLow = 5;

// A line of the status panel: its label, then a tab before the number.
ref<String> panelLabel(const char* label)
{
    return String::copyOf((std::string(Catalog::text(label)) + "\t").c_str());
}

} // namespace

Hud::Hud(App& app) : m_app(app) {}

void Hud::build(int32_t buttonSize)
{
    m_buttonSize = buttonSize;
    m_menuDrive = controlMenu(false, buttonSize);
    m_menuAim = controlMenu(true, buttonSize);
    m_panel = new Vsprite;
    m_panel->setZ(kPanelZ);
    m_panel->setColor(kPanelColor);
    const ref<Vtheme>& theme = m_app.m_theme;
    // TRANSLATORS: the status panel's lines; a number follows each.
    m_textEnemy = m_panel->addBottom(theme, panelLabel(trMark("Enemy:")), 2);
    m_textRounds = m_panel->addBottom(theme, panelLabel(trMark("Rounds:")), 2);
    m_textFuel = m_panel->addBottom(theme, panelLabel(trMark("Fuel:")), 2);
    m_textArmor = m_panel->addBottom(theme, panelLabel(trMark("Armor:")), 2);
    int32_t widest = 0;
    for (Vsprite* line = m_panel->m_child.get(); line; line = line->m_sibling.get()) {
        line->setXy(kPanelPad << 15, line->getY() + (kPanelPad << 15));
        widest = std::max(widest, line->getWidth());
    }
    m_panel->setWidthHeight(widest + 2 * kPanelPad, m_panel->getHeight() + 2 * kPanelPad);
    panelPlace();
    // The keyboard plays without them: the buttons start hidden (the menu
    // button stays) unless the player chose them, and a click on the view or
    // B brings them back.
    m_controls = m_app.m_options.m_buttons;
    m_sight = new Sight(m_app);
}

void Hud::renew()
{
    const bool controls = m_controls;
    hide();
    if (m_sight)
        m_sight->destroy();
    for (const ref<Vsprite>& s : {ref<Vsprite>(m_menuDrive), ref<Vsprite>(m_menuAim), m_panel})
        if (s)
            s->removeAllStar();
    build(m_buttonSize);
    m_controls = controls;
}

ref<Vmenu> Hud::controlMenu(bool aim, int32_t buttonSize)
{
    ref<Vmenu> m = new Vmenu(m_app.m_theme);
    if (buttonSize == 0) {
        for (const ControlItem& item : kTextItems) {
            // Kept by the translations: the digit and its space, the button's key.
            ref<String> text = Catalog::tr(aim ? item.aim : item.drive);
            if (item.picture >= 0)
                m->addIcon(text, item.picture);
            else
                m->add(text);
        }
        if (m_app.m_bigScreen)
            m_app.m_stage->mend(m);
        return m;
    }
    m->setColor(0);
    m->m_buttonSize = buttonSize;
    for (const TouchButton& b : kTouchButtons)
        m->addTouch(ActionMap::button(b.action), aim ? b.aim : b.drive);
    return m;
}

void Hud::menuGameShow()
{
    if (!m_menuDrive)
        return;
    App& app = m_app;
    ref<Vmenu> m = m_menuDrive;
    const int32_t s = m_menuDrive->m_buttonSize;
    const int32_t aimButton = ActionMap::button(Action::Aim);
    // Aiming, and with it m_menuAim, comes with the player's tank in battle.
    if (!m->isLinked()) {
        m_menuDrive->off();
        if (m_menuAim)
            m_menuAim->off();
        app.add(m);
        if (s == 0)
            m->select(aimButton);
    } else if (s == 0 && m->selectedOrdinal() == 0) {
        m->select(aimButton);
    }
    // The controls keep the screen's margin too; the buttons stand below the panel.
    const int32_t margin = MenuLayout::margin(app.m_width, app.m_height);
    int32_t x = margin, y = 0;
    if (s != 0) {
        const int32_t top = m_panel ? (m_panel->m_y >> 15) + factor() * (m_panel->getHeight() + kPanelPad) : margin;
        m->resize(app.m_width - 2 * margin, app.m_height - margin - top);
        if (m_controls) {
            y = app.m_height - margin - m->getHeight();
        } else {
            // Only the first button, the menu button, stays: bottom left.
            ref<Vsprite> first = m->getChild();
            const int32_t b = first ? first->getWidth() : s;
            if (first)
                first->setXyi(0, 0);
            m->setWidthHeight(b, b);
            y = app.m_height - margin - b;
        }
    } else {
        x = app.m_width - margin - m->getWidth();
        if (m_controls) {
            y = app.m_height - margin - m->getHeight();
        } else {
            ref<Vsprite> first = m->getChild();
            y = app.m_height - margin - (first ? first->getHeight() : 0);
        }
    }
    // The status panel and the radar stay on screen with the buttons hidden
    // too: the keyboard drives without them, the player still needs to see.
    for (const ref<Vsprite>& p : {m_panel, m_radar})
        if (p && !p->isLinked())
            app.add(p);
    // The window may have changed while the radar was hidden (under the menu).
    panelPlace();
    radarPlace();
    m->setXyi(x, y);
}

ref<Vmenu> Hud::activeMenu() const
{
    const Tank* t = m_app.tank();
    return t && t->m_aim ? m_menuAim : m_menuDrive;
}

void Hud::menuOff()
{
    if (m_controls) {
        m_controls = false;
        menuGameShow();
    }
}

void Hud::hide()
{
    if (m_sight)
        m_sight->hide();
    if (m_hullArrow)
        m_hullArrow->off();
    for (const ref<Vsprite>& p : {ref<Vsprite>(m_menuDrive), ref<Vsprite>(m_menuAim), m_panel, m_radar,
                                  ref<Vsprite>(m_waterWarning)})
        if (p)
            p->off();
}

bool Hud::waterAhead(Tank& t)
{
    if (t.groundWater(t.m_wx, t.m_wz))
        return true;
    if (t.m_driveSpeed == 0)
        return false;
    // The way it drives, forwards or backwards.
    const int32_t way = t.m_heading + (t.m_driveSpeed < 0 ? 16384 : 0);
    for (int32_t units = 3; units <= kWaterWarnUnits; units += 3)
        if (t.groundWater(t.m_wx + V::fmul(V::fsin(way), units * Tank::kUnit),
                          t.m_wz - V::fmul(V::fcos(way), units * Tank::kUnit)))
            return true;
    return false;
}

void Hud::waterWarning(Tank& t)
{
    // Water sinks a tank: said before it happens, not only on the result page.
    const bool warn = t.isLinked() && waterAhead(t);
    if (!warn) {
        if (m_waterWarning)
            m_waterWarning->off();
        return;
    }
    if (!m_waterWarning) {
        m_waterWarning = new Vtext(m_app.m_theme, Catalog::tr("Deep water - turn back"));
        m_waterWarning->setTextColor(kWarningColor);
        m_waterWarning->setZ(kPanelZ);
    }
    const int32_t k = factor();
    m_waterWarning->setScale(k << 15);
    m_waterWarning->setXyi((m_app.m_width - k * m_waterWarning->getWidth()) / 2, m_app.m_height * 3 / 5);
    if (!m_waterWarning->isLinked())
        m_app.add(m_waterWarning);
}

void Hud::dim(const ref<Vsprite>& s)
{
    if (!s)
        return;
    s->setAlpha(std::max(s->getAlpha() - 4 * m_app.m_frameMs, 0x4000));
}

// ---- the status panel ----

void Hud::status()
{
    Tank* tank = m_app.tank();
    if (!tank || !m_panel)
        return;
    Tank& t = *tank;
    const ref<Truck>& truck = m_app.m_battle->m_truck;
    const int32_t enemies = m_app.m_campaign->m_enemyCount;
    const bool supplying = truck && truck->m_supply > 0;
    auto light = [this](const ref<Vtext>& line, bool on) {
        if (on)
            line->setAlpha(0x8000);
        else
            dim(line);
    };
    light(m_textFuel, t.m_fuel < kFuelLow || supplying);
    const bool roundsLow = t.m_rounds < kRoundsLow && m_textRounds->getNumber() != t.m_rounds;
    if (supplying || roundsLow)
        t.m_rounds = std::max(t.m_rounds, 0);
    light(m_textRounds, supplying || roundsLow);
    const int32_t armor = std::clamp(50 - t.m_damage, 0, 99);
    light(m_textArmor, supplying || (armor < kArmorLow && m_textArmor->getNumber() != armor));
    light(m_textEnemy, m_textEnemy->getNumber() != enemies);
    if (!m_panel->isLinked())
        m_app.add(m_panel);
    m_textEnemy->setNumber(enemies);
    m_textArmor->setNumber(std::clamp(50 - t.m_damage, 0, 99));
    m_textFuel->setNumber(std::max(0, t.m_fuel >> 15));
    m_textRounds->setNumber(t.m_rounds);
    waterWarning(t);
}

// ---- the radar ----

void Hud::radarReset()
{
    if (m_radar) {
        m_radar->removeAllStar(); // the blips have dots of their own
    } else {
        m_radar = new Vsprite;
        m_radar->setImage(m_app.m_lib, AppPicture::kRadar);
    }
    radarPlace();
    m_app.add(m_radar);
}

int32_t Hud::factor() const
{
    return MenuLayout::scale(m_app.m_width, m_app.m_height, kHudWidth, kHudHeight);
}

void Hud::panelPlace()
{
    if (!m_panel)
        return;
    const int32_t margin = MenuLayout::margin(m_app.m_width, m_app.m_height);
    m_panel->setScale(factor() << 15);
    m_panel->setXyi(margin, margin);
}

void Hud::radarPlace()
{
    const int32_t k = factor(), margin = MenuLayout::margin(m_app.m_width, m_app.m_height);
    for (const ref<Vsprite>& r : {m_radar, m_hullArrow}) {
        if (!r)
            continue;
        r->setScale(k << 15);
        r->setXyi(m_app.m_width - k * kRadarSize - margin, margin);
    }
}

void Hud::hullArrow()
{
    if (!m_hullArrow) {
        m_hullArrow = new Vsprite;
        m_hullArrow->setWidthHeight(kRadarSize, kRadarSize);
        m_hullArrow->setZ(kPanelZ - 1);
        for (int32_t i = 0; i < kArrowDots; i++) {
            ref<Vsprite> dot = new Vsprite;
            dot->setWidthHeight(2, 2);
            dot->setColor(kArrowColor);
            m_hullArrow->add(dot);
        }
        radarPlace();
    }
    const Tank* t = m_app.tank();
    if (!t || !m_radar || !m_radar->isLinked()) {
        m_hullArrow->off();
        return;
    }
    if (!m_hullArrow->isLinked())
        m_app.add(m_hullArrow);
    // The radar's up is the view's heading; the dots run from the centre
    // the way the hull points.
    const int32_t a = t->m_heading + m_app.m_heading;
    int32_t r = 4;
    for (Vsprite* dot = m_hullArrow->m_child.get(); dot; dot = dot->m_sibling.get(), r += 3)
        dot->setXyi(31 + ((V::fsin(a) * r) >> 15), 31 - ((V::fcos(a) * r) >> 15));
}

void Hud::radarAdd(const ref<Vsprite>& v, int32_t kind)
{
    if (!v)
        return;
    v->setId(kind);
    if (!m_radar)
        return;
    ref<Vsprite> blip = new Vsprite;
    blip->setWidthHeight(kBlipSide, kBlipSide);
    blip->setXyi(kBlipHidden, kBlipHidden);
    m_radar->add(blip);
}

namespace {

// Gives the blip the shape and colour of a vehicle of kind (the blips go
// with the world's bodies in their order, which may change).
void blipShape(Vsprite& blip, int32_t kind)
{
    const int32_t color = kind == Hud::kRadarEnemy ? kBlipEnemy : kBlipTruck;
    if (blip.m_child && blip.m_child->m_color == color)
        return;
    blip.removeAll();
    const char* shape = kind == Hud::kRadarEnemy ? kCrossShape : kRingShape;
    for (int32_t i = 0; i < kBlipSide * kBlipSide; i++) {
        if (shape[i] != 'X')
            continue;
        ref<Vsprite> dot = new Vsprite;
        dot->setWidthHeight(1, 1);
        dot->setColor(color);
        dot->setXyi(i % kBlipSide, i / kBlipSide);
        blip.add(dot);
    }
}

} // namespace

void Hud::radar()
{
    const Battle& b = *m_app.m_battle;
    const Tank* tank = b.m_tank.get();
    if (!m_radar || !b.m_physics || !tank)
        return;
    hullArrow();
    const int32_t dir = m_app.m_campaign->m_dir;
    Vsprite* blip = m_radar->m_child.get();
    for (Vphob* o = b.m_physics->first().get(); o && blip; o = o->m_nextBody.get()) {
        if (o->m_id < kRadarEnemy)
            continue;
        const bool linked = o->isLinked();
        if (o->m_id == kRadarTruck && (!linked || o->m_wx >= 0x13880001)) {
            blip->setXyi(kBlipHidden, kBlipHidden);
        } else {
            int32_t dx = (o->m_wx - tank->m_wx) >> 2, dz = (o->m_wz - tank->m_wz) >> 2;
            if (dx > kRadarOut || !linked) {
                // Out of play: shown on the rim, towards the enemy's side.
                dz = 0;
                dx = dir != Campaign::kWest ? 0x320000 : -0x320000;
            }
            const int32_t ax = std::abs(dx), az = std::abs(dz);
            const int32_t d = V::fmul(30842, std::max(ax, az)) + V::fmul(13434, std::min(ax, az));
            const int32_t bearing = m_app.fatan3(dx, dz, d) - m_app.m_heading;
            const int32_t r = std::min(d, kRadarRim);
            blip->setXyi((V::fmul(V::fsin(bearing), r) >> 15) + 31, (V::fmul(V::fcos(bearing), r) >> 15) + 31);
        }
        blipShape(*blip, o->m_id);
        blip = blip->m_sibling.get();
    }
}
