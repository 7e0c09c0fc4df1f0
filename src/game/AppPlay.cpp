// A battle frame by frame: the player's keys and touches, the world's step,
// the HUD and the camera, the end of the battle and the way back to the map;
// and the demo pilot that plays the player's part.
#include <algorithm>

#include "game/App.h"

namespace {

constexpr int32_t kHeldRepeatMs = 151; // a held touch or button repeats from here
constexpr int32_t kMenuGoFast = 0x4FFEB; // just under 10.0

} // namespace

void App::battle()
{
    battleSetUp();
    m_abandoned = false;
    m_idleMs = 0;
    bool won = false, lost = false;
    while (!won && !lost) {
        // Stopped: the record keeps the battle, to resume on the next start.
        if (!isRunning())
            return;
        screenResize();
        m_viewChange = false;
        battleKeys();
        if (m_abandoned)
            break;
        if (m_demo)
            demoPilot();
        m_physics->step(m_frameMs);
        radar();
        status();
        if (!m_polyTerrain || !m_polyTerrain->isLinked()) {
            if (turn() || m_viewChange) {
                lookAt();
                wipeLeftToRight();
            } else {
                renderWait();
            }
        } else {
            const Vsprite* s = m_tank->m_turret ? m_tank->m_turret.get() : m_tank.get();
            if (s->m_x0 < 1 || s->m_y0 < 1 || s->m_x1 > m_width || s->m_y1 > m_height)
                overheadView();
            m_terrain->setHeading(m_tank->m_heading);
            renderWait();
        }
        won = Tank::m_enemyCount == 0 && m_tank->isLinked();
        lost = !m_tank->isLinked() || m_tank->m_fuel == 0;
    }
    if (!m_abandoned)
        battleOver(won);
    if (!isRunning())
        return;
    m_tank->m_aim = false;
    m_tank->m_driveSpeed = 0;
    m_tank->m_wx = 0;
    prefWrite(10, 0);
    if (m_polyTerrain && m_polyTerrain->isLinked())
        perspectiveSwitch();
    battleClear();
    while (mapScreen(false)) {
    }
}

void App::battleOver(bool won)
{
    for (const ref<Vmenu>& m : {m_menuDrive, m_menuAim})
        if (m)
            m->off();
    for (int32_t t = 0; t < kRunOutMs && isRunning(); t += std::max(m_frameMs, 1)) {
        m_physics->step(m_frameMs);
        radar();
        renderWait();
    }
    fadeToBlack(2000);
    if (won)
        sound("music3"_s);
    m_front += (m_side == 2) == won ? 1 : -1;
    // The battle is over before it is saved: a record written now must not
    // bring it back on the next start.
    m_tank->m_wx = 0;
    prefSave();
}

void App::battleKeys()
{
    ref<Vmenu> menu = activeMenu();
    if (!menu || !m_tank)
        return;
    Input& in = input();
    const bool touchLayout = m_menuDrive->m_buttonSize != 0;
    // The wheel means nothing in battle; notches must not reach the menu later.
    in.wheelTake();
    int32_t k = in.keyGet();
    if (k == Key::kNone) {
        m_idleMs += m_frameMs;
        if (m_idleMs >= kHeldRepeatMs && in.keyDown(Key::kTouch)) {
            // A held touch repeats: anywhere with the controls hidden, on a
            // direction button with them shown.
            ref<Vsprite> sel = menu->getSelected();
            const Action held = ActionMap::ofButton(sel ? sel->m_id : 0);
            if (!m_controls ? in.touchX() != 0 : ActionMap::steers(held))
                k = Key::kTouch;
        }
        if (k == Key::kNone && touchLayout)
            menu->fade();
    }
    if (k != Key::kNone) {
        m_idleMs = 0;
        // Any key hands the tank back to the player.
        if (m_demo) {
            m_demo = false;
            m_tank->pilot(nullptr);
        }
    }
    // Of several keys in one frame, the last one is what the tank acts on.
    Action press = Action::None;
    while (k != Key::kNone) {
        press = battleAction(k, touchLayout);
        battleKey(press, touchLayout);
        k = isRunning() ? in.keyGet() : Key::kNone;
    }
    Tank::Orders& o = m_tank->m_orders;
    o.press = press;
    for (Action a : {Action::Forward, Action::Reverse, Action::TurnLeft, Action::TurnRight, Action::GunUp,
                     Action::GunDown})
        o.hold(a, m_actions.held(in, a));
    o.tilt = in.tiltX();
}

