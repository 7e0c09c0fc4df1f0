#include "scene/PictureRowAvx2.h"

#include <immintrin.h>

namespace {

// The texels at the indices at, all from first to last: from one or two
// loads of eight where they lie that close together inside the row of
// width texels (a gather is several times dearer), else gathered.
inline __m256i texelsAt(const int32_t* row, int32_t width, __m256i at, int32_t first, int32_t last)
{
    const __m256i from = _mm256_sub_epi32(at, _mm256_set1_epi32(first));
    if (last - first < 8 && first + 8 <= width)
        return _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + first)), from);
    if (last - first < 16 && first + 16 <= width) {
        const __m256i low = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + first)), from);
        const __m256i high =
            _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + first + 8)), from);
        return _mm256_blendv_epi8(low, high, _mm256_cmpgt_epi32(from, _mm256_set1_epi32(7)));
    }
    return _mm256_i32gather_epi32(row, at, 4);
}

} // namespace

bool PictureRowAvx2::available()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

int32_t PictureRowAvx2::over(const uint32_t* row, int32_t width, uint32_t* dst, int32_t x, int32_t xEnd, int64_t& uAt,
                             int64_t step, int64_t scale, uint32_t z)
{
    if (xEnd - x < 8)
        return x;
    // With eight pixels left, u + 7 step is still inside the picture, below
    // 2^30: the lanes' sampling points fit 32 bits.
    const __m256i lanes = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                             _mm256_set1_epi32(static_cast<int32_t>(step)));
    const __m256i zero = _mm256_setzero_si256(), fifteen = _mm256_set1_epi32(15), seven = _mm256_set1_epi32(7);
    const __m256i sixteen = _mm256_set1_epi32(16), colourBits = _mm256_set1_epi32(0xFFFFFF);
    const __m256i redBlue = _mm256_set1_epi32(0xFF00FF), lowByte = _mm256_set1_epi32(0xFF);
    const __m256i depthBits = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i zTop = _mm256_set1_epi32(static_cast<int32_t>(z << 24));
    // The buffer's depth passes where it is not nearer: above z - 1.
    const __m256i zBelow = _mm256_set1_epi32(static_cast<int32_t>(z) - 1);
    // A picture without a depth always writes its own.
    const __m256i alwaysCovers = z == 0 ? _mm256_set1_epi32(-1) : zero;
    const int32_t* texels = reinterpret_cast<const int32_t*>(row);
    // A local: a store into dst could otherwise be taken to change it.
    int64_t u = uAt;
    while (xEnd - x >= 8) {
        const __m256i at = _mm256_srli_epi32(_mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(u)), lanes), 15);
        const __m256i p = texelsAt(texels, width, at, static_cast<int32_t>(u >> 15), static_cast<int32_t>((u + 7 * step) >> 15));
        const __m256i a = _mm256_srli_epi32(p, 28);
        const __m256i clear = _mm256_cmpeq_epi32(a, zero);
        if (_mm256_movemask_ps(_mm256_castsi256_ps(clear)) == 0xFF) {
            // All transparent: the last one tells how many more follow; skip
            // the pixels that sample them, by sampleRow's rule (written out:
            // an inline shared with code built without AVX2 could be linked
            // in its AVX2 form for both).
            const uint32_t last = static_cast<uint32_t>(_mm256_extract_epi32(p, 7));
            const int64_t skip = 7 + ((scale * (last >> 24)) >> 15) + 1;
            const int64_t left = xEnd - x;
            x += static_cast<int32_t>(skip < left ? skip : left);
            u += skip * step;
            continue;
        }
        uint32_t* out = dst + x;
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        const __m256i visible = _mm256_andnot_si256(clear, _mm256_cmpgt_epi32(_mm256_srli_epi32(d, 24), zBelow));
        if (!_mm256_testz_si256(visible, visible)) {
            const __m256i colour = _mm256_and_si256(p, colourBits);
            // The buffer keeps (16 - a) sixteenths of each channel; a channel
            // times that fits a 16-bit lane.
            const __m256i keep = _mm256_sub_epi32(sixteen, a);
            const __m256i keep16 = _mm256_or_si256(keep, _mm256_slli_epi32(keep, 16));
            const __m256i rb = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(d, redBlue), keep16), 4);
            const __m256i g = _mm256_slli_epi32(
                _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi32(d, 8), lowByte), keep), 4), 8);
            const __m256i sum = _mm256_and_si256(_mm256_add_epi32(_mm256_or_si256(rb, g), colour), colourBits);
            const __m256i covers = _mm256_or_si256(_mm256_cmpgt_epi32(a, seven), alwaysCovers);
            const __m256i depth = _mm256_blendv_epi8(_mm256_and_si256(d, depthBits), zTop, covers);
            const __m256i blended = _mm256_or_si256(depth, sum);
            const __m256i opaque = _mm256_or_si256(zTop, colour);
            const __m256i drawn = _mm256_blendv_epi8(blended, opaque, _mm256_cmpeq_epi32(a, fifteen));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(d, drawn, visible));
        }
        x += 8;
        u += 8 * step;
    }
    uAt = u;
    return x;
}
