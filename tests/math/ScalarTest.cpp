#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "math/V.h"
#include "support/FakeHost.h"

namespace {

class Scalar : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (V::m_fsin.empty())
            V::fsinInit();
        m_v = new V;
    }
    ref<V> m_v;
};

} // namespace

TEST_F(Scalar, MultiplyFloorsAndWraps)
{
    EXPECT_EQ(V::fmul(32768, 32768), 32768);
    EXPECT_EQ(V::fmul(-32768, 32768), -32768);
    EXPECT_EQ(V::fmul(-1, 1), -1);
    EXPECT_EQ(V::fmul(1, 1), 0);
    EXPECT_EQ(V::fmul(3 << 15, -(5 << 14)), -(15 << 14));
    // 256.0 * 256.0 = 65536.0 does not fit and wraps to its low 32 bits.
    EXPECT_EQ(V::fmul(256 << 15, 256 << 15), static_cast<int32_t>(INT64_C(65536) << 15));
}

TEST_F(Scalar, ReciprocalsAndUnsignedShift)
{
    EXPECT_EQ(m_v->finvs(32768), 32768);
    EXPECT_EQ(m_v->finvs(-65536), -16384);
    EXPECT_EQ(m_v->finvs(3), 357913941);
    EXPECT_EQ(m_v->finvs(-3), -357913941); // truncated toward zero on both sides
    EXPECT_EQ(V::finvd(32768), 1073741824);
    EXPECT_EQ(V::finvd(-65536), -536870912);
    EXPECT_EQ(V::finvd(7), static_cast<int32_t>(INT64_C(0x200000000000) / 7));
    EXPECT_EQ(m_v->ushr(-1, 28), 15);
    EXPECT_EQ(m_v->ushr(-1, 0), -1);
    EXPECT_EQ(m_v->ushr(12345, 32), 0);
    EXPECT_EQ(m_v->ushr(12345, 0x101), 12345 >> 1); // only the low byte of the count
}

TEST_F(Scalar, SineTableAndEveryAngleKeepTheirSymmetries)
{
    ASSERT_EQ(V::m_fsin.length, 8193);
    for (int32_t i = 1; i < 8192; i++) {
        double want = std::trunc(std::sin(i * (2.0 * 3.141592653589793 / 32768.0)) * 32768.0);
        ASSERT_EQ(V::m_fsin[i], static_cast<int16_t>(want)) << "entry " << i;
    }
    EXPECT_EQ(V::fsin(0), 0);
    EXPECT_EQ(V::fsin(0x2000), 32767);
    EXPECT_EQ(V::fsin(0x4000), 0);
    EXPECT_EQ(V::fsin(0x6000), -32767);
    EXPECT_EQ(V::fcos(0), 32767);
    for (int32_t a = -65536; a <= 65535; a++) {
        int32_t s = V::fsin(a);
        ASSERT_EQ(s, V::fsin(a + 0x8000)) << a;          // a full turn changes nothing
        ASSERT_EQ(s, -V::fsin(a + 0x4000)) << a;         // half a turn negates
        ASSERT_EQ(s, V::fsin(0x4000 - a)) << a;          // sin(pi - a) = sin(a)
        ASSERT_EQ(V::fcos(a), V::fsin(a + 0x2000)) << a;
        ASSERT_LE(std::abs(s), 32767);
        if ((a & 0x7FFF) <= 0x2000) {
            ASSERT_EQ(s, V::m_fsin[a & 0x7FFF]) << a;
        }
    }
}

TEST_F(Scalar, ArcSineInvertsTheTableWithinOneUnit)
{
    EXPECT_EQ(m_v->fasin(32768), 8192);
    EXPECT_EQ(m_v->fasin(40000), 8192);
    EXPECT_EQ(m_v->fasin(-32768), -8192);
    EXPECT_EQ(m_v->fasin(0), 0);
    for (int32_t a = 0; a <= 8192; a++) {
        int32_t back = m_v->fasin(V::fsin(a));
        // Within one unit, or (near the flat top, where entries repeat) an
        // angle whose table sine is the very same value.
        if (std::abs(back - a) > 1) {
            ASSERT_EQ(V::fsin(back), V::fsin(a)) << a;
        }
        ASSERT_EQ(m_v->fasin(-V::fsin(a)), -back) << a;
    }
}

