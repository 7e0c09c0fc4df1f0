#include "game/ReplayWriter.h"

#include <algorithm>
#include <cstring>

#include "runtime/Varint.h"

void ReplayWriter::put(uint32_t v)
{
    Varint::put(m_bytes, v);
}

void ReplayWriter::putSigned(int32_t v)
{
    // Zig-zag: small magnitudes of either sign take one byte.
    v = std::clamp(v, -Replay::kMostSigned, Replay::kMostSigned);
    put((static_cast<uint32_t>(v) << 1) ^ static_cast<uint32_t>(v >> 31));
}

void ReplayWriter::putWord(uint32_t v)
{
    for (int32_t i = 0; i < 4; i++)
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ReplayWriter::putBytes(const int8_t* b, int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        m_bytes.push_back(static_cast<uint8_t>(b[i]));
}

void ReplayWriter::begin(const Replay::Start& s)
{
    m_bytes.assign(Replay::kMagic, Replay::kMagic + 4);
    m_bytes.push_back(Replay::kFormat);
    const std::size_t n = std::min<std::size_t>(s.version.size(), 255);
    m_bytes.push_back(static_cast<uint8_t>(n));
    m_bytes.insert(m_bytes.end(), s.version.begin(), s.version.begin() + static_cast<std::ptrdiff_t>(n));
    put(static_cast<uint32_t>(s.startWidth));
    put(static_cast<uint32_t>(s.startHeight));
    for (int16_t w : s.random) {
        m_bytes.push_back(static_cast<uint8_t>(w));
        m_bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    m_bytes.push_back(static_cast<uint8_t>(s.rank));
    m_bytes.push_back(static_cast<uint8_t>(s.ranj));
    putBytes(s.record, Replay::kRecordBytes);
    putWord(static_cast<uint32_t>(s.fuel));
    put(static_cast<uint32_t>(s.rounds));
    put(static_cast<uint32_t>(s.damage));
    m_bytes.push_back(static_cast<uint8_t>((s.demo ? 1 : 0) | (s.controls ? 2 : 0)));
    m_bytes.push_back(static_cast<uint8_t>(s.options.size()));
    putBytes(s.options.data(), static_cast<int32_t>(s.options.size()));
    put(static_cast<uint32_t>(s.battle.size()));
    putBytes(s.battle.data(), static_cast<int32_t>(s.battle.size()));
    put(static_cast<uint32_t>(std::max(s.noteMs, 0)));
    m_countAt = m_bytes.size();
    putWord(0);
    m_frames = 0;
    m_last = Replay::Frame();
}

void ReplayWriter::frame(const Replay::Frame& f)
{
    if (full())
        return;
    const Input::State& a = m_last.input;
    const Input::State& b = f.input;
    int32_t changed = 0;
    if (f.width != m_last.width || f.height != m_last.height)
        changed |= Replay::kSize;
    if (std::memcmp(a.held, b.held, sizeof a.held) != 0)
        changed |= Replay::kHeld;
    if (a.queued != b.queued || std::memcmp(a.queue, b.queue, sizeof a.queue) != 0)
        changed |= Replay::kQueue;
    if (a.touchX != b.touchX || a.touchY != b.touchY)
        changed |= Replay::kTouch;
    if (a.dragX != b.dragX || a.dragY != b.dragY)
        changed |= Replay::kDrag;
    if (a.pointerX != b.pointerX || a.pointerY != b.pointerY)
        changed |= Replay::kPointer;
    if (a.wheel != b.wheel)
        changed |= Replay::kWheel;
    if (a.tiltX != b.tiltX || a.tiltY != b.tiltY)
        changed |= Replay::kTilt;
    const int32_t flags = (b.focusLost ? Replay::kFocusLost : 0) | (f.note ? Replay::kNote : 0);
    if (flags != 0)
        changed |= Replay::kFlags;
    put(static_cast<uint32_t>(changed));
    putSigned(f.ms);
    if (changed & Replay::kSize) {
        put(static_cast<uint32_t>(f.width));
        put(static_cast<uint32_t>(f.height));
    }
    if (changed & Replay::kHeld)
        for (uint32_t w : b.held)
            putWord(w);
    if (changed & Replay::kQueue) {
        const int32_t n = std::clamp(b.queued, 0, Input::kQueued);
        m_bytes.push_back(static_cast<uint8_t>(n));
        putBytes(b.queue, n);
    }
    if (changed & Replay::kTouch) {
        putSigned(b.touchX);
        putSigned(b.touchY);
    }
    if (changed & Replay::kDrag) {
        putSigned(b.dragX);
        putSigned(b.dragY);
    }
    if (changed & Replay::kPointer) {
        putSigned(b.pointerX);
        putSigned(b.pointerY);
    }
    if (changed & Replay::kWheel)
        putSigned(b.wheel);
    if (changed & Replay::kTilt) {
        putSigned(b.tiltX);
        putSigned(b.tiltY);
    }
    if (changed & Replay::kFlags)
        m_bytes.push_back(static_cast<uint8_t>(flags));
    m_last = f;
    m_frames++;
}

std::vector<uint8_t> ReplayWriter::finish(const Replay::End& e)
{
    if (m_bytes.size() < m_countAt + 4)
        return {};
    for (int32_t i = 0; i < 4; i++)
        m_bytes[m_countAt + static_cast<std::size_t>(i)] = static_cast<uint8_t>(m_frames >> (8 * i));
    m_bytes.push_back(e.over ? 1 : 0);
    putWord(e.picture);
    putBytes(e.record, Replay::kRecordBytes);
    putWord(Replay::hash(m_bytes.data(), m_bytes.size()));
    std::vector<uint8_t> out;
    out.swap(m_bytes);
    m_frames = 0;
    return out;
}
