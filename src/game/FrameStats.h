#pragma once
#include <cstdint>
#include <string>
#include <vector>

// How the frames went: how many were drawn, the game time they covered, and
// the work each took (its time less the wait for the next), kept as a
// histogram so that a run of any length costs the same memory.
class FrameStats {
public:
    FrameStats();

    // A frame of frameMs of game time whose work took workUs microseconds.
    void add(int32_t frameMs, int64_t workUs);
    int64_t frames() const { return m_frames; }
    int64_t gameMs() const { return m_gameMs; }
    // The median and the slowest frame's work, in microseconds (the median
    // to the histogram's step).
    int64_t medianUs() const { return percentileUs(50); }
    // The work that p percent of the frames took at most.
    int64_t percentileUs(int32_t p) const;
    int64_t slowestUs() const { return m_slowestUs; }
    // "frames: N, game time: T ms, median frame: A ms, 99th percentile: P ms,
    // slowest: B ms".
    std::string line() const;

    static constexpr int32_t kStepUs = 10;      // the histogram's step
    static constexpr int32_t kSteps = 100000;   // up to a second; slower ones count in the last

private:
    std::vector<int32_t> m_counts;
    int64_t m_frames = 0;
    int64_t m_gameMs = 0;
    int64_t m_slowestUs = 0;
};
