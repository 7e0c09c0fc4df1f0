#include "game/BattleScreen.h"

#include <algorithm>

#include "game/App.h"
#include "game/BattleFile.h"
#include "game/GameSound.h"
#include "game/MainMenuScreen.h"
#include "game/MapScreen.h"
#include "game/ResultScreen.h"
#include "runtime/Catalog.h"

namespace {

constexpr int32_t kHeldRepeatMs = 151;   // a held touch or button repeats from here
constexpr int32_t kMenuGoFast = 0x4FFEB; // just under 10.0
constexpr int32_t kWipeBand = 40;        // pixels a band, on a screen under 320 wide
constexpr int32_t kFadeLast = 23;        // the fade ends at 23/256 of the light
constexpr int32_t kShade = static_cast<int32_t>(0x80000000); // the pause dims the view by half
constexpr int32_t kPauseZ = -2000;                            // over the panel

} // namespace

void BattleScreen::enter()
{
    // A focus lost on the map does not pause the battle to come.
    m_app.input().focusLostTake();
    // Nothing of the last battle (the tank's timers and tilt, the panel's
    // lit lines, the spent shells) carries over: a replay starts from none.
    m_app.m_battle->renewTank();
    m_app.m_battle->m_hud->renew();
    Battle::dropSpent();
    // A battle in progress comes back as it was kept; without its file it is
    // set up anew around the tank's place in the record.
    if (!m_app.m_campaign->battleInProgress() || !BattleFile::resume(m_app))
        m_app.m_battle->battleSetUp();
    m_enemiesAtStart = m_app.m_campaign->m_enemyCount;
    // The wipe draws over what the screen before left, which a replay never
    // saw: it starts from black, all of it to be drawn.
    m_app.clearScreen();
    startWipe();
}

// ---- the player ----

void BattleScreen::input(Input& in)
{
    if (m_wipe)
        return;
    if (m_state == State::Fighting && (won() || lost()))
        runOut();
    if (m_state != State::Fighting)
        return;
    App& app = m_app;
    if (in.focusLostTake())
        setPaused(true);
    if (m_paused) {
        pausedKeys(in);
        return;
    }
    Battle& b = *app.m_battle;
    Hud& hud = *b.m_hud;
    m_viewChange = false;
    ref<Vmenu> menu = hud.activeMenu();
    if (!menu || !b.m_tank)
        return;
    // The wheel means nothing in battle; notches must not reach the menu later.
    in.wheelTake();
    int32_t k = in.keyGet();
    if (k == Key::kNone) {
        m_idleMs += app.m_frameMs;
        if (m_idleMs >= kHeldRepeatMs && in.keyDown(Key::kTouch)) {
            // A held touch repeats: anywhere with the controls hidden, on a
            // direction button with them shown.
            ref<Vsprite> sel = menu->getSelected();
            const Action held = ActionMap::ofButton(sel ? sel->m_id : 0);
            if (!hud.m_controls ? in.touchX() != 0 : ActionMap::steers(held))
                k = Key::kTouch;
        }
        if (k == Key::kNone && hud.touchLayout())
            menu->fade();
    }
    if (k != Key::kNone) {
        m_idleMs = 0;
        // Any key hands the tank back to the player.
        if (app.m_demo) {
            app.m_demo = false;
            b.m_tank->pilot(nullptr);
        }
    }
    m_press = Action::None;
    battleKeys(in, k);
}

void BattleScreen::pausedKeys(Input& in)
{
    in.wheelTake();
    for (int32_t k = in.keyGet(); k != Key::kNone; k = in.keyGet()) {
        const Action a = m_app.m_actions.battleAction(k);
        if (a == Action::Pause) {
            setPaused(false);
            return;
        }
        if (a == Action::Menu) {
            battleKey(a);
            return;
        }
    }
}

