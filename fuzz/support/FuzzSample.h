#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

// Drawing an input costs a hundred times its parsing, so the engine draws one
// input in a hundred (chosen by the input's bytes, so an input is either always
// drawn or never) and spends the rest of its time in the readers. A replay of
// the seeds and stored findings draws every input.
inline bool g_fuzzDrawEvery = false;

inline bool fuzzDraws(const uint8_t* data, std::size_t size)
{
    if (g_fuzzDrawEvery)
        return true;
    // Every byte counts, or the mutants of a drawn input would mostly be
    // drawn too; eight at a time, since a byte at a time took a tenth of
    // the time of reading a large model file.
    constexpr uint64_t kPrime = 0x100000001B3u;
    uint64_t h = 0xCBF29CE484222325u ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w;
        std::memcpy(&w, data + i, 8);
        h = (h ^ w) * kPrime;
        h ^= h >> 29;
    }
    for (; i < size; i++)
        h = (h ^ data[i]) * kPrime;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDu;
    h ^= h >> 33;
    return h % 100 == 0;
}
