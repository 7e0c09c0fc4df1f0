#include "game/ReplayRecorder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "game/App.h"
#include "game/BattleFile.h"
#include "host/Host.h"
#include "host/Vdisplay.h"
#include "math/V.h"

void ReplayRecorder::recordOf(App& app, int8_t* bytes, bool withTank)
{
    Campaign& c = *app.m_campaign;
    // Fills the record in memory only.
    c.prefSave(nullptr, withTank ? app.tank() : nullptr);
    for (int32_t k = 0; k < Record::kSlots; k++) {
        const int32_t v = c.prefRead(static_cast<Record::Slot>(k));
        bytes[2 * k] = static_cast<int8_t>(v & 255);
        bytes[2 * k + 1] = static_cast<int8_t>(v >> 8);
    }
}

uint32_t ReplayRecorder::pictureOf(const App& app)
{
    const int32_t n = app.m_width * app.m_height;
    return app.m_pixels.length >= n && n > 0 ? Replay::pictureHash(app.m_pixels.a, n) : 0;
}

void ReplayRecorder::begin(App& app)
{
    if (!enabled() || m_active || !app.tank())
        return;
    Replay::Start s;
    s.version = Replay::version();
    s.startWidth = app.m_startWidth;
    s.startHeight = app.m_startHeight;
    for (int32_t i = 0; i < Replay::kRandomWords && i < V::m_ranbuf.length; i++)
        s.random[i] = V::m_ranbuf[i];
    s.rank = V::m_rank;
    s.ranj = V::m_ranj;
    recordOf(app, s.record, false);
    const Tank& t = *app.tank();
    s.fuel = t.m_fuel;
    s.rounds = t.m_rounds;
    s.damage = t.m_damage;
    s.demo = app.m_demo;
    s.controls = app.m_battle->m_hud->m_controls;
    s.options = app.m_options.encode(app.m_actions);
    // A battle that resumes comes from its file, not from the record alone.
    if (app.m_campaign->battleInProgress()) {
        Array<int8_t> b(BattleFile::kMostBytes + 1);
        const int32_t n = b.empty() ? -1 : Vdisplay::loadRecord(BattleFile::name()->c_str(), b.a, b.length);
        if (n > 0 && n <= BattleFile::kMostBytes)
            s.battle.assign(b.a, b.a + n);
    }
    s.noteMs = app.noteMsAtFrame();
    m_writer.begin(s);
    m_active = true;
    m_fullSaid = false;
    m_input.setState(Input::State());
    Host::current().setGameInput(&m_input);
    record(app);
}

void ReplayRecorder::frame(App& app)
{
    if (m_active)
        record(app);
}

void ReplayRecorder::record(App& app)
{
    m_input.latch(Host::current().input());
    if (m_writer.full() && !m_fullSaid) {
        m_fullSaid = true;
        std::fprintf(stderr, "korvath: this battle outlasts what a replay holds; its replay ends here\n");
    }
    Replay::Frame f;
    f.ms = app.m_frameMs;
    f.width = app.m_width;
    f.height = app.m_height;
    f.input = m_input.state();
    f.note = app.noteShownNow();
    m_writer.frame(f);
}

bool ReplayRecorder::end(App& app, bool over)
{
    if (!m_active)
        return true;
    m_active = false;
    Host::current().setGameInput(nullptr);
    Replay::End e;
    e.over = over && !m_writer.full();
    e.picture = pictureOf(app);
    recordOf(app, e.record, true);
    const int32_t frames = m_writer.frames();
    std::string path;
    if (!write(m_writer.finish(e), path))
        return false;
    if (!m_file.empty()) {
        std::printf("korvath: recorded a battle of %d frames into %s (last frame %08x)\n", frames, path.c_str(),
                    e.picture);
        std::fflush(stdout);
    }
    return true;
}

bool ReplayRecorder::write(const std::vector<uint8_t>& bytes, std::string& path)
{
    path = m_file;
    if (path.empty()) {
        Vdisplay::makeFolder(m_folder);
        const std::vector<std::string> taken = Vdisplay::listFiles(m_folder, kExtension);
        const std::string stem = fileName(static_cast<int64_t>(std::time(nullptr)));
        std::string name = stem;
        // Two battles in one second keep apart (and in order: '_' sorts after '.').
        for (int32_t n = 2; std::binary_search(taken.begin(), taken.end(), name) && n < 100; n++)
            name = stem.substr(0, stem.size() - std::strlen(kExtension)) + "_" + std::to_string(n) + kExtension;
        path = m_folder + "/" + name;
    }
    // Written aside and renamed, so that a crash never leaves half a replay.
    std::string error;
    if (!Vdisplay::storeFile(path, bytes.data(), static_cast<int32_t>(bytes.size()), &error)) {
        std::fprintf(stderr, "korvath: cannot write the replay %s (%s)\n", path.c_str(), error.c_str());
        return false;
    }
    if (m_file.empty())
        rotate(m_folder, kKept);
    return true;
}

std::string ReplayRecorder::fileName(int64_t t)
{
    const std::time_t when = static_cast<std::time_t>(t);
    std::tm local{};
    if (const std::tm* tm = std::localtime(&when))
        local = *tm;
    char name[64];
    std::strftime(name, sizeof name, "%Y-%m-%d-%H%M%S", &local);
    return std::string(name) + kExtension;
}

void ReplayRecorder::rotate(const std::string& folder, int32_t keep)
{
    const std::vector<std::string> replays = Vdisplay::listFiles(folder, kExtension);
    for (std::size_t i = 0; i + static_cast<std::size_t>(std::max(keep, 0)) < replays.size(); i++)
        Vdisplay::removeFile(folder + "/" + replays[i]);
}
