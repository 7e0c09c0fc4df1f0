#include "SoundBank.h"

#include <cmath>

#include "game/GameSound.h"

namespace {

float hz(int32_t midi) { return 440.0f * std::pow(2.0f, static_cast<float>(midi - 69) / 12.0f); }

// A brass note: bright harmonics, a quick attack with a little blare, then a
// gentle fall; released over the last 40 ms.
Synth::Buffer brass(int32_t midi, float seconds, float vibrato = 0.12f)
{
    Synth::Buffer b = Synth::harmonics(seconds + 0.05f, hz(midi), 14, 1.15f, vibrato);
    Synth::lowpass(b, 2600);
    Synth::envelope(b, 0.025f, seconds * 0.3f, seconds * 1.2f);
    Synth::fadeEdges(b, 0.004f, 0.04f);
    return b;
}

Synth::Buffer tuba(int32_t midi, float seconds)
{
    Synth::Buffer b = Synth::harmonics(seconds, hz(midi), 10, 1.6f);
    Synth::lowpass(b, 700);
    Synth::envelope(b, 0.03f, seconds * 0.2f, seconds * 0.8f);
    Synth::fadeEdges(b, 0.004f, 0.04f);
    return b;
}

Synth::Buffer bassDrum(uint32_t seed)
{
    Synth::Buffer b = Synth::sweep(0.35f, 110, 48);
    Synth::Buffer click = Synth::noise(0.35f, seed);
    Synth::lowpass(click, 1200);
    Synth::envelope(click, 0.001f, 0, 0.01f);
    Synth::mix(b, click, 0.5f);
    Synth::envelope(b, 0.002f, 0.02f, 0.09f);
    return b;
}

Synth::Buffer snare(uint32_t seed, float level = 1)
{
    Synth::Buffer b = Synth::noise(0.25f, seed);
    Synth::highpass(b, 900);
    Synth::Buffer body = Synth::sweep(0.25f, 220, 170);
    Synth::mix(b, body, 0.5f);
    Synth::envelope(b, 0.001f, 0.005f, 0.05f);
    for (float& v : b)
        v *= level;
    return b;
}

Synth::Buffer timpani(int32_t midi, float seconds)
{
    Synth::Buffer b = Synth::sweep(seconds, hz(midi) * 1.03f, hz(midi));
    Synth::Buffer over = Synth::sweep(seconds, hz(midi) * 1.52f, hz(midi) * 1.5f);
    Synth::mix(b, over, 0.35f);
    Synth::envelope(b, 0.004f, 0, seconds * 0.45f);
    return b;
}

Synth::Buffer cymbal(float seconds, uint32_t seed)
{
    Synth::Buffer b = Synth::noise(seconds, seed);
    Synth::highpass(b, 5000);
    Synth::envelope(b, 0.002f, 0, seconds * 0.35f);
    return b;
}

void finish(Synth::Buffer& b, float peak)
{
    Synth::fadeEdges(b, 0.002f, 0.03f);
    Synth::normalize(b, peak);
}

} // namespace

std::vector<SoundBank::Sound> SoundBank::all()
{
    using S = GameSound;
    return {{S::kMarch, march()},        {S::kFanfare, fanfare()}, {S::kCannon, cannon()},
            {S::kEngine, engine()},      {S::kArmourHit, metalHit()}, {S::kBump, thud()},
            {S::kFarBlast, farBlast()},  {S::kSuccess, success()}, {S::kDenied, denied()},
            {S::kTurret, servo()},       {S::kClick, click()},     {S::kBattleTheme, battleTheme()}};
}

