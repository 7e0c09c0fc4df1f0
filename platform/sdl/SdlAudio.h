#pragma once
#include <cstdint>
#include <vector>

struct Mix_Chunk;

// One-shot sounds through SDL2_mixer. open and close belong to the main
// thread; load and play are called by the game thread in between.
class SdlAudio {
public:
    ~SdlAudio();

    // Opens the audio device unless mute. A device that cannot be opened is
    // reported in one line and the game runs silent.
    void open(bool mute);
    void close();
    bool isOpen() const { return m_open; }

    // Loads a sound file (the game asks once for each). -1 when the file
    // cannot be read. Silent, a readable file still gets an identifier, so
    // the game does not report missing sounds.
    int32_t load(const char* path);
    // Plays a loaded sound once on a free channel; nothing when all are busy.
    void play(int32_t id);
    // The loudness of the sound effects and of the music (the sounds whose
    // names begin with "music"), 0..100 percent; for the sounds played from
    // now on.
    void setVolumes(int32_t effects, int32_t music);

private:
    bool m_open = false;
    std::vector<Mix_Chunk*> m_chunks; // null while silent
    std::vector<bool> m_isMusic;      // of each chunk
    int32_t m_effects = 100;
    int32_t m_music = 100;
};
