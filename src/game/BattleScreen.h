#pragma once
#include <cstdint>

#include "game/ActionMap.h"
#include "game/Screen.h"

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
    void resume(Screen& from) override;
    void draw() override;
    int32_t frameWait() const override;

    // Battle time that a won or lost battle runs on before the fade.
    static constexpr int32_t kRunOutMs = 2000;
    static constexpr int32_t kFadeMs = 2000;

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
    // The wipe of a camera that jumps: the new view drawn in bands, a frame
    // each.
    void startWipe() { m_wipe = true, m_wipeX = -1; }
    void wipeBand();

    State m_state = State::Fighting;
    bool m_abandoned = false;  // a new campaign was chosen in battle
    bool m_viewChange = false; // the view changed this frame
    bool m_menuOpen = false;   // the menu opened this frame
    bool m_won = false;
    int32_t m_idleMs = 0;      // battle time since the last key
    int32_t m_runOut = 0;      // ms of the run-out so far
    int32_t m_runOutFrames = 0;
    int32_t m_fadeLeft = 0;    // ms of the fade still to go
    int32_t m_fadeSteps = 0;
    bool m_wipe = false;
    int32_t m_wipeX = -1; // the next band of the wipe; -1 before the first
    Action m_press = Action::None; // the last action pressed this frame
    int32_t m_wait = kFrameMs;     // after the frame drawn
};
