// The packet caster with AVX-512 (F and VL: eight lanes in 256 bits, with
// mask registers and scatters), built with -mavx512f -mavx512vl
// (src/CMakeLists.txt); called only on processors that have them.
#include "terrain/TerrainLanePair.h"
#include "terrain/TerrainLanes.h"
#include "terrain/TerrainPacket.h"

namespace {

// A set of lanes as a mask register.
struct BitMask {
    static BitMask all() { return {0xFF}; }
    static BitMask fromBits(uint32_t bits) { return {static_cast<__mmask8>(bits)}; }
    static uint32_t bits(BitMask m) { return m.m; }
    static bool any(BitMask m) { return m.m != 0; }
    // ~a & b.
    static BitMask andnot(BitMask a, BitMask b) { return {static_cast<__mmask8>(~a.m & b.m)}; }
    friend BitMask operator&(BitMask a, BitMask b) { return {static_cast<__mmask8>(a.m & b.m)}; }
    friend BitMask operator|(BitMask a, BitMask b) { return {static_cast<__mmask8>(a.m | b.m)}; }

    static BitMask gt(__m256i a, __m256i b) { return {_mm256_cmpgt_epi32_mask(a, b)}; }
    static BitMask eq(__m256i a, __m256i b) { return {_mm256_cmpeq_epi32_mask(a, b)}; }
    static __m256i select(BitMask m, __m256i a, __m256i b) { return _mm256_mask_blend_epi32(m.m, b, a); }
    static __m256i addIf(BitMask m, __m256i a, __m256i b) { return _mm256_mask_add_epi32(a, m.m, a, b); }
    static __m256i subIf(BitMask m, __m256i a, __m256i b) { return _mm256_mask_sub_epi32(a, m.m, a, b); }
    static __m256i gather(const int32_t* base, __m256i index, BitMask m)
    {
        return _mm256_mmask_i32gather_epi32(_mm256_setzero_si256(), m.m, index, base, 4);
    }
    static void scatter(int32_t* base, __m256i index, __m256i value, BitMask m)
    {
        _mm256_mask_i32scatter_epi32(base, m.m, index, value, 4);
    }

    __mmask8 m = {};
};

} // namespace

void castPacketsAvx512(const TerrainCast& c, TerrainCast::Columns& walk)
{
    TerrainPacket<TerrainLanePair<TerrainLanes<BitMask>>>(c).run(walk);
}
