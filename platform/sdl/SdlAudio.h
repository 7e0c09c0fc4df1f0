#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "AudioReopen.h"
#include "SoundMixer.h"

// The game's sounds, once or looping: SDL2_mixer opens the device and reads
// the files, the game's own SoundMixer mixes them (without clipping) into
// SDL2_mixer's music stream. open, close, removed and poll belong to the main
// thread; load, play and the loops are called by the game thread in between.
// A device that goes away is opened again when it is back (AudioReopen).
class SdlAudio : private AudioReopen::Device {
public:
    ~SdlAudio() override;

    // Opens the audio device unless mute. A device that cannot be opened is
    // reported in one line and the game runs silent.
    void open(bool mute);
    void close();
    bool isOpen() const { return m_mixer != nullptr; }
    // The output device which (SDL's identifier) went away.
    void removed(uint32_t which);
    // Each turn of the event loop: a device gone is tried again when due.
    void poll();
    // Whether the device plays now, and SDL's identifier of it (0: not known).
    bool sounding();
    uint32_t device();

    // Loads a sound file (the game asks once for each). -1 when the file
    // cannot be read. Silent, a readable file still gets an identifier, so
    // the game does not report missing sounds; while the device is gone the
    // file is read when it is back.
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
    // Opens the device (the first time in the format it likes best, later
    // in the one the sounds were read for); the reason when it cannot.
    std::string openDevice(bool first);
    // The device open: the mixer feeds it. m_deviceLock held.
    void started();
    // Reads a file into the mixer: a new sound when sound is -1, else into
    // that one. m_deviceLock held.
    bool read(const std::string& path, int32_t& sound);
    void shut() override;
    bool reopen() override;

    std::unique_ptr<SoundMixer> m_mixer; // while open
    std::unique_ptr<AudioReopen> m_reopen;
    std::vector<int32_t> m_sounds;       // the mixer's sound of each identifier, -1 while silent
    int32_t m_effects = 100;
    int32_t m_music = 100;
    int32_t m_rate = 44100;
    int32_t m_channels = 2;
    // Reading a file needs the device open; the main thread closes and opens it.
    std::mutex m_deviceLock;
    bool m_sounding = false;
    uint32_t m_device = 0;
    std::vector<std::pair<int32_t, std::string>> m_unread; // sounds asked for while it was gone
};