void BattleScreen::setPaused(bool on)
{
    App& app = m_app;
    m_paused = on;
    if (!on) {
        if (m_shade)
            m_shade->off();
        if (m_pausedText)
            m_pausedText->off();
        return;
    }
    // Held orders end here: a key let go meanwhile must not drive on after.
    if (Tank* t = app.tank())
        t->m_orders = Tank::Orders();
    if (!m_shade) {
        m_shade = new Vsprite;
        m_shade->setColor(kShade);
        m_shade->setZ(kPauseZ);
        m_pausedText = new Vtext(app.m_theme, Catalog::tr("Paused"));
        m_pausedText->setZ(kPauseZ - 1);
    }
    app.add(m_shade);
    app.add(m_pausedText);
    pauseLayout();
}

void BattleScreen::pauseLayout()
{
    if (!m_paused || !m_shade)
        return;
    m_shade->setXyi(0, 0);
    m_shade->setWidthHeight(m_app.m_width, m_app.m_height);
    m_pausedText->setXyi((m_app.m_width - m_pausedText->getWidth()) / 2,
                         (m_app.m_height - m_pausedText->getHeight()) / 2);
}

int32_t BattleScreen::loudness() const
{
    if (m_paused)
        return 0;
    switch (m_state) {
    case State::Fighting:
    case State::RunOut:
        return 100;
    case State::Fading:
        return 100 - 100 * std::clamp(m_fadeMs, 0, kFadeMs) / kFadeMs;
    case State::Over:
        break;
    }
    return 0;
}

void BattleScreen::leave()
{
    setPaused(false);
}

void BattleScreen::battleKeys(Input& in, int32_t k)
{
    // Of several keys in one frame, the last one is what the tank acts on.
    while (k != Key::kNone) {
        m_press = battleAction(k);
        battleKey(m_press);
        // The menu takes the keys from here on.
        if (m_menuOpen)
            return;
        k = m_app.isRunning() ? in.keyGet() : Key::kNone;
    }
    orders(in);
}

void BattleScreen::orders(Input& in)
{
    Tank& tank = *m_app.m_battle->m_tank;
    Tank::Orders& o = tank.m_orders;
    const bool invert = m_app.m_options.m_invertGun;
    auto gun = [&](Action a) { return invert ? ActionMap::invertGun(a, tank.m_aim) : a; };
    // A press waits for the world's next tick, which may come a frame later.
    if (m_press != Action::None)
        o.press = gun(m_press);
    for (Action a : {Action::Forward, Action::Reverse, Action::TurnLeft, Action::TurnRight, Action::GunUp,
                     Action::GunDown})
        o.hold(gun(a), m_app.m_actions.held(in, a));
    o.tilt = in.tiltX();
}

Action BattleScreen::battleAction(int32_t k)
{
    App& app = m_app;
    Hud& hud = *app.m_battle->m_hud;
    if (k == Key::kTouch && app.input().touchX() != 0)
        return battleTouch();
    const Action a = app.m_actions.battleAction(k);
    // Shown, the on-screen button of the action lights up, except for the
    // keys that drive (the arrows, W, A, S, D) and the menu keys.
    const int32_t button = ActionMap::button(a);
    if (hud.m_controls && button != 0 && (Key::isDigit(k) || !(ActionMap::steers(a) || a == Action::Menu)))
        hud.activeMenu()->key(static_cast<char>(button), 0, 0);
    return a;
}

