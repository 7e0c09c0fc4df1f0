#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "SoundMixer.h"

// The game's sounds, once or looping: SDL2_mixer opens the device and reads
// the files, the game's own SoundMixer mixes them (without clipping) into
// SDL2_mixer's music stream. open and close belong to the main thread; load,
// play and the loops are called by the game thread in between.
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
    // Plays a loaded sound once (with every voice busy, the oldest stops).
    void play(int32_t id);
    // Plays a loaded sound over and over at volume percent (SoundMixer::loop):
    // its handle, or -1 while silent.
    int32_t loop(int32_t id, int32_t volume);
    void setLoopVolume(int32_t handle, int32_t volume);
    void stopLoop(int32_t handle);
    // The loudness of the sound effects and of the music (the sounds whose
    // names begin with "music"), 0..100 percent; for the sounds played from
    // now on and the loops playing.
    void setVolumes(int32_t effects, int32_t music);

private:
    static void mixInto(void* mixer, uint8_t* stream, int bytes);

    bool m_open = false;
    std::unique_ptr<SoundMixer> m_mixer; // while open
    std::vector<int32_t> m_sounds;       // the mixer's sound of each identifier, -1 while silent
    int32_t m_effects = 100;
    int32_t m_music = 100;
};
