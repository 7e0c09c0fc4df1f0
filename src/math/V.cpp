#include "math/V.h"

#include <cmath>
#include <cstdint>

#include "host/Host.h"

Array<int16_t> V::m_fsin;
Array<int16_t> V::m_ranbuf;
int32_t V::m_rank = 0;
int32_t V::m_ranj = 0;
int32_t V::m_avail = 0;

int32_t V::finvs(int32_t b)
{
    // Callers never pass 0; answer the largest value rather than trap.
    if (b == 0)
        return 0x7FFFFFFF;
    return 0x40000000 / b;
}

int32_t V::finvd(int32_t b)
{
    if (b == 0)
        return 0x7FFFFFFF;
    return static_cast<int32_t>(INT64_C(0x0000200000000000) / b);
}

int32_t V::ushr(int32_t a, int32_t n)
{
    n &= 0xFF;
    if (n >= 32)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(a) >> n);
}

void V::fsinInit()
{
    Array<int16_t> table(0x2001);
    if (table.empty())
        return;
    const double step = 2.0 * 3.141592653589793 * 3.0517578125e-05;
    for (int32_t i = 1; i < 0x2000; i++)
        table[i] = static_cast<int16_t>(std::trunc(std::sin(i * step) * 32768.0));
    table[0x2000] = 0x7FFF;
    m_fsin = table;
}

int32_t V::fasin(int32_t x)
{
    bool neg = x < 0;
    if (neg)
        x = -x;
    if (x >= 32768)
        return neg ? -8192 : 8192;
    int32_t lo = 0;
    int32_t hi = m_fsin.length - 1;
    int32_t result = 0;
    if (hi > 0) {
        result = -1;
        while (hi > lo) {
            int32_t mid = (lo + hi) >> 1;
            int32_t d = x - m_fsin[mid];
            if (d < 0)
                hi = mid - 1;
            else if (d > 0)
                lo = mid + 1;
            else {
                result = mid;
                break;
            }
        }
        if (result < 0)
            result = lo;
    }
    return neg ? -result : result;
}

int32_t V::fsqrt(int64_t n)
{
    if (n == 0)
        return 0;
    if (n < 0)
        n = -n;
    int64_t x = (n + 32768) >> 1;
    int64_t d = n << 15;
    int64_t next;
    for (;;) {
        int64_t q = d / x;
        next = (x + q) >> 1;
        if (x - next > 3 && next > 0)
            x = next;
        else
            break;
    }
    return static_cast<int32_t>(next);
}

int32_t V::fatan3(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return 0;
    int32_t t = fasin(static_cast<int32_t>((static_cast<int64_t>(a) << 15) / c));
    if (b >= 0)
        return t;
    return t < 0 ? -16384 - t : 16384 - t;
}

int32_t V::fatan2(int32_t a, int32_t b)
{
    int64_t n = (static_cast<int64_t>(a) * a + static_cast<int64_t>(b) * b) >> 15;
    return fatan3(a, b, fsqrt(n));
}

int32_t V::fatanh(int32_t a, int32_t h)
{
    int64_t n = (static_cast<int64_t>(h) * h - static_cast<int64_t>(a) * a) >> 15;
    return fatan3(a, fsqrt(n), h);
}

void V::franSeed(int32_t seed)
{
    m_ranbuf = Array<int16_t>(55);
    if (m_ranbuf.empty())
        return;
    seed &= 0xFFFF;
    for (int32_t i = 0; i < 55; i++) {
        m_ranbuf[i] = static_cast<int16_t>(seed);
        seed = (seed + 9973) & 0xFFFF;
    }
    m_ranj = 23;
    m_rank = 54;
    for (int32_t i = 0; i < 55; i++)
        fran();
}

int32_t V::fran()
{
    if (m_ranbuf.empty()) {
        franSeed(Host::current().nowMs());
        if (m_ranbuf.empty())
            return 0;
    }
    m_ranj = m_ranj == 0 ? 54 : m_ranj - 1;
    m_rank = m_rank == 0 ? 54 : m_rank - 1;
    m_ranbuf[m_rank] = static_cast<int16_t>(m_ranbuf[m_rank] + m_ranbuf[m_ranj]);
    return m_ranbuf[m_rank] & 0x7FFF;
}

void V::allocate(int32_t bytes)
{
    m_avail -= bytes;
}

Array<int32_t> V::allocInt(int32_t n)
{
    allocate(n * 4);
    return Array<int32_t>(n);
}

Array<int16_t> V::allocShort(int32_t n)
{
    allocate(n * 2);
    return Array<int16_t>(n);
}

Array<int8_t> V::allocByte(int32_t n)
{
    allocate(n);
    return Array<int8_t>(n);
}
