#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "GameTest.h"

#include "game/ReplayReader.h"
#include "game/ReplayRecorder.h"
#include "game/ReplayWriter.h"

namespace {

Array<int8_t> arrayOf(const std::vector<uint8_t>& b)
{
    Array<int8_t> a(static_cast<int32_t>(b.size()));
    std::copy(b.begin(), b.end(), reinterpret_cast<uint8_t*>(a.a));
    return a;
}

// A replay with a little of everything: the start's fields away from their
// defaults, and frames that change each group of fields, alone and together.
std::vector<Replay::Frame> sampleFrames()
{
    std::vector<Replay::Frame> frames;
    Replay::Frame f;
    f.width = 480, f.height = 320;
    for (int32_t i = 0; i < 40; i++) {
        f.ms = i % 7 == 0 ? 0 : 16 + i % 3;
        Input::State& s = f.input;
        if (i % 5 == 1)
            s.held[i % 4] ^= 1u << (i % 32);
        if (i % 4 == 2) {
            // As the game reads a queue: the keys in it, nothing after them.
            std::fill(s.queue, s.queue + Input::kQueued, 0);
            s.queued = i % (Input::kQueued + 1);
            for (int32_t k = 0; k < s.queued; k++)
                s.queue[k] = static_cast<int8_t>(1 + (i * 7 + k) % 127);
        }
        if (i % 6 == 3)
            s.touchX = -i * 1000, s.touchY = i;
        if (i % 9 == 4)
            s.dragX += 300, s.dragY -= 70000;
        if (i % 3 == 0)
            s.pointerX = i, s.pointerY = -1;
        if (i == 20)
            s.wheel = -3, s.tiltX = 32768, s.tiltY = -32768;
        if (i == 30)
            f.width = 1920, f.height = 1080;
        // Flags hold for their frame only.
        s.focusLost = i == 12 || i == 13;
        f.note = i == 13 || i == 25;
        frames.push_back(f);
    }
    return frames;
}

std::vector<uint8_t> sampleFile(const std::string& version = Replay::version())
{
    Replay::Start s;
    s.version = version;
    s.startWidth = 800, s.startHeight = 600, s.rank = 54, s.ranj = 23;
    for (int32_t i = 0; i < Replay::kRandomWords; i++)
        s.random[i] = static_cast<int16_t>(i * 1311 - 30000);
    for (int32_t i = 0; i < Replay::kRecordBytes; i++)
        s.record[i] = static_cast<int8_t>(i * 37);
    s.fuel = 17 << 15 | 12345, s.rounds = 19, s.damage = 41, s.controls = true, s.noteMs = 1234;
    s.options = {'K', 'O', 'P', 'T', 1, 50};
    s.battle = {'K', 'B', 'T', 'L', -1, 0, 7};
    ReplayWriter w;
    w.begin(s);
    for (const Replay::Frame& f : sampleFrames())
        w.frame(f);
    Replay::End e;
    e.over = true, e.picture = 0xDEADBEEF, e.record[3] = 9;
    return w.finish(e);
}

bool parses(const std::vector<uint8_t>& bytes, std::string& error)
{
    ReplayReader r;
    return r.parse(arrayOf(bytes), "r.replay", error);
}

// The checksum made right again after a change, as a careful forger would.
void resum(std::vector<uint8_t>& b)
{
    const uint32_t sum = Replay::hash(b.data(), b.size() - 4);
    for (int32_t i = 0; i < 4; i++)
        b[b.size() - 4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(sum >> (8 * i));
}

} // namespace

// Written again from what was read (every field of the start and the end
// away from its default, every kind of change in the frames), the replay is
// the same to the byte; twice, as a rewind starts the frames over.
TEST(ReplayFile, ReadsBackEveryFieldAndFrame)
{
    const std::vector<uint8_t> bytes = sampleFile();
    ReplayReader r;
    std::string error;
    ASSERT_TRUE(r.parse(arrayOf(bytes), "r.replay", error)) << error;
    ASSERT_EQ(r.frames(), static_cast<int32_t>(sampleFrames().size()));
    EXPECT_EQ(r.start().record[23], static_cast<int8_t>(23 * 37));
    for (int32_t pass = 0; pass < 2; pass++) {
        ReplayWriter w;
        w.begin(r.start());
        Replay::Frame f;
        for (int32_t i = 0; i < r.frames(); i++) {
            ASSERT_TRUE(r.next(f)) << i;
            w.frame(f);
        }
        EXPECT_FALSE(r.next(f));
        EXPECT_EQ(w.finish(r.end()), bytes) << pass;
        r.rewind();
    }
}

TEST(ReplayFile, RefusesWhatWasCutShortAlteredOrMadeByAnotherVersion)
{
    const std::vector<uint8_t> good = sampleFile();
    std::string error;
    for (std::size_t n = 0; n < good.size(); n++) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        ASSERT_FALSE(parses(cut, error)) << n;
        EXPECT_TRUE(error.find("damaged") != std::string::npos || error.find("not a Korvath replay") != std::string::npos)
            << n << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    for (std::size_t i = 6 + std::strlen(Replay::version()); i < good.size(); i++) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0x20;
        ASSERT_FALSE(parses(bad, error)) << i;
        EXPECT_EQ(error, "the replay r.replay is damaged (cut short or altered)") << i;
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(parses(longer, error));

    EXPECT_FALSE(parses(sampleFile("0.9"), error));
    EXPECT_EQ(error, std::string("r.replay was recorded by Korvath 0.9; this is Korvath ") + Replay::version() +
                         ", which plays only its own replays");
    EXPECT_FALSE(parses({'P', 'K', 3, 4, 0, 0, 0, 0}, error));
    EXPECT_EQ(error, "r.replay is not a Korvath replay");
    // A format after this one is another version's, even with a checksum that fits.
    std::vector<uint8_t> newer = good;
    newer[4] = Replay::kFormat + 1;
    resum(newer);
    EXPECT_FALSE(parses(newer, error));
    EXPECT_NE(error.find("plays only its own replays"), std::string::npos) << error;

    // Fields out of range are refused even with a checksum that fits: the
    // first frame's size, and a key queue longer than the game keeps.
    ReplayWriter w;
    Replay::Start s;
    s.version = Replay::version();
    w.begin(s);
    Replay::Frame f;
    f.width = 480, f.height = 320, f.input.queued = Input::kQueued;
    std::fill(f.input.queue, f.input.queue + Input::kQueued, 'A');
    w.frame(f);
    std::vector<uint8_t> b = w.finish(Replay::End());
    ASSERT_TRUE(parses(b, error)) << error;
    const auto queued = std::find(b.begin() + 40, b.end(), static_cast<uint8_t>(Input::kQueued));
    ASSERT_NE(queued, b.end());
    *queued = Input::kQueued + 1;
    resum(b);
    EXPECT_FALSE(parses(b, error));
    EXPECT_NE(error.find("damaged"), std::string::npos);
}

TEST(ReplayRecorder, KeepsTheNewestReplaysOnly)
{
    TempDir dir("replays");
    // Named by their time: they sort by it, a second one in the same second after the first.
    std::vector<std::string> names;
    for (int32_t i = 0; i < 25; i++)
        names.push_back(ReplayRecorder::fileName(int64_t{1796000000} + 3600 * i));
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, names);
    EXPECT_LT(names[0], names[0].substr(0, names[0].size() - 7) + "_2.replay");
    for (const std::string& n : names)
        writeFile(dir.file(n), "x");
    writeFile(dir.file("notes.txt"), "kept");
    ReplayRecorder::rotate(dir.str(), ReplayRecorder::kKept);
    for (int32_t i = 0; i < 25; i++)
        EXPECT_EQ(std::filesystem::exists(dir.file(names[static_cast<std::size_t>(i)])), i >= 25 - ReplayRecorder::kKept) << i;
    EXPECT_TRUE(std::filesystem::exists(dir.file("notes.txt")));
}

