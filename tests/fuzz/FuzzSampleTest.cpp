#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/FuzzSample.h"

namespace {

std::vector<uint8_t> randomInput(std::mt19937& random)
{
    // Short ones, and long ones whose size is no multiple of eight.
    std::vector<uint8_t> v(random() % 2 ? random() % 24 : random() % 4000);
    for (uint8_t& b : v)
        b = static_cast<uint8_t>(random());
    return v;
}

} // namespace

// About one input in a hundred is drawn, and a mutant of a drawn input (one
// byte changed anywhere) is no likelier to be drawn than any other input:
// else the fuzzer, which favours the inputs that reach the drawing code,
// would soon draw most of what it runs.
TEST(FuzzSample, DrawsOneInputInAHundredAndItsMutantsNoMoreOften)
{
    std::mt19937 random(7);
    int32_t drawn = 0, mutants = 0, mutantsDrawn = 0;
    constexpr int32_t kInputs = 60000;
    for (int32_t k = 0; k < kInputs; k++) {
        std::vector<uint8_t> v = randomInput(random);
        const bool d = fuzzDraws(v.data(), v.size());
        EXPECT_EQ(d, fuzzDraws(v.data(), v.size()));
        drawn += d;
        if (!d || v.empty())
            continue;
        for (int32_t m = 0; m < 50; m++) {
            std::vector<uint8_t> w = v;
            w[random() % w.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            mutants++;
            mutantsDrawn += fuzzDraws(w.data(), w.size());
        }
    }
    EXPECT_GT(drawn, kInputs / 140);
    EXPECT_LT(drawn, kInputs / 70);
    ASSERT_GT(mutants, 10000);
    EXPECT_LT(mutantsDrawn, mutants / 40);
}

TEST(FuzzSample, DrawsEveryInputOnReplay)
{
    const uint8_t input[] = {1, 2, 3};
    int32_t drawn = 0;
    g_fuzzDrawEvery = true;
    for (uint8_t b = 0; b < 200; b++) {
        std::vector<uint8_t> v(input, input + 3);
        v.push_back(b);
        drawn += fuzzDraws(v.data(), v.size());
    }
    g_fuzzDrawEvery = false;
    EXPECT_EQ(drawn, 200);
}
