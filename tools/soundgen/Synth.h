#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Building blocks for the synthesised sounds, working on whole buffers of
// float samples at Wav::kRate. Noise comes from a seeded generator, so every
// build writes the same files.
class Synth {
public:
    using Buffer = std::vector<float>;

    static int32_t samples(float seconds);
    static float time(size_t i);

    static Buffer silence(float seconds);
    static Buffer noise(float seconds, uint32_t seed);
    // Sine whose frequency glides exponentially from f0 to f1 over the buffer.
    static Buffer sweep(float seconds, float f0, float f1);
    // Sum of harmonics 1..count of f with amplitudes 1/k^tilt: brass and
    // engine-like tones. vibrato is in semitones at 5.5 Hz.
    static Buffer harmonics(float seconds, float f, int32_t count, float tilt, float vibrato = 0);

    // One-pole filters and a resonant two-pole band pass (cutoffs in Hz).
    static void lowpass(Buffer& b, float cutoff);
    static void highpass(Buffer& b, float cutoff);
    static void bandpass(Buffer& b, float centre, float q);

    // Envelopes: linear attack, then exponential decay with the given time
    // constant (seconds to fall to 1/e); hold keeps full level in between.
    static void envelope(Buffer& b, float attack, float hold, float decay);
    // Linear fade-in and fade-out at the edges so the sound starts and ends at 0.
    static void fadeEdges(Buffer& b, float in, float out);
    // Multiplies by 1 + depth * sin(2 pi rate t).
    static void tremolo(Buffer& b, float rate, float depth);

    // Adds src into dst, scaled, starting at offset seconds (dst grows).
    static void mix(Buffer& dst, const Buffer& src, float gain, float offset = 0);
    // A small room: four feedback combs and two all-passes, wet amount 0..1.
    static void reverb(Buffer& b, float wet, float size);
    // Soft saturation for weight without hard clipping.
    static void saturate(Buffer& b, float drive);
    // b, times over: noise that repeats, for a sound that loops.
    static Buffer repeat(const Buffer& b, int32_t times);
    // Adds what lies past length back onto the start and cuts it off, so a
    // sound that loops rings on into its repeat as it would into silence.
    static void foldTail(Buffer& b, size_t length);
    // Scales the buffer so its largest magnitude is peak.
    static void normalize(Buffer& b, float peak);
};
