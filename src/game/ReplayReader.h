#pragma once
#include <cstdint>
#include <string>

#include "game/Replay.h"
#include "runtime/Array.h"
#include "runtime/ByteReader.h"
#include "runtime/ref.h"

// Reads a replay file (ReplayWriter) and checks every field of it: a file
// of another version, cut short or altered is refused whole, with one line
// that says which, before any of it is played. The frames are then handed
// out one at a time from the bytes read.
class ReplayReader {
public:
    // Reads and checks the file at path; false, with the line, when it
    // cannot be played.
    bool load(const std::string& path, std::string& error);
    // The same for the bytes of a file; name stands for it in the line.
    bool parse(const Array<int8_t>& bytes, const std::string& name, std::string& error);

    const Replay::Start& start() const { return m_start; }
    const Replay::End& end() const { return m_end; }
    int32_t frames() const { return m_frames; }
    // The file's format (Replay::kOldestFormat .. Replay::kFormat).
    int32_t format() const { return m_format; }

    // Back to the first frame.
    void rewind();
    // The next frame into f; false after the last one.
    bool next(Replay::Frame& f);

    // The largest file taken.
    static constexpr int32_t kMostBytes = 64 << 20;

private:
    bool readStart();
    bool readFrame(Replay::Frame& f);
    bool readEnd();
    // A zig-zag number within Replay::kMostSigned; false when it is not.
    bool getSigned(int32_t& v);
    bool getWord(uint32_t& v);

    Array<int8_t> m_bytes;
    ref<ByteReader> m_in = new ByteReader;
    int64_t m_framesAt = 0; // where the first frame begins
    int32_t m_frames = 0;
    int32_t m_format = Replay::kFormat;
    int32_t m_next = 0;     // frames handed out since the rewind
    Replay::Frame m_last;   // the frame the next one changes
    Replay::Start m_start;
    Replay::End m_end;
};