Synth::Buffer SoundBank::march()
{
    // Two bars of a march at 120 beats a minute, ending on the tonic.
    struct Note {
        float at = 0, length = 0;
        int32_t midi = 0;
    };
    const Note tune[] = {{0.0f, 0.36f, 67},  {0.375f, 0.11f, 67}, {0.5f, 0.45f, 72},  {1.0f, 0.36f, 76},
                         {1.375f, 0.11f, 74}, {1.5f, 0.23f, 72},  {1.75f, 0.23f, 76}, {2.0f, 0.23f, 74},
                         {2.25f, 0.23f, 71},  {2.5f, 0.8f, 72}};
    const Note bass[] = {{0.0f, 0.4f, 48}, {0.5f, 0.4f, 43}, {1.0f, 0.4f, 48}, {1.5f, 0.4f, 43},
                         {2.0f, 0.4f, 43}, {2.5f, 0.7f, 36}};
    Synth::Buffer out = Synth::silence(3.4f);
    for (const Note& n : tune)
        Synth::mix(out, brass(n.midi, n.length), 0.5f, n.at);
    for (const Note& n : bass)
        Synth::mix(out, tuba(n.midi, n.length), 0.45f, n.at);
    for (int32_t beat = 0; beat < 6; ++beat)
        Synth::mix(out, bassDrum(10), 0.55f, beat * 0.5f);
    const float snares[] = {0.25f, 0.75f, 1.25f, 1.75f, 1.875f, 2.125f, 2.25f, 2.375f};
    uint32_t seed = 20;
    for (float at : snares)
        Synth::mix(out, snare(seed++, 0.8f), 0.3f, at);
    Synth::mix(out, cymbal(0.8f, 30), 0.12f, 2.5f);
    Synth::reverb(out, 0.25f, 1.0f);
    // Near full scale: played as music (6 dB down), the map is then about as
    // loud as a battle.
    finish(out, 0.95f);
    return out;
}

Synth::Buffer SoundBank::fanfare()
{
    // Bugle call on the C major triad over a timpani roll, then a held chord.
    struct Note {
        float at = 0, length = 0;
        int32_t midi = 0;
    };
    const Note call[] = {{0.0f, 0.12f, 67}, {0.15f, 0.12f, 67}, {0.3f, 0.12f, 67}, {0.45f, 0.3f, 72},
                         {0.8f, 0.3f, 76},  {1.15f, 1.1f, 79}};
    Synth::Buffer out = Synth::silence(2.6f);
    for (const Note& n : call)
        Synth::mix(out, brass(n.midi, n.length, 0.15f), 0.45f, n.at);
    // The held chord below the top note.
    Synth::mix(out, brass(72, 1.1f, 0.1f), 0.3f, 1.15f);
    Synth::mix(out, brass(76, 1.1f, 0.1f), 0.3f, 1.15f);
    Synth::mix(out, tuba(48, 1.2f), 0.4f, 1.15f);
    for (int32_t i = 0; i < 16; ++i)
        Synth::mix(out, timpani(43, 0.4f), 0.12f + 0.015f * static_cast<float>(i), 0.35f + 0.05f * static_cast<float>(i));
    Synth::mix(out, timpani(36, 1.2f), 0.6f, 1.15f);
    Synth::mix(out, cymbal(1.4f, 40), 0.18f, 1.15f);
    Synth::reverb(out, 0.3f, 1.2f);
    finish(out, 0.8f);
    return out;
}

Synth::Buffer SoundBank::cannon()
{
    // The muzzle blast: a sharp crack, a deep thump and a rolling echo.
    Synth::Buffer crack = Synth::noise(1.3f, 100);
    Synth::lowpass(crack, 3500);
    Synth::envelope(crack, 0.001f, 0.004f, 0.03f);
    Synth::Buffer thump = Synth::sweep(1.3f, 140, 35);
    Synth::envelope(thump, 0.002f, 0.02f, 0.16f);
    Synth::Buffer rumble = Synth::noise(1.3f, 101);
    Synth::lowpass(rumble, 260);
    Synth::lowpass(rumble, 260);
    Synth::envelope(rumble, 0.005f, 0.05f, 0.35f);
    Synth::Buffer out = Synth::silence(1.3f);
    Synth::mix(out, crack, 0.9f);
    Synth::mix(out, thump, 0.9f);
    Synth::mix(out, rumble, 3.5f);
    Synth::saturate(out, 1.8f);
    Synth::reverb(out, 0.25f, 1.6f);
    finish(out, 0.9f);
    return out;
}

