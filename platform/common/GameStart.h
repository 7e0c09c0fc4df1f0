#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>

#include "HostFrame.h"
#include "HostOptions.h"
#include "ScratchFolder.h"
#include "game/ReplayReader.h"

// What both programs do around a host's run: read the command line, find the
// data folder and check that it holds the whole game, choose the preferences
// folder (a scratch one for a headless run without its own), and make the
// game's root. Main thread.
class GameStart {
public:
    // Removes the scratch preferences folder, if one was made.
    ~GameStart();

    // Reads argv[1..argc) and prepares the run. headlessOnly: the program
    // has no window, as if --headless were given. -1 when a host is to run
    // now; otherwise the exit status to end with at once (0 after --help, 2
    // for a bad command line, 1 when the game data is not all there).
    int32_t prepare(int argc, const char* const* argv, bool headlessOnly);
    // The game: makes the root on the game thread.
    HostFrame::RootFactory game() const;

    // The exit status the game asks for once it has ended: 1 when a replay
    // went another way than it was recorded, else 0.
    int32_t gameStatus() const { return *m_gameStatus; }

    HostOptions m_options;

private:
    // Reads and checks --replay; false, after the line, when it cannot be played.
    bool loadReplay();

    std::shared_ptr<ReplayReader> m_replay;
    std::shared_ptr<int32_t> m_gameStatus = std::make_shared<int32_t>(0);
    std::unique_ptr<ScratchFolder> m_scratchPrefs;
};