namespace {

// A host as slow as a loaded machine: once a battle is recorded or replayed,
// each paint takes the next time of a list (the frame it ends lasts that
// long), and the window can be closed at the n-th host call (a paint, a
// sleep, a look at the clock, a sound) of the battle. It keeps the hash of every picture shown in the
// last battle.
class BusyHost : public GameHost {
public:
    void redrawAll(Viewport&) override { painted(); }
    void redraw(Viewport&, int32_t, int32_t, int32_t, int32_t) override { painted(); }
    void sleepMs(int32_t ms) override
    {
        called();
        GameHost::sleepMs(ms);
    }
    int32_t nowMs() override
    {
        called();
        return GameHost::nowMs();
    }
    void playSound(int32_t id) override
    {
        // A sound comes from the world's tick: mid-frame, after the input
        // was recorded and before the frame is drawn.
        if (m_stopAt < 0 && inBattle())
            m_app->requestStop();
        called();
        GameHost::playSound(id);
    }
    std::string saveScreenshot(const Viewport&) override
    {
        m_shots++;
        return "shot.png";
    }

    std::vector<int32_t> m_paintMs; // in turn; none: paints take no time
    int32_t m_stopAt = 0; // the battle's host call that closes the window; 0: none, -1: its first sound
    std::vector<uint32_t> m_pictures;
    int32_t m_shots = 0;

private:
    bool inBattle() const { return m_app && (m_app->m_recorder.active() || m_app->m_player.active()); }
    void painted()
    {
        if (!inBattle())
            return;
        // Of the last battle only: that is the one recorded.
        if (m_app->m_recorder.frames() < m_recordedFrames)
            m_pictures.clear();
        m_recordedFrames = m_app->m_recorder.frames();
        m_pictures.push_back(ReplayRecorder::pictureOf(*m_app));
        if (!m_paintMs.empty())
            m_elapsed += m_paintMs[m_paints++ % m_paintMs.size()];
        // A game always behind its frames never sleeps: the script's time
        // comes by the paints then.
        runDue();
        called();
    }
    void called()
    {
        if (inBattle() && ++m_calls == m_stopAt)
            m_app->requestStop();
    }
    std::size_t m_paints = 0;
    int32_t m_calls = 0;
    int32_t m_recordedFrames = 0;
};

class ReplayBusyTest : public GameTest {
protected:
    // Runs what host was set up for, recording its last battle, then plays
    // that replay on a host of its own in a preferences folder of its own:
    // it shows the same pictures, and its end is the recorded one.
    void recordAndReplay(BusyHost& host, const std::string& what, const std::function<void(GameHost&)>& during = nullptr)
    {
        SCOPED_TRACE(what);
        const std::string file = m_dir.file("r.replay");
        std::filesystem::remove(file);
        testing::internal::CaptureStdout();
        host.run(480, 320, [&](App& app) { app.m_recorder.toFile(file); });
        m_recorded = testing::internal::GetCapturedStdout();
        m_replay = std::make_shared<ReplayReader>();
        std::string error;
        ASSERT_TRUE(m_replay->load(file, error)) << error << m_recorded;
        TempDir elsewhere("replayed");
        Vdisplay::setPrefsDir(elsewhere.str());
        auto status = std::make_shared<int32_t>(0);
        BusyHost again;
        if (during)
            during(again);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        again.run(480, 320, [&](App& app) { app.m_player.load(m_replay, "r.replay", status); });
        const std::string out = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        Vdisplay::setPrefsDir(m_dir.str());
        EXPECT_EQ(*status, 0) << out;
        EXPECT_NE(out.find("as recorded"), std::string::npos) << out;
        ASSERT_FALSE(host.m_pictures.empty());
        const auto parted = std::mismatch(host.m_pictures.begin(), host.m_pictures.end(), again.m_pictures.begin(),
                                          again.m_pictures.end());
        EXPECT_TRUE(parted.first == host.m_pictures.end() && parted.second == again.m_pictures.end())
            << "the pictures part at paint " << parted.first - host.m_pictures.begin() << " of "
            << host.m_pictures.size() << " (replayed: " << again.m_pictures.size() << ")";
        m_replayShots = again.m_shots;
    }
    std::shared_ptr<ReplayReader> m_replay;
    std::string m_recorded; // what the recording run printed
    int32_t m_replayShots = 0;
};

} // namespace