Synth::Buffer SoundBank::engine()
{
    // A big petrol engine at idle-to-drive revs: firing pulses at 32 Hz,
    // rich in harmonics, over the clank of the tracks. It loops while the
    // tank lives, so every part repeats after exactly one second (whole
    // cycles of each tone and tremolo, the same second of noise twice over)
    // and the second second is kept, the filters settled into the repeat.
    const float seconds = 1.0f;
    const auto n = static_cast<size_t>(Synth::samples(seconds));
    Synth::Buffer out = Synth::harmonics(2 * seconds, 32, 24, 0.9f);
    Synth::lowpass(out, 520);
    Synth::tremolo(out, 16, 0.25f);
    Synth::Buffer clank = Synth::repeat(Synth::noise(seconds, 200), 2);
    Synth::bandpass(clank, 1400, 3);
    Synth::tremolo(clank, 9, 0.9f);
    Synth::Buffer growl = Synth::repeat(Synth::noise(seconds, 201), 2);
    Synth::lowpass(growl, 180);
    Synth::mix(out, clank, 0.9f);
    Synth::mix(out, growl, 2.2f);
    Synth::saturate(out, 1.5f);
    Synth::lowpass(out, 3000);
    out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
    Synth::normalize(out, 0.38f);
    return out;
}

Synth::Buffer SoundBank::battleTheme()
{
    // Round and round under a battle: eight bars of a minor march at 120
    // beats a minute (D minor, B flat, G minor, A; then D minor, B flat, C,
    // A), the horns low and the drums dry, so the effects stay on top.
    struct Note {
        float beat = 0, beats = 0;
        int32_t midi = 0;
    };
    constexpr int32_t kBars = 8;
    constexpr float kBeat = 0.5f;
    const float length = kBars * 4 * kBeat;
    const int32_t roots[kBars] = {38, 34, 31, 33, 38, 34, 36, 33};
    const int32_t thirds[kBars] = {3, 4, 3, 4, 3, 4, 4, 4}; // minor or major
    const Note tune[] = {{0, 3, 62},  {3, 1, 65},  {4, 2, 65},  {6, 2, 62},  {8, 3, 67},  {11, 1, 70},
                         {12, 4, 69}, {16, 2, 74}, {18, 1, 72}, {19, 1, 70}, {20, 2, 70}, {22, 1, 69},
                         {23, 1, 67}, {24, 2, 67}, {26, 1, 64}, {27, 1, 67}, {28, 3, 69}, {31, 1, 61}};
    // Past the end: the last notes and the room ring on into the repeat.
    Synth::Buffer out = Synth::silence(length + 1.0f);
    for (const Note& n : tune)
        Synth::mix(out, brass(n.midi, n.beats * kBeat - 0.03f, 0.08f), 0.3f, n.beat * kBeat);
    const Note bassLine[] = {{0, 0.8f, 0}, {1.5f, 0.4f, 0}, {2, 0.8f, 7}, {3, 0.4f, 0}, {3.5f, 0.4f, 7}};
    uint32_t seed = 900;
    for (int32_t bar = 0; bar < kBars; ++bar) {
        const float at = static_cast<float>(bar) * 4 * kBeat;
        const int32_t root = roots[bar];
        for (const Note& n : bassLine)
            Synth::mix(out, tuba(root + n.midi, n.beats * kBeat), 0.42f, at + n.beat * kBeat);
        // The held chord of the bar, soft, in the horns' low register.
        for (int32_t step : {0, thirds[bar], 7}) {
            Synth::Buffer pad = Synth::harmonics(4 * kBeat, hz(root + 24 + step), 8, 1.8f);
            Synth::lowpass(pad, 900);
            Synth::envelope(pad, 0.15f, 1.2f, 0.5f);
            Synth::fadeEdges(pad, 0.01f, 0.08f);
            Synth::mix(out, pad, 0.09f, at);
        }
        for (int32_t beat : {0, 2})
            Synth::mix(out, bassDrum(910), 0.4f, at + static_cast<float>(beat) * kBeat);
        for (float beat : {1.0f, 3.0f})
            Synth::mix(out, snare(seed++, 0.7f), 0.2f, at + beat * kBeat);
        // A ruff into every second bar, a roll rising into the repeat.
        if (bar % 2 == 1 && bar < kBars - 1)
            for (float beat : {3.5f, 3.75f})
                Synth::mix(out, snare(seed++, 0.5f), 0.16f, at + beat * kBeat);
        if (bar == kBars - 1)
            for (int32_t i = 0; i < 8; ++i)
                Synth::mix(out, snare(seed++, 0.4f + 0.06f * static_cast<float>(i)), 0.16f,
                           at + (2 + 0.25f * static_cast<float>(i)) * kBeat);
        if (bar % 4 == 0)
            Synth::mix(out, timpani(38, 1.6f), 0.35f, at);
    }
    Synth::reverb(out, 0.3f, 1.2f);
    Synth::foldTail(out, static_cast<size_t>(Synth::samples(length)));
    Synth::normalize(out, 0.7f);
    return out;
}

