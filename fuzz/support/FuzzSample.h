#pragma once
#include <cstddef>
#include <cstdint>

// Drawing an input costs a hundred times its parsing, so the engine draws one
// input in a hundred (chosen by the input's bytes, so an input is either always
// drawn or never) and spends the rest of its time in the readers. A replay of
// the seeds and stored findings draws every input.
inline bool g_fuzzDrawEvery = false;

inline bool fuzzDraws(const uint8_t* data, std::size_t size)
{
    if (g_fuzzDrawEvery)
        return true;
    uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < size; i++)
        h = (h ^ data[i]) * 16777619u;
    return h % 100 == 0;
}