// Frames of 1, 16, 250 and 2,000 ms and of all of these in turn; the window
// closed at the battle's first paint (a battle of one frame whose wipe has
// barely begun), in its second frame, a few frames in, as the first shot
// sounds (in the middle of a frame of the fight: -1) or not at all.
TEST_F(ReplayBusyTest, LongIrregularFramesAndAStopAnywhereReplayTheSame)
{
#ifdef KORVATH_SANITIZED
    // Fewer runs under the sanitizers: the longest frames and the mixed ones.
    const std::vector<std::vector<int32_t>> paints = {{2000}, {1, 2000, 16, 250, 3, 700}};
    const std::vector<int32_t> stops = {1, 3, 0, -1};
#else
    const std::vector<std::vector<int32_t>> paints = {{1}, {16}, {250}, {2000}, {1, 2000, 16, 250, 3, 700}};
    const std::vector<int32_t> stops = {1, 2, 3, 12, 0, -1};
#endif
    std::set<int32_t> lengths; // of the battles recorded, in frames
    for (const std::vector<int32_t>& p : paints)
        for (int32_t stop : stops) {
            campaign(1, 5);
            BusyHost host;
            host.m_paintMs = p;
            host.m_stopAt = stop;
            toBattle(host);
            if (stop < 0) {
                host.key(kInBattle, ' ');
            } else {
                host.hold(kInBattle, Key::kUp);
                host.key(kInBattle + 300, ' ');
            }
            host.stopAt(kInBattle + 6000);
            recordAndReplay(host, "paints of " + std::to_string(p[0]) + " ms, stopped at call " + std::to_string(stop));
            if (stop >= 0)
                lengths.insert(std::min(m_replay->frames(), 3));
        }
    // Battles of one frame, of two and of many.
    EXPECT_EQ(lengths, (std::set<int32_t>{1, 2, 3}));
}

