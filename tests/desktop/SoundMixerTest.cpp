#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "SoundMixer.h"

namespace {

// A loud square wave, as an explosion's first crack, frames long (stereo).
std::vector<int16_t> square(int32_t frames, int16_t level, int32_t period)
{
    std::vector<int16_t> s;
    for (int32_t f = 0; f < frames; f++) {
        const int16_t v = (f / period) % 2 ? level : static_cast<int16_t>(-level);
        s.push_back(v);
        s.push_back(v);
    }
    return s;
}

std::vector<int16_t> mixed(SoundMixer& m, int32_t frames)
{
    std::vector<int16_t> out(static_cast<std::size_t>(frames) * 2);
    // In pieces, as the device asks for them.
    for (int32_t at = 0; at < frames; at += 512)
        m.mix(out.data() + static_cast<std::size_t>(at) * 2, std::min(512, frames - at));
    return out;
}

int32_t peak(const std::vector<int16_t>& s)
{
    int32_t p = 0;
    for (int16_t v : s)
        p = std::max(p, std::abs(static_cast<int32_t>(v)));
    return p;
}

} // namespace

// Every voice at once at full scale: the sum stays under the ceiling, and
// no sample is at full scale; a lone quiet sound passes untouched, and once
// the loud ones are over the limiter lets go again.
TEST(SoundMixer, ManySoundsAtOnceNeverClipAndOneQuietSoundIsUntouched)
{
    SoundMixer m(2, 44100);
    const int32_t loud = m.add(square(44100, 32767, 50), false);
    const int32_t quiet = m.add(square(44100, 4000, 80), false);
    for (int32_t i = 0; i < SoundMixer::kVoices + 4; i++)
        m.play(loud);
    EXPECT_EQ(m.playing(), SoundMixer::kVoices);
    const std::vector<int16_t> out = mixed(m, 44100);
    EXPECT_LE(peak(out), SoundMixer::kCeiling);
    EXPECT_GT(peak(out), SoundMixer::kCeiling * 9 / 10); // limited, not silenced
    EXPECT_EQ(m.playing(), 0);

    // A second later the gain is back to 1.
    mixed(m, 44100);
    EXPECT_FLOAT_EQ(m.gain(), 1.0f);
    m.play(quiet);
    const std::vector<int16_t> alone = mixed(m, 1000);
    const std::vector<int16_t> want = square(1000, 4000, 80);
    EXPECT_EQ(alone, want);

    // Half the effects' loudness halves a sound; the music keeps its own.
    m.stopAll();
    m.setVolumes(50, 100);
    m.play(quiet);
    EXPECT_EQ(peak(mixed(m, 1000)), 2000);
    m.stopAll();
    const int32_t music = m.add(square(1000, 4000, 80), true);
    m.play(music);
    EXPECT_EQ(peak(mixed(m, 1000)), static_cast<int32_t>(4000 * SoundMixer::kMusicGain));
    m.stopAll();
    EXPECT_EQ(m.playing(), 0);
    EXPECT_EQ(peak(mixed(m, 100)), 0);
}