TEST_F(Scalar, ArcTangentOfTheAxesAndOfRandomDirections)
{
    EXPECT_EQ(m_v->fatan2(0, 32768), 0);
    EXPECT_EQ(m_v->fatan2(32768, 0), 8192);
    EXPECT_EQ(m_v->fatan2(0, -32768), 16384);
    EXPECT_EQ(m_v->fatan2(-32768, 0), -8192);
    EXPECT_EQ(m_v->fatan2(0, 0), 0);
    EXPECT_EQ(m_v->fatan3(5, 5, 0), 0);
    for (int32_t a = -16000; a < 16384; a += 37) {
        // A direction of length 100.0 at angle a comes back as a.
        int32_t r = 100 << 15;
        int32_t y = static_cast<int32_t>((static_cast<int64_t>(V::fsin(a)) * r) >> 15);
        int32_t x = static_cast<int32_t>((static_cast<int64_t>(V::fcos(a)) * r) >> 15);
        int32_t got = m_v->fatan2(y, x);
        int32_t diff = ((got - a + 0x4000) & 0x7FFF) - 0x4000;
        // Near the y axis the ratio is close to 1, where the arc-sine is so
        // steep that one unit of rounding moves the angle by up to ~40 units.
        bool nearPole = std::abs(std::abs(a) - 8192) < 512;
        ASSERT_LE(std::abs(diff), nearPole ? 48 : 3) << a;
    }
    // fatanh is the arc-sine of a/h.
    EXPECT_LE(std::abs(m_v->fatanh(16384, 32768) - 2731), 1); // 30 degrees
    EXPECT_EQ(m_v->fatanh(1000, 0), 0);
}

TEST_F(Scalar, SquareRootIsARootWithinTheTolerance)
{
    EXPECT_EQ(V::fsqrt(0), 0);
    EXPECT_EQ(V::fsqrt(-(INT64_C(4) << 15)), V::fsqrt(INT64_C(4) << 15));
    for (int64_t n = 1; n < (INT64_C(1) << 48); n = n * 3 + 7) {
        int64_t r = V::fsqrt(n);
        double exact = std::sqrt(static_cast<double>(n) * 32768.0);
        ASSERT_LE(std::fabs(r - exact), 4.0) << n;
    }
}

TEST(Random, StaysInRangeAndRepeatsForAFixedSeed)
{
    FakeHost clock;
    clock.m_now = 0x12345678;
    V::m_ranbuf = Array<int16_t>();
    std::vector<int32_t> first;
    for (int i = 0; i < 2000; i++) {
        first.push_back(V::fran());
        ASSERT_TRUE(first.back() >= 0 && first.back() <= 32767);
    }
    // The seed is the clock's low 16 bits: the same low bits, the same sequence.
    clock.m_now = 0x7FFF5678;
    V::m_ranbuf = Array<int16_t>();
    for (int i = 0; i < 2000; i++)
        ASSERT_EQ(V::fran(), first[i]) << i;
    EXPECT_GT(std::set<int32_t>(first.begin(), first.end()).size(), 1500u);

    // Bit for bit: the first value is the 56th step of the lagged-Fibonacci
    // recurrence over the seeded table (55 warm-up steps are discarded).
    std::vector<int32_t> buf(55);
    for (int32_t i = 0, seed = 0x5678; i < 55; i++, seed = (seed + 9973) & 0xFFFF)
        buf[i] = seed;
    int32_t j = 23, k = 54, value = 0;
    for (int step = 0; step < 56; step++) {
        j = j == 0 ? 54 : j - 1;
        k = k == 0 ? 54 : k - 1;
        buf[k] = (buf[k] + buf[j]) & 0xFFFF;
        value = buf[k] & 0x7FFF;
    }
    EXPECT_EQ(first[0], value);
}
