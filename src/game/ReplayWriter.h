#pragma once
#include <cstdint>
#include <vector>

#include "game/Replay.h"

// Makes the bytes of a replay file: the start, then one frame at a time
// (each stores what changed since the one before), then the end and the
// checksum. ReplayReader reads them back.
class ReplayWriter {
public:
    void begin(const Replay::Start& start);
    // Adds a frame; ignored once the replay holds Replay::kMostFrames.
    void frame(const Replay::Frame& f);
    // The whole file; the writer is empty again afterwards.
    std::vector<uint8_t> finish(const Replay::End& end);
    int32_t frames() const { return m_frames; }
    bool full() const { return m_frames >= Replay::kMostFrames; }

private:
    void put(uint32_t v);
    void putSigned(int32_t v);
    void putWord(uint32_t v);
    void putBytes(const int8_t* b, int32_t n);

    std::vector<uint8_t> m_bytes;
    std::size_t m_countAt = 0; // where the number of frames goes
    int32_t m_frames = 0;
    Replay::Frame m_last; // what the next frame is compared with
};
