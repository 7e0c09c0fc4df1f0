#include "game/FrameStats.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

FrameStats::FrameStats() : m_counts(kSteps, 0) {}

void FrameStats::add(int32_t frameMs, int64_t workUs)
{
    workUs = std::max<int64_t>(workUs, 0);
    m_counts[static_cast<std::size_t>(std::min<int64_t>(workUs / kStepUs, kSteps - 1))]++;
    m_frames++;
    m_gameMs += std::max(frameMs, 0);
    m_slowestUs = std::max(m_slowestUs, workUs);
}

int64_t FrameStats::percentileUs(int32_t p) const
{
    if (m_frames == 0)
        return 0;
    int64_t seen = 0;
    for (int32_t i = 0; i < kSteps; i++) {
        seen += m_counts[static_cast<std::size_t>(i)];
        if (100 * seen >= static_cast<int64_t>(p) * m_frames)
            return std::min<int64_t>(static_cast<int64_t>(i) * kStepUs + kStepUs / 2, m_slowestUs);
    }
    return m_slowestUs;
}

std::string FrameStats::line() const
{
    // Milliseconds with two decimals, from whole microseconds.
    auto ms = [](int64_t us) {
        char b[32];
        std::snprintf(b, sizeof b, "%" PRId64 ".%02" PRId64, us / 1000, (us % 1000) / 10);
        return std::string(b);
    };
    char line[200];
    std::snprintf(line, sizeof line,
                  "frames: %" PRId64 ", game time: %" PRId64 " ms, median frame: %s ms, 99th percentile: %s ms, "
                  "slowest: %s ms",
                  m_frames, m_gameMs, ms(medianUs()).c_str(), ms(percentileUs(99)).c_str(), ms(m_slowestUs).c_str());
    return line;
}
