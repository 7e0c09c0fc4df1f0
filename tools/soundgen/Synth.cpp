#include "Synth.h"

#include <algorithm>
#include <cmath>

#include "Wav.h"

namespace {

const float kTwoPi = 6.28318530718f;
const float kRate = static_cast<float>(Wav::kRate);

float onePoleCoefficient(float cutoff) { return 1.0f - std::exp(-kTwoPi * cutoff / kRate); }

} // namespace

int32_t Synth::samples(float seconds) { return static_cast<int32_t>(seconds * kRate + 0.5f); }

float Synth::time(size_t i) { return static_cast<float>(i) / kRate; }

Synth::Buffer Synth::silence(float seconds) { return Buffer(static_cast<size_t>(samples(seconds)), 0.0f); }

Synth::Buffer Synth::noise(float seconds, uint32_t seed)
{
    Buffer b(static_cast<size_t>(samples(seconds)));
    uint32_t s = seed * 2654435761u + 1u;
    for (float& v : b) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        v = static_cast<float>(s >> 8) / 8388608.0f - 1.0f;
    }
    return b;
}

Synth::Buffer Synth::sweep(float seconds, float f0, float f1)
{
    Buffer b(static_cast<size_t>(samples(seconds)));
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = static_cast<float>(i) / static_cast<float>(b.size());
        float f = f0 * std::pow(f1 / f0, t);
        phase += f / kRate;
        b[i] = std::sin(kTwoPi * static_cast<float>(phase - std::floor(phase)));
    }
    return b;
}

Synth::Buffer Synth::harmonics(float seconds, float f, int32_t count, float tilt, float vibrato)
{
    Buffer b(static_cast<size_t>(samples(seconds)));
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time(i);
        // Vibrato fades in after the attack, as a player's would.
        float depth = vibrato * std::min(1.0f, t / 0.25f);
        float fi = f * std::pow(2.0f, depth * std::sin(kTwoPi * 5.5f * t) / 12.0f);
        phase += fi / kRate;
        float p = static_cast<float>(phase - std::floor(phase));
        float v = 0;
        for (int32_t k = 1; k <= count; ++k) {
            if (f * static_cast<float>(k) > kRate * 0.45f)
                break;
            v += std::sin(kTwoPi * p * static_cast<float>(k)) / std::pow(static_cast<float>(k), tilt);
        }
        b[i] = v;
    }
    return b;
}

void Synth::lowpass(Buffer& b, float cutoff)
{
    float a = onePoleCoefficient(cutoff), y = 0;
    for (float& v : b) {
        y += a * (v - y);
        v = y;
    }
}

void Synth::highpass(Buffer& b, float cutoff)
{
    float a = onePoleCoefficient(cutoff), y = 0;
    for (float& v : b) {
        y += a * (v - y);
        v -= y;
    }
}

void Synth::bandpass(Buffer& b, float centre, float q)
{
    // Biquad band pass with 0 dB peak gain.
    float w = kTwoPi * centre / kRate, alpha = std::sin(w) / (2 * q), cw = std::cos(w);
    float a0 = 1 + alpha, b0 = alpha / a0, b2 = -alpha / a0, a1 = -2 * cw / a0, a2 = (1 - alpha) / a0;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (float& v : b) {
        float y = b0 * v + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = v;
        y2 = y1;
        y1 = y;
        v = y;
    }
}

void Synth::envelope(Buffer& b, float attack, float hold, float decay)
{
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time(i), g = 1;
        if (t < attack)
            g = t / attack;
        else if (t > attack + hold)
            g = std::exp(-(t - attack - hold) / decay);
        b[i] *= g;
    }
}

void Synth::fadeEdges(Buffer& b, float in, float out)
{
    size_t nIn = static_cast<size_t>(samples(in)), nOut = static_cast<size_t>(samples(out));
    for (size_t i = 0; i < b.size(); ++i) {
        float g = 1;
        if (i < nIn)
            g = static_cast<float>(i) / static_cast<float>(nIn);
        size_t fromEnd = b.size() - 1 - i;
        if (fromEnd < nOut)
            g *= static_cast<float>(fromEnd) / static_cast<float>(nOut);
        b[i] *= g;
    }
}

void Synth::tremolo(Buffer& b, float rate, float depth)
{
    for (size_t i = 0; i < b.size(); ++i)
        b[i] *= 1 + depth * std::sin(kTwoPi * rate * time(i));
}

void Synth::mix(Buffer& dst, const Buffer& src, float gain, float offset)
{
    size_t start = static_cast<size_t>(samples(offset));
    if (dst.size() < start + src.size())
        dst.resize(start + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); ++i)
        dst[start + i] += gain * src[i];
}

void Synth::reverb(Buffer& b, float wet, float size)
{
    const int32_t combLengths[4] = {1116, 1188, 1277, 1356};
    const int32_t allpassLengths[2] = {556, 441};
    // The dry sound must end at silence, or its cut would click before the tail.
    fadeEdges(b, 0, 0.04f);
    size_t tail = static_cast<size_t>(samples(0.4f * size));
    b.resize(b.size() + tail, 0.0f);
    Buffer out(b.size(), 0.0f);
    for (int32_t len : combLengths) {
        size_t n = static_cast<size_t>(static_cast<float>(len) * size * 0.5f);
        Buffer line(n, 0.0f);
        float damp = 0;
        for (size_t i = 0, k = 0; i < b.size(); ++i, k = (k + 1) % n) {
            float y = line[k];
            damp += 0.45f * (y - damp);
            line[k] = b[i] + damp * 0.8f;
            out[i] += y * 0.25f;
        }
    }
    for (int32_t len : allpassLengths) {
        size_t n = static_cast<size_t>(static_cast<float>(len) * size * 0.5f);
        Buffer line(n, 0.0f);
        for (size_t i = 0, k = 0; i < out.size(); ++i, k = (k + 1) % n) {
            float y = line[k];
            line[k] = out[i] + y * 0.5f;
            out[i] = y - out[i] * 0.5f;
        }
    }
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = b[i] * (1 - wet * 0.5f) + out[i] * wet;
}

void Synth::saturate(Buffer& b, float drive)
{
    for (float& v : b)
        v = std::tanh(v * drive) / std::tanh(drive);
}

Synth::Buffer Synth::repeat(const Buffer& b, int32_t times)
{
    Buffer out;
    for (int32_t i = 0; i < times; ++i)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

void Synth::foldTail(Buffer& b, size_t length)
{
    if (length == 0)
        return;
    for (size_t i = length; i < b.size(); ++i)
        b[i % length] += b[i];
    b.resize(length, 0.0f);
}

void Synth::normalize(Buffer& b, float peak)
{
    float m = 0;
    for (float v : b)
        m = std::max(m, std::fabs(v));
    if (m > 0)
        for (float& v : b)
            v *= peak / m;
}
