#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/Replay.h"
#include "game/ReplayWriter.h"
#include "host/Input.h"

class App;

// Records the battles the game plays. From the moment a battle begins until
// it leaves the screen, the game reads its input from a copy that takes over
// the host's input once at the top of every frame (Input::latch), and that
// copy is what is recorded, with the frame's time and the screen's size; so
// what the battle was given is exactly what a replay gives it, whatever
// screens (the menu, a page) open over the battle meanwhile.
class ReplayRecorder {
public:
    // Each battle into a new file of folder, named by the date and time it
    // ended; only the newest kKept stay.
    void toFolder(const std::string& folder) { m_folder = folder; }
    // Each battle into file (the last one stays).
    void toFile(const std::string& file) { m_file = file; }
    bool enabled() const { return !m_folder.empty() || !m_file.empty(); }
    // A battle is being recorded; its frames so far.
    bool active() const { return m_active; }
    int32_t frames() const { return m_writer.frames(); }

    // Game thread, as a battle is about to begin: its start, and its first
    // frame, which the battle is given at once.
    void begin(App& app);
    // Game thread, at the top of every later frame of the battle (after a new
    // screen size is applied).
    void frame(App& app);
    // Game thread, when the battle left the screen: over when it ended by
    // itself (not with the game). Writes the file; false with a line on
    // stderr when it cannot.
    bool end(App& app, bool over);

    // Removes the oldest replays of folder until keep remain; the names sort
    // by age.
    static void rotate(const std::string& folder, int32_t keep);
    // The name of a replay recorded at local time t: "YYYY-MM-DD-HHMMSS.replay".
    static std::string fileName(int64_t t);
    // The campaign record a save would store now, in its bytes; with the
    // player's tank where it stands, or (without) the battle's place as the
    // record has it.
    static void recordOf(App& app, int8_t* bytes, bool withTank);
    // The hash of the frame on screen (Replay::pictureHash).
    static uint32_t pictureOf(const App& app);

    static constexpr int32_t kKept = 20;
    static constexpr const char* kExtension = ".replay";

private:
    bool write(const std::vector<uint8_t>& bytes, std::string& path);
    void record(App& app);

    std::string m_folder;
    std::string m_file;
    bool m_active = false;
    bool m_fullSaid = false; // the line about a replay too long was printed
    ReplayWriter m_writer;
    Input m_input; // what the game reads while recording
};