Synth::Buffer SoundBank::metalHit()
{
    // Armour struck: inharmonic ringing partials over a dull knock.
    const float partials[][3] = {{430, 1.0f, 0.35f},  {1027, 0.7f, 0.28f}, {1659, 0.55f, 0.22f},
                                 {2398, 0.4f, 0.16f}, {3215, 0.3f, 0.12f}, {4480, 0.2f, 0.08f}};
    Synth::Buffer out = Synth::silence(0.9f);
    for (const auto& p : partials) {
        Synth::Buffer ring = Synth::sweep(0.9f, p[0] * 1.004f, p[0]);
        Synth::envelope(ring, 0.001f, 0, p[2]);
        Synth::mix(out, ring, p[1] * 0.45f);
    }
    Synth::Buffer knock = Synth::noise(0.9f, 300);
    Synth::lowpass(knock, 2000);
    Synth::envelope(knock, 0.0005f, 0.003f, 0.02f);
    Synth::mix(out, knock, 1.2f);
    Synth::Buffer body = Synth::sweep(0.9f, 160, 80);
    Synth::envelope(body, 0.001f, 0.01f, 0.08f);
    Synth::mix(out, body, 0.8f);
    Synth::reverb(out, 0.2f, 0.8f);
    finish(out, 0.85f);
    return out;
}

Synth::Buffer SoundBank::thud()
{
    // Two hulls bumping: a heavy, short low thump with a rattle.
    Synth::Buffer out = Synth::sweep(0.5f, 95, 42);
    Synth::envelope(out, 0.003f, 0.01f, 0.09f);
    Synth::Buffer dull = Synth::noise(0.5f, 400);
    Synth::lowpass(dull, 300);
    Synth::lowpass(dull, 300);
    Synth::envelope(dull, 0.002f, 0.01f, 0.07f);
    Synth::mix(out, dull, 4.0f);
    Synth::Buffer rattle = Synth::noise(0.5f, 401);
    Synth::bandpass(rattle, 900, 4);
    Synth::tremolo(rattle, 28, 0.9f);
    Synth::envelope(rattle, 0.01f, 0.02f, 0.08f);
    Synth::mix(out, rattle, 0.8f);
    Synth::saturate(out, 1.4f);
    finish(out, 0.8f);
    return out;
}

Synth::Buffer SoundBank::farBlast()
{
    // A shell bursting some way off: no crack, a soft-edged boom and a long
    // low rumble rolling away.
    Synth::Buffer boom = Synth::noise(1.6f, 500);
    Synth::lowpass(boom, 320);
    Synth::lowpass(boom, 200);
    Synth::envelope(boom, 0.012f, 0.06f, 0.32f);
    Synth::Buffer thump = Synth::sweep(1.6f, 90, 30);
    Synth::envelope(thump, 0.01f, 0.03f, 0.2f);
    Synth::Buffer out = Synth::silence(1.6f);
    Synth::mix(out, boom, 4.0f);
    Synth::mix(out, thump, 0.6f);
    Synth::reverb(out, 0.35f, 1.8f);
    finish(out, 0.7f);
    return out;
}

