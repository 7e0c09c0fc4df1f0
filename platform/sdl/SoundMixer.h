#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

// The game's own mix of its sounds, fed to the audio device in one stream:
// the voices are summed at full precision and a limiter holds the sum below
// full scale, so that explosions on top of each other get quieter together
// instead of clipping. Sounds are 16-bit samples, interleaved, at the
// device's rate and channel count. Loops (the engine, a battle's theme) play
// on voices of their own beside the one-shots. add, play, the loops and
// setVolumes come from the game thread, mix from the audio thread.
class SoundMixer {
public:
    static constexpr int32_t kVoices = 16;
    // The loudest sample the limiter lets through (-1 dBFS).
    static constexpr int32_t kCeiling = 29204;
    // The music's share (-6 dB): the map's march plays on and on, and at the
    // level of the effects it drowned the battle's sounds that came after.
    static constexpr float kMusicGain = 0.5f;
    // Loops playing at once at most, and the time a loop's loudness takes
    // to go all the way up or down (starts, stops and volume changes glide,
    // or the step would click).
    static constexpr int32_t kLoops = 8;
    static constexpr float kRampSeconds = 0.03f;

    explicit SoundMixer(int32_t channels = 2, int32_t rate = 44100);

    // Keeps a sound; its identifier.
    int32_t add(std::vector<int16_t> samples, bool music);
    // The samples of a sound added empty (read once the device could convert it).
    void fill(int32_t id, std::vector<int16_t> samples);
    // Starts sound id from its beginning; with every voice busy the oldest
    // gives way.
    void play(int32_t id);
    // Starts sound id over and over from its beginning at volume percent of
    // its kind's loudness, rising from silence; a handle (never given twice),
    // or -1 for an unknown sound or with kLoops loops playing.
    int32_t loop(int32_t id, int32_t volume);
    // The loop's volume glides to the new one; an unknown handle is ignored.
    void setLoopVolume(int32_t handle, int32_t volume);
    // The loop glides to silence and ends.
    void stopLoop(int32_t handle);
    // Loudness of the effects and of the music, 0..100 percent: for the
    // sounds started from now on, and at once (gliding) for the loops.
    void setVolumes(int32_t effects, int32_t music);
    // Every sound and every loop ends now.
    void stopAll();
    // While the device is gone (AudioReopen) nothing is mixed: the one-shots
    // playing end and those asked for are dropped; the loops wait where they
    // are, and those stopped meanwhile end at once.
    void setDeviceLost(bool lost);
    // Fills frames frames of out (frames * channels samples).
    void mix(int16_t* out, int32_t frames);

    int32_t channels() const { return m_channels; }
    // How many one-shot voices play now, how many loops (those fading out
    // included), and the limiter's gain (1: untouched).
    int32_t playing();
    int32_t looping();
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
    struct Loop {
        int32_t sound = -1;
        int32_t handle = -1;
        std::size_t at = 0;  // next sample, back to 0 at the end
        float volume = 0;    // asked for, 0..1 of its kind's loudness
        float gain = 0;      // now, gliding towards volume times that loudness
        bool stopping = false;
    };

    // The loop of handle, or null.
    Loop* findLoop(int32_t handle);

    std::mutex m_lock;
    const int32_t m_channels;
    const float m_release; // of the gain towards 1, each frame
    const float m_glide;   // the most a loop's gain changes in a frame
    std::vector<Sound> m_sounds;
    std::vector<Voice> m_voices;
    std::vector<Loop> m_loops;
    std::vector<float> m_sum; // one frame
    float m_gain = 1;
    float m_effects = 1;
    float m_music = kMusicGain;
    uint32_t m_serial = 0;
    int32_t m_nextLoop = 0;
    bool m_lost = false;
};
