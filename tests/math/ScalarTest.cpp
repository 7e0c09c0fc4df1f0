#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "math/V.h"
#include "support/FakeHost.h"

namespace {

struct Scalar : ::testing::Test {
    void SetUp() override { V::m_fsin.empty() ? V::fsinInit() : void(); }
    ref<V> m_v = new V;
};

struct Exact {
    const char* name;
    int64_t got, want;
};

void expectAll(std::initializer_list<Exact> cases)
{
    for (const Exact& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.want);
    }
}

} // namespace

// Results the engine must give bit for bit: products floor and wrap to their
// low 32 bits, reciprocals truncate toward zero, the shift takes the low byte.
TEST_F(Scalar, ProductsReciprocalsShiftsAndAnglesAreExact)
{
    expectAll({
        {"1*1", V::fmul(32768, 32768), 32768}, {"-1*1", V::fmul(-32768, 32768), -32768},
        {"floors negative", V::fmul(-1, 1), -1}, {"floors positive", V::fmul(1, 1), 0},
        {"3*-2.5", V::fmul(3 << 15, -(5 << 14)), -(15 << 14)},
        {"256*256 wraps", V::fmul(256 << 15, 256 << 15), static_cast<int32_t>(INT64_C(65536) << 15)},
        {"finvs 1", m_v->finvs(32768), 32768}, {"finvs -2", m_v->finvs(-65536), -16384},
        {"finvs 3", m_v->finvs(3), 357913941}, {"finvs -3", m_v->finvs(-3), -357913941},
        {"finvd 1", V::finvd(32768), 1073741824}, {"finvd -2", V::finvd(-65536), -536870912},
        {"finvd 7", V::finvd(7), static_cast<int32_t>(INT64_C(0x200000000000) / 7)}, {"ushr 28", m_v->ushr(-1, 28), 15},
        {"ushr 0", m_v->ushr(-1, 0), -1}, {"ushr 32", m_v->ushr(12345, 32), 0},
        {"ushr low byte", m_v->ushr(12345, 0x101), 12345 >> 1}, {"fsin 0", V::fsin(0), 0},
        {"fsin 90", V::fsin(0x2000), 32767}, {"fasin 1", m_v->fasin(32768), 8192},
        {"fasin past 1", m_v->fasin(40000), 8192}, {"fasin -1", m_v->fasin(-32768), -8192},
        {"fasin 0", m_v->fasin(0), 0}, {"fatan2 +x", m_v->fatan2(0, 32768), 0},
        {"fatan2 +y", m_v->fatan2(32768, 0), 8192}, {"fatan2 -x", m_v->fatan2(0, -32768), 16384},
        {"fatan2 -y", m_v->fatan2(-32768, 0), -8192}, {"fatan2 origin", m_v->fatan2(0, 0), 0},
        {"fatan3 level", m_v->fatan3(5, 5, 0), 0}, {"fatanh no hypotenuse", m_v->fatanh(1000, 0), 0},
        {"fsqrt 0", V::fsqrt(0), 0}, {"fsqrt of a negative", V::fsqrt(-(INT64_C(4) << 15)), V::fsqrt(INT64_C(4) << 15)},
    });
    EXPECT_LE(std::abs(m_v->fatanh(16384, 32768) - 2731), 1); // 30 degrees
}

TEST_F(Scalar, SinesKeepTheirSymmetriesAndTheArcsAndRootInvertThem)
{
    ASSERT_EQ(V::m_fsin.length, 8193);
    for (int32_t i = 1; i < 8192; i++)
        ASSERT_EQ(V::m_fsin[i], static_cast<int16_t>(std::trunc(std::sin(i * (M_PI / 16384)) * 32768))) << i;
    for (int32_t a = -65536; a <= 65535; a++) {
        int32_t s = V::fsin(a);
        ASSERT_EQ(s, V::fsin(a + 0x8000)) << a;  // a full turn changes nothing
        ASSERT_EQ(s, -V::fsin(a + 0x4000)) << a; // half a turn negates
        ASSERT_EQ(s, V::fsin(0x4000 - a)) << a;  // sin(pi - a) = sin(a)
        ASSERT_EQ(V::fcos(a), V::fsin(a + 0x2000)) << a;
        if ((a & 0x7FFF) <= 0x2000) {
            ASSERT_EQ(s, V::m_fsin[a & 0x7FFF]) << a;
        }
    }
    for (int32_t a = 0; a <= 8192; a++) {
        int32_t back = m_v->fasin(V::fsin(a));
        // Near the flat top, where entries repeat, any angle of the same sine.
        if (std::abs(back - a) > 1) {
            ASSERT_EQ(V::fsin(back), V::fsin(a)) << a;
        }
        ASSERT_EQ(m_v->fasin(-V::fsin(a)), -back) << a;
    }
    for (int32_t a = -16000; a < 16384; a += 37) {
        // A direction of length 100.0 at angle a comes back as a.
        int32_t diff = ((m_v->fatan2(V::fsin(a) * 100, V::fcos(a) * 100) - a + 0x4000) & 0x7FFF) - 0x4000;
        // Near the y axis the arc-sine is so steep that one unit of rounding
        // moves the angle by up to ~40 units.
        bool nearPole = std::abs(std::abs(a) - 8192) < 512;
        ASSERT_LE(std::abs(diff), nearPole ? 48 : 3) << a;
    }
    for (int64_t n = 1; n < (INT64_C(1) << 48); n = n * 3 + 7)
        ASSERT_LE(std::fabs(V::fsqrt(n) - std::sqrt(static_cast<double>(n) * 32768.0)), 4.0) << n;
}

TEST(Random, RepeatsForAFixedSeedAndStartsWithTheKnownValues)
{
    FakeHost clock;
    std::vector<int32_t> first;
    clock.m_now = 0x12345678;
    V::m_ranbuf = Array<int16_t>();
    for (int i = 0; i < 2000; i++)
        first.push_back(V::fran());
    EXPECT_TRUE(*std::min_element(first.begin(), first.end()) >= 0 && *std::max_element(first.begin(), first.end()) <= 32767);
    // The lagged-Fibonacci recurrence over the table seeded by 0x5678, after
    // 55 warm-up steps.
    EXPECT_EQ(std::vector<int32_t>(first.begin(), first.begin() + 5), (std::vector<int32_t>{15246, 30917, 13820, 29491, 12394}));
    // The seed is the clock's low 16 bits: the same low bits, the same sequence.
    clock.m_now = 0x7FFF5678;
    V::m_ranbuf = Array<int16_t>();
    for (int i = 0; i < 2000; i++)
        ASSERT_EQ(V::fran(), first[i]) << i;
    EXPECT_GT(std::set<int32_t>(first.begin(), first.end()).size(), 1500u);
}