Synth::Buffer SoundBank::success()
{
    // A rising brass arpeggio onto a bright held major chord.
    Synth::Buffer out = Synth::silence(1.0f);
    const int32_t steps[] = {67, 72, 76};
    for (int32_t i = 0; i < 3; ++i)
        Synth::mix(out, brass(steps[i], 0.1f, 0), 0.4f, 0.08f * static_cast<float>(i));
    for (int32_t midi : {72, 76, 79, 84})
        Synth::mix(out, brass(midi, 0.55f, 0.08f), 0.25f, 0.24f);
    Synth::mix(out, cymbal(0.6f, 600), 0.08f, 0.24f);
    Synth::reverb(out, 0.25f, 1.0f);
    finish(out, 0.75f);
    return out;
}

Synth::Buffer SoundBank::denied()
{
    // Pulling the trigger on an empty breech: a dry click, then a low buzz.
    Synth::Buffer out = Synth::silence(0.4f);
    Synth::Buffer click = Synth::noise(0.05f, 700);
    Synth::bandpass(click, 3200, 2);
    Synth::envelope(click, 0.0005f, 0.001f, 0.006f);
    Synth::mix(out, click, 2.5f);
    Synth::mix(out, click, 1.5f, 0.035f);
    Synth::Buffer buzz = Synth::harmonics(0.22f, 98, 20, 1.0f);
    Synth::lowpass(buzz, 1200);
    Synth::envelope(buzz, 0.005f, 0.12f, 0.05f);
    Synth::fadeEdges(buzz, 0.005f, 0.03f);
    Synth::mix(out, buzz, 0.25f, 0.11f);
    finish(out, 0.7f);
    return out;
}

Synth::Buffer SoundBank::servo()
{
    // The electric traverse motor: a whine that rises as it spins up, with
    // the whirr of the gear train.
    const float seconds = 0.55f;
    Synth::Buffer out = Synth::silence(seconds);
    Synth::Buffer whine = Synth::sweep(seconds, 380, 520);
    Synth::Buffer whine2 = Synth::sweep(seconds, 760, 1040);
    Synth::mix(out, whine, 0.6f);
    Synth::mix(out, whine2, 0.25f);
    Synth::Buffer hum = Synth::harmonics(seconds, 95, 12, 1.2f);
    Synth::lowpass(hum, 900);
    Synth::mix(out, hum, 0.35f);
    Synth::Buffer gears = Synth::noise(seconds, 800);
    Synth::bandpass(gears, 2200, 2);
    Synth::tremolo(gears, 45, 0.8f);
    Synth::mix(out, gears, 0.6f);
    Synth::fadeEdges(out, 0.05f, 0.12f);
    Synth::normalize(out, 0.55f);
    return out;
}

Synth::Buffer SoundBank::click()
{
    // A menu choice: the snap of a heavy switch, a bright tick over a short,
    // low knock.
    Synth::Buffer out = Synth::silence(0.09f);
    Synth::Buffer snap = Synth::noise(0.03f, 800);
    Synth::bandpass(snap, 2600, 1.5f);
    Synth::envelope(snap, 0.0005f, 0.002f, 0.005f);
    Synth::mix(out, snap, 2.0f);
    Synth::Buffer tick = Synth::sweep(0.06f, 1500, 1100);
    Synth::envelope(tick, 0.001f, 0.004f, 0.012f);
    Synth::mix(out, tick, 0.6f);
    Synth::Buffer knock = Synth::sweep(0.08f, 190, 120);
    Synth::envelope(knock, 0.002f, 0.01f, 0.02f);
    Synth::mix(out, knock, 0.8f);
    finish(out, 0.6f);
    return out;
}
