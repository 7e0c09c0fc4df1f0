#include "game/App.h"

#include "game/Language.h"
#include "runtime/Catalog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "game/AppPicture.h"
#include "game/BattleFile.h"
#include "game/BattleScreen.h"
#include "game/Language.h"
#include "game/TitleScreen.h"
#include "game/VehicleBuilds.h"
#include "host/Host.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dModel.h"
#include "runtime/Catalog.h"
#include "runtime/String.h"
#include "scene/Vilib.h"

namespace {

// Screen sizes: below these the small font and text menus serve, and the
// battle's controls are a text menu; the buttons are 48 pixels, or 72 where
// the screen's short side (the width of a portrait screen) has room.
constexpr int32_t kBigWidth = 177, kBigHeight = 161;
constexpr int32_t kButtonsFrom = 176;
constexpr int32_t kPortraitWidth = 293; // wider than this: landscape
constexpr int32_t kLargeButtonsFrom = 294;
constexpr int32_t kSmallButton = 48, kLargeButton = 72;
// The look of texts and menus.
constexpr int32_t kTextColor = static_cast<int32_t>(0xFFFFFFFF);
constexpr int32_t kMenuColor = static_cast<int32_t>(0x80606080);
constexpr int32_t kInset = 2;
constexpr int32_t kTabWidening = 4; // the large font's tab stops, a little wider
// Stack changes applied in one frame at most (a screen that opens another
// as it enters, and so on).
constexpr int32_t kMaxChanges = 16;
// The note of a screenshot: how long it stays, how far from the top, and
// in front of everything.
constexpr int32_t kNoteMs = 2000;
constexpr int32_t kNoteTop = 6;
constexpr int32_t kHintMs = 3000; // long enough to read a line of advice
constexpr int32_t kNoteZ = -3000;

int64_t steadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

App::App() : m_campaign(new Campaign), m_stage(new Stage(*this)) {}
App::~App() = default;

// ---- the loop ----

void App::run()
{
    if (m_viewer)
        inspect();
    else
        V3dView::run();
}

void App::begin()
{
    initOnce();
    if (m_player.active())
        m_player.start(*this);
    else
        push(new TitleScreen(*this));
    m_frameStartUs = steadyUs();
}

int32_t App::step()
{
    if (m_statsDue) {
        // The wait of the frame before is over: the frame is counted whole.
        m_stats.add(m_frameMs, m_workUs);
        m_frameStartUs = steadyUs();
        m_statsDue = false;
    }
    if (!isRunning() || (m_screens.empty() && m_changes.empty()))
        return kStepOver;
    int32_t wait = frame();
    if (wait == Screen::kNoWait)
        return kStepAtOnce;
    if (m_player.active() && m_player.paused())
        return ReplayPlayer::kPausedWaitMs;
    if (m_player.active())
        wait = m_player.wait();
    else if (wait == Screen::kPaced)
        wait = pacedWait();
    m_workUs = steadyUs() - m_frameStartUs;
    m_statsDue = true;
    return wait;
}

void App::end()
{
    if (m_frameStats) {
        std::printf("%s\n", m_stats.line().c_str());
        std::fflush(stdout);
    }
    prefSave();
    destroy();
}

int32_t App::frame()
{
    // A stop counts from the top of a frame: one that comes meanwhile lets
    // the frame draw as its replay will.
    m_running = !stopRequested();
    if (!m_running)
        return Screen::kNoWait;
    if (m_player.active() && !m_player.frame(*this)) {
        // A replay paused or over: the battle on screen stands still.
        if (m_display)
            m_battleSound.stop(*m_display);
        return m_player.paused() ? 0 : Screen::kNoWait;
    }
    m_noteMsAtFrame = m_note ? m_noteMs : 0;
    hotkeys();
    if (screenResize()) {
        const std::vector<ref<Screen>> shown = m_screens;
        for (const ref<Screen>& s : shown)
            s->layout();
    }
    noteAdvance();
    if (m_noteNow)
        showNote(kNoteMs);
    // What the battle is given this frame, taken as it enters the game.
    m_recorder.frame(*this);
    if (!settle()) {
        ref<Screen> s = m_screens.empty() ? nullptr : m_screens.back();
        if (!s)
            return Screen::kNoWait;
        s->input(input());
        if (m_changes.empty())
            s->advance(m_frameMs);
        settle();
    }
    battleSound();
    if (!isRunning() || m_screens.empty())
        return Screen::kNoWait;
    ref<Screen> shown = m_screens.back();
    shown->draw();
    return shown->frameWait();
}

void App::hotkeys()
{
    // The host's own input, not the frame's copy a battle reads: the press
    // saves the picture on screen now, on every screen, recorded or not.
    const bool saved = Host::current().input().hotkeyTake() > 0 && screenshot();
    // A replay shows the note where the battle showed it; a picture saved
    // while watching one is not part of it.
    m_noteNow = m_player.active() ? m_player.noteShown() : saved;
}

void App::battleSound()
{
    if (!m_display)
        return;
    auto* battle = dynamic_cast<BattleScreen*>(top());
    Tank* t = tank();
    if (battle && t && isRunning() && !m_mute)
        m_battleSound.play(*m_display, *t, battle->loudness());
    else
        m_battleSound.stop(*m_display);
}

void App::quit()
{
    requestStop();
    m_running = false;
}

int32_t App::pacedWait()
{
    const int32_t us = Host::current().frameUs();
    if (us <= 0)
        return 0;
    m_paceUs += us;
    const int32_t ms = m_paceUs / 1000;
    m_paceUs -= ms * 1000;
    return ms;
}

void App::push(const ref<Screen>& s)
{
    if (s)
        m_changes.push_back(s);
}

void App::pop()
{
    m_changes.push_back(nullptr);
}

void App::replace(const ref<Screen>& s)
{
    pop();
    push(s);
}

bool App::settle()
{
    bool changed = false;
    for (int32_t n = 0; n < kMaxChanges && !m_changes.empty() && isRunning(); n++) {
        ref<Screen> s = m_changes.front();
        m_changes.erase(m_changes.begin());
        changed = true;
        if (s) {
            // A new screen takes the frame's input and advances at once,
            // unless it changed the stack again as it entered.
            m_screens.push_back(s);
            // A battle is recorded from what it starts with.
            if (dynamic_cast<BattleScreen*>(s.get()) && !m_player.active())
                m_recorder.begin(*this);
            s->enter();
            if (!m_changes.empty())
                continue;
            s->input(input());
            if (m_changes.empty())
                s->advance(m_frameMs);
        } else if (!m_screens.empty()) {
            ref<Screen> gone = m_screens.back();
            m_screens.pop_back();
            gone->leave();
            left(*gone, true);
            // The one below goes on, unless another takes its place at once.
            if (!m_screens.empty() && m_changes.empty())
                m_screens.back()->resume(*gone);
        }
    }
    if (!isRunning())
        m_changes.clear();
    return changed;
}

void App::left(Screen& s, bool over)
{
    if (!dynamic_cast<BattleScreen*>(&s))
        return;
    m_recorder.end(*this, over);
    if (m_player.active())
        m_player.end(*this, over);
}

// ---- start-up ----

void App::initOnce()
{
    if (m_fsin.empty())
        V::fsinInit();
    // The dice are seeded now, from the clock at start-up, so that a game's
    // battles do not depend on the moment the first one began.
    franSeed(Host::current().nowMs());
    m_startWidth = m_width;
    m_startHeight = m_height;
    m_bigScreen = true;
    m_buttonSize = 0;
    if (m_width >= kButtonsFrom && m_height >= kButtonsFrom) {
        const int32_t s = m_width > kPortraitWidth ? m_height : m_width;
        m_buttonSize = s < kLargeButtonsFrom ? kSmallButton : kLargeButton;
    }
    m_fontSmall = new Vfont;
    m_fontSmall->open("f10.bin"_s);
    ref<Vfont> font = m_fontSmall;
    if (m_height < kBigHeight || m_width < kBigWidth) {
        m_bigScreen = false;
        m_buttonSize = 0;
    } else {
        font = new Vfont;
        font->open("f16.bin"_s);
        font->m_tab += kTabWidening;
    }
    m_theme = new Vtheme;
    m_theme->m_font = font;
    m_theme->m_textColor = kTextColor;
    m_theme->m_menuColor = kMenuColor;
    m_theme->m_mouse = true;
    m_theme->m_inset = kInset;
    m_lib = new Vilib(m_display, "app"_s);
    m_theme->m_lib = m_lib;
    // The keys count from the title on (the screenshot's among them).
    m_options.load(m_actions);
    applyOptions();
    if (!Language::given())
        Language::apply(m_options.m_language);
}

void App::loadGame()
{
    m_campaign->prefLoad(m_display.get());
    m_mute = m_campaign->m_mute;
    m_battle = new Battle(*this);
    m_models = new V3dLibrary;
    m_models->open("p3d"_s, m_lib);
    m_battle->newTank(m_campaign->m_side);
    if (m_battle->m_tank)
        m_campaign->loadTank(*m_battle->m_tank);
    m_battle->initTerrain0();
    m_battle->m_hud->build(m_buttonSize);
    // Again, for the battle's share of the options.
    applyOptions();
}

void App::inspect()
{
    if (m_fsin.empty())
        V::fsinInit();
    m_lib = new Vilib(m_display, "app"_s);
    m_models = new V3dLibrary;
    m_models->open("p3d"_s, m_lib);
    m_models->textureLoad(m_lib, nullptr);
    for (const VehicleBuild& v : {kSherman, kTiger, kT34, kTruck})
        for (const char* part : {v.hull, v.tracks, v.turret, v.gun}) {
            ref<V3dModel> m = part ? m_models->lookupModel(String::copyOf(part)) : nullptr;
            if (m && !m->m_scaled)
                m->scale(v.scale);
        }
    viewer(m_viewer);
    destroy();
    m_models = nullptr;
}

void App::prefSave()
{
    if (!m_campaign)
        return;
    m_campaign->m_mute = m_mute;
    // The battle being fought is stored first, stamped with the record in
    // memory, and the record that points at it after it.
    m_campaign->prefSave(nullptr, tank());
    BattleFile::keep(*this);
    m_campaign->prefSave(m_display.get(), tank());
}

void App::applyOptions()
{
    Host& host = Host::current();
    host.setVolumes(m_options.m_effects, m_options.m_music);
    host.setFrameRate(m_options.m_frameRate);
    // On the host's input: a battle's copy of it never sees the presses.
    host.input().setHotkeys(m_actions.key(Action::Screenshot), m_actions.pad(Action::Screenshot));
    if (m_battle) {
        m_battle->m_camera->m_lazy = m_options.m_lazyCamera;
        m_battle->m_hud->m_controls = m_options.m_buttons;
    }
}

void App::saveOptions()
{
    m_options.save(m_actions);
}

bool App::screenshot()
{
    return !Host::current().saveScreenshot(*this).empty();
}

void App::showNote(int32_t ms)
{
    if (m_note)
        m_note->off();
    m_note = nullptr;
    m_noteMs = ms;
    if (ms <= 0 || !m_theme)
        return;
    m_note = new Vtext(m_theme, Catalog::tr("Screenshot saved"));
    m_note->setZ(kNoteZ);
    m_note->setXyi((m_width - m_note->getWidth()) / 2, kNoteTop);
    add(m_note);
}

void App::showHint(const ref<String>& text)
{
    if (m_hint)
        m_hint->off();
    m_hint = new Vtext(m_theme, text);
    m_hint->setZ(kNoteZ);
    add(m_hint);
    m_hintMs = kHintMs;
    hintPlace();
}

void App::hintPlace()
{
    const int32_t line = m_theme && m_theme->m_font ? m_theme->m_font->getHeight() : 16;
    m_hint->setXyi((m_width - m_hint->getWidth()) / 2, kNoteTop + line + 4);
}

void App::noteAdvance()
{
    if (m_hint) {
        m_hintMs -= m_frameMs;
        if (m_hintMs <= 0 || !m_hint->isLinked()) {
            m_hint->off();
            m_hint = nullptr;
        } else {
            hintPlace();
        }
    }
    if (!m_note)
        return;
    m_noteMs -= m_frameMs;
    if (m_noteMs <= 0 || !m_note->isLinked()) {
        m_note->off();
        m_note = nullptr;
        return;
    }
    // Centred on the screen as it is now.
    m_note->setXyi((m_width - m_note->getWidth()) / 2, kNoteTop);
}

void App::destroy()
{
    // Screens first: they let go of what they show.
    while (!m_screens.empty()) {
        ref<Screen> s = m_screens.back();
        m_screens.pop_back();
        s->leave();
        left(*s, false);
    }
    m_changes.clear();
    if (m_display)
        m_battleSound.stop(*m_display);
    removeAllStar();
    if (m_stage && m_stage->m_sprite)
        m_stage->m_sprite->removeAllStar();
    if (m_battle)
        m_battle->destroy();
}

// ---- the screen ----

bool App::screenResize()
{
    bool changed = false;
    for (;;) {
        if (V3dView::screenResize()) {
            changed = true;
            if (m_stage)
                m_stage->stageLayout();
            Vterrain* terrain = m_battle ? m_battle->m_terrain.get() : nullptr;
            if (terrain) {
                terrain->m_focal = m_focal;
                terrain->setWidthHeight(m_width, m_height);
                terrain->setHorizon(static_cast<int32_t>((static_cast<int64_t>(m_height) * m_battle->m_camera->horizon()) >> 15));
                terrain->setSkyGradient(0x5995, 0x3399FF);
                if (m_battle->m_camera->overhead())
                    m_battle->m_camera->overheadResize();
            }
        }
        // The game pauses while the screen rotates and goes on at the new size.
        if (!rotating() || stopRequested())
            return changed;
        renderWait();
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