Action BattleScreen::battleTouch()
{
    App& app = m_app;
    Hud& hud = *app.m_battle->m_hud;
    const int32_t x = app.input().touchX(), y = app.input().touchY();
    ref<Vmenu> menu = hud.activeMenu();
    auto button = [&] { return ActionMap::ofButton(menu->key(static_cast<char>(Key::kTouch), x, y)); };
    if (hud.touchLayout()) {
        if (hud.m_controls) {
            if (hud.m_panel && hud.m_panel->isLinked() && hud.m_panel->pick(x, y)) {
                hud.m_controls = false;
                hud.menuGameShow();
                return Action::None;
            }
            return button();
        }
        // Squares of a quarter of the width from the bottom left: the menu
        // button, left, right and fire along the bottom; up and down on the
        // right; anywhere else brings the controls back.
        const int32_t q = std::max(app.m_width >> 2, 1);
        const int32_t cx = x / q, cy = (app.m_height - y) / q;
        if (cy == 0)
            return cx == 0 ? button() : cx == 1 ? Action::TurnLeft : cx == 2 ? Action::TurnRight : Action::Fire;
        if (cx == 3 && (cy == 1 || cy == 2))
            return cy == 1 ? Action::Reverse : Action::Forward;
        return Action::Buttons;
    }
    if (menu->isLinked() && menu->pick(x, y))
        return button();
    if (app.m_bigScreen && hud.m_controls && x > (menu->getX() >> 15) - 32)
        return Action::Fire;
    hud.menuOff();
    if (y < app.m_height / 3)
        return Action::Forward;
    if (x < app.m_width / 3)
        return Action::TurnLeft;
    if (x > 2 * (app.m_width / 3))
        return Action::TurnRight;
    if (y > 2 * (app.m_height / 3))
        return Action::Reverse;
    return Action::Fire;
}

void BattleScreen::battleKey(Action a)
{
    App& app = m_app;
    Battle& b = *app.m_battle;
    Hud& hud = *b.m_hud;
    BattleCamera& camera = *b.m_camera;
    Tank& t = *b.m_tank;
    const bool touchLayout = hud.touchLayout();
    const bool overhead = camera.overhead();
    switch (a) {
    case Action::Menu:
        // The keyboard opens the menu at once; the buttons come back as
        // they were when it closes.
        hud.hide();
        m_menuOpen = true;
        app.push(new MainMenuScreen(app));
        break;
    case Action::Pause:
        setPaused(true);
        break;
    case Action::Buttons:
        // Kept as the player leaves them, for the next battle and the next start.
        app.m_options.m_buttons = !hud.m_controls;
        app.saveOptions();
        if (!hud.m_controls) {
            hud.m_controls = true;
            hud.menuGameShow();
        } else {
            hud.menuOff();
        }
        break;
    case Action::Forward:
        if (!touchLayout && !t.m_aim && t.m_driveSpeed > kMenuGoFast)
            hud.menuOff();
        break;
    case Action::View:
        // The overhead map leaves aim mode, and coming back does not bring
        // it back: say so, or the arrows would turn the hull unannounced.
        if (t.m_aim)
            app.showHint(String::copyOf(
                Catalog::fill(Catalog::tr("Aim mode off - {1} to aim again"), {app.m_actions.keysText(Action::Aim)})
                    .c_str()));
        t.m_aim = false;
        if (overhead) {
            camera.perspectiveSwitch();
            m_viewChange = true;
        } else {
            camera.overheadSwitch();
        }
        if (touchLayout)
            hud.menuGameShow();
        else
            hud.menuOff();
        break;
    case Action::Aim:
        app.sound(String::intern(GameSound::kDenied));
        if (overhead)
            camera.perspectiveSwitch();
        t.m_aim = !t.m_aim;
        if (t.m_aim)
            t.m_driveSpeed = 0;
        if (!touchLayout)
            hud.m_controls = false;
        hud.menuGameShow();
        // The smooth camera swings over the gun by itself.
        m_viewChange = overhead || camera.m_lazy;
        break;
    default:
        break;
    }
}

void BattleScreen::resume(Screen& from)
{
    App& app = m_app;
    auto* menu = dynamic_cast<MainMenuScreen*>(&from);
    if (!menu)
        return;
    // The menu closed: the battle goes on with the rest of the frame.
    m_menuOpen = false;
    if (menu->newCampaign())
        m_abandoned = true;
    if (app.m_stage->m_sprite)
        app.m_stage->m_sprite->off();
    app.m_battle->m_hud->menuGameShow();
    Input& in = app.input();
    battleKeys(in, app.isRunning() ? in.keyGet() : Key::kNone);
    if (!m_menuOpen)
        advance(app.m_frameMs);
}

// ---- the world ----

