#include "Wav.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int32_t i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

} // namespace

bool Wav::write(const std::string& path, const std::vector<float>& samples)
{
    uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    for (char c : std::string("RIFF"))
        out.push_back(static_cast<uint8_t>(c));
    put32(out, 36 + dataBytes);
    for (char c : std::string("WAVEfmt "))
        out.push_back(static_cast<uint8_t>(c));
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    for (char c : std::string("data"))
        out.push_back(static_cast<uint8_t>(c));
    put32(out, dataBytes);
    for (float s : samples) {
        int32_t v = static_cast<int32_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f));
        put16(out, static_cast<uint32_t>(v));
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::printf("Could not write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::printf("Could not write %s\n", path.c_str());
    return ok;
}
