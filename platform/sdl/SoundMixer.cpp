#include "SoundMixer.h"

#include <algorithm>
#include <cmath>

SoundMixer::SoundMixer(int32_t channels, int32_t rate)
    : m_channels(std::max(channels, 1)),
      // The gain comes back to 1 within about a fifth of a second.
      m_release(1.0f / (0.2f * static_cast<float>(std::max(rate, 1000)))),
      m_glide(1.0f / (kRampSeconds * static_cast<float>(std::max(rate, 1000)))),
      m_sum(static_cast<std::size_t>(m_channels))
{
}

int32_t SoundMixer::add(std::vector<int16_t> samples, bool music)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_sounds.push_back({std::move(samples), music});
    return static_cast<int32_t>(m_sounds.size() - 1);
}

void SoundMixer::fill(int32_t id, std::vector<int16_t> samples)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (id < 0 || id >= static_cast<int32_t>(m_sounds.size()))
        return;
    // A loop already on it starts from the beginning.
    m_sounds[static_cast<std::size_t>(id)].samples = std::move(samples);
    for (Loop& l : m_loops)
        if (l.sound == id)
            l.at = 0;
}

void SoundMixer::play(int32_t id)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_lost || id < 0 || id >= static_cast<int32_t>(m_sounds.size()))
        return;
    const Sound& s = m_sounds[static_cast<std::size_t>(id)];
    Voice v;
    v.sound = id;
    v.volume = s.music ? m_music : m_effects;
    v.started = m_serial++;
    if (m_voices.size() < kVoices) {
        m_voices.push_back(v);
        return;
    }
    *std::min_element(m_voices.begin(), m_voices.end(),
                      [](const Voice& a, const Voice& b) { return a.started < b.started; }) = v;
}

int32_t SoundMixer::loop(int32_t id, int32_t volume)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (id < 0 || id >= static_cast<int32_t>(m_sounds.size()) || m_loops.size() >= kLoops)
        return -1;
    Loop l;
    l.sound = id;
    l.handle = m_nextLoop;
    m_nextLoop = (m_nextLoop + 1) & 0x7FFFFFFF;
    l.volume = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
    m_loops.push_back(l);
    return l.handle;
}

void SoundMixer::setLoopVolume(int32_t handle, int32_t volume)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (Loop* l = findLoop(handle))
        l->volume = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
}

void SoundMixer::stopLoop(int32_t handle)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (Loop* l = findLoop(handle))
        l->stopping = true;
    // Nothing sounds: no fade to wait for.
    if (m_lost)
        std::erase_if(m_loops, [](const Loop& l) { return l.stopping; });
}

SoundMixer::Loop* SoundMixer::findLoop(int32_t handle)
{
    for (Loop& l : m_loops)
        if (l.handle == handle && !l.stopping)
            return &l;
    return nullptr;
}

void SoundMixer::setVolumes(int32_t effects, int32_t music)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_effects = static_cast<float>(std::clamp(effects, 0, 100)) / 100.0f;
    m_music = kMusicGain * static_cast<float>(std::clamp(music, 0, 100)) / 100.0f;
}

void SoundMixer::stopAll()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_voices.clear();
    m_loops.clear();
}

void SoundMixer::setDeviceLost(bool lost)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_lost = lost;
    if (lost) {
        m_voices.clear();
        std::erase_if(m_loops, [](const Loop& l) { return l.stopping; });
    }
}

int32_t SoundMixer::playing()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int32_t>(m_voices.size());
}

int32_t SoundMixer::looping()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int32_t>(m_loops.size());
}

float SoundMixer::gain()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_gain;
}

void SoundMixer::mix(int16_t* out, int32_t frames)
{
    std::lock_guard<std::mutex> hold(m_lock);
    const auto channels = static_cast<std::size_t>(m_channels);
    for (int32_t f = 0; f < frames; f++) {
        std::fill(m_sum.begin(), m_sum.end(), 0.0f);
        for (Voice& v : m_voices) {
            const std::vector<int16_t>& s = m_sounds[static_cast<std::size_t>(v.sound)].samples;
            if (v.at + channels > s.size())
                continue;
            for (std::size_t c = 0; c < channels; c++)
                m_sum[c] += v.volume * static_cast<float>(s[v.at + c]);
            v.at += channels;
        }
        for (Loop& l : m_loops) {
            const Sound& sound = m_sounds[static_cast<std::size_t>(l.sound)];
            const std::vector<int16_t>& s = sound.samples;
            const float target = l.stopping ? 0.0f : l.volume * (sound.music ? m_music : m_effects);
            l.gain = l.gain < target ? std::min(l.gain + m_glide, target) : std::max(l.gain - m_glide, target);
            if (s.size() < channels)
                continue;
            for (std::size_t c = 0; c < channels; c++)
                m_sum[c] += l.gain * static_cast<float>(s[l.at + c]);
            // The last whole frame is followed by the first.
            l.at += channels;
            if (l.at + channels > s.size())
                l.at = 0;
        }
        float peak = 0;
        for (float x : m_sum)
            peak = std::max(peak, std::fabs(x));
        // Down at once to what keeps this frame under the ceiling, back up slowly.
        const float most = peak > kCeiling ? static_cast<float>(kCeiling) / peak : 1.0f;
        m_gain = most < m_gain ? most : std::min(m_gain + m_release, most);
        for (std::size_t c = 0; c < channels; c++) {
            const float y = std::clamp(m_sum[c] * m_gain, -static_cast<float>(kCeiling), static_cast<float>(kCeiling));
            out[static_cast<std::size_t>(f) * channels + c] = static_cast<int16_t>(std::lround(y));
        }
    }
    std::erase_if(m_voices, [this, channels](const Voice& v) {
        return v.at + channels > m_sounds[static_cast<std::size_t>(v.sound)].samples.size();
    });
    std::erase_if(m_loops, [](const Loop& l) { return l.stopping && l.gain <= 0; });
}
