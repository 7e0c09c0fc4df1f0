#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/Object.h"
#include "runtime/ref.h"

// Fixed-point numbers: 32-bit, 15 fraction bits (1.0 = 32768). Angles: 32768
// is a full turn, and any integer is an angle. V is the root of every class
// that computes with them; it holds no instance data.
class V : public Object {
public:
    // Virtual so that subclasses inherit them in these slots.
    virtual int32_t fasin(int32_t x);
    virtual int32_t fatan2(int32_t a, int32_t b);
    virtual int32_t fatan3(int32_t a, int32_t b, int32_t c);
    virtual int32_t fatanh(int32_t a, int32_t h);
    virtual int32_t finvs(int32_t b);
    virtual int32_t ushr(int32_t a, int32_t n);

    // Fixed product, floored: the exact 64-bit product shifted right 15.
    static int32_t fmul(int32_t a, int32_t b)
    {
        return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 15);
    }
    // 2^45 / b: the reciprocal of a fixed number with 30 fraction bits.
    static int32_t finvd(int32_t b);
    static void fsinInit();
    // Pseudo-random 0..32767; seeds itself from the host clock on first use.
    static int32_t fran();
    // Starts the random numbers afresh from seed (only its low 16 bits
    // count), as fran does from the clock at its first use.
    static void franSeed(int32_t seed);
    // Square root of a 64-bit fixed value (a sum of products shifted once), by
    // Newton iteration from above to within 3 units.
    static int32_t fsqrt(int64_t n);

    // Table sine of an angle: -32767..32767, no interpolation.
    static int32_t fsin(int32_t a)
    {
        int32_t idx = a & 0x1FFF;
        if (a & 0x2000)
            idx = 0x2000 - idx;
        int32_t s = m_fsin.a[idx];
        return (a & 0x4000) ? -s : s;
    }
    static int32_t fcos(int32_t a) { return fsin(a + 0x2000); }

    // Array allocators: n zeroed elements, charged to the memory account.
    static void allocate(int32_t bytes);
    static Array<int32_t> allocInt(int32_t n);
    static Array<int16_t> allocShort(int32_t n);
    static Array<int8_t> allocByte(int32_t n);

    static Array<int16_t> m_fsin;   // quarter-wave sine table, 8193 entries
    static Array<int16_t> m_ranbuf; // 55 words of generator state
    static int32_t m_rank;
    static int32_t m_ranj;
    static int32_t m_avail; // memory account in bytes, bookkeeping only
};
