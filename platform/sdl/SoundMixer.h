#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

// The game's own mix of its sounds, fed to the audio device in one stream:
// the voices are summed at full precision and a limiter holds the sum below
// full scale, so that explosions on top of each other get quieter together
// instead of clipping. Sounds are 16-bit samples, interleaved, at the
// device's rate and channel count. add, play and setVolumes come from the
// game thread, mix from the audio thread.
class SoundMixer {
public:
    static constexpr int32_t kVoices = 16;
    // The loudest sample the limiter lets through (-1 dBFS).
    static constexpr int32_t kCeiling = 29204;
    // The music's share (-6 dB): the map's march plays on and on, and at the
    // level of the effects it drowned the battle's sounds that came after.
    static constexpr float kMusicGain = 0.5f;

    explicit SoundMixer(int32_t channels = 2, int32_t rate = 44100);

    // Keeps a sound; its identifier.
    int32_t add(std::vector<int16_t> samples, bool music);
    // Starts sound id from its beginning; with every voice busy the oldest
    // gives way.
    void play(int32_t id);
    // Loudness of the effects and of the music, 0..100 percent, for the
    // sounds started from now on.
    void setVolumes(int32_t effects, int32_t music);
    void stopAll();
    // Fills frames frames of out (frames * channels samples).
    void mix(int16_t* out, int32_t frames);

    int32_t channels() const { return m_channels; }
    // How many voices play now, and the limiter's gain (1: untouched).
    int32_t playing();
    float gain();

private:
    struct Sound {
        std::vector<int16_t> samples;
        bool music = false;
    };
    struct Voice {
        int32_t sound = -1;
        std::size_t at = 0; // next sample
        float volume = 1;
        uint32_t started = 0; // order of starting, to find the oldest
    };

    std::mutex m_lock;
    const int32_t m_channels;
    const float m_release; // of the gain towards 1, each frame
    std::vector<Sound> m_sounds;
    std::vector<Voice> m_voices;
    std::vector<float> m_sum; // one frame
    float m_gain = 1;
    float m_effects = 1;
    float m_music = kMusicGain;
    uint32_t m_serial = 0;
};