Action App::battleAction(int32_t k, bool touchLayout)
{
    if (k == Key::kTouch && input().touchX() != 0)
        return battleTouch(touchLayout);
    const Action a = m_actions.battleAction(k);
    // Shown, the on-screen button of the action lights up, except for the
    // keys that drive (the arrows, W, A, S, D) and the menu keys.
    const int32_t button = ActionMap::button(a);
    if (m_controls && button != 0 && (Key::isDigit(k) || !(ActionMap::steers(a) || a == Action::Menu)))
        activeMenu()->key(static_cast<char>(button), 0, 0);
    return a;
}

Action App::battleTouch(bool touchLayout)
{
    const int32_t x = input().touchX(), y = input().touchY();
    ref<Vmenu> menu = activeMenu();
    auto button = [&] { return ActionMap::ofButton(menu->key(static_cast<char>(Key::kTouch), x, y)); };
    if (touchLayout) {
        if (m_controls) {
            if (m_hud && m_hud->isLinked() && m_hud->pick(x, y)) {
                m_controls = false;
                menuGameShow();
                return Action::None;
            }
            return button();
        }
        // Squares of a quarter of the width from the bottom left: the menu
        // button, left, right and fire along the bottom; up and down on the
        // right; anywhere else brings the controls back.
        const int32_t q = std::max(m_width >> 2, 1);
        const int32_t cx = x / q, cy = (m_height - y) / q;
        if (cy == 0)
            return cx == 0 ? button() : cx == 1 ? Action::TurnLeft : cx == 2 ? Action::TurnRight : Action::Fire;
        if (cx == 3 && (cy == 1 || cy == 2))
            return cy == 1 ? Action::Reverse : Action::Forward;
        return Action::Buttons;
    }
    if (menu->isLinked() && menu->pick(x, y))
        return button();
    if (m_bigScreen && m_controls && x > (menu->getX() >> 15) - 32)
        return Action::Fire;
    menuOff();
    if (y < m_height / 3)
        return Action::Forward;
    if (x < m_width / 3)
        return Action::TurnLeft;
    if (x > 2 * (m_width / 3))
        return Action::TurnRight;
    if (y > 2 * (m_height / 3))
        return Action::Reverse;
    return Action::Fire;
}

void App::battleKey(Action a, bool touchLayout)
{
    Tank& t = *m_tank;
    const bool overhead = m_polyTerrain && m_polyTerrain->isLinked();
    switch (a) {
    case Action::Menu: {
        // The keyboard opens the menu at once; the buttons come back as
        // they were when it closes.
        activeMenu()->off();
        for (const ref<Vsprite>& p : {m_hud, m_radar})
            if (p)
                p->off();
        if (menuMain())
            m_abandoned = true;
        if (m_stage)
            m_stage->off();
        menuGameShow();
        break;
    }
    case Action::Buttons:
        if (!m_controls) {
            m_controls = true;
            menuGameShow();
        } else {
            menuOff();
        }
        break;
    case Action::Forward:
        if (!touchLayout && !t.m_aim && t.m_driveSpeed > kMenuGoFast)
            menuOff();
        break;
    case Action::View:
        t.m_aim = false;
        if (overhead) {
            perspectiveSwitch();
            m_viewChange = true;
        } else {
            overheadSwitch();
        }
        if (touchLayout)
            menuGameShow();
        else
            menuOff();
        break;
    case Action::Aim:
        sound("stinger5"_s);
        if (overhead)
            perspectiveSwitch();
        t.m_aim = !t.m_aim;
        if (t.m_aim)
            t.m_driveSpeed = 0;
        if (!touchLayout)
            m_controls = false;
        menuGameShow();
        m_viewChange = true;
        break;
    default:
        break;
    }
}

void App::demoPilot()
{
    if (!m_tank || !m_tank->isLinked() || !m_physics)
        return;
    ref<Tank> target;
    // The truck while supplies are short or still being handed over.
    if (m_truck && m_truck->isLinked() && !m_truck->parked() &&
        (!m_truck->playerSupplied() || m_truck->m_supply > 0)) {
        target = m_truck;
    } else {
        int32_t best = 0x7FFFFFFF;
        for (Vphob* b = m_physics->first().get(); b; b = b->m_nextBody.get()) {
            if (b->m_id != kRadarEnemy || !b->isLinked() || b->parked())
                continue;
            const int32_t d = m_tank->distApprox(ref<Vphob>(b));
            if (d < best) {
                best = d;
                target = ref_cast<Tank>(ref<Vphob>(b));
            }
        }
    }
    m_tank->pilot(target);
}
