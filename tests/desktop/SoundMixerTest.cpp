#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "AudioReopen.h"
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

// A rising staircase of 997 odd values (stereo), so that every sample tells
// where in the sound it is.
std::vector<int16_t> staircase()
{
    std::vector<int16_t> steps;
    for (int32_t f = 0; f < 997; f++)
        steps.insert(steps.end(), 2, static_cast<int16_t>(8 * f - 3999));
    return steps;
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
    EXPECT_EQ(mixed(m, 1000), square(1000, 4000, 80));

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

// A loop plays its sound round and round without a seam, beside the
// one-shots and never giving way to them; a change of its volume and its
// stop glide instead of stepping, and a stopped loop's handle means nothing.
TEST(SoundMixer, LoopsWrapGlideAndKeepTheirVoiceUnderEveryOneShot)
{
    SoundMixer m(2, 44100);
    const int32_t ramp = static_cast<int32_t>(SoundMixer::kRampSeconds * 44100) + 1;
    const std::vector<int16_t> steps = staircase();
    const int32_t hum = m.add(steps, false);
    const int32_t silent = m.add(std::vector<int16_t>(100000, 0), false);
    const int32_t handle = m.loop(hum, 100);
    ASSERT_GE(handle, 0);
    for (int32_t i = 0; i < SoundMixer::kVoices + 4; i++)
        m.play(silent);
    EXPECT_EQ(m.playing(), SoundMixer::kVoices);
    EXPECT_EQ(m.looping(), 1);

    // Up from silence, then the sound itself, frame f of the mix being frame
    // f mod 997 of the sound, across many wraps.
    const std::vector<int16_t> out = mixed(m, 5000);
    EXPECT_LE(std::abs(out[0]), 10);
    for (int32_t f = ramp; f < 5000; f++) {
        SCOPED_TRACE(f);
        ASSERT_EQ(out[2 * static_cast<std::size_t>(f)], steps[2 * static_cast<std::size_t>(f % 997)]);
    }

    struct Case {
        const char* what;
        std::function<void()> change;
        float to; // the loop's gain afterwards
    };
    const Case cases[] = {
        {"half the volume", [&] { m.setLoopVolume(handle, 50); }, 0.5f},
        {"half the effects' loudness", [&] { m.setVolumes(50, 100); }, 0.25f},
        {"back to full", [&] { m.setVolumes(100, 100), m.setLoopVolume(handle, 100); }, 1.0f},
        {"stopped", [&] { m.stopLoop(handle); }, 0.0f},
    };
    // Each from where the last left the gain.
    float from = 1.0f;
    int32_t at = 5000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        const std::vector<int16_t> part = mixed(m, 2 * ramp);
        auto gainAt = [&](int32_t f) {
            const int16_t dry = steps[2 * static_cast<std::size_t>((at + f) % 997)]; // odd, never 0
            return static_cast<float>(part[2 * static_cast<std::size_t>(f)]) / dry;
        };
        // Halfway through the glide's time, half the way still to go.
        const int32_t half = static_cast<int32_t>(std::fabs(c.to - from) * static_cast<float>(ramp) / 2);
        EXPECT_GT(std::fabs(gainAt(half) - c.to), std::fabs(c.to - from) / 4) << "a step, not a glide";
        EXPECT_NEAR(gainAt(2 * ramp - 1), c.to, 0.01f);
        at += 2 * ramp;
        from = c.to;
    }
    EXPECT_EQ(m.looping(), 0);
    EXPECT_EQ(m.playing(), SoundMixer::kVoices);

    // The old handle does not reach a new loop; there are kLoops of them at most.
    EXPECT_NE(m.loop(hum, 100), handle);
    m.stopLoop(handle);
    for (int32_t i = 1; i < SoundMixer::kLoops; i++)
        EXPECT_GE(m.loop(hum, 10), 0);
    EXPECT_EQ(m.loop(hum, 10), -1);
    mixed(m, 2 * ramp);
    EXPECT_EQ(m.looping(), SoundMixer::kLoops);
}

namespace {

// A device that opens at its second try.
struct FakeDevice : AudioReopen::Device {
    void shut() override { open = false; }
    bool reopen() override { return open = ++tries >= 2; }
    int32_t tries = 0;
    bool open = true;
};

} // namespace

// The device goes away: closed at once, tried again a second later and each
// second after a try that failed (the millisecond clock wrapping meanwhile).
// While it is gone a one-shot is dropped, a loop stopped ends, one started
// waits (its sound read only when the device is back); back, the engine's
// loop goes on from the sample it had reached, and one-shots play again.
TEST(SoundMixer, ADeviceGoneIsTriedEverySecondAndTheLoopsGoOnWhenItIsBack)
{
    SoundMixer m(2, 44100);
    const std::vector<int16_t> steps = staircase();
    const int32_t engine = m.add(steps, false), shot = m.add(std::vector<int16_t>(20000, 100), false);
    const int32_t theme = m.add({}, true);
    const int32_t gone = m.loop(shot, 100);
    m.loop(engine, 100);
    m.play(shot);
    mixed(m, 5000);
    FakeDevice device;
    AudioReopen reopen(device, m);
    const uint32_t t0 = 0xFFFFFF00u;
    reopen.removed(t0);
    EXPECT_TRUE(reopen.lost() && !device.open);
    m.play(shot);
    m.stopLoop(gone);
    EXPECT_GE(m.loop(theme, 100), 0);
    EXPECT_TRUE(m.playing() == 0 && m.looping() == 2);
    reopen.removed(t0 + 10); // again: still the first schedule
    for (const auto& [at, tries] : {std::pair{t0 + 999, 0}, std::pair{t0 + 1000, 1}, std::pair{t0 + 1999, 1}}) {
        EXPECT_FALSE(reopen.poll(at));
        EXPECT_EQ(device.tries, tries) << at - t0;
    }
    EXPECT_TRUE(reopen.poll(t0 + 2000));
    EXPECT_TRUE(!reopen.lost() && device.open);
    EXPECT_FALSE(reopen.poll(t0 + 5000));
    EXPECT_EQ(device.tries, 2);
    m.fill(theme, std::vector<int16_t>(2000, 0));
    const std::vector<int16_t> out = mixed(m, 10);
    for (int32_t f = 0; f < 10; f++)
        EXPECT_EQ(out[2 * static_cast<std::size_t>(f)], steps[2 * static_cast<std::size_t>((5000 + f) % 997)]);
    m.play(shot);
    EXPECT_EQ(m.playing(), 1);
}
