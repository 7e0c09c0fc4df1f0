#include "game/ReplayPlayer.h"

#include <algorithm>
#include <cstdio>

#include "game/App.h"
#include "game/BattleFile.h"
#include "game/BattleScreen.h"
#include "game/ReplayRecorder.h"
#include "host/Host.h"
#include "host/Vdisplay.h"
#include "math/V.h"

void ReplayPlayer::load(std::shared_ptr<ReplayReader> replay, const std::string& name, std::shared_ptr<int32_t> status)
{
    m_replay = std::move(replay);
    m_name = name;
    m_status = std::move(status);
}

void ReplayPlayer::start(App& app)
{
    const Replay::Start& s = m_replay->start();
    // The campaign comes in as the record it was saved as, the way a start
    // of the game reads it (the preferences folder is a scratch one).
    Array<int8_t> record(Replay::kRecordBytes);
    for (int32_t i = 0; i < Replay::kRecordBytes; i++)
        record[i] = s.record[i];
    app.m_display->prefsWrite(Record::name(), record);
    // And the battle it resumed, when it did, beside it; none left from before.
    const std::string battle = BattleFile::name()->c_str();
    Vdisplay::removeRecord(battle);
    if (!s.battle.empty())
        Vdisplay::storeRecord(battle, s.battle.data(), static_cast<int32_t>(s.battle.size()));
    app.loadGame();
    app.m_campaign->locate();
    if (Tank* t = app.tank()) {
        t->m_fuel = s.fuel;
        t->m_rounds = s.rounds;
        t->m_damage = s.damage;
    }
    app.m_demo = s.demo;
    app.m_battle->m_hud->m_controls = s.controls;
    // The keys and the camera the battle was played with, whatever this player chose.
    if (!s.options.empty() && app.m_options.decode(s.options.data(), static_cast<int32_t>(s.options.size()), app.m_actions))
        app.applyOptions();
    V::m_ranbuf = Array<int16_t>(Replay::kRandomWords);
    for (int32_t i = 0; i < Replay::kRandomWords; i++)
        V::m_ranbuf[i] = s.random[i];
    V::m_rank = s.rank;
    V::m_ranj = s.ranj;
    // The screenshot's note, as it stood over the battle's first frame.
    app.showNote(s.noteMs);
    m_replay->rewind();
    m_played = 0;
    m_input.setState(Input::State());
    Host::current().setGameInput(&m_input);
    app.push(new BattleScreen(app));
}

bool ReplayPlayer::frame(App& app)
{
    if (m_finished || !controls(app))
        return false;
    if (m_paused)
        return false;
    if (!m_replay->next(m_frame)) {
        finish(app, false);
        return false;
    }
    m_played++;
    app.setWidthHeight(m_frame.width, m_frame.height);
    app.m_frameMs = m_frame.ms;
    m_input.setState(m_frame.input);
    return true;
}

bool ReplayPlayer::controls(App& app)
{
    Input& keys = Host::current().input();
    for (int32_t k = keys.keyGet(); k != Key::kNone; k = keys.keyGet()) {
        switch (k) {
        case ' ':
        case 'P':
            m_paused = !m_paused;
            break;
        case '1':
        case '2':
        case '4':
            m_speed = k - '0';
            break;
        case Key::kEscape:
        case 'Q':
            m_finished = true;
            Host::current().setGameInput(nullptr);
            app.quit();
            return false;
        default:
            break;
        }
    }
    return true;
}

int32_t ReplayPlayer::wait()
{
    // As long as the frame just played lasted when it was recorded; a stall
    // of the recorded game (a machine asleep) is not waited out again.
    const int32_t ms = std::clamp(m_frame.ms, 0, kMostWaitMs);
    m_carry += 4 * ms / m_speed;
    const int32_t whole = m_carry / 4;
    m_carry -= 4 * whole;
    return whole;
}

void ReplayPlayer::end(App& app, bool over)
{
    if (!m_finished)
        finish(app, over);
}

void ReplayPlayer::finish(App& app, bool over)
{
    m_finished = true;
    Host::current().setGameInput(nullptr);
    if (!over && m_played < m_replay->frames()) {
        // The run ended first (--until, the window closed): no outcome to compare.
        std::printf("korvath: the replay %s stopped at frame %d of %d\n", m_name.c_str(), m_played,
                    m_replay->frames());
        std::fflush(stdout);
        return;
    }
    const Replay::End& recorded = m_replay->end();
    const uint32_t picture = ReplayRecorder::pictureOf(app);
    int8_t record[Replay::kRecordBytes] = {};
    ReplayRecorder::recordOf(app, record, true);
    const bool same = over == recorded.over && m_played == m_replay->frames() && picture == recorded.picture &&
                      std::equal(record, record + Replay::kRecordBytes, recorded.record);
    if (same) {
        std::printf("korvath: replayed %s: %d frames, the battle %s as recorded (last frame %08x)\n", m_name.c_str(),
                    m_played, over ? "ended" : "went", picture);
    } else {
        std::fprintf(stderr,
                     "korvath: the replay %s went another way than recorded (at frame %d of %d, last frame %08x, "
                     "recorded %08x)\n",
                     m_name.c_str(), m_played, m_replay->frames(), picture, recorded.picture);
        if (m_status)
            *m_status = 1;
    }
    std::fflush(stdout);
    app.quit();
}
