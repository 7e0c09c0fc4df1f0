#include "game/ReplayReader.h"

#include <cerrno>
#include <cstring>
#include <algorithm>

#include "game/BattleFile.h"
#include "game/Options.h"
#include "host/Vdisplay.h"
#include "math/V.h"

namespace {

constexpr int32_t kEndBytes = 1 + 4 + Replay::kRecordBytes + 4; // over, picture, record, checksum

} // namespace

bool ReplayReader::load(const std::string& path, std::string& error)
{
    // One byte more than the longest replay tells a longer file without reading all of it.
    std::vector<int8_t> data;
    std::string why;
    const int32_t got = Vdisplay::loadFile(path, data, kMostBytes + 1, &why);
    if (got < 0) {
        error = "cannot read the replay " + path + ": " + (got == Vdisplay::kNoRecord ? std::strerror(ENOENT) : why);
        return false;
    }
    if (got > kMostBytes) {
        error = path + " is not a Korvath replay";
        return false;
    }
    Array<int8_t> bytes(got);
    std::copy(data.begin(), data.end(), bytes.a);
    return parse(bytes, path, error);
}

bool ReplayReader::parse(const Array<int8_t>& bytes, const std::string& name, std::string& error)
{
    m_bytes = bytes;
    m_frames = 0;
    const int32_t n = bytes.length;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.a);
    if (n < 6 || std::memcmp(b, Replay::kMagic, 4) != 0 || n > kMostBytes) {
        error = name + " is not a Korvath replay";
        return false;
    }
    // The version is looked at first: another version may lay its files out
    // otherwise, and deserves its own answer rather than "damaged".
    const int32_t versionLength = b[5];
    if (6 + versionLength > n) {
        error = "the replay " + name + " is damaged (cut short or altered)";
        return false;
    }
    const std::string version(reinterpret_cast<const char*>(b + 6), static_cast<std::size_t>(versionLength));
    if (b[4] < Replay::kOldestFormat || b[4] > Replay::kFormat || version != Replay::version()) {
        std::string shown;
        for (char c : version)
            shown += c >= ' ' && c < 127 ? c : '?';
        error = name + " was recorded by Korvath " + shown + "; this is Korvath " + Replay::version() +
                ", which plays only its own replays";
        return false;
    }
    m_format = b[4];
    uint32_t sum = 0;
    const bool summed = n >= 6 + versionLength + kEndBytes;
    if (summed)
        for (int32_t i = 0; i < 4; i++)
            sum |= static_cast<uint32_t>(b[n - 4 + i]) << (8 * i);
    if (!summed || sum != Replay::hash(b, static_cast<std::size_t>(n - 4)) || !readStart() || !readEnd()) {
        error = "the replay " + name + " is damaged (cut short or altered)";
        m_frames = 0;
        return false;
    }
    rewind();
    return true;
}

bool ReplayReader::getSigned(int32_t& v)
{
    const int32_t z = m_in->varint();
    if (z < 0 || z > 2 * Replay::kMostSigned)
        return false;
    v = static_cast<int32_t>(static_cast<uint32_t>(z) >> 1) ^ -(z & 1);
    return true;
}

bool ReplayReader::getWord(uint32_t& v)
{
    v = static_cast<uint32_t>(m_in->i32le());
    return !m_in->ranOut();
}

