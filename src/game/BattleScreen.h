#pragma once
#include <cstdint>

#include "game/ActionMap.h"
#include "game/Screen.h"
#include "runtime/Array.h"
#include "scene/Vtext.h"

// One battle, from its set-up to the way back to the map. Each frame the
// player's keys and touches become the tank's orders or switch the view or
// open the menu; the world steps by the frame's time; the radar, the status
// panel and the camera follow. Won or lost, the world runs on for a while,
// fades to black, the front moves and the record is saved.
class BattleScreen : public Screen {
public:
    using Screen::Screen;

    void enter() override;
    void input(Input& in) override;
    void advance(int32_t ms) override;
    void layout() override;
    void leave() override;
    void resume(Screen& from) override;
    void draw() override;
    int32_t frameWait() const override;

    // Battle time that a won or lost battle runs on before the fade.
    static constexpr int32_t kRunOutMs = 2000;
    static constexpr int32_t kFadeMs = 2000;
    // The camera's wipe: a band every kWipeBandMs.
    static constexpr int32_t kWipeBandMs = 10;
    // The most game time a frame catches up with.
    static constexpr int32_t kMostBehindMs = 200;

    // Stops the battle (nothing advances) under a dimmed "Paused", or lets
    // it go on.
    void setPaused(bool on);
    bool paused() const { return m_paused; }
    // How loud the battle's loops are now, 0..100 percent: in full while it
    // is fought and runs out, falling with the fade, silent while paused
    // and once it is over.
    int32_t loudness() const;

private:
    enum class State { Fighting, RunOut, Fading, Over };

    // The player's keys and touches of one frame, from the queue's next key
    // on; stops when one opens the menu.
    void battleKeys(Input& in, int32_t k);
    // The action of key k in battle: the action of the key, or of the button
    // or screen region a touch hits; a key of a button shown lights it up.
    Action battleAction(int32_t k);
    Action battleTouch();
    // What one action of the battle does besides what the tank does.
    void battleKey(Action a);
    // The orders of the frame: the last action pressed, those held.
    void orders(Input& in);
    // The world's ticks due after ms more of game time.
    void ticks(int32_t ms);
    // After a tick: the record and the battle saved every so often, so that
    // not much of a battle is lost when the game is killed.
    void keepBattle();
    // The camera of a frame: the chase view, re-aimed with a wipe when it
    // fell behind, or the overhead map following the tank.
    void camera();
    bool won();
    bool lost();
    // The run-out of a battle won or lost; the world keeps going, the
    // controls go.
    void runOut();
    // The battle is over: the front moves (unless a new campaign was chosen),
    // the record is saved, the map follows.
    void finish();
    // The wipe of a camera that jumps: the new view drawn in bands from the
    // left, one every kWipeBandMs, the world waiting meanwhile.
    void startWipe() { m_wipe = true, m_wipeX = -1, m_wipeMs = 0; }
    void wipeBands();
    // The width of a band, and the bands across the screen.
    int32_t wipeBand() const;
    int32_t wipeBandCount() const;

    // The keys of a paused frame: only pause and the menu mean anything.
    void pausedKeys(Input& in);
    // The pause's shade and text laid over the screen.
    void pauseLayout();

    State m_state = State::Fighting;
    bool m_paused = false;
    int32_t m_enemiesAtStart = 0;
    ref<Vsprite> m_shade;      // the pause's
    ref<Vtext> m_pausedText;
    bool m_abandoned = false;  // a new campaign was chosen in battle
    bool m_viewChange = false; // the view changed this frame
    bool m_menuOpen = false;   // the menu opened this frame
    bool m_won = false;
    int32_t m_idleMs = 0;      // battle time since the last key
    int32_t m_runOutTicks = 0; // of the run-out so far
    int32_t m_tickMs = 0;      // game time not yet ticked
    int32_t m_keptMs = 0;      // battle time since the battle was last saved
    int32_t m_fadeMs = -1;     // ms of the fade so far; -1 before it starts
    bool m_wipe = false;
    int32_t m_wipeX = -1; // the next band of the wipe; -1 before the first
    int32_t m_wipeMs = 0; // ms of the wipe so far
    int32_t m_wipeWidth = 0, m_wipeHeight = 0; // the screen the wipe began on
    Action m_press = Action::None; // the last action pressed this frame
    int32_t m_wait = kPaced;       // after the frame drawn
};
