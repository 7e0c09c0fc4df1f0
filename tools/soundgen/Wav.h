#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Mono 16-bit PCM WAV files at the game's sample rate.
class Wav {
public:
    static constexpr int32_t kRate = 22050;

    // Writes samples in [-1, 1] (clamped), rounded to 16 bits. False, with a
    // line on standard output, when the file cannot be written.
    static bool write(const std::string& path, const std::vector<float>& samples);
};