void BattleScreen::advance(int32_t ms)
{
    Hud& hud = *m_app.m_battle->m_hud;
    for (const ref<Vmenu>& m : {hud.m_menuDrive, hud.m_menuAim})
        if (m)
            m->advance(ms);
    if (m_wipe) {
        // The world waits for the wipe, and only for its own length: a frame
        // that runs past it gives the rest to the world.
        if (m_wipeX >= 0) {
            const int32_t whole = wipeBandCount() * kWipeBandMs;
            m_tickMs += std::max(0, m_wipeMs + ms - std::max(m_wipeMs, whole));
            m_wipeMs += ms;
        }
        return;
    }
    App& app = m_app;
    Battle& b = *app.m_battle;
    if (m_paused)
        return;
    switch (m_state) {
    case State::Fighting:
        if (m_abandoned) {
            finish();
            return;
        }
        ticks(ms);
        b.m_hud->radar();
        b.m_hud->status();
        camera();
        if (b.m_hud->m_sight)
            b.m_hud->m_sight->update();
        break;
    case State::RunOut:
        ticks(ms);
        b.m_hud->radar();
        break;
    case State::Fading:
        if (m_fadeMs >= 0)
            m_fadeMs += ms;
        if (m_fadeMs >= kFadeMs || app.m_pixels.empty())
            finish();
        break;
    case State::Over:
        break;
    }
}

void BattleScreen::ticks(int32_t ms)
{
    // The world keeps its own pace: the ticks due by now, and no more than
    // a slow frame's worth at once, so that a stalled game does not race
    // afterwards.
    m_tickMs = std::min(m_tickMs + std::max(ms, 0), kMostBehindMs);
    Battle& b = *m_app.m_battle;
    while (m_tickMs >= Battle::kTickMs) {
        m_tickMs -= Battle::kTickMs;
        b.tick(m_state == State::Fighting);
        // The battle ends at the tick that decides it, and runs on for a
        // number of ticks, whatever the frames.
        if (m_state == State::RunOut && ++m_runOutTicks >= kRunOutMs / Battle::kTickMs) {
            m_state = State::Fading;
            m_tickMs = 0;
            return;
        }
        if (m_state == State::Fighting && (won() || lost()))
            runOut();
        keepBattle();
    }
}

void BattleScreen::keepBattle()
{
    if (m_state != State::Fighting || (m_keptMs += Battle::kTickMs) < BattleFile::kEveryMs)
        return;
    m_keptMs = 0;
    m_app.prefSave();
}

void BattleScreen::camera()
{
    BattleCamera& camera = *m_app.m_battle->m_camera;
    const bool keyed = m_viewChange && !camera.overhead();
    if (keyed)
        camera.lookAt();
    // A lazy chase camera that jumped, by a tick or by a key, wipes the new
    // view in; the smooth one cuts back from the map.
    if ((keyed && camera.m_lazy) || camera.m_jumped)
        startWipe();
    camera.m_jumped = false;
}

bool BattleScreen::won()
{
    Tank& t = *m_app.m_battle->m_tank;
    return m_app.m_campaign->m_enemyCount == 0 && t.isLinked();
}

bool BattleScreen::lost()
{
    Tank& t = *m_app.m_battle->m_tank;
    return !t.isLinked() || t.m_fuel == 0;
}

void BattleScreen::runOut()
{
    m_won = won();
    m_state = State::RunOut;
    Hud& hud = *m_app.m_battle->m_hud;
    if (hud.m_sight)
        hud.m_sight->hide();
    for (const ref<Vmenu>& m : {hud.m_menuDrive, hud.m_menuAim})
        if (m)
            m->off();
}