bool ReplayReader::readStart()
{
    ByteReader& in = *m_in;
    in.open(m_bytes, 0, m_bytes.length);
    in.skip(5);
    Replay::Start& s = m_start;
    s = Replay::Start();
    s.version.resize(static_cast<std::size_t>(in.u8()));
    in.read(reinterpret_cast<int8_t*>(s.version.data()), static_cast<int32_t>(s.version.size()));
    s.startWidth = in.varint();
    s.startHeight = in.varint();
    for (int16_t& w : s.random)
        w = static_cast<int16_t>(in.u16le());
    s.rank = in.u8();
    s.ranj = in.u8();
    in.read(s.record, Replay::kRecordBytes);
    uint32_t fuel = 0;
    getWord(fuel);
    s.fuel = static_cast<int32_t>(fuel);
    s.rounds = in.varint();
    s.damage = in.varint();
    const int32_t flags = in.u8();
    s.demo = (flags & 1) != 0;
    s.controls = (flags & 2) != 0;
    s.options.resize(static_cast<std::size_t>(in.u8()));
    in.read(s.options.data(), static_cast<int32_t>(s.options.size()));
    bool fits = true;
    if (m_format >= 3) {
        const int32_t battle = in.varint();
        fits = battle >= 0 && battle <= BattleFile::kMostBytes && battle <= in.remaining();
        s.battle.resize(fits ? static_cast<std::size_t>(battle) : 0);
        in.read(s.battle.data(), static_cast<int32_t>(s.battle.size()));
        s.noteMs = in.varint();
        fits = fits && s.noteMs >= 0 && s.noteMs <= Replay::kMostSigned;
    }
    uint32_t frames = 0;
    getWord(frames);
    m_framesAt = in.position();
    auto side = [](int32_t v) { return v >= 1 && v <= Replay::kMostSide; };
    if (in.ranOut() || !fits || !side(s.startWidth) || !side(s.startHeight) || s.rank >= Replay::kRandomWords ||
        s.ranj >= Replay::kRandomWords || s.options.size() > Options::kMostBytes || s.fuel < 0 || s.rounds > 0xFFFF || s.damage > 0xFFFF || flags > 3 ||
        frames > static_cast<uint32_t>(Replay::kMostFrames))
        return false;
    m_frames = static_cast<int32_t>(frames);
    return true;
}

bool ReplayReader::readEnd()
{
    // Every frame is read once here, so that none can fail while playing.
    m_in->open(m_bytes, static_cast<int32_t>(m_framesAt), m_bytes.length);
    m_last = Replay::Frame();
    Replay::Frame f;
    for (int32_t i = 0; i < m_frames; i++)
        if (!readFrame(f))
            return false;
    ByteReader& in = *m_in;
    const int32_t over = in.u8();
    uint32_t picture = 0;
    getWord(picture);
    m_end.over = over == 1;
    m_end.picture = picture;
    in.read(m_end.record, Replay::kRecordBytes);
    return !in.ranOut() && over <= 1 && in.remaining() == 4;
}

void ReplayReader::rewind()
{
    m_in->open(m_bytes, static_cast<int32_t>(m_framesAt), m_bytes.length);
    m_last = Replay::Frame();
    m_next = 0;
}

bool ReplayReader::next(Replay::Frame& f)
{
    if (m_next >= m_frames || !readFrame(f))
        return false;
    m_next++;
    return true;
}

bool ReplayReader::readFrame(Replay::Frame& f)
{
    ByteReader& in = *m_in;
    f = m_last;
    Input::State& s = f.input;
    f.input.focusLost = false;
    f.note = false;
    const int32_t changed = m_format >= 3 ? in.varint() : in.u8();
    bool ok = changed >= 0 && changed < 2 * Replay::kFlags && getSigned(f.ms);
    if (changed & Replay::kSize) {
        f.width = in.varint();
        f.height = in.varint();
    }
    ok = ok && f.width >= 1 && f.width <= Replay::kMostSide && f.height >= 1 && f.height <= Replay::kMostSide;
    if (changed & Replay::kHeld)
        for (uint32_t& w : s.held)
            ok = getWord(w) && ok;
    if (changed & Replay::kQueue) {
        s.queued = in.u8();
        ok = ok && s.queued <= Input::kQueued;
        std::memset(s.queue, 0, sizeof s.queue);
        for (int32_t i = 0; ok && i < s.queued; i++) {
            s.queue[i] = static_cast<int8_t>(in.u8());
            ok = s.queue[i] > 0;
        }
    }
    if (changed & Replay::kTouch)
        ok = getSigned(s.touchX) && getSigned(s.touchY) && ok;
    if (changed & Replay::kDrag)
        ok = getSigned(s.dragX) && getSigned(s.dragY) && ok;
    if (changed & Replay::kPointer)
        ok = getSigned(s.pointerX) && getSigned(s.pointerY) && ok;
    if (changed & Replay::kWheel)
        ok = getSigned(s.wheel) && ok;
    if (changed & Replay::kTilt)
        ok = getSigned(s.tiltX) && getSigned(s.tiltY) && ok;
    if (changed & Replay::kFlags) {
        const int32_t flags = in.u8();
        ok = ok && flags > 0 && flags <= (Replay::kFocusLost | Replay::kNote);
        s.focusLost = (flags & Replay::kFocusLost) != 0;
        f.note = (flags & Replay::kNote) != 0;
    }
    if (!ok || in.ranOut())
        return false;
    m_last = f;
    return true;
}
