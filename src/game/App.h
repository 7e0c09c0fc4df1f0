#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/ActionMap.h"
#include "game/Battle.h"
#include "game/BattleSound.h"
#include "game/Campaign.h"
#include "game/FrameStats.h"
#include "game/Options.h"
#include "game/ReplayPlayer.h"
#include "game/ReplayRecorder.h"
#include "game/Screen.h"
#include "game/Stage.h"
#include "render3d/V3dView.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vfont.h"
#include "scene/Vtext.h"
#include "scene/Vtheme.h"

// The game. The host creates exactly one, calls init and setWidthHeight and
// then run on the game thread; it is the root of everything drawn and the 3D
// camera of the battle. It owns what every screen shares (the campaign, the
// battle's world, the stage the pages stand on, the look and the key table)
// and runs the screens, one frame at a time, in the one loop that paces the
// game (frame).
class App : public V3dView {
public:
    App();
    ~App() override;

    // Takes the sprite trees apart so that their counted parent links do not
    // keep them alive; the pixel buffer and the last frame stay.
    void destroy() override;
    // The whole game; returns when the viewport stops running. The mesh
    // inspector instead, when one is asked for.
    void run() override;
    // Start-up and the title; one frame of the screen on top and the wait it
    // asks for; the record saved and everything taken apart at the end.
    void begin() override;
    int32_t step() override;
    void end() override;
    // The record and the battle in progress stored as they stand.
    void suspend() override { prefSave(); }
    // Applies a new screen size to what every screen shares; true when the
    // size changed. While the screen rotates it waits for the rotation to end.
    bool screenResize() override;
    // Whether the game runs this frame: the stop request as it stood when
    // the frame began, so a stop that comes mid-frame (the window closed)
    // lets the frame end the way a replay of it does. Waits give up on the
    // request itself (stopRequested).
    bool isRunning() override { return m_running; }
    // The game ends itself (Quit, a replay's end): nothing more of this
    // frame runs.
    void quit();

    // ---- the screens ----

    // One frame of the screen on top: its new size, its input, its advance
    // and its drawing; the screen's wait (Screen::frameWait).
    int32_t frame();
    // Puts s on top of the stack, pop takes the top one off, replace does
    // both. The change happens once the current step of the frame is done:
    // a new top takes the input of the frame and advances at once, and the
    // one uncovered goes on where it stood (Screen::resume).
    void push(const ref<Screen>& s);
    void pop();
    void replace(const ref<Screen>& s);
    // The screen on top, or null.
    Screen* top() const { return m_screens.empty() ? nullptr : m_screens.back().get(); }
    // The screens from the bottom up.
    const std::vector<ref<Screen>>& screens() const { return m_screens; }

    // ---- what the screens share ----

    // One-time start-up before the title: the fonts, the look, the image
    // library and the sizes of the controls.
    void initOnce();
    // The rest of the start-up, while the title shows: the record, the
    // models, the battle's world, the controls and the status panel.
    void loadGame();
    // The mesh inspector on m_viewer, with the models and textures loaded and
    // every vehicle part scaled as in a battle.
    void inspect();
    // Saves the record with the player's tank as it stands.
    void prefSave();
    // Hands the options to what carries them out: the host (loudness,
    // pace), the input (the screenshot's keys), the battle.
    void applyOptions();
    // Saves the options and the player's keys.
    void saveOptions();
    // Saves the frame on screen as a picture; true when it was saved.
    bool screenshot();
    // The note over every screen ("Screenshot saved") for ms more, or none
    // (ms <= 0).
    void showNote(int32_t ms);
    // How much longer the note stayed when this frame began; 0 without one.
    int32_t noteMsAtFrame() const { return m_noteMsAtFrame; }
    // The note was put up in this frame (a screenshot saved, or replayed).
    bool noteShownNow() const { return m_noteNow; }
    // The player's tank (null before the game is loaded).
    Tank* tank() const { return m_battle ? m_battle->m_tank.get() : nullptr; }
    // Adds s centred on the screen, scaled down to the screen width if wider,
    // or up by the largest whole factor that fits a screen twice its size.
    void center(const ref<Vsprite>& s);

    ref<Campaign> m_campaign;
    ref<Battle> m_battle;
    ref<Stage> m_stage;          // where the pages stand
    ref<Vtheme> m_theme;         // the look of texts and menus
    ref<Vfont> m_fontSmall;      // the small font, "f10.bin"
    bool m_bigScreen = false;    // large enough for the large font and button menus
    int32_t m_buttonSize = 0;    // of the battle's touch buttons; 0: a text menu
    ActionMap m_actions;         // what the keys do
    Options m_options;           // the player's options (the keys are in m_actions)
    bool m_demo = false;         // the player's tank drives itself until a key is pressed
    ref<String> m_viewer;        // a mesh to inspect instead of playing, or null
    bool m_frameStats = false;   // print the frame statistics at the end
    FrameStats m_stats;
    int32_t m_terrainThreads = 0; // threads casting the terrain; 0: as many as there are cores
    bool m_halfTerrain = false;   // the terrain drawn at half resolution and doubled
    int32_t m_startWidth = 0;     // the screen at start-up, which chose the fonts and buttons
    int32_t m_startHeight = 0;
    ReplayRecorder m_recorder;    // records the battles, when told where to
    ReplayPlayer m_player;        // plays a recorded battle instead of the game, when given one

    // A line the game has to say over the screen ("Aim mode off - ..."),
    // below the screenshot's note, taken off after a few seconds.
    void showHint(const ref<String>& text);

private:
    // A screen s taken off the stack; over: by itself, not at the end of the game.
    void left(Screen& s, bool over);

    // The wait that keeps the host's frame rate: whole ms, the fractions
    // carried to the next frame.
    int32_t pacedWait();

    // Applies the stack changes asked for; false when there were none.
    bool settle();
    // The hotkey's screenshot, taken from the host's own input as pressed;
    // the note it puts up is part of the frame (recorded, replayed).
    void hotkeys();
    // The loops under a battle, as the screen on top stands after the
    // frame's step: a menu, a page, a pause or the sound switched off
    // silences them.
    void battleSound();
    // Takes the note and the hint off after their time.
    void noteAdvance();
    void hintPlace();

    std::vector<ref<Screen>> m_screens;
    std::vector<ref<Screen>> m_changes; // in order; null pops
    int32_t m_paceUs = 0;               // the fraction of a ms the pace owes
    int64_t m_frameStartUs = 0;         // a steady clock, for the work of a frame
    int64_t m_workUs = 0;               // the work of the frame whose wait runs
    bool m_statsDue = false;            // that frame is counted once its wait is over
    ref<Vtext> m_note;                  // shown over every screen, or null
    int32_t m_noteMs = 0;               // how much longer it stays
    ref<Vtext> m_hint;                  // the game's line, or null
    int32_t m_hintMs = 0;               // how much longer it stays
    int32_t m_noteMsAtFrame = 0;        // m_noteMs as the frame began
    bool m_noteNow = false;             // put up in this frame
    bool m_running = true;              // the stop request, latched at the top of a frame
    BattleSound m_battleSound;
};
