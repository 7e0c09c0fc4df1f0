#pragma once
#include <cstdint>

class SoundMixer;

// A sound device that went away (unplugged, its sound server gone) is closed
// at once, and the default device is tried again every kRetryMs until it
// opens. Meanwhile the mixer keeps its loops as the game asks for them
// (started, stopped, louder), to go on from where they were, and drops the
// one-shots, which would come late. The device and the clock are given, so
// this runs without SDL. Main thread.
class AudioReopen {
public:
    // What closes the device and opens the default one.
    class Device {
    public:
        virtual ~Device() = default;
        virtual void shut() = 0;
        virtual bool reopen() = 0;
    };

    static constexpr uint32_t kRetryMs = 1000;

    AudioReopen(Device& device, SoundMixer& mixer) : m_device(device), m_mixer(mixer) {}

    // The device went away at nowMs (once; again while lost is ignored).
    void removed(uint32_t nowMs);
    // Each turn of the main loop: the device tried again when due. True when
    // it came back now.
    bool poll(uint32_t nowMs);
    bool lost() const { return m_lost; }

private:
    Device& m_device;
    SoundMixer& m_mixer;
    bool m_lost = false;
    uint32_t m_nextTry = 0;
};
