#pragma once
#include <immintrin.h>

#include <cstdint>

#include "runtime/Check.h"

// Eight 32-bit lanes in a 256-bit register, the lane type of TerrainPacket.
// The arithmetic is AVX2's; what depends on how a set of lanes is held (a
// vector of all-ones lanes with AVX2, a mask register with AVX-512) is
// Mask's: selection, masked loads and stores, comparisons. Only compiled in
// the files built for those instructions, with a Mask of their own.
template <class Mask_>
struct TerrainLanes {
    using Mask = Mask_;
    static constexpr int32_t kLanes = 8;

    TerrainLanes() : v(_mm256_setzero_si256()) {}
    TerrainLanes(int32_t value) : v(_mm256_set1_epi32(value)) {}
    TerrainLanes(__m256i value) : v(value) {}

    friend TerrainLanes operator+(TerrainLanes a, TerrainLanes b) { return _mm256_add_epi32(a.v, b.v); }
    friend TerrainLanes operator-(TerrainLanes a, TerrainLanes b) { return _mm256_sub_epi32(a.v, b.v); }
    friend TerrainLanes operator&(TerrainLanes a, TerrainLanes b) { return _mm256_and_si256(a.v, b.v); }
    friend TerrainLanes operator|(TerrainLanes a, TerrainLanes b) { return _mm256_or_si256(a.v, b.v); }
    friend TerrainLanes operator^(TerrainLanes a, TerrainLanes b) { return _mm256_xor_si256(a.v, b.v); }
    friend TerrainLanes operator<<(TerrainLanes a, int32_t n) { return _mm256_slli_epi32(a.v, n); }
    friend TerrainLanes operator>>(TerrainLanes a, int32_t n) { return _mm256_srai_epi32(a.v, n); }

    // ~a & b.
    static TerrainLanes andnot(TerrainLanes a, TerrainLanes b) { return _mm256_andnot_si256(a.v, b.v); }
    static TerrainLanes sllv(TerrainLanes a, TerrainLanes n) { return _mm256_sllv_epi32(a.v, n.v); }
    static TerrainLanes shiftLeft(TerrainLanes a, int32_t n) { return _mm256_sll_epi32(a.v, _mm_cvtsi32_si128(n)); }
    static TerrainLanes mullo(TerrainLanes a, TerrainLanes b) { return _mm256_mullo_epi32(a.v, b.v); }
    static TerrainLanes min(TerrainLanes a, TerrainLanes b) { return _mm256_min_epi32(a.v, b.v); }
    static TerrainLanes max(TerrainLanes a, TerrainLanes b) { return _mm256_max_epi32(a.v, b.v); }
    static TerrainLanes load(const int32_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(int32_t* p, TerrainLanes a) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), a.v); }

    static Mask gt(TerrainLanes a, TerrainLanes b) { return Mask::gt(a.v, b.v); }
    static Mask eq(TerrainLanes a, TerrainLanes b) { return Mask::eq(a.v, b.v); }
    // m ? a : b, lane by lane.
    static TerrainLanes select(Mask m, TerrainLanes a, TerrainLanes b) { return Mask::select(m, a.v, b.v); }
    static TerrainLanes addIf(Mask m, TerrainLanes a, TerrainLanes b) { return Mask::addIf(m, a.v, b.v); }
    static TerrainLanes subIf(Mask m, TerrainLanes a, TerrainLanes b) { return Mask::subIf(m, a.v, b.v); }
    static TerrainLanes gather(const int32_t* base, TerrainLanes index)
    {
        return _mm256_i32gather_epi32(base, index.v, 4);
    }
    // Lanes outside m are 0 and read nothing.
    static TerrainLanes gather(const int32_t* base, TerrainLanes index, Mask m)
    {
        return Mask::gather(base, index.v, m);
    }
    static void scatter(int32_t* base, TerrainLanes index, TerrainLanes value, Mask m, [[maybe_unused]] int32_t count)
    {
#if KORVATH_RANGE_CHECKS
        alignas(32) int32_t at[kLanes];
        store(at, index);
        for (uint32_t bits = Mask::bits(m); bits; bits &= bits - 1)
            KV_CHECK(at[__builtin_ctz(bits)] >= 0 && at[__builtin_ctz(bits)] < count, "TerrainPacket::run");
#endif
        Mask::scatter(base, index.v, value.v, m);
    }

    // VpolyTerrain::blend of the corner words (h00 | h10 << 8 | h01 << 16 |
    // h11 << 24) at the fractions fx, fz: (h00 << 12) + (h10 - h00) * fx is
    // h00 * (4096 - fx) + h10 * fx, one 16-bit multiply-add per pair of
    // corners; the 64-bit product of the last step is split at bit 12, so
    // that both parts stay within 32 bits and shift alike.
    static TerrainLanes blend(TerrainLanes corners, TerrainLanes fx, TerrainLanes fz)
    {
        const __m256i weights = _mm256_or_si256(_mm256_sub_epi32(_mm256_set1_epi32(4096), fx.v), _mm256_slli_epi32(fx.v, 16));
        // Bytes 0 and 1 (or 2 and 3) of each lane as two 16-bit values.
        const __m256i upper = _mm256_setr_epi8(0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1, 0, -1, 1, -1, 4,
                                               -1, 5, -1, 8, -1, 9, -1, 12, -1, 13, -1);
        const __m256i lower = _mm256_setr_epi8(2, -1, 3, -1, 6, -1, 7, -1, 10, -1, 11, -1, 14, -1, 15, -1, 2, -1, 3, -1, 6,
                                               -1, 7, -1, 10, -1, 11, -1, 14, -1, 15, -1);
        const __m256i top = _mm256_madd_epi16(_mm256_shuffle_epi8(corners.v, upper), weights);
        const __m256i bottom = _mm256_madd_epi16(_mm256_shuffle_epi8(corners.v, lower), weights);
        const __m256i d = _mm256_sub_epi32(bottom, top);
        const __m256i whole = _mm256_mullo_epi32(_mm256_srai_epi32(d, 12), fz.v);
        const __m256i part = _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(d, _mm256_set1_epi32(4095)), fz.v), 12);
        return _mm256_add_epi32(top, _mm256_add_epi32(whole, part));
    }
    // Each byte channel of a plus that of b, at most 255.
    static TerrainLanes addChannels(TerrainLanes a, TerrainLanes b) { return _mm256_adds_epu8(a.v, b.v); }
    // Each byte channel times factor / 32768 (factor < 65536), at most 255,
    // as VpolyTerrain::scaleRgb: (2c * factor) >> 16 in 16-bit lanes, packed
    // back with saturation; the top byte 0.
    static TerrainLanes scaleChannels(TerrainLanes colour, TerrainLanes factor)
    {
        const __m256i f = _mm256_or_si256(factor.v, _mm256_slli_epi32(factor.v, 16));
        const __m256i zero = _mm256_setzero_si256();
        __m256i low = _mm256_unpacklo_epi8(colour.v, zero), high = _mm256_unpackhi_epi8(colour.v, zero);
        low = _mm256_mulhi_epu16(_mm256_add_epi16(low, low), _mm256_unpacklo_epi32(f, f));
        high = _mm256_mulhi_epu16(_mm256_add_epi16(high, high), _mm256_unpackhi_epi32(f, f));
        return _mm256_and_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(0xFFFFFF));
    }

    __m256i v;
};
