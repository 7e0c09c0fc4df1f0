#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "game/ReplayReader.h"
#include "host/Input.h"

class App;

// Plays a recorded battle back: sets the game up as the battle began (the
// campaign, the player's tank, the random numbers), then gives each frame
// the time, the screen size and the input recorded for it, and ends the
// game when the battle ends or the frames run out. The player's own keys
// (from the host) only steer the playback: Space or P pauses, 1, 2 and 4
// choose the speed, Escape or Q quits.
class ReplayPlayer {
public:
    // The replay to play (read and checked already), where it came from, and
    // where the outcome goes: 0, or 1 when the battle went another way than
    // recorded. Without a replay the player does nothing.
    void load(std::shared_ptr<ReplayReader> replay, const std::string& name, std::shared_ptr<int32_t> status);
    bool active() const { return m_replay != nullptr; }

    // Game thread, instead of the title: the game as the battle began, and
    // the battle pushed.
    void start(App& app);
    // Game thread, at the top of every frame: false when no frame is to run
    // now (paused, or the replay is over and the game stops).
    bool frame(App& app);
    // While paused, how long to wait before the next look at the keys.
    bool paused() const { return m_paused; }
    // The wait after a frame: its recorded time at the speed chosen.
    int32_t wait();
    // The frame playing put up the screenshot's note when it was recorded.
    bool noteShown() const { return m_frame.note; }
    // Game thread, when the battle left the screen (over: by itself): the
    // end compared with the recorded one; the game stops.
    void end(App& app, bool over);

    static constexpr int32_t kPausedWaitMs = 20;
    static constexpr int32_t kMostWaitMs = 1000;

private:
    // The player's keys of this frame; false when the game is to stop.
    bool controls(App& app);
    void finish(App& app, bool over);

    std::shared_ptr<ReplayReader> m_replay;
    std::shared_ptr<int32_t> m_status;
    std::string m_name;
    Input m_input; // what the game reads: the recorded input
    Replay::Frame m_frame;
    int32_t m_played = 0;
    int32_t m_speed = 1;
    bool m_paused = false;
    bool m_finished = false;
    int32_t m_carry = 0; // of a wait sped up, the fraction of a ms owed (in 1/4 ms)
};