// The second battle of a run (the first one abandoned for a new campaign)
// starts as a replay does, whatever the first left on the tank, the panel,
// the screen and its depths, or in the spent shells.
TEST_F(ReplayBusyTest, ASecondBattleReplaysTheSame)
{
    campaign(1, 4);
    BusyHost host;
    host.m_paintMs = {16, 40};
    toBattle(host);
    // The second battle fires with the shells and flashes the first one left.
    host.hold(kInBattle, Key::kUp);
    host.key(kInBattle + 500, ' ');
    host.hold(kInBattle + 1500, Key::kUp, false);
    host.keys(kInBattle + 1600, {Key::kEscape, 'N', 'Y', 'A'});
    host.key(kInBattle + 3500, Key::kEnter);
    host.hold(kInBattle + 4500, Key::kLeft);
    host.key(kInBattle + 5000, ' ');
    host.stopAt(kInBattle + 7000);
    recordAndReplay(host, "second battle");
    const std::size_t first = m_recorded.find("recorded a battle");
    EXPECT_NE(m_recorded.find("recorded a battle", first + 1), std::string::npos) << m_recorded;
}

// A battle left midway and resumed from its file on the next start: the
// replay carries the file and resumes the same. Paused there by P and by the
// window losing the focus (part of what is recorded), and F12: the picture is
// saved when pressed, its note is part of the battle's frames; a replay shows
// the note, and F12 while watching saves without one.
TEST_F(ReplayBusyTest, AResumedBattlePausedAndPhotographedReplaysTheSame)
{
    campaign(1, 5, 1);
    {
        GameHost first;
        toBattle(first);
        first.hold(kInBattle, Key::kUp);
        first.runUntil(kInBattle + 2500);
    }
    ASSERT_GT(storedSlot(10), 0);
    BusyHost host;
    host.m_paintMs = {20};
    toBattle(host);
    host.hold(kInBattle, Key::kRight);
    host.key(kInBattle + 500, 'P');
    host.key(kInBattle + 1500, 'P');
    host.key(kInBattle + 3100, Key::kF12);
    host.key(kInBattle + 3500, 'P');
    host.at(kInBattle + 2000, [](App&) { Host::current().input().focusLostSys(); });
    host.stopAt(kInBattle + 4500);
    recordAndReplay(host, "resumed and paused", [](GameHost& again) { again.key(3000, Key::kF12); });
    EXPECT_FALSE(m_replay->start().battle.empty());
    EXPECT_EQ(host.m_shots, 1);
    EXPECT_EQ(m_replayShots, 1);
    int32_t lost = 0, notes = 0;
    Replay::Frame f;
    m_replay->rewind();
    while (m_replay->next(f)) {
        lost += f.input.focusLost;
        notes += f.note;
    }
    EXPECT_GE(lost, 1);
    EXPECT_EQ(notes, 1);
}