void BattleScreen::finish()
{
    App& app = m_app;
    Battle& b = *app.m_battle;
    Campaign& c = *app.m_campaign;
    Tank& t = *b.m_tank;
    ResultScreen::Result r;
    r.outcome = m_won ? ResultScreen::Outcome::Victory
                      : t.isLinked() && t.m_fuel == 0 ? ResultScreen::Outcome::OutOfFuel : ResultScreen::Outcome::Defeat;
    if (r.outcome == ResultScreen::Outcome::Defeat && !t.isLinked())
        r.cause = t.m_wy < Tank::kSunk ? ResultScreen::Cause::Sank : ResultScreen::Cause::ShotThrough;
    r.outOfRounds = t.m_rounds == 0;
    r.enemy = Campaign::enemyKind(c.m_side, c.m_mapX);
    r.destroyed = std::max(m_enemiesAtStart - c.m_enemyCount, 0);
    r.shots = t.m_shots;
    r.hits = t.m_hits;
    r.ms = t.m_battleMs;
    m_state = State::Over;
    if (!m_abandoned) {
        if (m_won)
            app.sound(String::intern(GameSound::kFanfare));
        c.battleOver(m_won);
        // The battle is over before it is saved: a record written now must
        // not bring it back on the next start.
        t.m_wx = 0;
        app.prefSave();
    }
    t.m_aim = false;
    t.m_driveSpeed = 0;
    t.m_wx = 0;
    c.prefWrite(Record::kBattleX, 0);
    if (b.m_camera->overhead())
        b.m_camera->perspectiveSwitch();
    b.battleClear();
    if (m_abandoned)
        app.replace(new MapScreen(app, false));
    else
        app.replace(new ResultScreen(app, r));
}

void BattleScreen::layout()
{
    pauseLayout();
    Hud& hud = *m_app.m_battle->m_hud;
    if ((hud.m_menuDrive && hud.m_menuDrive->isLinked()) || (hud.m_menuAim && hud.m_menuAim->isLinked())) {
        hud.menuGameShow();
        hud.radarPlace();
    }
}

// ---- the frame on screen ----

void BattleScreen::draw()
{
    m_wait = kPaced;
    if (m_wipe) {
        wipeBands();
        return;
    }
    if (m_state == State::Fading) {
        // The last picture of the battle, darker and darker: the world
        // stands still, so drawing it again gives that picture.
        m_fadeMs = std::max(m_fadeMs, 0);
        m_app.paintDimmed(256 - (256 - kFadeLast) * std::min(m_fadeMs, kFadeMs) / kFadeMs);
        return;
    }
    Screen::draw();
}

int32_t BattleScreen::wipeBand() const
{
    return std::max(m_app.m_width < 320 ? kWipeBand : m_app.m_width >> 3, 1);
}

int32_t BattleScreen::wipeBandCount() const
{
    const int32_t band = wipeBand();
    return (m_app.m_width + band - 1) / band;
}

void BattleScreen::wipeBands()
{
    App& app = m_app;
    if (m_wipeX < 0) {
        app.renderChangeDetect(0, 0, 32768);
        // Nothing changed: nothing to wipe, and no frame to wait for.
        if (app.m_dirtyCount == 0) {
            m_wipe = false;
            m_wait = kNoWait;
            return;
        }
        m_wipeX = 0;
        m_wipeWidth = app.m_width;
        m_wipeHeight = app.m_height;
    }
    // A screen that changed its size meanwhile (as the frames say, which a
    // replay gives again) is drawn anew by the next frame; the dirty list
    // stays for it.
    if (app.m_width != m_wipeWidth || app.m_height != m_wipeHeight) {
        m_wipe = false;
        m_wait = kNoWait;
        return;
    }
    const int32_t band = wipeBand();
    // The bands due by now: one every kWipeBandMs.
    const int32_t due = band * (m_wipeMs / kWipeBandMs + 1);
    while (m_wipeX < app.m_width && m_wipeX < due) {
        app.paintRect(m_wipeX, 0, m_wipeX + band, app.m_height);
        m_wipeX += band;
    }
    if (m_wipeX >= app.m_width) {
        app.m_dirtyCount = 0;
        m_wipe = false;
        // The world waits the wipe's whole length, however the frames fell.
        m_tickMs -= std::max(0, wipeBandCount() * kWipeBandMs - m_wipeMs);
    }
}

int32_t BattleScreen::frameWait() const
{
    return m_wait;
}
