// The packet caster in AVX2, built with -mavx2 (src/CMakeLists.txt); called
// only on processors that have it.
#include "terrain/TerrainLanePair.h"
#include "terrain/TerrainLanes.h"
#include "terrain/TerrainPacket.h"

namespace {

// A set of lanes as a vector of all-ones (in the set) and all-zeros lanes.
struct VectorMask {
    static VectorMask all() { return {_mm256_set1_epi32(-1)}; }
    static VectorMask fromBits(uint32_t bits)
    {
        const __m256i lane = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
        return {_mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int32_t>(bits)), lane), lane)};
    }
    static uint32_t bits(VectorMask m) { return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(m.m))); }
    static bool any(VectorMask m) { return !_mm256_testz_si256(m.m, m.m); }
    // ~a & b.
    static VectorMask andnot(VectorMask a, VectorMask b) { return {_mm256_andnot_si256(a.m, b.m)}; }
    friend VectorMask operator&(VectorMask a, VectorMask b) { return {_mm256_and_si256(a.m, b.m)}; }
    friend VectorMask operator|(VectorMask a, VectorMask b) { return {_mm256_or_si256(a.m, b.m)}; }

    static VectorMask gt(__m256i a, __m256i b) { return {_mm256_cmpgt_epi32(a, b)}; }
    static VectorMask eq(__m256i a, __m256i b) { return {_mm256_cmpeq_epi32(a, b)}; }
    static __m256i select(VectorMask m, __m256i a, __m256i b) { return _mm256_blendv_epi8(b, a, m.m); }
    static __m256i addIf(VectorMask m, __m256i a, __m256i b) { return _mm256_add_epi32(a, _mm256_and_si256(b, m.m)); }
    static __m256i subIf(VectorMask m, __m256i a, __m256i b) { return _mm256_sub_epi32(a, _mm256_and_si256(b, m.m)); }
    static __m256i gather(const int32_t* base, __m256i index, VectorMask m)
    {
        return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, index, m.m, 4);
    }
    // No scatter in AVX2: the lanes one by one.
    static void scatter(int32_t* base, __m256i index, __m256i value, VectorMask m)
    {
        alignas(32) int32_t at[8], put[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
        _mm256_store_si256(reinterpret_cast<__m256i*>(put), value);
        for (uint32_t lanes = bits(m); lanes; lanes &= lanes - 1) {
            const int32_t i = __builtin_ctz(lanes);
            base[at[i]] = put[i];
        }
    }

    __m256i m = {};
};

} // namespace

void castPacketsAvx2(const TerrainCast& c, TerrainCast::Columns& walk)
{
    TerrainPacket<TerrainLanePair<TerrainLanes<VectorMask>>>(c).run(walk);
}
